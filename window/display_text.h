// Conversions between the core's GBK texts and the Qt strings the window shows and reads.
// Pure functions; safe from any thread.
#pragma once

#include <QString>

#include "text/text.h"

namespace tovren {

// A GBK text as shown on screen; bytes that are not valid GBK show as U+FFFD.
QString ToDisplay(const Text& gbk);
// What the user typed, as a GBK text; characters without a GBK equivalent become "?".
Text FromDisplay(const QString& shown);

}  // namespace tovren

// Escaping of links and titles for the XML and HTML sitemaps. Pure functions; any thread.
// GBK trail bytes are never below 0x40, so the ASCII characters handled here never stand
// inside a two-byte character.
#pragma once

#include "text/text.h"

namespace tovren {

// A link as the content of an XML element: every "&amp;" already there stays, every other
// "&" becomes "&amp;", "<" becomes "&lt;", the ">" of "]]>" becomes "&gt;", and a control byte
// (below 0x20) becomes %XX, its address form. Nothing else changes.
Text EscapeXmlLink(const Text& link);

// Every byte of 0x80 or above as %XX (upper-case hex of the byte as held); the rest unchanged.
// Used for links whose bytes are not valid GBK, so that the address can still be written.
Text PercentEncodeHighBytes(const Text& link);

// A title as the text of an HTML link: "<" and ">" become "&lt;" and "&gt;"; entities such as
// "&amp;" stay as held.
Text EscapeHtmlTitle(const Text& title);

// A link inside a double-quoted HTML attribute: '"' becomes "&quot;"; the rest as held.
Text EscapeHtmlLink(const Text& link);

}  // namespace tovren

#include "window/display_text.h"

#include "fetch/page_decoding.h"

namespace tovren {

QString ToDisplay(const Text& gbk) {
  if (gbk.empty()) return QString();
  return QString::fromStdString(LocalToUtf8(gbk));
}

Text FromDisplay(const QString& shown) {
  if (shown.isEmpty()) return Text();
  return Utf8ToLocal(shown.toStdString());
}

}  // namespace tovren

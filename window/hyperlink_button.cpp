#include "window/hyperlink_button.h"

#include <QDesktopServices>

namespace tovren {

HyperlinkButton::HyperlinkButton(const QString& text, const QUrl& address, QWidget* parent)
    : QPushButton(text, parent), address_(address) {
  setFlat(true);
  setCursor(Qt::PointingHandCursor);
  setToolTip(address_.toString());
  setStyleSheet(QStringLiteral(
      "QPushButton { color: #0645ad; text-decoration: underline; border: none;"
      " background: transparent; text-align: left; padding: 0px; }"
      "QPushButton:hover { color: #d40000; }"));
  connect(this, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(address_); });
}

}  // namespace tovren

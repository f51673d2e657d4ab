// HyperlinkButton: a flat button drawn as a link (blue, underlined, hand cursor) that asks
// the desktop to open its address when clicked. GUI thread only.
#pragma once

#include <QPushButton>
#include <QUrl>

namespace tovren {

class HyperlinkButton : public QPushButton {
 public:
  HyperlinkButton(const QString& text, const QUrl& address, QWidget* parent);

  const QUrl& address() const { return address_; }

 private:
  QUrl address_;
};

}  // namespace tovren

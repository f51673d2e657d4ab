#include "window/app.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "window/main_window.h"

namespace tovren {

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Qt aborts the process when it finds no display, so look before building the application.
bool DisplayAvailable() {
#if defined(__unix__) && !defined(__APPLE__)
  return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM");
#else
  return true;
#endif
}

}  // namespace

int RunWindow(int argc, char** argv) {
  if (!DisplayAvailable()) {
    std::fprintf(stderr,
                 "tovren-sitemap: no display found (DISPLAY and WAYLAND_DISPLAY are unset), so "
                 "the window cannot open; use the headless mode instead: "
                 "tovren-sitemap --crawl ADDRESS (see --help)\n");
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tovren Sitemap"));
  MainWindow window;
  window.show();
  return QApplication::exec();
}

}  // namespace tovren

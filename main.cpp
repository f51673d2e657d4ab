// Tovren Sitemap: the window when started without arguments, the headless mode otherwise.
#include <cstdio>

#include "cli/headless.h"
#ifdef TOVREN_WITH_QT
#include "window/app.h"
#endif

int main(int argc, char** argv) {
  if (argc > 1) return tovren::RunHeadless(argc, argv);
#ifdef TOVREN_WITH_QT
  return tovren::RunWindow(argc, argv);
#else
  std::fprintf(stderr, "tovren-sitemap: built without the window; use --crawl ADDRESS (see --help)\n");
  return 2;
#endif
}

// The headless mode: `tovren-sitemap --crawl ADDRESS [options]`.
#pragma once

namespace tovren {

// Parses the arguments, runs the crawl and the requested steps, and returns the exit status:
// 0 after a crawl, 2 for a usage error, 1 when a sitemap file could not be written,
// 130 after a second interrupt.
int RunHeadless(int argc, char** argv);

}  // namespace tovren

// Command-line options of the headless mode: parsing and the usage text.
// Pure functions; safe to call from any thread.
#pragma once

#include <string>
#include <vector>

namespace tovren {

// What the headless mode was asked to do.
struct HeadlessOptions {
  std::string address;   // --crawl, as typed (UTF-8)
  bool all_links = false;  // --all: crawl scope "网站全部链接"
  int per_file = 500;      // --per-file: 500 or 1000
  bool dedup = false;      // --dedup
  bool write_xml = true;   // --write
  bool write_html = true;
  bool write_txt = true;
  std::string out_dir;   // --out; empty: the sitemap folder beside the program
  bool quiet = false;    // --quiet
};

enum class ParseOutcome { kRun, kHelp, kVersion, kUsageError };

struct ParseResult {
  ParseOutcome outcome = ParseOutcome::kUsageError;
  HeadlessOptions options;  // meaningful for kRun
  std::string error;        // one line, for kUsageError
};

// Parses the arguments after the program name. Options take their value as the next
// argument or after "=" (--per-file=1000). --help and --version win over everything that
// follows them; anything unknown, a missing or bad value, a positional argument, or a
// missing --crawl gives kUsageError with a one-line reason. Later repeats of an option
// override earlier ones.
ParseResult ParseHeadlessOptions(const std::vector<std::string>& args);

// The usage text (several lines, ends with a line break). `program` is the name to show.
std::string UsageText(const std::string& program);

}  // namespace tovren

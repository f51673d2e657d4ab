// Parsing of the headless mode's arguments.
#include "cli/options.h"

#include <optional>
#include <string_view>

namespace tovren {
namespace {

bool TakesValue(std::string_view name) {
  return name == "--crawl" || name == "--per-file" || name == "--write" || name == "--out";
}

bool IsFlag(std::string_view name) {
  return name == "--all" || name == "--dedup" || name == "--quiet" || name == "--help" ||
         name == "--version";
}

// Applies "--write LIST"; returns an error text, or "" when the list is good.
std::string ApplyWriteList(const std::string& list, HeadlessOptions& o) {
  if (list == "none") {
    o.write_xml = o.write_html = o.write_txt = false;
    return "";
  }
  bool xml = false, html = false, txt = false;
  std::string_view rest = list;
  while (true) {
    size_t comma = rest.find(',');
    std::string_view item = rest.substr(0, comma);
    if (item == "xml") {
      xml = true;
    } else if (item == "html") {
      html = true;
    } else if (item == "txt") {
      txt = true;
    } else {
      return "bad --write item '" + std::string(item) + "' (use xml, html, txt or none)";
    }
    if (comma == std::string_view::npos) break;
    rest = rest.substr(comma + 1);
  }
  o.write_xml = xml;
  o.write_html = html;
  o.write_txt = txt;
  return "";
}

ParseResult UsageError(std::string message) {
  ParseResult r;
  r.outcome = ParseOutcome::kUsageError;
  r.error = std::move(message);
  return r;
}

}  // namespace

ParseResult ParseHeadlessOptions(const std::vector<std::string>& args) {
  HeadlessOptions o;
  bool have_crawl = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (name.rfind("--", 0) == 0) {
      size_t eq = name.find('=');
      if (eq != std::string::npos) {
        value = name.substr(eq + 1);
        name.resize(eq);
      }
    }
    if (IsFlag(name)) {
      if (value) return UsageError("option " + name + " takes no value");
      if (name == "--help") return ParseResult{ParseOutcome::kHelp, o, ""};
      if (name == "--version") return ParseResult{ParseOutcome::kVersion, o, ""};
      if (name == "--all") o.all_links = true;
      if (name == "--dedup") o.dedup = true;
      if (name == "--quiet") o.quiet = true;
      continue;
    }
    if (!TakesValue(name)) {
      if (name.rfind("-", 0) == 0) return UsageError("unknown option " + name);
      return UsageError("unexpected argument '" + name + "'");
    }
    if (!value) {
      if (i + 1 >= args.size()) return UsageError("option " + name + " needs a value");
      value = args[++i];
    }
    if (name == "--crawl") {
      o.address = *value;
      have_crawl = true;
    } else if (name == "--per-file") {
      if (*value == "500") {
        o.per_file = 500;
      } else if (*value == "1000") {
        o.per_file = 1000;
      } else {
        return UsageError("bad --per-file value '" + *value + "' (use 500 or 1000)");
      }
    } else if (name == "--write") {
      std::string error = ApplyWriteList(*value, o);
      if (!error.empty()) return UsageError(error);
    } else if (name == "--out") {
      if (value->empty()) return UsageError("option --out needs a folder");
      o.out_dir = *value;
    }
  }
  if (!have_crawl) return UsageError("missing --crawl ADDRESS");
  return ParseResult{ParseOutcome::kRun, o, ""};
}

std::string UsageText(const std::string& program) {
  return "Usage: " + program +
         " --crawl ADDRESS [options]\n"
         "Crawls a web site without the window and writes its sitemap files.\n"
         "\n"
         "  --crawl ADDRESS  the site's address, as typed into the address box\n"
         "  --all            follow same-site links to any depth (\xE7\xBD\x91\xE7\xAB\x99"
         "\xE5\x85\xA8\xE9\x83\xA8\xE9\x93\xBE\xE6\x8E\xA5);\n"
         "                   default: the home page and two levels below it\n"
         "                   (\xE9\xA6\x96\xE9\xA1\xB5\xE5\x8F\x8A\xE4\xBA\x8C\xE7\xBA\xA7"
         "\xE7\x9B\xAE\xE5\xBD\x95)\n"
         "  --per-file N     links per sitemap file: 500 (default) or 1000\n"
         "  --dedup          remove duplicate links and sort by link length after the crawl\n"
         "  --write LIST     files to write: comma-separated subset of xml,html,txt, or none\n"
         "                   (default: xml,html,txt)\n"
         "  --out DIR        folder for the sitemap files (created if missing; default: the\n"
         "                   folder 'sitemap' beside the program)\n"
         "  --quiet          no progress output, only errors\n"
         "  --help           show this text\n"
         "  --version        show the version\n"
         "\n"
         "stdout receives the result table, one row a line: number, link and title separated\n"
         "by tabs (UTF-8). Progress goes to stderr. Ctrl-C stops the crawl and still writes\n"
         "what was collected; a second Ctrl-C exits at once.\n"
         "Exit status: 0 after a crawl, 1 when a sitemap file could not be written, 2 for a\n"
         "usage error, 130 after a second Ctrl-C.\n";
}

}  // namespace tovren

#include "cli/options.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tovren {
namespace {

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

TEST(ParseHeadlessOptions, AcceptedCommandLines) {
  struct Case {
    const char* args;
    const char* address;
    bool all;
    int per_file;
    bool dedup;
    const char* writes;  // which of x(ml), h(tml), t(xt) are on
    const char* out;
    bool quiet;
  } cases[] = {
      {"--crawl www.a.localhost", "www.a.localhost", false, 500, false, "xht", "", false},
      {"--crawl=www.a.localhost --all", "www.a.localhost", true, 500, false, "xht", "", false},
      {"--all --crawl x --per-file 1000", "x", true, 1000, false, "xht", "", false},
      {"--crawl x --per-file=500 --dedup", "x", false, 500, true, "xht", "", false},
      {"--crawl x --write xml", "x", false, 500, false, "x", "", false},
      {"--crawl x --write html,txt", "x", false, 500, false, "ht", "", false},
      {"--crawl x --write txt,xml,txt", "x", false, 500, false, "xt", "", false},
      {"--crawl x --write none", "x", false, 500, false, "", "", false},
      {"--crawl x --write none --write html", "x", false, 500, false, "h", "", false},
      {"--crawl x --out /tmp/o --quiet", "x", false, 500, false, "xht", "/tmp/o", true},
      {"--crawl x --out=rel/dir", "x", false, 500, false, "xht", "rel/dir", false},
      {"--crawl a --crawl b --per-file 1000 --per-file 500", "b", false, 500, false, "xht", "",
       false},
      // A value that looks like an option is still the value of the option before it.
      {"--out --all --crawl x", "x", false, 500, false, "xht", "--all", false},
  };
  for (const Case& c : cases) {
    ParseResult r = ParseHeadlessOptions(Split(c.args));
    ASSERT_EQ(r.outcome, ParseOutcome::kRun) << c.args << ": " << r.error;
    const HeadlessOptions& o = r.options;
    EXPECT_EQ(o.address, c.address) << c.args;
    EXPECT_EQ(o.all_links, c.all) << c.args;
    EXPECT_EQ(o.per_file, c.per_file) << c.args;
    EXPECT_EQ(o.dedup, c.dedup) << c.args;
    std::string writes = std::string(o.write_xml ? "x" : "") + (o.write_html ? "h" : "") +
                         (o.write_txt ? "t" : "");
    EXPECT_EQ(writes, c.writes) << c.args;
    EXPECT_EQ(o.out_dir, c.out) << c.args;
    EXPECT_EQ(o.quiet, c.quiet) << c.args;
  }
}

TEST(ParseHeadlessOptions, AddressKeepsSpacesAndUtf8) {
  // The address box normalises spaces itself; the parser hands the text over untouched.
  ParseResult r = ParseHeadlessOptions({"--crawl", " www.\xE4\xB8\xAD.localhost "});
  ASSERT_EQ(r.outcome, ParseOutcome::kRun);
  EXPECT_EQ(r.options.address, " www.\xE4\xB8\xAD.localhost ");
}

TEST(ParseHeadlessOptions, HelpAndVersion) {
  struct Case {
    const char* args;
    ParseOutcome want;
  } cases[] = {
      {"--help", ParseOutcome::kHelp},
      {"--version", ParseOutcome::kVersion},
      {"--crawl x --help", ParseOutcome::kHelp},
      {"--help --bogus", ParseOutcome::kHelp},
      {"--version --help", ParseOutcome::kVersion},
      {"--bogus --help", ParseOutcome::kUsageError},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseHeadlessOptions(Split(c.args)).outcome, c.want) << c.args;
  }
}

TEST(ParseHeadlessOptions, UsageErrorsNameTheProblem) {
  struct Case {
    const char* args;
    const char* in_message;
  } cases[] = {
      {"--all", "missing --crawl"},
      {"--dedup --write xml", "missing --crawl"},
      {"--crawl", "--crawl needs a value"},
      {"--crawl x --out", "--out needs a value"},
      {"--crawl x --out=", "--out needs a folder"},
      {"--crawl x --per-file", "--per-file needs a value"},
      {"--crawl x --per-file 200", "bad --per-file value '200'"},
      {"--crawl x --per-file 1000x", "bad --per-file value '1000x'"},
      {"--crawl x --per-file=", "bad --per-file value ''"},
      {"--crawl x --write pdf", "bad --write item 'pdf'"},
      {"--crawl x --write xml,", "bad --write item ''"},
      {"--crawl x --write xml,,txt", "bad --write item ''"},
      {"--crawl x --write XML", "bad --write item 'XML'"},
      {"--crawl x --write xml,none", "bad --write item 'none'"},
      {"--crawl x --write=", "bad --write item ''"},
      {"--crawl x --verbose", "unknown option --verbose"},
      {"--crawl x -q", "unknown option -q"},
      {"--crawl x extra", "unexpected argument 'extra'"},
      {"www.a.localhost", "unexpected argument 'www.a.localhost'"},
      {"--crawl x --all=yes", "--all takes no value"},
  };
  for (const Case& c : cases) {
    ParseResult r = ParseHeadlessOptions(Split(c.args));
    EXPECT_EQ(r.outcome, ParseOutcome::kUsageError) << c.args;
    EXPECT_NE(r.error.find(c.in_message), std::string::npos) << c.args << " gave: " << r.error;
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << c.args;
  }
}

TEST(UsageText, NamesEveryOption) {
  std::string usage = UsageText("tovren-sitemap");
  for (const char* option : {"--crawl ADDRESS", "--all", "--per-file N", "--dedup",
                             "--write LIST", "--out DIR", "--quiet", "--help", "--version"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(usage.rfind("Usage: tovren-sitemap --crawl ADDRESS", 0), 0u);
  EXPECT_EQ(usage.back(), '\n');
}

}  // namespace
}  // namespace tovren

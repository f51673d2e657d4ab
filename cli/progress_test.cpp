#include "cli/progress.h"

#include <gtest/gtest.h>

#include <thread>

#include "cli/table_output.h"

namespace tovren {
namespace {

// GBK bytes of the crawl's status texts used below.
const Text kRead5 = "\xD2\xD1\xB3\xC9\xB9\xA6\xB6\xC1\xC8\xA1" "5" "\xCC\xF5\xD3\xD0\xD0\xA7"
                    "\xC1\xB4\xBD\xD3";  // 已成功读取5条有效链接
const char* kRead5Utf8 = "已成功读取5条有效链接";

TEST(FormatElapsed, Ranges) {
  struct Case {
    double seconds;
    const char* want;
  } cases[] = {
      {0, "0.0 s"},       {0.46, "0.4 s"},          {12.39, "12.3 s"},
      {59.99, "59.9 s"},  {60, "1 min 00 s"},       {125.7, "2 min 05 s"},
      {3599.9, "59 min 59 s"}, {3600, "1 h 00 min"}, {3725, "1 h 02 min"},
      {-3, "0.0 s"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatElapsed(c.seconds), c.want) << c.seconds;
}

TEST(FormatSummaryLine, CountsTimeAndFiles) {
  struct Case {
    ProgressCounts counts;
    bool interrupted;
    std::vector<std::string> files;
    const char* want;
  } cases[] = {
      {{120, 300, 4.56}, false, {"sitemap.xml", "index.html", "urllist.txt"},
       "done: 120 pages listed, 300 links visited in 4.5 s; wrote 3 files to /o: sitemap.xml "
       "index.html urllist.txt"},
      {{1, 0, 0.2}, false, {"urllist.txt"},
       "done: 1 pages listed, 0 links visited in 0.2 s; wrote 1 file to /o: urllist.txt"},
      {{7, 9, 61}, true, {}, "stopped: 7 pages listed, 9 links visited in 1 min 01 s; no files "
                             "written"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatSummaryLine(c.counts, c.interrupted, c.files, "/o"), c.want) << c.want;
  }
}

TEST(FitToColumns, CountsWideCharactersTwiceAndNeverSplitsOne) {
  struct Case {
    const char* in;
    int columns;
    const char* want;
  } cases[] = {
      {"abcdef", 4, "abcd"},
      {"abc", 10, "abc"},
      {"已获取12条", 5, "已获"},      // 2 + 2 columns; the third character would need 6
      {"已获取12条", 7, "已获取1"},
      {"a已", 2, "a"},
      {"", 3, ""},
      {"\xE4\xB8", 5, "\xE4\xB8"},   // a cut sequence passes through byte by byte
  };
  for (const Case& c : cases) EXPECT_EQ(FitToColumns(c.in, c.columns), c.want) << c.in;
}

struct Capture {
  std::string text;
  std::function<void(std::string_view)> Sink() {
    return [this](std::string_view s) { text.append(s); };
  }
};

TEST(ProgressReporter, LinesModeWritesChangedTextsAtMostOncePerInterval) {
  Capture out;
  ProgressReporter p(ProgressReporter::Mode::kLines, out.Sink(), 80, 0.1);
  p.Poll({0, 0, 0.0});  // nothing set yet
  EXPECT_EQ(out.text, "");
  p.SetStatus("a");
  p.Poll({0, 0, 0.0});
  p.SetStatus("b");
  p.Poll({0, 0, 0.05});  // too soon after "a": held back
  p.SetStatus("c");
  p.Poll({0, 0, 0.12});  // "b" was replaced meanwhile and is never shown
  p.Poll({0, 0, 0.5});   // unchanged: nothing
  p.SetStatus("c");
  p.Poll({0, 0, 0.8});   // set again to the same text: nothing
  p.SetStatus("d");
  p.Poll({0, 0, 0.9});
  p.SetStatus(kRead5);
  p.Poll({0, 0, 0.95});  // held back
  EXPECT_EQ(out.text, "a\nc\nd\n");
  p.Finish();  // the held-back last status is not lost
  EXPECT_EQ(out.text, std::string("a\nc\nd\n") + kRead5Utf8 + "\n");
  p.Finish();
  p.Notice("done: x");
  EXPECT_EQ(out.text, std::string("a\nc\nd\n") + kRead5Utf8 + "\ndone: x\n");
}

TEST(ProgressReporter, TerminalModeRedrawsOneLineAndClearsItForNotices) {
  Capture out;
  ProgressReporter p(ProgressReporter::Mode::kTerminal, out.Sink(), 200);
  p.SetStatus(kRead5);
  p.Poll({5, 12, 1.25});
  p.Poll({6, 14, 1.5});
  std::string line1 = std::string(kRead5Utf8) + "  |  5 pages listed, 12 links visited, 1.2 s";
  std::string line2 = std::string(kRead5Utf8) + "  |  6 pages listed, 14 links visited, 1.5 s";
  EXPECT_EQ(out.text, "\r\x1b[K" + line1 + "\r\x1b[K" + line2);
  out.text.clear();
  p.Notice("note");
  EXPECT_EQ(out.text, "\r\x1b[Knote\n");
  out.text.clear();
  p.Finish();  // the line was cleared by the notice already
  EXPECT_EQ(out.text, "");
  p.Poll({6, 14, 1.6});
  p.Finish();
  EXPECT_EQ(out.text.substr(out.text.size() - 4), "\r\x1b[K");
}

TEST(ProgressReporter, TerminalLineFitsTheWidth) {
  Capture out;
  ProgressReporter p(ProgressReporter::Mode::kTerminal, out.Sink(), 30);
  p.SetStatus(kRead5);
  p.Poll({5, 12, 1.0});
  ASSERT_EQ(out.text.rfind("\r\x1b[K", 0), 0u);
  // 29 columns: ten wide characters (20), "5", and 8 columns of "  |  5 pages".
  EXPECT_EQ(out.text.substr(4), std::string(kRead5Utf8) + "  |  5 p");
}

TEST(ProgressReporter, QuietModeWritesNothing) {
  Capture out;
  ProgressReporter p(ProgressReporter::Mode::kQuiet, out.Sink());
  p.SetStatus("a");
  p.Poll({1, 1, 1});
  p.Notice("done");
  p.Finish();
  EXPECT_EQ(out.text, "");
}

TEST(ProgressReporter, StatusFromManyThreadsWhilePolling) {
  Capture out;
  ProgressReporter p(ProgressReporter::Mode::kLines, out.Sink(), 80, 0.0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&p, t] {
      for (int i = 0; i < 2000; ++i) p.SetStatus("t" + std::to_string(t) + "-" + std::to_string(i));
    });
  }
  for (int i = 0; i < 200; ++i) p.Poll({0, 0, i * 1.0});
  for (auto& t : threads) t.join();
  p.Finish();
  // Every line written is one whole status text.
  size_t start = 0;
  while (start < out.text.size()) {
    size_t end = out.text.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    std::string line = out.text.substr(start, end - start);
    EXPECT_TRUE(line.size() >= 4 && line[0] == 't' && line[2] == '-') << line;
    start = end + 1;
  }
  EXPECT_NE(out.text.find("-1999\n"), std::string::npos);
}

TEST(FormatResultTable, TabSeparatedUtf8OneLinePerRow) {
  struct Case {
    std::vector<ResultRow> rows;
    const char* want;
  } cases[] = {
      {{}, ""},
      {{{"1", "http://a.localhost/", "\xCA\xD7\xD2\xB3", 0}},  // 首页
       "1\thttp://a.localhost/\t首页\n"},
      {{{"2", "http://a.localhost/x", "", 0}, {"1", "http://a.localhost/", "T", 0}},
       "2\thttp://a.localhost/x\t\n1\thttp://a.localhost/\tT\n"},
      // Line breaks and tabs kept in a title would break the row apart.
      {{{"3", "http://a.localhost/y", "\r\nMy\tPage\n", 0}}, "3\thttp://a.localhost/y\t  My Page \n"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatResultTable(c.rows), c.want) << c.want;
}

}  // namespace
}  // namespace tovren

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <ctime>
#include <mutex>
#include <regex>
#include <thread>

#include "writers/output_rules.h"
#include "writers/sitemap_texts.h"
#include "writers/sitemap_writers.h"
#include "writers/writers_test_support.h"

namespace tovren {
namespace {

using testing::Between;
using testing::CountOf;
using testing::FilesIn;
using testing::Links;
using testing::NumberedLinks;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

const std::string kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<urlset\r\n"
    "    xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"\r\n"
    "    xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\r\n"
    "    xsi:schemaLocation=\"http://www.sitemaps.org/schemas/sitemap/0.9\r\n"
    "       http://www.sitemaps.org/schemas/sitemap/0.9/sitemap.xsd\">\r\n";
const std::string kRoot = "http://s.localhost";  // L = 18

DateSource FixedDate(const std::string& date) {
  return [date] { return date; };
}

struct Entry {
  std::string loc, priority, lastmod, changefreq;
};

// The <url> entries of a file, in order; each must be laid out exactly as the writer's
// entry layout says.
std::vector<Entry> EntriesOf(const std::string& text) {
  std::vector<Entry> entries;
  for (const std::string& body : Between(text, "<url>\r\n", "</url>\r\n")) {
    static const std::regex layout(
        "<loc>(.*)</loc>\r\n<priority>(.*)</priority>\r\n<lastmod>(.*)</lastmod>\r\n"
        "<changefreq>(.*)</changefreq>\r\n");
    std::smatch m;
    if (!std::regex_match(body, m, layout)) {
      ADD_FAILURE() << "entry not in the expected layout: " << body;
      continue;
    }
    entries.push_back(Entry{m[1], m[2], m[3], m[4]});
  }
  return entries;
}

// Every written XML file must be well-formed and, when its links are URIs, a valid
// Sitemaps 0.9 urlset.
void ExpectValidXml(const std::filesystem::path& file, bool check_schema = true) {
  if (!testing::HaveXmllint()) {
    std::cout << "xmllint is missing (package libxml2-utils): XML validity not checked\n";
    return;
  }
  EXPECT_EQ(testing::Xmllint(file), 0) << file << " is not well-formed";
  if (check_schema) {
    EXPECT_EQ(testing::Xmllint(file, TOVREN_SITEMAP_XSD), 0) << file << " does not match the schema";
  }
}

TEST(XmlSitemapTest, SmallFileByteForByte) {
  TempFolder folder;
  const ListSnapshot lists = Links(kRoot, {{kRoot + "/", "home"},
                                           {kRoot + "/a?x=1&y=2", "a"},
                                           {kRoot + "/\xD6\xD0", "zhong"}});
  const WriteReport report = WriteXmlSitemapDated(lists, 500, folder.path(), FixedDate("2024-03-05"));
  EXPECT_TRUE(report.failed.empty());
  ASSERT_EQ(report.written, (std::vector<std::filesystem::path>{folder / "sitemap.xml"}));
  EXPECT_EQ(ReadFile(folder / "sitemap.xml"),
            kHeader +
                "<url>\r\n<loc>http://s.localhost/</loc>\r\n<priority>1.00</priority>\r\n"
                "<lastmod>2024-03-05</lastmod>\r\n<changefreq>hourly</changefreq>\r\n</url>\r\n"
                "<url>\r\n<loc>http://s.localhost/a?x=1&amp;y=2</loc>\r\n<priority>0.5</priority>\r\n"
                "<lastmod>2024-03-05</lastmod>\r\n<changefreq>weekly</changefreq>\r\n</url>\r\n"
                "<url>\r\n<loc>http://s.localhost/\xE4\xB8\xAD</loc>\r\n<priority>0.8</priority>\r\n"
                "<lastmod>2024-03-05</lastmod>\r\n<changefreq>daily</changefreq>\r\n</url>\r\n"
                "<url>\r\n<loc>http://www.tovren.example</loc>\r\n<priority>1.00</priority>\r\n"
                "<lastmod>2024-03-05</lastmod>\r\n<changefreq>hourly</changefreq>\r\n</url>\r\n"
                "</urlset>");
  ExpectValidXml(folder / "sitemap.xml");
}

TEST(XmlSitemapTest, ChainedFilesByteForByte) {
  TempFolder folder;
  const ListSnapshot lists = Links(kRoot, {{kRoot + "/", "home"}, {kRoot + "/b", "b"}, {kRoot + "/c", "c"}});
  WriteXmlSitemapDated(lists, 2, folder.path(), FixedDate("2010-07-24"));
  EXPECT_EQ(ReadFile(folder / "sitemap.xml"),
            kHeader +
                "<url>\r\n<loc>http://s.localhost/sitemap/sitemap1.xml</loc>\r\n<priority>1.00</priority>\r\n"
                "<lastmod>2010-07-24</lastmod>\r\n<changefreq>daily</changefreq>\r\n</url>\r\n"
                "<url>\r\n<loc>http://s.localhost/</loc>\r\n<priority>1.00</priority>\r\n"
                "<lastmod>2010-07-24</lastmod>\r\n<changefreq>hourly</changefreq>\r\n</url>\r\n"
                "<url>\r\n<loc>http://s.localhost/b</loc>\r\n<priority>0.8</priority>\r\n"
                "<lastmod>2010-07-24</lastmod>\r\n<changefreq>daily</changefreq>\r\n</url>\r\n"
                "<url>\r\n<loc>http://www.tovren.example</loc>\r\n<priority>1.00</priority>\r\n"
                "<lastmod>2010-07-24</lastmod>\r\n<changefreq>hourly</changefreq>\r\n</url>\r\n"
                "</urlset>");
  EXPECT_EQ(ReadFile(folder / "sitemap1.xml"),
            kHeader +
                "<url>\r\n<loc>http://s.localhost/c</loc>\r\n<priority>0.8</priority>\r\n"
                "<lastmod>2010-07-24</lastmod>\r\n<changefreq>daily</changefreq>\r\n</url>\r\n"
                "<url>\r\n<loc>http://www.tovren.example</loc>\r\n<priority>1.00</priority>\r\n"
                "<lastmod>2010-07-24</lastmod>\r\n<changefreq>hourly</changefreq>\r\n</url>\r\n"
                "</urlset>");
}

TEST(XmlSitemapTest, SplitsIntoChainedFiles) {
  struct Case {
    int n;
    std::vector<std::string> files;   // written, in order
    std::vector<std::string> chains;  // chain address per file, "" for none
    std::vector<std::pair<int, int>> shares;
  } cases[] = {
      {0, {}, {}, {}},
      {1, {"sitemap.xml"}, {""}, {{1, 1}}},
      {500, {"sitemap.xml"}, {""}, {{1, 500}}},
      {501, {"sitemap.xml", "sitemap1.xml"}, {kRoot + "/sitemap/sitemap1.xml", ""}, {{1, 500}, {501, 1}}},
      {1200,
       {"sitemap.xml", "sitemap1.xml", "sitemap2.xml"},
       {kRoot + "/sitemap/sitemap1.xml", kRoot + "/sitemap/sitemap2.xml", ""},
       {{1, 500}, {501, 500}, {1001, 200}}},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    ListSnapshot lists = NumberedLinks(c.n);
    // Every link of every file is escaped the same way.
    if (c.n > 0) lists.UrlList.back() += "?a=1&b=2";
    const WriteReport report = WriteXmlSitemapDated(lists, 500, folder.path(), FixedDate("2024-03-05"));
    EXPECT_TRUE(report.failed.empty()) << "n=" << c.n;
    std::vector<std::filesystem::path> want_written;
    for (const auto& name : c.files) want_written.push_back(folder / name);
    EXPECT_EQ(report.written, want_written) << "n=" << c.n;
    EXPECT_EQ(FilesIn(folder.path()), std::set<std::string>(c.files.begin(), c.files.end()))
        << "n=" << c.n;

    for (size_t f = 0; f < c.files.size(); ++f) {
      const std::string text = ReadFile(folder / c.files[f]);
      const std::string where = "n=" + std::to_string(c.n) + " " + c.files[f];
      EXPECT_EQ(text.substr(0, kHeader.size()), kHeader) << where << ": header, no byte-order mark";
      ASSERT_GE(text.size(), 9u);
      EXPECT_EQ(text.substr(text.size() - 9), "</urlset>") << where;
      std::vector<Entry> entries = EntriesOf(text);
      size_t next = 0;
      if (!c.chains[f].empty()) {
        ASSERT_FALSE(entries.empty()) << where;
        EXPECT_EQ(entries[0].loc, c.chains[f]) << where;
        EXPECT_EQ(entries[0].priority, "1.00") << where;
        EXPECT_EQ(entries[0].changefreq, "daily") << where;
        next = 1;
      }
      const auto [first, size] = c.shares[f];
      ASSERT_EQ(entries.size(), next + static_cast<size_t>(size) + 1) << where;
      for (int i = 0; i < size; ++i) {
        const int position = first + i;
        std::string want = "http://s.localhost/p" + std::to_string(position);
        if (position == c.n) want += "?a=1&amp;b=2";
        EXPECT_EQ(entries[next + static_cast<size_t>(i)].loc, want) << where << " position " << position;
      }
      EXPECT_EQ(entries.back().loc, "http://www.tovren.example") << where;
      EXPECT_EQ(entries.back().priority, "1.00") << where;
      EXPECT_EQ(entries.back().changefreq, "hourly") << where;
      ExpectValidXml(folder / c.files[f]);
    }
  }
}

TEST(XmlSitemapTest, NothingWrittenForEmptyListOrNoSplitSize) {
  struct Case {
    const char* name;
    int n;
    int per_file;
  } cases[] = {{"empty list", 0, 500}, {"no split size", 10, 0}, {"negative split size", 10, -5}};
  for (const Case& c : cases) {
    TempFolder folder;
    WriteFile(folder / "sitemap.xml", "earlier run");
    const WriteReport report = WriteXmlSitemap(NumberedLinks(c.n), c.per_file, folder.path());
    EXPECT_TRUE(report.written.empty()) << c.name;
    EXPECT_TRUE(report.failed.empty()) << c.name;
    EXPECT_EQ(ReadFile(folder / "sitemap.xml"), "earlier run") << c.name;
    EXPECT_EQ(FilesIn(folder.path()), std::set<std::string>{"sitemap.xml"}) << c.name;
  }
}

TEST(XmlSitemapTest, HigherNumberedFileOfAnEarlierRunIsLeftAlone) {
  TempFolder folder;
  WriteFile(folder / "sitemap3.xml", "from a longer run");
  WriteXmlSitemap(NumberedLinks(501), 500, folder.path());
  EXPECT_EQ(FilesIn(folder.path()), (std::set<std::string>{"sitemap.xml", "sitemap1.xml", "sitemap3.xml"}));
  EXPECT_EQ(ReadFile(folder / "sitemap3.xml"), "from a longer run");
}

TEST(XmlSitemapTest, PriorityFollowsTheLinkLengthAgainstTheSiteRoot) {
  struct Case {
    std::string link;
    const char* priority;
    const char* frequency;
  } cases[] = {
      {"x", "1.00", "hourly"},
      {kRoot, "1.00", "hourly"},                          // L
      {kRoot + "/", "1.00", "hourly"},                    // L + 1
      {kRoot + "/a", "0.8", "daily"},                     // L + 2
      {kRoot + "/\xD6\xD0", "0.8", "daily"},              // L + 3: 中 counts two bytes
      {kRoot + "/abcdef", "0.8", "daily"},                // L + 7
      {kRoot + "/abcd\xD6\xD0", "0.8", "daily"},          // L + 7
      {kRoot + "/abcdefg", "0.5", "weekly"},              // L + 8
      {kRoot + "/abcde\xD6\xD0", "0.5", "weekly"},        // L + 8
      {kRoot + "/abcde&", "0.8", "daily"},                // L + 7 as listed, longer once escaped
      {kRoot + "/some/deeper/page.html", "0.5", "weekly"},
  };
  ListSnapshot lists;
  lists.SiteRoot = kRoot;
  for (const Case& c : cases) lists.UrlList.push_back(c.link), lists.TitleList.push_back("t");
  const std::vector<Entry> entries = EntriesOf(XmlSitemapText(lists, 500, 1, "2024-03-05"));
  ASSERT_EQ(entries.size(), std::size(cases) + 1);
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(entries[i].priority, cases[i].priority) << cases[i].link;
    EXPECT_EQ(entries[i].changefreq, cases[i].frequency) << cases[i].link;
    const XmlPriority p = PriorityForLength(static_cast<int>(cases[i].link.size()), 18);
    EXPECT_STREQ(p.priority, cases[i].priority) << cases[i].link;
  }
}

TEST(XmlSitemapTest, DateFormatAndOneDatePerFile) {
  struct Case {
    int year, month, day;
    const char* want;
  } cases[] = {{2024, 3, 5, "2024-03-05"}, {2010, 7, 24, "2010-07-24"}, {1999, 12, 31, "1999-12-31"}};
  for (const Case& c : cases) EXPECT_EQ(DateText(c.year, c.month, c.day), c.want) << c.want;

  // The local date: compare with the clock read before and after (a midnight in between
  // gives one of the two).
  auto today = [] {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DateText(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  };
  const std::string before = today();
  const std::string got = LocalDateText();
  const std::string after = today();
  EXPECT_TRUE(got == before || got == after) << got;
  EXPECT_TRUE(std::regex_match(got, std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2}"))) << got;

  // Each file takes the date anew; all entries of one file carry the same date.
  TempFolder folder;
  int calls = 0;
  WriteXmlSitemapDated(NumberedLinks(1200), 500, folder.path(),
                       [&calls] { return DateText(2024, 3, ++calls); });
  EXPECT_EQ(calls, 3);
  const char* names[] = {"sitemap.xml", "sitemap1.xml", "sitemap2.xml"};
  for (int f = 0; f < 3; ++f) {
    const std::string want = DateText(2024, 3, f + 1);
    for (const Entry& e : EntriesOf(ReadFile(folder / names[f]))) {
      ASSERT_EQ(e.lastmod, want) << names[f];
    }
  }
}

// Links that would break the XML: every file must still be well-formed and valid.
TEST(XmlSitemapTest, AwkwardLinksGiveWellFormedFiles) {
  struct Case {
    std::string link;
    std::string want_loc;  // as written (UTF-8)
  } cases[] = {
      {kRoot + "/?a=1&b=2", kRoot + "/?a=1&amp;b=2"},
      {kRoot + "/?a=1&amp;b=2", kRoot + "/?a=1&amp;b=2"},
      {kRoot + "/?a=1&amp;b=2&c=3", kRoot + "/?a=1&amp;b=2&amp;c=3"},
      {kRoot + "/?a=1&AMP;b=2", kRoot + "/?a=1&amp;AMP;b=2"},
      {kRoot + "/a<b>c", kRoot + "/a&lt;b>c"},
      {kRoot + "/a\x01" "b", kRoot + "/a%01b"},
      {kRoot + "/it's\"q\"", kRoot + "/it's\"q\""},
      {kRoot + "/\xD6\xD0\xCE\xC4.html", kRoot + "/\xE4\xB8\xAD\xE6\x96\x87.html"},
  };
  ListSnapshot lists;
  lists.SiteRoot = kRoot + "/?s=1&t";  // an ampersand in the chain entry's address too
  for (const Case& c : cases) lists.UrlList.push_back(c.link), lists.TitleList.push_back("t");
  TempFolder folder;
  const WriteReport report = WriteXmlSitemap(lists, 3, folder.path());
  ASSERT_EQ(report.written.size(), 3u);
  EXPECT_TRUE(report.failed.empty());
  std::vector<std::string> locs;
  for (const auto& file : report.written) {
    const std::string text = ReadFile(file);
    for (const Entry& e : EntriesOf(text)) locs.push_back(e.loc);
    ExpectValidXml(file);
  }
  ASSERT_EQ(locs.size(), std::size(cases) + 2 /* chains */ + 3 /* credits */);
  EXPECT_EQ(locs[0], kRoot + "/?s=1&amp;t/sitemap/sitemap1.xml");
  size_t i = 0;
  for (const std::string& loc : locs) {
    if (loc.find("/sitemap/sitemap") != std::string::npos || loc == "http://www.tovren.example") continue;
    ASSERT_LT(i, std::size(cases));
    EXPECT_EQ(loc, cases[i].want_loc) << cases[i].link;
    ++i;
  }
  EXPECT_EQ(i, std::size(cases));
}

// "]]>" may not stand in XML text. A "]" is not allowed in an address's path, so the schema's
// anyURI rejects such a link whatever the writer does; the file must still be well-formed.
TEST(XmlSitemapTest, CdataEndInALinkIsEscaped) {
  TempFolder folder;
  WriteXmlSitemap(Links(kRoot, {{kRoot + "/a]]>b", "t"}}), 500, folder.path());
  const std::vector<Entry> entries = EntriesOf(ReadFile(folder / "sitemap.xml"));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].loc, kRoot + "/a]]&gt;b");
  ExpectValidXml(folder / "sitemap.xml", /*check_schema=*/false);
}

// A link that is not GBK (raw UTF-8 bytes from a page) must neither drop the whole file nor
// keep a stale one: it is written percent-encoded, the other links as usual.
TEST(XmlSitemapTest, LinkThatIsNotGbkIsPercentEncoded) {
  TempFolder folder;
  WriteFile(folder / "sitemap.xml", "earlier good file");
  WriteFile(folder / "sitemap1.xml", "earlier good file");
  const std::string bad = kRoot + "/\xE4\xB8\xAD/x";  // E4 B8 is a GBK pair, AD 2F is not
  const ListSnapshot lists = Links(kRoot, {{kRoot + "/\xD6\xD0", "t"},
                                           {kRoot + "/a&b", "t"},
                                           {bad, "t"},
                                           {kRoot + "/\xD6\xD0\xCE\xC4", "t"}});
  const WriteReport report = WriteXmlSitemapDated(lists, 3, folder.path(), FixedDate("2024-03-05"));
  EXPECT_TRUE(report.failed.empty());
  ASSERT_EQ(report.written.size(), 2u);

  const std::vector<Entry> first = EntriesOf(ReadFile(folder / "sitemap.xml"));
  ASSERT_EQ(first.size(), 5u);
  EXPECT_EQ(first[1].loc, kRoot + "/\xE4\xB8\xAD");
  EXPECT_EQ(first[2].loc, kRoot + "/a&amp;b");
  EXPECT_EQ(first[3].loc, kRoot + "/%E4%B8%AD/x");
  EXPECT_EQ(first[3].priority, "0.8") << "the length counts the link as listed (L + 6)";
  ExpectValidXml(folder / "sitemap.xml");

  // The next file has no bad link and is converted as usual.
  const std::vector<Entry> second = EntriesOf(ReadFile(folder / "sitemap1.xml"));
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].loc, kRoot + "/\xE4\xB8\xAD\xE6\x96\x87");
}

TEST(XmlSitemapTest, SiteRootThatIsNotGbkIsPercentEncodedInTheChain) {
  ListSnapshot lists = NumberedLinks(3);
  lists.SiteRoot = "http://s.localhost/\xFF";
  const XmlFileBytes file = XmlSitemapBytes(lists, 2, 1, "2024-03-05");
  EXPECT_EQ(file.failure, "");
  EXPECT_EQ(EntriesOf(file.bytes).at(0).loc, "http://s.localhost/%FF/sitemap/sitemap1.xml");
}

// When a file's text cannot be made into UTF-8 at all, the earlier file stays and the
// failure is reported.
TEST(XmlSitemapTest, UnconvertibleFileKeepsTheEarlierFile) {
  TempFolder folder;
  WriteFile(folder / "sitemap.xml", "earlier good file");
  const WriteReport report = WriteXmlSitemapDated(NumberedLinks(2), 500, folder.path(), FixedDate("\xFF"));
  EXPECT_TRUE(report.written.empty());
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(report.failed[0].file, folder / "sitemap.xml");
  EXPECT_EQ(report.failed[0].reason, "the text cannot be converted from GBK to UTF-8");
  EXPECT_EQ(ReadFile(folder / "sitemap.xml"), "earlier good file");
}

TEST(XmlSitemapTest, FilesThatCannotBeWrittenAreReportedAndOthersGoOn) {
  TempFolder folder;
  WriteFile(folder / "not-a-folder", "x");
  struct Case {
    const char* name;
    std::filesystem::path target;
    const char* reason;
  } cases[] = {
      {"missing folder", folder / "sitemap", "No such file or directory"},
      {"folder is a regular file", folder / "not-a-folder", "Not a directory"},
  };
  for (const Case& c : cases) {
    const WriteReport report = WriteXmlSitemap(NumberedLinks(501), 500, c.target);
    EXPECT_TRUE(report.written.empty()) << c.name;
    ASSERT_EQ(report.failed.size(), 2u) << c.name;
    EXPECT_EQ(report.failed[0].file, c.target / "sitemap.xml") << c.name;
    EXPECT_EQ(report.failed[1].file, c.target / "sitemap1.xml") << c.name;
    EXPECT_EQ(report.failed[1].reason, c.reason) << c.name;
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "sitemap")) << "the writer does not create the folder";
}

// A write cut short by the file-size limit leaves the earlier sitemap.xml whole.
TEST(XmlSitemapTest, FailedWriteLeavesTheEarlierFileWhole) {
  TempFolder folder;
  WriteFile(folder / "sitemap.xml", "earlier good file");
  struct rlimit old_limit;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const WriteReport report = WriteXmlSitemap(NumberedLinks(100), 500, folder.path());
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(report.failed[0].reason, "File too large");
  EXPECT_EQ(ReadFile(folder / "sitemap.xml"), "earlier good file");
  EXPECT_EQ(FilesIn(folder.path()), std::set<std::string>{"sitemap.xml"});
}

// A second run waits for the first: when it takes its first date (starts its first file),
// the first run has written its whole set.
TEST(XmlSitemapTest, SecondRunWaitsForTheFirst) {
  TempFolder folder;
  std::mutex mutex;
  std::condition_variable cv;
  bool first_started = false;
  bool second_called = false;
  bool first_set_complete_when_second_began = false;

  std::thread first([&] {
    int file = 0;
    WriteXmlSitemapDated(NumberedLinks(1200), 500, folder.path(), [&] {
      std::unique_lock lock(mutex);
      first_started = true;
      cv.notify_all();
      if (++file == 2) {
        // Give a second run that does not wait every chance to start meanwhile.
        cv.wait_for(lock, std::chrono::milliseconds(300), [&] { return second_called; });
      }
      return std::string("2024-03-01");
    });
  });
  {
    std::unique_lock lock(mutex);
    cv.wait(lock, [&] { return first_started; });
  }
  std::thread second([&] {
    WriteXmlSitemapDated(NumberedLinks(1200), 500, folder.path(), [&] {
      std::scoped_lock lock(mutex);
      if (!second_called) {
        first_set_complete_when_second_began = std::filesystem::exists(folder / "sitemap2.xml");
      }
      second_called = true;
      cv.notify_all();
      return std::string("2024-03-02");
    });
  });
  first.join();
  second.join();
  EXPECT_TRUE(first_set_complete_when_second_began);
  for (const char* name : {"sitemap.xml", "sitemap1.xml", "sitemap2.xml"}) {
    const std::string text = ReadFile(folder / name);
    EXPECT_EQ(CountOf(text, "<lastmod>2024-03-02</lastmod>"), CountOf(text, "<lastmod>")) << name;
  }
}

}  // namespace
}  // namespace tovren

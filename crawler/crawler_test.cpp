// Crawls of generated sites on a loopback server, observed through MemoryWindow.
#include "crawler/crawler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>

#include "crawler/memory_window.h"
#include "crawler/test_site.h"
#include "fetch/page_decoding.h"
#include "fetch/page_fetcher.h"

namespace tovren {
namespace {

using namespace std::chrono_literals;
using testing::Page;
using testing::RawPage;
using testing::Utf8Page;
using testing::TestSite;

// GBK form of a UTF-8 literal, converted by iconv (independent of the crawler's own bytes).
Text Gbk(const std::string& utf8) { return ConvertCharset(utf8, "UTF-8", "GBK"); }

int ThreadCount() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}

class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("tovren_crawler_test_" + std::to_string(::getpid()) + "_" +
             std::to_string(counter++));
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A site, a window showing its address and a crawler; the crawler goes first at the end.
struct Rig {
  TestSite site;
  MemoryWindow window;
  TempFolder folder;
  Crawler crawler{window, folder.path() / "sitemap"};

  explicit Rig(bool tls = false) : site(tls) { window.SetAddress(site.Base()); }
  std::string Url(const std::string& path) const { return site.Base() + path; }
  void Crawl(int scope) {
    window.SetCrawlScope(scope);
    crawler.StartCommand();
    ASSERT_TRUE(crawler.WaitUntilIdle(30s));
  }
  std::vector<Text> Column(int column) const {
    std::vector<Text> out;
    for (const ResultRow& r : window.Rows()) {
      out.push_back(column == 0 ? r.number : column == 1 ? r.link : r.title);
    }
    return out;
  }
  TextList Visited() const {
    std::scoped_lock lock(crawler.state().mutex);
    return crawler.state().VisitedList;
  }
};

// A page listing `n` links /s2.html ... for the home page.
std::vector<std::string> SecondLevelLinks(int first, int last) {
  std::vector<std::string> links;
  for (int i = first; i <= last; ++i) links.push_back("/s" + std::to_string(i) + ".html");
  return links;
}

TEST(Crawl, HomePageIsRowOne) {
  Rig rig;
  rig.site.Add("/", Page(" Home  Page "));
  rig.window.SetAddress(" " + rig.site.Base() + "/ ");
  rig.Crawl(0);

  const Text home = rig.site.Base() + "/";
  ASSERT_EQ(rig.window.Rows().size(), 1u);
  const ResultRow row = rig.window.Rows()[0];
  EXPECT_EQ(row.number, "1");
  EXPECT_EQ(row.link, home);
  EXPECT_EQ(row.title, " Home  Page ");  // the home page's title is not trimmed
  const ListSnapshot lists = rig.crawler.state().Snapshot();
  EXPECT_EQ(lists.UrlList, TextList{home});
  EXPECT_EQ(lists.TitleList, TextList{" Home  Page "});
  EXPECT_EQ(lists.EntryIds, std::vector<std::uint64_t>{row.entry_id});
  EXPECT_EQ(lists.SiteRoot, rig.site.Base());
  EXPECT_EQ(rig.Visited(), TextList{home});
  {
    std::scoped_lock lock(rig.crawler.state().mutex);
    EXPECT_EQ(rig.crawler.state().SiteKey, "0.0");
  }
  EXPECT_EQ(rig.site.Targets(), std::vector<std::string>{"/"});
  EXPECT_EQ(rig.window.StatusHistory(), std::vector<Text>{Gbk("读取：") + rig.site.Base() + "/"});
  EXPECT_TRUE(rig.window.StopEnabled());
  EXPECT_EQ(rig.crawler.state().StopFlag.load(), 0);
  EXPECT_TRUE(std::filesystem::is_directory(rig.folder.path() / "sitemap"));
  EXPECT_EQ(rig.crawler.LiveLockCount(), 4);
}

TEST(Crawl, SecureSiteKeepsItsScheme) {
  Rig rig(/*tls=*/true);
  SetFetchCaFileForTesting(rig.site.server().CaFile());
  const std::string base = rig.site.Base();  // https://localhost:PORT
  const std::string typed = "HTTPS" + base.substr(5) + "/";
  rig.site.Add("/", Page("Secure Home", {"/s2.html"}));
  // Without a "." in the address SiteKey is empty; "./" removal leaves only the scheme's
  // slashes, so "/" is put back and the link is the home page again.
  rig.site.Add("/s2.html", Page("Second", {base + "./", "/p.html"}));
  rig.site.Add("/p.html", Page("Secure Page"));
  rig.window.SetAddress(typed);
  rig.Crawl(0);
  SetFetchCaFileForTesting("");

  EXPECT_EQ(rig.crawler.state().Snapshot().SiteRoot, base);
  EXPECT_EQ(rig.Column(1), (std::vector<Text>{base + "/p.html", base + "/", base + "/s2.html"}));
  EXPECT_EQ(rig.site.RequestsFor("/"), 1);
  EXPECT_EQ(rig.site.RequestsFor("/p.html"), 1);
}

TEST(Crawl, EmptyAddressAtTheFirstRun) {
  Rig rig;
  rig.window.SetAddress(" \xA1\xA1 ");
  rig.Crawl(0);
  EXPECT_EQ(rig.window.StatusHistory(),
            (std::vector<Text>{Gbk("读取："), Gbk("...请输入正确网址")}));
  EXPECT_EQ(rig.Column(0), std::vector<Text>{"1"});
  EXPECT_EQ(rig.Column(1), std::vector<Text>{"/"});
  EXPECT_EQ(rig.Column(2), std::vector<Text>{""});
  EXPECT_EQ(rig.Visited(), TextList{"/"});
  EXPECT_EQ(rig.crawler.state().Snapshot().UrlList, TextList{"/"});
  EXPECT_EQ(rig.site.RequestCount(), 0);
}

TEST(Crawl, SecondLevelRowsGoTopForAAndEndForB) {
  Rig rig;
  rig.site.Add("/", Page("Home", SecondLevelLinks(2, 7)));
  for (int i = 2; i <= 7; ++i) {
    rig.site.Add("/s" + std::to_string(i) + ".html", Page("Page " + std::to_string(i)));
  }
  rig.Crawl(0);

  // Entries 3, 5, 7 are read by A, each row on top; 2, 4, 6 by B, each row at the end.
  EXPECT_EQ(rig.Column(0), (std::vector<Text>{"7", "5", "3", "1", "2", "4", "6"}));
  const std::vector<Text> links = rig.Column(1);
  for (size_t i = 0; i < links.size(); ++i) {
    const Text number = rig.Column(0)[i];
    const Text want = number == "1" ? rig.Url("/") : rig.Url("/s" + number + ".html");
    EXPECT_EQ(links[i], want) << "row " << i;
  }
  EXPECT_EQ(rig.Column(2)[0], "Page7");  // spaces removed from later titles
  // Every row names its own UrlList entry.
  const ListSnapshot lists = rig.crawler.state().Snapshot();
  ASSERT_EQ(lists.UrlList.size(), 7u);
  for (const ResultRow& row : rig.window.Rows()) {
    auto it = std::find(lists.EntryIds.begin(), lists.EntryIds.end(), row.entry_id);
    ASSERT_NE(it, lists.EntryIds.end()) << row.link;
    const size_t at = static_cast<size_t>(it - lists.EntryIds.begin());
    EXPECT_EQ(lists.UrlList[at], row.link);
    EXPECT_EQ(lists.TitleList[at], row.title);
  }
  // The status label shows nothing but the start: no link was visited.
  EXPECT_EQ(rig.window.StatusHistory().size(), 1u);
}

TEST(Crawl, HomePageDuplicatesAreRemovedCaseSensitively) {
  Rig rig;
  const std::string base = rig.site.Base();
  rig.site.Add("/", Page("Home", {"/a.html", "/a.html", "/a.html", "/A.html", base + "/",
                                      "/b.html", base + "/a.html"}));
  rig.site.Add("/a.html", Page("Lower"));
  rig.site.Add("/A.html", Page("Upper"));
  rig.site.Add("/b.html", Page("Bee"));
  rig.Crawl(0);

  EXPECT_EQ(rig.Visited(),
            (TextList{base + "/", base + "/a.html", base + "/A.html", base + "/b.html"}));
  EXPECT_EQ(rig.site.RequestsFor("/"), 1);
  EXPECT_EQ(rig.site.RequestsFor("/a.html"), 1);
  EXPECT_EQ(rig.site.RequestsFor("/A.html"), 1);
  EXPECT_EQ(rig.site.RequestsFor("/b.html"), 1);
  EXPECT_EQ(rig.Column(0), (std::vector<Text>{"3", "1", "2", "4"}));
  EXPECT_EQ(rig.crawler.VisitCount(), 4);
}

TEST(Crawl, TitlesDecideWhatIsListed) {
  Rig rig;
  const Text not_found_gbk = Gbk("无法找到该页");
  rig.site.Add("/", Page("Home",
                             {"/t404.html", "/tshort.html", "/tzh.html", "/tzha.html",
                              "/tcaps.html", "/tnf.html", "/tnoend.html", "/visits.html"}));
  rig.site.Add("/t404.html", Page("Error 404", {"/hidden1.html"}));
  rig.site.Add("/tshort.html", Page(" A b ", {"/hidden2.html"}));
  rig.site.Add("/tzh.html", Page(Gbk("中"), {"/hidden3.html"}));
  rig.site.Add("/tzha.html", Page(Gbk("中") + "a"));
  rig.site.Add("/tcaps.html", RawPage("<HTML><TITLE> My Page </TITLE></HTML>"));
  rig.site.Add("/tnf.html", Page(not_found_gbk));
  rig.site.Add("/tnoend.html", RawPage("<title>NoEnd <a href=\"/hidden4.html\">"));
  rig.site.Add("/visits.html",
               Page("Visits", {"/v404.html", "/vnf.html", "/vzh.html", "/vok.html"}));
  rig.site.Add("/v404.html", Page("Not 404 here"));
  rig.site.Add("/vnf.html", Utf8Page("无法找到该页"));  // a UTF-8 page
  rig.site.Add("/vzh.html", Utf8Page("中"));
  rig.site.Add("/vok.html", Utf8Page("好的页面"));
  rig.Crawl(0);

  std::set<Text> listed;
  for (const ResultRow& row : rig.window.Rows()) {
    listed.insert(row.link.substr(rig.site.Base().size()) + " " + row.title);
  }
  const std::set<Text> want = {"/ Home",
                               "/tzha.html " + Gbk("中") + "a",
                               "/tcaps.html MyPage",
                               "/tnf.html " + not_found_gbk,  // only visits test this text
                               "/visits.html Visits",
                               "/vok.html " + Gbk("好的页面")};
  EXPECT_EQ(listed, want);
  // Links of unlisted second-level pages are never read.
  for (const char* hidden : {"/hidden1.html", "/hidden2.html", "/hidden3.html", "/hidden4.html"}) {
    EXPECT_EQ(rig.site.RequestsFor(hidden), 0) << hidden;
  }
  // Visited pages are recorded and fetched whether listed or not.
  for (const char* page : {"/v404.html", "/vnf.html", "/vzh.html", "/vok.html"}) {
    EXPECT_EQ(rig.site.RequestsFor(page), 1) << page;
    const TextList visited = rig.Visited();
    EXPECT_NE(std::find(visited.begin(), visited.end(), rig.Url(page)), visited.end()) << page;
  }
}

TEST(Crawl, ScopeDecidesTheDepth) {
  struct Case {
    int scope;
    std::vector<Text> numbers;  // the rows' numbers, sorted (the deep rows race each other)
    int d2_fetches;
    int d4_fetches;
  } cases[] = {
      // Mode 0: d1 is listed by the visit from s1, but its links are not read.
      {0, {"1", "2", "2"}, 0, 0},
      // Mode 1: every page of the chain, each fetched by its visit and by its deep worker.
      {1, {"1", "2", "2", "3", "4", "5"}, 2, 2},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.site.Add("/", Page("Home", {"/s1.html"}));
    rig.site.Add("/s1.html", Page("Second", {"/d1.html", "/s1.html"}));
    for (int i = 1; i <= 4; ++i) {
      std::vector<std::string> links = {"/", "/d1.html"};
      if (i < 4) links.push_back("/d" + std::to_string(i + 1) + ".html");
      rig.site.Add("/d" + std::to_string(i) + ".html", Page("Deep " + std::to_string(i), links));
    }
    rig.Crawl(c.scope);
    std::vector<Text> numbers = rig.Column(0);
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, c.numbers) << "scope " << c.scope;
    EXPECT_EQ(rig.site.RequestsFor("/d2.html"), c.d2_fetches) << "scope " << c.scope;
    EXPECT_EQ(rig.site.RequestsFor("/d4.html"), c.d4_fetches) << "scope " << c.scope;
    EXPECT_EQ(rig.Column(1).back(), rig.Url("/s1.html")) << "scope " << c.scope;
  }
}

TEST(Crawl, ScopeIsReadAtEveryVisit) {
  Rig rig;
  rig.site.Add("/", Page("Home", {"/s2.html"}));
  rig.site.Add("/s2.html", Page("Second", {"/p1.html", "/p2.html"}));
  rig.site.Add("/p1.html", Page("Pone", {"/q1.html"}));
  rig.site.Add("/p2.html", Page("Ptwo", {"/q2.html"}));
  rig.site.Add("/q1.html", Page("Qone"));
  rig.site.Add("/q2.html", Page("Qtwo"));
  rig.site.Hold("/p1.html");
  rig.window.SetCrawlScope(0);
  rig.crawler.StartCommand();
  ASSERT_TRUE(rig.site.WaitHeld("/p1.html", 30s));  // p1 is recorded without a deep worker
  rig.window.SetCrawlScope(1);
  rig.site.Release("/p1.html");
  ASSERT_TRUE(rig.crawler.WaitUntilIdle(30s));

  EXPECT_EQ(rig.site.RequestsFor("/p1.html"), 1);
  EXPECT_EQ(rig.site.RequestsFor("/q1.html"), 0);
  EXPECT_EQ(rig.site.RequestsFor("/p2.html"), 2);  // its visit and its deep worker
  EXPECT_EQ(rig.site.RequestsFor("/q2.html"), 2);
}

TEST(Crawl, VisitFindsKnownLinksRegardlessOfCase) {
  Rig rig;
  rig.site.Add("/", Page("Home", {"/s1.html"}));
  rig.site.Add("/s1.html", Page("Second", {"/p.html", "/P.html", "/p.HTML", "/S1.html"}));
  rig.site.Add("/p.html", Page("Pea"));
  rig.site.Add("/P.html", Page("Big Pea"));
  rig.Crawl(0);

  EXPECT_EQ(rig.site.RequestsFor("/p.html"), 1);
  EXPECT_EQ(rig.site.RequestsFor("/P.html"), 0);
  EXPECT_EQ(rig.site.RequestsFor("/p.HTML"), 0);
  EXPECT_EQ(rig.site.RequestsFor("/S1.html"), 0);
  EXPECT_EQ(rig.Column(0), (std::vector<Text>{"2", "1", "2"}));
  // Two label texts per visit; the start text counts VisitedList, both count the rows.
  const std::vector<Text> want = {
      Gbk("读取：") + rig.site.Base(),
      Gbk("已获取2条 已读取2条有效链接"), Gbk("已成功读取3条有效链接"),
      Gbk("已获取3条 已读取3条有效链接"), Gbk("已成功读取3条有效链接"),
      Gbk("已获取3条 已读取3条有效链接"), Gbk("已成功读取3条有效链接"),
      Gbk("已获取3条 已读取3条有效链接"), Gbk("已成功读取3条有效链接"),
  };
  EXPECT_EQ(rig.window.StatusHistory(), want);
}

TEST(Crawl, VisitResolvesOneParentStep) {
  Rig rig;
  rig.site.Add("/", Page("Home", {"/d/e/p.html"}));
  // "../../f.html" on /d/e/p.html becomes S/d/../f.html; "../../../g.html" S/d/../../g.html.
  rig.site.Add("/d/e/p.html", Page("Page", {"../../f.html", "../../f.html", "../../../g.html"}));
  rig.site.Add("/f.html", Page("Eff"));
  rig.site.Add("/../g.html", Page("Gee"));
  rig.Crawl(0);

  const std::string s = rig.site.Base();
  // The unresolved link is compared, the resolved one stored: the same link is new again.
  EXPECT_EQ(rig.site.RequestsFor("/f.html"), 2);
  EXPECT_EQ(rig.site.RequestsFor("/../g.html"), 1);
  EXPECT_EQ(rig.Visited(),
            (TextList{s + "/", s + "/d/e/p.html", s + "/f.html", s + "/f.html", s + "/.g.html"}));
  EXPECT_EQ(rig.Column(1), (std::vector<Text>{s + "/../g.html", s + "/f.html", s + "/f.html",
                                               s + "/", s + "/d/e/p.html"}));
  EXPECT_EQ(rig.Column(0), (std::vector<Text>{"4", "3", "2", "1", "2"}));
}

// A site shaped as a binary tree: home links n1 and n2, page k links its children 2k+1 and
// 2k+2, its parent and the home page.
void AddTree(TestSite& site, int pages) {
  site.Add("/", Page("Home", {"/n1.html", "/n2.html"}));
  for (int k = 1; k <= pages; ++k) {
    std::vector<std::string> links = {"/", "/n" + std::to_string(std::max(1, (k - 1) / 2)) + ".html"};
    for (int child : {2 * k + 1, 2 * k + 2}) {
      if (child <= pages) links.push_back("/n" + std::to_string(child) + ".html");
    }
    site.Add("/n" + std::to_string(k) + ".html", Page("Node " + std::to_string(k), links));
  }
}

TEST(Crawl, ThreadsDoNotGrowWithTheSite) {
  constexpr int kPages = 300;
  TestSite site;
  AddTree(site, kPages);
  MemoryWindow window;
  window.SetAddress(site.Base());
  window.SetCrawlScope(1);
  TempFolder folder;
  const int before = ThreadCount();
  std::atomic<int> peak{0};
  window.OnStatus([&peak](const Text&) {
    const int now = ThreadCount();
    int seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
  });
  {
    Crawler crawler(window, folder.path());
    const int with_crawler = ThreadCount();
    EXPECT_EQ(with_crawler, before + 5);  // CrawlRun and one per worker routine
    crawler.StartCommand();
    ASSERT_TRUE(crawler.WaitUntilIdle(60s));
    EXPECT_EQ(window.RowCount(), kPages + 1);  // every page reached
    // The crawler's own threads stay five; the server adds one per open connection.
    EXPECT_LE(peak.load(), before + 5 + 12);
  }
  window.OnStatus(nullptr);
  // The crawler's threads are joined; the server may still be reaping connection threads.
  EXPECT_LE(ThreadCount(), before + 4);
}

TEST(Crawl, StopDropsWaitingWorkWithoutFetching) {
  Rig rig;
  AddTree(rig.site, 300);
  rig.site.Hold("/n100.html");
  rig.window.SetCrawlScope(1);
  rig.crawler.StartCommand();
  ASSERT_TRUE(rig.site.WaitHeld("/n100.html", 30s));
  // Let the other three routines run dry: the jobs queued behind the held page are then the
  // work that waits when Stop comes (how far the crawl got before the hold varies with load).
  for (int last = -1, i = 0; i < 100 && rig.site.RequestCount() != last; ++i) {
    last = rig.site.RequestCount();
    std::this_thread::sleep_for(200ms);
  }
  const int requests_at_stop = rig.site.RequestCount();
  rig.crawler.StopCommand();
  rig.site.Release("/n100.html");
  ASSERT_TRUE(rig.crawler.WaitUntilIdle(30s));

  // Each of the four routines may finish the one page it was on; nothing that waited runs.
  EXPECT_LE(rig.site.RequestCount() - requests_at_stop, 4);
  // Every recorded link is fetched by its visit; far fewer deep workers fetched their page
  // (each would fetch it a second time): their jobs were still waiting and were dropped.
  EXPECT_LT(rig.site.RequestCount() + 20, 2 * rig.crawler.VisitCount());
  EXPECT_TRUE(rig.Visited().empty());
  EXPECT_EQ(rig.crawler.state().StopFlag.load(), 1);
  EXPECT_EQ(rig.crawler.LiveLockCount(), 0);
  EXPECT_TRUE(rig.window.StartEnabled());
  EXPECT_FALSE(rig.window.StopEnabled());
  // What was collected stays for the list tool and the writers.
  EXPECT_FALSE(rig.crawler.state().Snapshot().UrlList.empty());
  EXPECT_EQ(rig.crawler.state().Snapshot().UrlList.size(), rig.window.Rows().size());
}

TEST(Crawl, StopChecksWhereEachSecondLevelRoutineHasThem) {
  Rig rig;
  rig.site.Add("/", Page("Home", {"/s2.html", "/s3.html"}));
  // The first candidate of each page is the text before its first href: here a link.
  rig.site.Add("/s2.html", RawPage("/x2a.html\" <title>Two</title><a href=\"/x2b.html\">"));
  rig.site.Add("/s3.html", RawPage("/x3a.html\" <title>Three</title><a href=\"/x3b.html\">"));
  rig.site.Hold("/s2.html");
  rig.site.Hold("/s3.html");
  rig.crawler.StartCommand();
  ASSERT_TRUE(rig.site.WaitHeld("/s2.html", 30s));
  ASSERT_TRUE(rig.site.WaitHeld("/s3.html", 30s));
  rig.crawler.StopCommand();
  const size_t history_at_stop = rig.window.StatusHistory().size();
  rig.site.Release("/s2.html");
  rig.site.Release("/s3.html");
  ASSERT_TRUE(rig.crawler.WaitUntilIdle(30s));

  // Both pages were past their entry when Stop came, so both are listed.
  EXPECT_EQ(rig.Column(2), (std::vector<Text>{"Three", "Home", "Two"}));
  // A visits its first candidate (which records nothing: Stop emptied VisitedList), then
  // stops; B stops before its first candidate.
  const std::vector<Text> history = rig.window.StatusHistory();
  const std::vector<Text> after(history.begin() + static_cast<long>(history_at_stop),
                                history.end());
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].rfind(Gbk("已获取0条 已读取"), 0), 0u) << after[0];
  EXPECT_EQ(after[1].rfind(Gbk("已成功读取"), 0), 0u) << after[1];
  for (const char* page : {"/x2a.html", "/x2b.html", "/x3a.html", "/x3b.html"}) {
    EXPECT_EQ(rig.site.RequestsFor(page), 0) << page;
  }
}

TEST(Crawl, StartWhileOccupiedOnlyAsksForAStop) {
  struct Case {
    int links;       // links on the home page
    bool new_run;    // VisitedList holds links + 1 entries
  } cases[] = {{2, true}, {3, false}};
  for (const Case& c : cases) {
    Rig rig;
    rig.site.Add("/", Page("Home", SecondLevelLinks(2, c.links + 1)));
    for (int i = 2; i <= c.links + 1; ++i) {
      rig.site.Add("/s" + std::to_string(i) + ".html", Page("Page"));
    }
    rig.Crawl(0);
    const size_t rows = rig.window.Rows().size();
    int flag_while_message = -1;
    rig.window.OnInformation(
        [&](const Text&) { flag_while_message = rig.crawler.state().StopFlag.load(); });
    const int requests = rig.site.RequestCount();
    rig.crawler.StartCommand();
    ASSERT_TRUE(rig.crawler.WaitUntilIdle(30s));
    if (c.new_run) {
      EXPECT_TRUE(rig.window.Messages().empty()) << c.links;
      EXPECT_EQ(rig.site.RequestCount(), 2 * requests) << c.links;
      EXPECT_EQ(rig.crawler.state().StopFlag.load(), 0) << c.links;
      EXPECT_EQ(rig.window.Rows().size(), rows) << c.links;
    } else {
      EXPECT_EQ(rig.window.Messages(), std::vector<Text>{Gbk("正在读取中...")}) << c.links;
      EXPECT_EQ(flag_while_message, 0) << "the stop is asked for once the message is dismissed";
      EXPECT_EQ(rig.crawler.state().StopFlag.load(), 1) << c.links;
      EXPECT_EQ(rig.site.RequestCount(), requests) << c.links;
      EXPECT_EQ(rig.window.Rows().size(), rows) << c.links;
    }
  }
}

TEST(Crawl, StopThenStartBeginsAFreshRun) {
  Rig rig;
  rig.site.Add("/", Page("Home", SecondLevelLinks(2, 5)));
  for (int i = 2; i <= 5; ++i) rig.site.Add("/s" + std::to_string(i) + ".html", Page("Page"));
  rig.Crawl(0);
  ASSERT_EQ(rig.window.Rows().size(), 5u);
  rig.crawler.StopCommand();
  rig.site.Add("/", Page("Home Again"));
  rig.Crawl(0);
  EXPECT_TRUE(rig.window.Messages().empty());
  EXPECT_EQ(rig.Column(2), std::vector<Text>{"Home Again"});
  EXPECT_EQ(rig.crawler.state().Snapshot().UrlList, TextList{rig.Url("/")});
  EXPECT_EQ(rig.crawler.LiveLockCount(), 4);
}

TEST(Crawl, AnEarlierRunNeverReachesALaterOne) {
  TestSite first;
  first.Add("/", Page("First", {"/a2.html", "/a3.html"}));
  first.Add("/a2.html", Page("A two"));
  first.Add("/a3.html", Page("A three", {"/a4.html"}));
  first.Add("/a4.html", Page("A four"));
  first.Hold("/a3.html");
  Rig rig;  // its own site is the second one
  rig.site.Add("/", Page("Second", {"/b2.html"}));
  rig.site.Add("/b2.html", Page("B two"));
  rig.site.Hold("/b2.html");

  rig.window.SetAddress(first.Base());
  rig.crawler.StartCommand();
  ASSERT_TRUE(first.WaitHeld("/a3.html", 30s));  // A is past its entry, fetching
  rig.crawler.StopCommand();
  rig.window.SetAddress(rig.site.Base());
  const size_t history_at_second_start = rig.window.StatusHistory().size();
  rig.crawler.StartCommand();
  ASSERT_TRUE(rig.site.WaitHeld("/b2.html", 30s));  // the second run listed its home page
  first.Release("/a3.html");
  rig.site.Release("/b2.html");
  ASSERT_TRUE(rig.crawler.WaitUntilIdle(30s));

  EXPECT_EQ(rig.Column(1), (std::vector<Text>{rig.Url("/"), rig.Url("/b2.html")}));
  EXPECT_EQ(rig.crawler.state().Snapshot().UrlList,
            (TextList{rig.Url("/"), rig.Url("/b2.html")}));
  EXPECT_EQ(rig.Visited(), (TextList{rig.Url("/"), rig.Url("/b2.html")}));
  EXPECT_EQ(first.RequestsFor("/a4.html"), 0);
  // Nor does any visit of the first run show its counts in the second run's label.
  const std::vector<Text> history = rig.window.StatusHistory();
  EXPECT_EQ(std::vector<Text>(history.begin() + static_cast<long>(history_at_second_start),
                              history.end()),
            std::vector<Text>{Gbk("读取：") + rig.site.Base()});
}

TEST(Crawl, CloseDuringACrawlReturnsPromptly) {
  Rig rig;
  AddTree(rig.site, 60);
  rig.site.Hold("/n1.html");
  rig.site.Hold("/n2.html");
  rig.window.SetCrawlScope(1);
  rig.crawler.StartCommand();
  ASSERT_TRUE(rig.site.WaitHeld("/n1.html", 30s));
  ASSERT_TRUE(rig.site.WaitHeld("/n2.html", 30s));
  const int requests = rig.site.RequestCount();
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(rig.crawler.CloseCommand(5s));
  // The two fetches were aborted, not waited out (they would last 10 s).
  EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
  EXPECT_TRUE(rig.crawler.IsIdle());
  EXPECT_TRUE(rig.Visited().empty());
  EXPECT_EQ(rig.crawler.LiveLockCount(), 0);
  rig.crawler.StartCommand();  // nothing starts after close
  EXPECT_TRUE(rig.crawler.IsIdle());
  EXPECT_EQ(rig.site.RequestCount(), requests);
}

TEST(Crawl, DestructorStopsARunningCrawl) {
  TestSite site;
  AddTree(site, 60);
  site.Hold("/n2.html");
  MemoryWindow window;
  window.SetAddress(site.Base());
  window.SetCrawlScope(1);
  TempFolder folder;
  const auto started = std::chrono::steady_clock::now();
  {
    Crawler crawler(window, folder.path());
    crawler.StartCommand();
    ASSERT_TRUE(site.WaitHeld("/n2.html", 30s));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

}  // namespace
}  // namespace tovren

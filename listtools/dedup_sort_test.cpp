#include "listtools/dedup_sort.h"

#include "crawler/memory_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tovren {
namespace {

using Entry = std::pair<Text, Text>;  // link, title

// Status texts in GBK.
const Text kBefore = "\xC8\xA5\xD6\xD8\xB8\xB4\xBA\xF3\xD3\xD0";  // 去重复后有
const Text kAfter = "\xCC\xF5\xD3\xD0\xD0\xA7\xC1\xB4\xBD\xD3";   // 条有效链接
const Text kZhong = "\xD6\xD0";                                   // 中, two bytes

std::vector<Entry> Entries(const TextList& urls, const TextList& titles) {
  std::vector<Entry> out;
  for (size_t i = 0; i < urls.size(); ++i) out.emplace_back(urls[i], titles[i]);
  return out;
}

std::string Describe(const std::vector<Entry>& entries) {
  std::string out;
  for (const auto& e : entries) out += "[" + e.first + " | " + e.second + "] ";
  return out;
}

TEST(DedupAndSortListsTest, KeepsFirstOccurrencesAndSortsByByteLength) {
  struct Case {
    const char* name;
    std::vector<Entry> in;
    std::vector<Entry> want;
  } cases[] = {
      {"empty list", {}, {}},
      {"three equal links keep the first title",
       {{"http://s.localhost/a", "a"}, {"http://s.localhost/a", "b"}, {"http://s.localhost/a", "d"}},
       {{"http://s.localhost/a", "a"}}},
      {"x y x x leaves x y",
       {{"xx", "1"}, {"yy", "2"}, {"xx", "3"}, {"xx", "4"}},
       {{"xx", "1"}, {"yy", "2"}}},
      {"links differing only in case are both kept",
       {{"http://s.localhost/A", "upper"}, {"http://s.localhost/a", "lower"}},
       {{"http://s.localhost/A", "upper"}, {"http://s.localhost/a", "lower"}}},
      {"same link, different titles keeps the first title",
       {{"http://s.localhost/", "home"}, {"http://s.localhost/", "other"}},
       {{"http://s.localhost/", "home"}}},
      {"titles are not compared",
       {{"aa", "t"}, {"bb", "t"}},
       {{"aa", "t"}, {"bb", "t"}}},
      {"p q r of lengths 3 3 2 end as r q p",
       {{"ppp", "p"}, {"qqq", "q"}, {"rr", "r"}},
       {{"rr", "r"}, {"qqq", "q"}, {"ppp", "p"}}},
      {"exchange sort is not stable: a b c d of lengths 2 1 2 1",
       {{"aa", "a"}, {"b", "b"}, {"cc", "c"}, {"d", "d"}},
       {{"b", "b"}, {"d", "d"}, {"cc", "c"}, {"aa", "a"}}},
      {"lengths 5 1 3 1",
       {{"eeeee", "5"}, {"f", "1a"}, {"ggg", "3"}, {"h", "1b"}},
       {{"f", "1a"}, {"h", "1b"}, {"ggg", "3"}, {"eeeee", "5"}}},
      {"already free of duplicates and ordered keeps its order",
       {{"a", "1"}, {"bb", "2"}, {"cc", "3"}, {"ddd", "4"}},
       {{"a", "1"}, {"bb", "2"}, {"cc", "3"}, {"ddd", "4"}}},
      {"a Chinese character counts two bytes",
       {{"abc", "three"}, {kZhong, "two"}, {"a", "one"}},
       {{"a", "one"}, {kZhong, "two"}, {"abc", "three"}}},
      {"duplicates removed before sorting",
       {{"cccc", "c1"}, {"a", "a1"}, {"cccc", "c2"}, {"bb", "b1"}, {"a", "a2"}},
       {{"a", "a1"}, {"bb", "b1"}, {"cccc", "c1"}}},
  };
  for (const Case& c : cases) {
    TextList urls, titles;
    std::vector<std::uint64_t> ids;
    for (size_t i = 0; i < c.in.size(); ++i) {
      urls.push_back(c.in[i].first);
      titles.push_back(c.in[i].second);
      ids.push_back(100 + i);
    }
    DedupAndSortLists(urls, titles, ids);
    EXPECT_EQ(Entries(urls, titles), c.want) << c.name << ": got " << Describe(Entries(urls, titles));
    // Every id still travels with its own link and title.
    ASSERT_EQ(ids.size(), urls.size()) << c.name;
    for (size_t i = 0; i < ids.size(); ++i) {
      const size_t from = ids[i] - 100;
      ASSERT_LT(from, c.in.size()) << c.name;
      EXPECT_EQ(c.in[from], Entry(urls[i], titles[i])) << c.name << " position " << i;
    }
  }
}

TEST(DedupAndSortListsTest, SecondRunChangesNothing) {
  TextList urls = {"ppp", "qqq", "rr", "ppp", "s", "tttt", "uu"};
  TextList titles = {"1", "2", "3", "4", "5", "6", "7"};
  std::vector<std::uint64_t> ids = {1, 2, 3, 4, 5, 6, 7};
  DedupAndSortLists(urls, titles, ids);
  const TextList urls_once = urls, titles_once = titles;
  const auto ids_once = ids;
  DedupAndSortLists(urls, titles, ids);
  EXPECT_EQ(urls, urls_once);
  EXPECT_EQ(titles, titles_once);
  EXPECT_EQ(ids, ids_once);
}

// A window that records what it is given and checks that the crawl state's lock is free
// whenever it is called.
class RecordingWindow : public WindowPort {
 public:
  explicit RecordingWindow(CrawlState* state) : state_(state) {}

  Text ReadAddress() override { return {}; }
  void SetStatus(const Text& text) override {
    CheckStateUnlocked();
    std::scoped_lock lock(mutex_);
    statuses_.push_back(text);
  }
  void EnableStart(bool) override {}
  void EnableStop(bool) override {}
  void ShowInformation(const Text&) override {}
  int InsertRow(RowPlace, const ResultRow& row) override {
    std::scoped_lock lock(mutex_);
    rows_.push_back(row);
    return static_cast<int>(rows_.size()) - 1;
  }
  int RowCount() override {
    std::scoped_lock lock(mutex_);
    return static_cast<int>(rows_.size());
  }
  void DeleteRow(int) override {}
  void DeleteAllRows() override {
    std::scoped_lock lock(mutex_);
    rows_.clear();
  }
  void ReplaceAllRows(std::vector<ResultRow> rows) override {
    CheckStateUnlocked();
    {
      std::scoped_lock lock(mutex_);
      ++replace_calls_;
      rows_ = std::move(rows);
    }
    if (hold_replace_) {
      std::unique_lock lock(mutex_);
      ++waiting_;
      cv_.notify_all();
      cv_.wait(lock, [this] { return released_; });
    }
  }
  int SelectedRow() override { return -1; }
  int CrawlScope() override { return 0; }
  int LinksPerFile() override { return 500; }

  // Makes ReplaceAllRows block until Release().
  void HoldReplace() { hold_replace_ = true; }
  void WaitUntilHeld() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return waiting_ > 0; });
  }
  void Release() {
    std::scoped_lock lock(mutex_);
    released_ = true;
    cv_.notify_all();
  }

  std::vector<ResultRow> Rows() {
    std::scoped_lock lock(mutex_);
    return rows_;
  }
  std::vector<Text> Statuses() {
    std::scoped_lock lock(mutex_);
    return statuses_;
  }
  int ReplaceCalls() {
    std::scoped_lock lock(mutex_);
    return replace_calls_;
  }
  bool SawStateLocked() const { return saw_state_locked_; }

 private:
  // Tried from another thread: a try_lock by the owner itself would be undefined.
  void CheckStateUnlocked() {
    std::thread probe([this] {
      if (state_->mutex.try_lock()) {
        state_->mutex.unlock();
      } else {
        saw_state_locked_ = true;
      }
    });
    probe.join();
  }

  CrawlState* state_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<ResultRow> rows_;     // guarded by mutex_
  std::vector<Text> statuses_;      // guarded by mutex_
  int replace_calls_ = 0;           // guarded by mutex_
  int waiting_ = 0;                 // guarded by mutex_
  bool released_ = false;           // guarded by mutex_
  std::atomic<bool> hold_replace_{false};
  std::atomic<bool> saw_state_locked_{false};
};

void Fill(CrawlState& state, const std::vector<Entry>& entries) {
  std::scoped_lock lock(state.mutex);
  for (const auto& e : entries) state.AppendListedLocked(e.second, e.first);
}

TEST(RemoveDuplicatesAndSortTest, RebuildsTableInListOrderAndReportsCount) {
  CrawlState state;
  Fill(state, {{"http://s.localhost/page-long", "long"},
               {"http://s.localhost/", "home"},
               {"http://s.localhost/page-long", "again"},
               {"http://s.localhost/b", kZhong}});
  RecordingWindow window(&state);
  window.InsertRow(RowPlace::kTop, ResultRow{"9", "stale", "stale", 0});

  EXPECT_EQ(RemoveDuplicatesAndSort(state, window), 3);

  const ListSnapshot lists = state.Snapshot();
  EXPECT_EQ(lists.UrlList, (TextList{"http://s.localhost/", "http://s.localhost/b",
                                     "http://s.localhost/page-long"}));
  EXPECT_EQ(lists.TitleList, (TextList{"home", kZhong, "long"}));
  EXPECT_EQ(lists.EntryIds, (std::vector<std::uint64_t>{2, 4, 1}));

  const std::vector<ResultRow> rows = window.Rows();
  ASSERT_EQ(rows.size(), 3u);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].number, std::to_string(i + 1)) << "row " << i;
    EXPECT_EQ(rows[i].link, lists.UrlList[i]) << "row " << i;
    EXPECT_EQ(rows[i].title, lists.TitleList[i]) << "row " << i;
    EXPECT_EQ(rows[i].entry_id, lists.EntryIds[i]) << "row " << i;
  }
  EXPECT_EQ(window.Statuses(), (std::vector<Text>{kBefore + "3" + kAfter}));
  EXPECT_FALSE(window.SawStateLocked()) << "the window was called under the lists' lock";
}

// The same through the in-memory window the headless mode uses: rows that the crawl put at
// the top are replaced by the tidied list in order.
TEST(RemoveDuplicatesAndSortTest, RedrawsTheMemoryWindow) {
  CrawlState state;
  Fill(state, {{"http://s.localhost/bb", "b"}, {"http://s.localhost/a", "a"}, {"http://s.localhost/bb", "b2"}});
  MemoryWindow window;
  window.InsertRow(RowPlace::kTop, ResultRow{"1", "http://s.localhost/bb", "b", 1});
  window.InsertRow(RowPlace::kTop, ResultRow{"2", "http://s.localhost/a", "a", 2});
  window.InsertRow(RowPlace::kTop, ResultRow{"3", "http://s.localhost/bb", "b2", 3});
  RemoveDuplicatesAndSort(state, window);
  const std::vector<ResultRow> rows = window.Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].number, "1");
  EXPECT_EQ(rows[0].link, "http://s.localhost/a");
  EXPECT_EQ(rows[0].title, "a");
  EXPECT_EQ(rows[0].entry_id, 2u);
  EXPECT_EQ(rows[1].number, "2");
  EXPECT_EQ(rows[1].link, "http://s.localhost/bb");
  EXPECT_EQ(rows[1].title, "b");
  EXPECT_EQ(rows[1].entry_id, 1u);
  EXPECT_EQ(window.Status(), kBefore + "2" + kAfter);
}

TEST(RemoveDuplicatesAndSortTest, EmptyListClearsTableAndReportsZero) {
  CrawlState state;
  RecordingWindow window(&state);
  window.InsertRow(RowPlace::kEnd, ResultRow{"1", "stale", "stale", 7});
  EXPECT_EQ(RemoveDuplicatesAndSort(state, window), 0);
  EXPECT_TRUE(window.Rows().empty());
  ASSERT_EQ(window.Statuses().size(), 1u);
  EXPECT_EQ(window.Statuses()[0], kBefore + "0" + kAfter);
  // Check the caption's bytes once against their hex form (GBK).
  EXPECT_EQ(window.Statuses()[0],
            Text("\xC8\xA5\xD6\xD8\xB8\xB4\xBA\xF3\xD3\xD0" "0" "\xCC\xF5\xD3\xD0\xD0\xA7\xC1\xB4\xBD\xD3"));
}

TEST(RemoveDuplicatesAndSortTest, RerunKeepsPositionsAndRedraws) {
  CrawlState state;
  Fill(state, {{"ppp", "p"}, {"qqq", "q"}, {"rr", "r"}});
  RecordingWindow window(&state);
  RemoveDuplicatesAndSort(state, window);
  const ListSnapshot first = state.Snapshot();
  EXPECT_EQ(first.UrlList, (TextList{"rr", "qqq", "ppp"}));
  RemoveDuplicatesAndSort(state, window);
  const ListSnapshot second = state.Snapshot();
  EXPECT_EQ(second.UrlList, first.UrlList);
  EXPECT_EQ(second.TitleList, first.TitleList);
  EXPECT_EQ(second.EntryIds, first.EntryIds);
  EXPECT_EQ(window.ReplaceCalls(), 2);
  EXPECT_EQ(window.Statuses().size(), 2u);
}

TEST(RemoveDuplicatesAndSortTest, SecondRunWaitsForTheFirst) {
  CrawlState state;
  Fill(state, {{"b", "b"}, {"a", "a"}});
  RecordingWindow window(&state);
  window.HoldReplace();
  std::thread first([&] { RemoveDuplicatesAndSort(state, window); });
  window.WaitUntilHeld();
  std::atomic<bool> second_done{false};
  std::thread second([&] {
    RemoveDuplicatesAndSort(state, window);
    second_done = true;
  });
  // While the first run is inside the window, the second must not reach it.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(window.ReplaceCalls(), 1);
  EXPECT_FALSE(second_done.load());
  // The lists' lock is free meanwhile: a crawl worker can still append.
  {
    std::unique_lock lock(state.mutex, std::try_to_lock);
    EXPECT_TRUE(lock.owns_lock());
  }
  window.Release();
  first.join();
  second.join();
  EXPECT_EQ(window.ReplaceCalls(), 2);
}

// Crawl workers appending while the tool runs never see or leave unparallel lists: every id
// keeps its own link and title.
TEST(RemoveDuplicatesAndSortTest, ConcurrentAppendsStayParallel) {
  CrawlState state;
  RecordingWindow window(&state);
  std::atomic<bool> stop{false};
  std::thread appender([&] {
    for (int i = 0; i < 2000 && !stop; ++i) {
      std::scoped_lock lock(state.mutex);
      const Text n = std::to_string(i % 300);
      state.AppendListedLocked("title" + n, "http://s.localhost/" + n);
    }
  });
  for (int run = 0; run < 20; ++run) RemoveDuplicatesAndSort(state, window);
  stop = true;
  appender.join();
  RemoveDuplicatesAndSort(state, window);
  const ListSnapshot lists = state.Snapshot();
  ASSERT_EQ(lists.UrlList.size(), lists.TitleList.size());
  ASSERT_EQ(lists.UrlList.size(), lists.EntryIds.size());
  for (size_t i = 0; i < lists.UrlList.size(); ++i) {
    EXPECT_EQ("title" + lists.UrlList[i].substr(std::string("http://s.localhost/").size()),
              lists.TitleList[i]);
    if (i > 0) {
      EXPECT_LE(lists.UrlList[i - 1].size(), lists.UrlList[i].size());
    }
  }
  for (size_t i = 0; i < lists.UrlList.size(); ++i) {
    for (size_t j = i + 1; j < lists.UrlList.size(); ++j) {
      ASSERT_NE(lists.UrlList[i], lists.UrlList[j]);
    }
  }
}

}  // namespace
}  // namespace tovren

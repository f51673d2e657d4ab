#include "crawler/crawl_state.h"

#include <gtest/gtest.h>

namespace tovren {
namespace {

// The answer of a linear scan with a case-folding comparison, as the index must give it.
bool ScanFinds(const TextList& list, const Text& link) {
  for (const Text& entry : list) {
    if (CompareText(link, entry, false) == 0) return true;
  }
  return false;
}

TEST(CrawlState, VisitRecordFollowsTheScanAndItsStopRule) {
  const Text home = "http://h.site.com/";
  struct Case {
    const char* name;
    TextList entries;
    Text link;
    bool stop;
    bool recorded;
    int position;
  } cases[] = {
      {"empty list records nothing", {}, "http://h.site.com/a", false, false, 0},
      {"new link", {home, "http://h.site.com/a"}, "http://h.site.com/b", false, true, 3},
      {"known link", {home, "http://h.site.com/a"}, "http://h.site.com/a", false, false, 0},
      {"known regardless of ASCII case", {home, "http://h.site.com/A.html"},
       "HTTP://H.SITE.COM/a.HTML", false, false, 0},
      {"stop with one entry still records", {home}, "http://h.site.com/b", true, true, 2},
      {"stop with two entries records nothing", {home, "http://h.site.com/a"},
       "http://h.site.com/b", true, false, 0},
      {"two-byte characters compare as units", {home, "http://h.site.com/\xD6\xD0" "A"},
       "http://h.site.com/\xD6\xD0" "a", false, false, 0},
      {"a letter as trail byte is not folded", {home, "http://h.site.com/\x81" "A"},
       "http://h.site.com/\x81" "a", false, true, 3},
  };
  for (const Case& c : cases) {
    CrawlState state;
    std::scoped_lock lock(state.mutex);
    for (const Text& e : c.entries) state.AppendVisitedLocked(e);
    EXPECT_EQ(state.IsVisitedLocked(c.link), ScanFinds(c.entries, c.link)) << c.name;
    const auto record = state.RecordVisitLocked(c.link, c.link + "#stored", c.stop);
    EXPECT_EQ(record.recorded, c.recorded) << c.name;
    EXPECT_EQ(record.count, static_cast<int>(c.entries.size())) << c.name;
    EXPECT_EQ(record.position, c.position) << c.name;
    if (c.recorded) {
      EXPECT_EQ(state.VisitedList.back(), c.link + "#stored") << c.name;
      // The index holds the stored form, not the link as passed.
      EXPECT_FALSE(state.IsVisitedLocked(c.link)) << c.name;
      EXPECT_TRUE(state.IsVisitedLocked(c.link + "#STORED")) << c.name;
    }
  }
}

TEST(CrawlState, IndexFollowsDuplicateRemovalAndEmptying) {
  CrawlState state;
  std::scoped_lock lock(state.mutex);
  for (const char* e : {"http://h/", "http://h/a", "http://h/a", "http://h/A", "http://h/",
                        "http://h/b"}) {
    state.AppendVisitedLocked(e);
  }
  state.RemoveDuplicateVisitedLocked();
  EXPECT_EQ(state.VisitedList, (TextList{"http://h/", "http://h/a", "http://h/A", "http://h/b"}));
  EXPECT_TRUE(state.IsVisitedLocked("http://h/B"));
  EXPECT_EQ(state.VisitedIndex.at("http://h/a"), 2);  // "a" and "A" both stay
  state.ClearVisitedLocked();
  EXPECT_TRUE(state.VisitedList.empty());
  EXPECT_FALSE(state.IsVisitedLocked("http://h/"));
  EXPECT_FALSE(state.RecordVisitLocked("http://h/x", "http://h/x", false).recorded);
}

TEST(CrawlState, ListedEntriesKeepTheirIds) {
  CrawlState state;
  std::uint64_t a = 0;
  std::uint64_t b = 0;
  {
    std::scoped_lock lock(state.mutex);
    a = state.AppendListedLocked("TA", "http://h/a");
    b = state.AppendListedLocked("TB", "http://h/b");
  }
  EXPECT_NE(a, b);
  EXPECT_TRUE(state.RemoveEntry(a));
  EXPECT_FALSE(state.RemoveEntry(a));
  const ListSnapshot snap = state.Snapshot();
  EXPECT_EQ(snap.UrlList, TextList{"http://h/b"});
  EXPECT_EQ(snap.TitleList, TextList{"TB"});
  EXPECT_EQ(snap.EntryIds, std::vector<std::uint64_t>{b});
}

}  // namespace
}  // namespace tovren

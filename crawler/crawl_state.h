// The crawl state shared by the crawler's workers, the list tool, the writers and the window.
// One instance per crawler; every field below `mutex` is guarded by it, except StopFlag, which
// is atomic and read afresh at every test. Never hold `mutex` while calling a WindowPort.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "text/text_list.h"

namespace tovren {

// A consistent copy of the listed pages, taken under the state's lock.
struct ListSnapshot {
  TextList UrlList;
  TextList TitleList;
  std::vector<std::uint64_t> EntryIds;  // parallel to UrlList
  Text SiteRoot;
};

struct CrawlState {
  mutable std::mutex mutex;

  TextList UrlList;                      // guarded by mutex
  TextList TitleList;                    // guarded by mutex; parallel to UrlList
  std::vector<std::uint64_t> EntryIds;   // guarded by mutex; parallel to UrlList, unique ids
  std::uint64_t NextEntryId = 1;         // guarded by mutex
  // guarded by mutex. Change it only through the *VisitedLocked members below, which keep
  // VisitedIndex in step.
  TextList VisitedList;
  // guarded by mutex: AsciiLower(entry) -> how many VisitedList entries have that form.
  std::unordered_map<Text, int> VisitedIndex;
  Text SiteRoot;                         // guarded by mutex
  Text SiteKey;                          // guarded by mutex
  std::atomic<int> StopFlag{0};

  // Copy of UrlList, TitleList, EntryIds and SiteRoot as one consistent value.
  ListSnapshot Snapshot() const;

  // Appends a title and its address to TitleList and UrlList as one step; returns the new
  // entry's id. Caller must hold `mutex`.
  std::uint64_t AppendListedLocked(const Text& title, const Text& url);

  // VisitedList changes; each keeps VisitedIndex in step. Caller must hold `mutex`.
  void AppendVisitedLocked(const Text& address);
  void ClearVisitedLocked();
  // Removes every entry equal (byte for byte) to an earlier one; first occurrences keep
  // their places and order.
  void RemoveDuplicateVisitedLocked();
  // Whether an entry equals `address` with ASCII letters compared regardless of case.
  // Caller must hold `mutex`.
  bool IsVisitedLocked(const Text& address) const;

  // The link visit's presence test and record as one step (caller holds `mutex`). `count`
  // is the number of entries S at the test. With S == 0, a known link (IsVisitedLocked), or
  // a stop requested while S >= 2, nothing is recorded; otherwise `stored` is appended and
  // `position` is its 1-based place (S + 1).
  struct VisitRecord {
    bool recorded = false;
    int count = 0;
    int position = 0;
  };
  VisitRecord RecordVisitLocked(const Text& link, const Text& stored, bool stop_requested);

  // Removes the UrlList/TitleList entry with id `id` (both lists, one step). Returns whether
  // it was there. Takes `mutex`.
  bool RemoveEntry(std::uint64_t id);
};

}  // namespace tovren

// The crawl state shared by the crawler's workers, the list tool, the writers and the window.
// One instance per crawler; every field below `mutex` is guarded by it, except StopFlag, which
// is atomic and read afresh at every test. Never hold `mutex` while calling a WindowPort.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
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
  TextList VisitedList;                  // guarded by mutex
  Text SiteRoot;                         // guarded by mutex
  Text SiteKey;                          // guarded by mutex
  std::atomic<int> StopFlag{0};

  // Copy of UrlList, TitleList, EntryIds and SiteRoot as one consistent value.
  ListSnapshot Snapshot() const;

  // Appends a title and its address to TitleList and UrlList as one step; returns the new
  // entry's id. Caller must hold `mutex`.
  std::uint64_t AppendListedLocked(const Text& title, const Text& url);

  // Removes the UrlList/TitleList entry with id `id` (both lists, one step). Returns whether
  // it was there. Takes `mutex`.
  bool RemoveEntry(std::uint64_t id);
};

}  // namespace tovren

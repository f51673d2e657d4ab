#include "crawler/crawl_state.h"

#include <algorithm>
#include <unordered_set>

namespace tovren {

ListSnapshot CrawlState::Snapshot() const {
  std::scoped_lock lock(mutex);
  return ListSnapshot{UrlList, TitleList, EntryIds, SiteRoot};
}

std::uint64_t CrawlState::AppendListedLocked(const Text& title, const Text& url) {
  ListAppend(TitleList, title);
  ListAppend(UrlList, url);
  const std::uint64_t id = NextEntryId++;
  EntryIds.push_back(id);
  return id;
}

bool CrawlState::RemoveEntry(std::uint64_t id) {
  std::scoped_lock lock(mutex);
  auto it = std::find(EntryIds.begin(), EntryIds.end(), id);
  if (it == EntryIds.end()) return false;
  const int index = static_cast<int>(it - EntryIds.begin()) + 1;
  ListRemoveAt(TitleList, index);
  ListRemoveAt(UrlList, index);
  EntryIds.erase(it);
  return true;
}


void CrawlState::AppendVisitedLocked(const Text& address) {
  ListAppend(VisitedList, address);
  ++VisitedIndex[AsciiLower(address)];
}

void CrawlState::ClearVisitedLocked() {
  VisitedList.clear();
  VisitedIndex.clear();
}

void CrawlState::RemoveDuplicateVisitedLocked() {
  std::unordered_set<Text> seen;
  TextList kept;
  for (Text& entry : VisitedList) {
    if (seen.insert(entry).second) kept.push_back(std::move(entry));
  }
  VisitedList.swap(kept);
  VisitedIndex.clear();
  for (const Text& entry : VisitedList) ++VisitedIndex[AsciiLower(entry)];
}

bool CrawlState::IsVisitedLocked(const Text& address) const {
  return VisitedIndex.count(AsciiLower(address)) != 0;
}

CrawlState::VisitRecord CrawlState::RecordVisitLocked(const Text& link, const Text& stored,
                                                      bool stop_requested) {
  VisitRecord record;
  record.count = ListCount(VisitedList);
  // A linear scan would meet the stop test after comparing entry 1 and before reaching
  // entry S; with a single entry it never meets it.
  if (record.count == 0 || IsVisitedLocked(link)) return record;
  if (stop_requested && record.count >= 2) return record;
  AppendVisitedLocked(stored);
  record.recorded = true;
  record.position = ListCount(VisitedList);
  return record;
}

}  // namespace tovren

#include "crawler/crawl_state.h"

#include <algorithm>

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

}  // namespace tovren

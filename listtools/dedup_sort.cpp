#include "listtools/dedup_sort.h"

#include <algorithm>
#include <mutex>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace tovren {
namespace {

// Keeps the first occurrence of every link, with its own title and id, in the original
// order. Same result as comparing each entry with every later one and removing the later
// equal ones, without the quadratic cost.
void RemoveLaterDuplicates(TextList& urls, TextList& titles, std::vector<std::uint64_t>& ids) {
  std::unordered_set<std::string_view> seen;
  seen.reserve(urls.size());
  size_t kept = 0;
  for (size_t i = 0; i < urls.size(); ++i) {
    // The set holds views of the survivors in their final slots (0 .. kept-1), which are
    // never written again, so the views stay valid while later entries are moved down.
    if (seen.count(urls[i]) != 0) continue;
    if (kept != i) {
      urls[kept] = std::move(urls[i]);
      titles[kept] = std::move(titles[i]);
      ids[kept] = ids[i];
    }
    seen.insert(urls[kept]);
    ++kept;
  }
  urls.resize(kept);
  titles.resize(kept);
  ids.resize(kept);
}

// The tool's exchange sort by link length, followed literally: for every i, each later entry
// that is strictly shorter is exchanged with entry i. Equal lengths are never exchanged, but
// the order among them is not stable.
void SortByLinkLength(TextList& urls, TextList& titles, std::vector<std::uint64_t>& ids) {
  const size_t n = urls.size();
  std::vector<size_t> length(n);
  for (size_t i = 0; i < n; ++i) length[i] = urls[i].size();
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i; j < n; ++j) {
      if (length[i] > length[j]) {
        std::swap(urls[i], urls[j]);
        std::swap(titles[i], titles[j]);
        std::swap(ids[i], ids[j]);
        std::swap(length[i], length[j]);
      }
    }
  }
}

}  // namespace

void DedupAndSortLists(TextList& urls, TextList& titles, std::vector<std::uint64_t>& ids) {
  // A caller that breaks the parallel-lists rule gets its lists cut to the common length
  // rather than an out-of-range access.
  const size_t n = std::min({urls.size(), titles.size(), ids.size()});
  urls.resize(n);
  titles.resize(n);
  ids.resize(n);
  RemoveLaterDuplicates(urls, titles, ids);
  SortByLinkLength(urls, titles, ids);
}

int RemoveDuplicatesAndSort(CrawlState& state, WindowPort& window) {
  // Two clicks in quick succession run one after the other, never interleaved.
  static std::mutex run_mutex;
  std::scoped_lock run_lock(run_mutex);

  std::vector<ResultRow> rows;
  {
    std::scoped_lock lists_lock(state.mutex);
    DedupAndSortLists(state.UrlList, state.TitleList, state.EntryIds);
    rows.reserve(state.UrlList.size());
    for (size_t i = 0; i < state.UrlList.size(); ++i) {
      rows.push_back(ResultRow{NumberToText(static_cast<long long>(i + 1)), state.UrlList[i],
                               state.TitleList[i], state.EntryIds[i]});
    }
  }
  // The window is called only after the lists' lock is released.
  const int n = static_cast<int>(rows.size());
  window.ReplaceAllRows(std::move(rows));
  // "去重复后有" + n + "条有效链接"
  window.SetStatus("\xC8\xA5\xD6\xD8\xB8\xB4\xBA\xF3\xD3\xD0" + NumberToText(n) +
                   "\xCC\xF5\xD3\xD0\xD0\xA7\xC1\xB4\xBD\xD3");
  return n;
}

}  // namespace tovren

// Duplicate removal and sorting of the listed pages (按钮_开始4 "去重复排序"). Any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "crawler/crawl_state.h"
#include "crawler/window_port.h"

namespace tovren {

// Removes every later occurrence of an exactly equal link (with its title and id), then
// orders the entries by link length with the exchange sort the tool has always used (equal
// lengths are not kept stable: p, q, r of lengths 3, 3, 2 become r, q, p).
// The three lists must have the same length.
void DedupAndSortLists(TextList& urls, TextList& titles, std::vector<std::uint64_t>& ids);

// The command: tidies the state's lists as one step under its lock, redraws the table from
// them in list order numbered 1..n, and sets the status "去重复后有" + n + "条有效链接".
// Two runs never overlap. Returns n.
int RemoveDuplicatesAndSort(CrawlState& state, WindowPort& window);

}  // namespace tovren

// A growing list of texts numbered from 1 (UrlList, TitleList, VisitedList).
// Not synchronised: the owner of a list guards it (see crawler/crawl_state.h).
#pragma once

#include <vector>

#include "text/text.h"

namespace tovren {

using TextList = std::vector<Text>;

inline int ListCount(const TextList& list) { return static_cast<int>(list.size()); }
inline void ListAppend(TextList& list, std::string_view t) { list.emplace_back(t); }
// Removes entry i (1-based); later entries move down one place. Out of range: nothing.
void ListRemoveAt(TextList& list, int i);
// Entry i (1-based); "" when i is out of range.
Text ListGet(const TextList& list, int i);
// Replaces entry i (1-based); out of range: nothing.
void ListSet(TextList& list, int i, std::string_view t);

}  // namespace tovren

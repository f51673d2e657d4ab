#include "text/text_list.h"

namespace tovren {

void ListRemoveAt(TextList& list, int i) {
  if (i < 1 || i > ListCount(list)) return;
  list.erase(list.begin() + (i - 1));
}

Text ListGet(const TextList& list, int i) {
  if (i < 1 || i > ListCount(list)) return {};
  return list[static_cast<size_t>(i - 1)];
}

void ListSet(TextList& list, int i, std::string_view t) {
  if (i < 1 || i > ListCount(list)) return;
  list[static_cast<size_t>(i - 1)] = Text(t);
}

}  // namespace tovren

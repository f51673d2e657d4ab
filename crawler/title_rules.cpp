#include "crawler/title_rules.h"

#include "crawler/gbk_texts.h"

namespace tovren {

Text HomePageTitle(const Text& page_text) {
  const int open = FindText(page_text, "<title>", 1, true);
  const int close = FindText(page_text, "</title>", 1, true);
  return TextMid(page_text, open + 7, close - open - 7);
}

Text PageTitle(const Text& page_text) { return StripSpaces(HomePageTitle(page_text)); }

bool SecondLevelTitlePasses(const Text& title) {
  return TextLength(title) > 2 && FindText(title, "400") == -1 && FindText(title, "404") == -1;
}

bool VisitTitlePasses(const Text& title) {
  return SecondLevelTitlePasses(title) && FindText(title, gbk::kPageNotFound) == -1;
}

}  // namespace tovren

// Page titles: how the crawl takes a title from a page's text and which titles get listed.
// Pure functions; safe to call from any thread.
#pragma once

#include "text/text.h"

namespace tovren {

// The home page's title: the text between "<title>" and "</title>" (tags in any case),
// untrimmed. Without "</title>" the title is empty; without "<title>" it runs from byte 6 to
// the byte before "</title>".
Text HomePageTitle(const Text& page_text);

// The title of a later page: the same cut as HomePageTitle with every ASCII and full-width
// space removed.
Text PageTitle(const Text& page_text);

// A second-level page is listed when its title is longer than 2 bytes and holds neither
// "400" nor "404".
bool SecondLevelTitlePasses(const Text& title);

// A visited page is listed when its title passes SecondLevelTitlePasses and does not hold
// "无法找到该页" either.
bool VisitTitlePasses(const Text& title);

}  // namespace tovren

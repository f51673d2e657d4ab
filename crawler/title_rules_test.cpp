#include "crawler/title_rules.h"

#include <gtest/gtest.h>

namespace tovren {
namespace {

TEST(TitleRules, HomePageTitleIsCutUntrimmed) {
  struct Case {
    const char* text;
    const char* want;
  } cases[] = {
      {"<html><head><title>Home</title></head>", "Home"},
      {"<HEAD><TITLE> Big Page </TITLE>", " Big Page "},
      {"<Title>a\r\nb &amp; c</tItLe>", "a\r\nb &amp; c"},
      {"<html>no title here</html>", ""},
      {"<title>open only", ""},
      {"abcdefgh</title>", "fgh"},  // no "<title>": bytes 6 to e - 1
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(HomePageTitle(c.text), c.want) << c.text;
}

TEST(TitleRules, PageTitleLosesEverySpace) {
  struct Case {
    const char* text;
    const char* want;
  } cases[] = {
      {"<TITLE> My Page </TITLE>", "MyPage"},
      {"<title>\xA1\xA1\xD6\xD0 \xCE\xC4\xA1\xA1</title>", "\xD6\xD0\xCE\xC4"},
      {"<title>a\tb</title>", "a\tb"},
      {"<title>no end", ""},
      {"abcd e fgh</title>", "efgh"},
  };
  for (const Case& c : cases) EXPECT_EQ(PageTitle(c.text), c.want) << c.text;
}

TEST(TitleRules, WhichTitlesAreListed) {
  const Text not_found = "\xCE\xDE\xB7\xA8\xD5\xD2\xB5\xBD\xB8\xC3\xD2\xB3";  // 无法找到该页
  struct Case {
    Text title;
    bool second_level;
    bool visit;
  } cases[] = {
      {"abc", true, true},
      {"ab", false, false},
      {"", false, false},
      {"\xD6\xD0", false, false},        // one Chinese character: 2 bytes
      {"\xD6\xD0" "a", true, true},      // one Chinese character and a letter: 3 bytes
      {"Error404", false, false},
      {"Page4040", false, false},
      {"400BadRequest", false, false},
      {"4O4page", true, true},
      {not_found, true, false},
      {"x" + not_found + "y", true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SecondLevelTitlePasses(c.title), c.second_level) << c.title;
    EXPECT_EQ(VisitTitlePasses(c.title), c.visit) << c.title;
  }
}

}  // namespace
}  // namespace tovren

#include "writers/markup_escaping.h"

#include <gtest/gtest.h>

namespace tovren {
namespace {

TEST(EscapeXmlLinkTest, KeepsEscapedAmpersandsAndEscapesTheRest) {
  struct Case {
    const char* name;
    Text in;
    Text want;
  } cases[] = {
      {"plain", "http://s.localhost/a/b.html", "http://s.localhost/a/b.html"},
      {"bare ampersand", "http://s.localhost/?a=1&b=2", "http://s.localhost/?a=1&amp;b=2"},
      {"two bare ampersands", "/?a=1&b=2&c=3", "/?a=1&amp;b=2&amp;c=3"},
      {"already escaped", "/?a=1&amp;b=2", "/?a=1&amp;b=2"},
      {"escaped and bare mixed", "/?a=1&amp;b=2&c=3", "/?a=1&amp;b=2&amp;c=3"},
      {"bare before escaped", "/?a=1&b=2&amp;c=3", "/?a=1&amp;b=2&amp;c=3"},
      {"upper-case entity is not XML", "/?a=1&AMP;b=2", "/?a=1&amp;AMP;b=2"},
      {"other entity is taken literally", "/?a&lt;b", "/?a&amp;lt;b"},
      {"ampersand at the end", "/?a=1&", "/?a=1&amp;"},
      {"cut-off entity", "/?a=1&am", "/?a=1&amp;am"},
      {"less-than", "/a<b", "/a&lt;b"},
      {"greater-than alone stays", "/a>b", "/a>b"},
      {"]]> is broken up", "/a]]>b", "/a]]&gt;b"},
      {"control bytes in address form", Text("/a\tb\x01" "c"), "/a%09b%01c"},
      {"Chinese bytes stay", "/\xD6\xD0\xCE\xC4?a&b", "/\xD6\xD0\xCE\xC4?a&amp;b"},
      {"quote and apostrophe stay", "/a'b\"c", "/a'b\"c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EscapeXmlLink(c.in), c.want) << c.name;
  }
}

TEST(PercentEncodeHighBytesTest, EncodesBytesFromHex80AsHeld) {
  struct Case {
    Text in;
    Text want;
  } cases[] = {
      {"http://s.localhost/a", "http://s.localhost/a"},
      {"/\xE4\xB8\xAD", "/%E4%B8%AD"},
      {"/\x80\xFF?x=\xAB&y", "/%80%FF?x=%AB&y"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PercentEncodeHighBytes(c.in), c.want) << c.in;
  }
}

TEST(EscapeHtmlTest, TitlesCannotOpenTagsAndLinksCannotEndTheAttribute) {
  struct Case {
    const char* name;
    Text title, want_title;
    Text link, want_link;
  } cases[] = {
      {"plain", "\xD6\xD0\xCE\xC4 title", "\xD6\xD0\xCE\xC4 title", "/a?b=1&c=2", "/a?b=1&c=2"},
      {"tags in a title", "<script>x</script>", "&lt;script&gt;x&lt;/script&gt;", "/a", "/a"},
      {"entities stay", "A &amp; B &lt;", "A &amp; B &lt;", "/a&amp;b", "/a&amp;b"},
      {"quotes", "say \"hi\"", "say \"hi\"", "/a\"onmouseover=\"x", "/a&quot;onmouseover=&quot;x"},
      {"empty", "", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EscapeHtmlTitle(c.title), c.want_title) << c.name;
    EXPECT_EQ(EscapeHtmlLink(c.link), c.want_link) << c.name;
  }
}

}  // namespace
}  // namespace tovren

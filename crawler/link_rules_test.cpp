#include "crawler/link_rules.h"

#include <gtest/gtest.h>

namespace tovren {
namespace {

const Text kRoot = "http://www.site.com";
const Text kKey = "site";
const Text kPage = "http://www.site.com/d/e/p.html";
constexpr const char* kRejected = "<rejected>";

Text Show(const std::optional<Text>& accepted) { return accepted ? *accepted : kRejected; }

TEST(ExtractLinkCandidates, CutsAtEachExactHrefQuote) {
  struct Case {
    const char* name;
    Bytes body;
    std::vector<Text> want;
  } cases[] = {
      {"empty body", "", {}},
      {"no href gives the text before the first quote", "<p class=\"x\">hi</p>", {"<p class="}},
      {"no href and no quote gives one empty candidate", "plain text", {""}},
      {"first piece always comes first",
       "<p id=\"top\"><a href=\"/a.html\">A</a><a href=\"b.html\">B</a>",
       {"<p id=", "/a.html", "b.html"}},
      {"capitals, single quotes and spaces do not split",
       "x\" <a HREF=\"/a\"> <a href='/b'> <a href = \"/c\"> <a href=\"/d\">",
       {"x", "/d"}},
      {"piece without a quote gives the empty candidate", "<a href=\"/a.html", {"", ""}},
      {"read up to the first zero byte", Bytes("<a href=\"/a\">\0<a href=\"/b\">", 26),
       {"", "/a"}},
      {"entities stay undecoded", "<a href=\"list.php?a=1&amp;b=2\">",
       {"", "list.php?a=1&amp;b=2"}},
      {"empty href value", "<a href=\"\">", {"", ""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractLinkCandidates(c.body), c.want) << c.name;
  }
}

TEST(ExcludedMarks, AreTheFourteenMarksInOrder) {
  const std::vector<std::string_view> want = {".css", ".js",  "(",  "<",          ".ico",
                                              ".png", ".gif", ".jpg", "@",        "#",
                                              "}",    "javascript", ".xml", "+"};
  auto marks = ExcludedMarks();
  EXPECT_EQ(std::vector<std::string_view>(marks.begin(), marks.end()), want);
}

TEST(HostPart, EndsAtTheFirstSlashFromByteNine) {
  struct Case {
    const char* in;
    const char* want;
  } cases[] = {
      {"http://www.site.com/a/b.html", "http://www.site.com/"},
      {"https://www.site.com/a", "https://www.site.com/"},
      {"http://a/b", "http://a/"},  // the "/" at byte 9
      {"http://www.site.com", ""},
      {"http://", ""},
      {"", ""},
      {"/go?u=http://x.site.com/", "/go?u=http:/"},
  };
  for (const Case& c : cases) EXPECT_EQ(HostPart(c.in), c.want) << c.in;
}

TEST(AcceptHomeLink, FollowsTheHomePageRule) {
  struct Case {
    const char* in;
    Text want;
  } cases[] = {
      // relative: length, marks, joining
      {"/", kRejected},
      {"ab", kRejected},
      {"/ab", kRejected},
      {"", kRejected},
      {"/abc", kRoot + "/abc"},
      {"index.html", kRoot + "/index.html"},
      {"#top", kRejected},
      {"mailto:me@site.com", kRejected},
      {"javascript:void(0)", kRejected},
      {"JavaScript:go", kRejected},
      {"style.CSS", kRejected},
      {"app.js?v=2", kRejected},
      {"list.jsp", kRejected},
      {"logo.PNG", kRejected},
      {"a.ico", kRejected},
      {"b.gif", kRejected},
      {"c.jpg", kRejected},
      {"feed.xml", kRejected},
      {"a.html?q=1+2", kRejected},
      {"f(x).html", kRejected},
      {"a}.html", kRejected},
      {"<a class=", kRejected},
      {"list.php?a=1&amp;b=2", kRoot + "/list.php?a=1&amp;b=2"},
      {"./a.html", kRoot + "/./a.html"},
      {"../a.html", kRoot + "/../a.html"},
      // absolute: the site test
      {"http://www.site.com/a.html", "http://www.site.com/a.html"},
      {"http://news.site.com/a.html", "http://news.site.com/a.html"},
      {"http://www.mysite.org/x", "http://www.mysite.org/x"},
      {"http://WWW.SITE.COM/A.html", "http://WWW.SITE.COM/A.html"},
      {"http://other.org/site/a.html", kRejected},
      {"http://www.site.com", kRejected},
      {"https://www.site.com/secure.html", "https://www.site.com/secure.html"},
      {"http://www.site.com/app.js", kRejected},
      {"http://www.site.com/./a.html", "http://www.site.com/./a.html"},
      {"search.php?u=http://other.org/", kRejected},
      {"go.php?u=http://x.site.com/", kRejected},  // HostPart is "go.php?u=http:/"
      {"/r?site=1&u=http://x", "/r?site=1&u=http://x"},  // absolute, accepted unjoined
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(AcceptHomeLink(c.in, kRoot, kKey)), c.want) << c.in;
  }
}

TEST(AcceptHomeLink, EmptySiteKeyPassesEveryHostWithAPath) {
  struct Case {
    const char* in;
    Text want;
  } cases[] = {
      {"http://anything.org/a", "http://anything.org/a"},
      {"http://anything.org", kRejected},
      {"/abc", "http://localhost/abc"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(AcceptHomeLink(c.in, "http://localhost", "")), c.want) << c.in;
  }
}

TEST(AcceptPageLink, JoinsAgainstThePageAddress) {
  struct Case {
    const char* in;
    Text want;
  } cases[] = {
      {"f.html", kRoot + "/d/e/f.html"},
      {"/f.html", kRoot + "/f.html"},
      {"./f.html", kRoot + "/d/e/f.html"},
      {"x/./f.html", kRoot + "/d/e/x/f.html"},
      {"../f.html", kRoot + "/d/f.html"},
      {"../../f.html", kRoot + "/d/../f.html"},
      {"x/../f.html", kRoot + "/d../f.html"},  // the first two bytes go, whatever they are
      {"../.", kRoot + "/d/."},
      {"abc", kRejected},
      {"/ab", kRejected},
      {"#top", kRejected},
      {"list.jsp", kRejected},
      {"a.html?q=1+2", kRejected},
      {"list.php?a=1&amp;b=2", kRoot + "/d/e/list.php?a=1&amp;b=2"},
      {"http://www.site.com/./a/./b.html", "http://www.site.com/a/b.html"},
      {"http://www.site.com/./", "http://www.site.com/"},
      {"http://www.site.com/a.html", "http://www.site.com/a.html"},
      {"http://other.org/site/a.html", kRejected},
      {"http://www.site.com", kRejected},
      {"http://www.site.com./", "http://www.site.com/"},  // only the scheme's slashes left
      {"https://www.site.com./", "https://www.site.com/"},
      {"HTTPS://www.site.com./", "HTTPS://www.site.com/"},
      {"https://www.site.com/./", "https://www.site.com/"},
      {"https://www.site.com/x/./y.html", "https://www.site.com/x/y.html"},
      {"http://www.site.com/../a.html", "http://www.site.com/.a.html"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(AcceptPageLink(c.in, kPage, kKey)), c.want) << c.in;
  }
}

TEST(AcceptPageLink, PageDirectlyUnderTheHost) {
  const Text page = kRoot + "/";
  struct Case {
    const char* in;
    Text want;
  } cases[] = {
      // parent is the root, grandparent its first 6 bytes ("http:/")
      {"../f.html", "http://f.html"},
      {"f.html", kRoot + "/f.html"},
      {"/f.html", kRoot + "/f.html"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(AcceptPageLink(c.in, page, kKey)), c.want) << c.in;
  }
}

TEST(AcceptPageLink, SecureSiteKeepsItsScheme) {
  const Text page = "https://www.site.com/d/p.html";
  struct Case {
    const char* in;
    Text want;
  } cases[] = {
      {"/f.html", "https://www.site.com/f.html"},
      {"f.html", "https://www.site.com/d/f.html"},
      {"../f.html", "https://www.site.com/f.html"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(AcceptPageLink(c.in, page, kKey)), c.want) << c.in;
  }
}

TEST(VisitLinkForms, ResolvesTheFirstParentStepOnly) {
  struct Case {
    const char* in;
    const char* link;
    const char* stored;
  } cases[] = {
      {"http://h.site.com/a/b.html", "http://h.site.com/a/b.html", "http://h.site.com/a/b.html"},
      {"http://h.site.com/a ./b.html", "http://h.site.com/a ./b.html",
       "http://h.site.com/ab.html"},
      {"http://h.site.com/a/./b.html", "http://h.site.com/a/./b.html",
       "http://h.site.com/a/./b.html"},
      {"http://h.site.com/a/b/../c.html", "http://h.site.com/a/c.html",
       "http://h.site.com/a/c.html"},
      {"http://h.site.com/a/b/../c/../d.html", "http://h.site.com/a/c/../d.html",
       "http://h.site.com/a/c/.d.html"},
      {"http://h.site.com/../x/./y.html", "http://x/./y.html", "http://x/y.html"},
      // "../" without "/../": nothing is found, so the first two bytes go
      {"http://h.site.com/a../b", "tp://h.site.com/a../b", "tp://h.site.com/a.b"},
  };
  for (const Case& c : cases) {
    const VisitForms forms = VisitLinkForms(c.in);
    EXPECT_EQ(forms.link, c.link) << c.in;
    EXPECT_EQ(forms.stored, c.stored) << c.in;
  }
}

}  // namespace
}  // namespace tovren

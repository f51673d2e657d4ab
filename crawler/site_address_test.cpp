#include "crawler/site_address.h"

#include <gtest/gtest.h>

namespace tovren {
namespace {

TEST(SiteAddress, RootAndKeyFromTheTypedAddress) {
  struct Case {
    const char* box;  // content of the address box
    const char* root;
    const char* key;
  } cases[] = {
      {"www.site.com", "http://www.site.com", "site"},
      {"http://www.site.com/", "http://www.site.com", "site"},
      {"http://www.site.com//", "http://www.site.com/", "site"},  // one "/" removed only
      {" www. site.com ", "http://www.site.com", "site"},
      {"www.\xA1\xA1site.com\xA1\xA1", "http://www.site.com", "site"},  // full-width spaces
      {"site.com", "http://site.com", ""},
      {"localhost", "http://localhost", ""},
      {"a.b.c.d", "http://a.b.c.d", "b.c"},
      {"http://www.site.com/q.html", "http://www.site.com/q.html", "site.com/q"},
      {"127.0.0.1:8080", "http://127.0.0.1:8080", "0.0"},
      // the scheme is recognised in any letter case and kept lower-cased; https stays https
      {"HTTP://www.site.com", "http://www.site.com", "site"},
      {"HTTPS://a.b.c", "https://a.b.c", "b"},
      {"https://www.site.com/", "https://www.site.com", "site"},
      {"Https://A.B.C//", "https://A.B.C/", "B"},
      {"ftp://a.b.c", "http://ftp://a.b.c", "b"},
      {"http:/a.b.c", "http://http:/a.b.c", "b"},
      {"www.site.com/", "http://www.site.com", "site"},
  };
  for (const Case& c : cases) {
    const Text typed = TypedAddress(c.box);
    EXPECT_EQ(SiteRootOf(typed), c.root) << c.box;
    EXPECT_EQ(SiteKeyOf(typed), c.key) << c.box;
  }
}

TEST(SiteAddress, OnlySpacesMakeAnEmptyAddress) {
  EXPECT_EQ(TypedAddress("  \xA1\xA1 "), "");
  EXPECT_EQ(SiteKeyOf(""), "");
  // tabs and line breaks are no spaces
  EXPECT_EQ(TypedAddress("a\tb\r\n"), "a\tb\r\n");
}

}  // namespace
}  // namespace tovren

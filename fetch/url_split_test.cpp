// Table tests of the address split.
#include "fetch/url_split.h"

#include <gtest/gtest.h>

namespace tovren {
namespace {

TEST(UrlSplitTest, HostPathAndPort) {
  struct Case {
    const char* url;
    const char* host;       // KeepPort 0
    const char* host_port;  // KeepPort 1
    const char* path;
    int port;
  } cases[] = {
      // Host in mixed case, port and a target with a query.
      {"http://WwW.ExAmple.com:8080/A/b?x=1", "www.example.com", "www.example.com:8080",
       "/A/b?x=1", 8080},
      // Ends right after the host name.
      {"http://www.example.com", "www.example.com", "www.example.com", "/", 80},
      // No scheme at all.
      {"www.example.com/a", "www.example.com", "www.example.com", "/a", 80},
      // A port that is not a number: 0, the default port.
      {"http://example.com:abc/x", "example.com", "example.com:abc", "/x", 0},
      {"http://example.com:/x", "example.com", "example.com:", "/x", 0},
      // Leading spaces before the port number are skipped; reading stops at a non-digit.
      {"http://example.com: 81/", "example.com", "example.com: 81", "/", 81},
      {"http://example.com:81x/", "example.com", "example.com:81x", "/", 81},
      // https: the scheme is recognised, 443 by default.
      {"https://Secure.Example.com/p", "secure.example.com", "secure.example.com", "/p", 443},
      {"https://example.com:8443", "example.com", "example.com:8443", "/", 8443},
      // The scheme is matched with its exact letter case: "HTTP://" is not a scheme.
      {"HTTP://Example.com/x", "http", "http:", "//Example.com/x", 0},
      // A host whose name also occurs inside the scheme word.
      {"http://t/x", "t", "t", "/x", 80},
      {"http://http/x", "http", "http", "/x", 80},
      // Another address in the query does not confuse the split.
      {"http://a.com/p?q=http://b.com/", "a.com", "a.com", "/p?q=http://b.com/", 80},
      // No "/" after the host: the query stays in the host part.
      {"http://example.com?x=1", "example.com?x=1", "example.com?x=1", "/", 80},
      // A two-byte GBK character keeps its trail byte even when it is a capital letter.
      {"http://\xD6" "Ab.COM/", "\xD6" "Ab.com", "\xD6" "Ab.com", "/", 80},
      {"", "", "", "/", 80},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UrlHost(c.url), c.host) << c.url;
    EXPECT_EQ(UrlHost(c.url, 1), c.host_port) << c.url;
    EXPECT_EQ(UrlPath(c.url), c.path) << c.url;
    EXPECT_EQ(UrlPort(c.url), c.port) << c.url;
  }
}

TEST(UrlSplitTest, SchemeDecidesHttps) {
  struct Case {
    const char* url;
    bool https;
  } cases[] = {
      {"https://a.com/", true},
      {"http://a.com/", false},
      {"a.com/", false},
      {"http://a.com/?next=https://b.com/", false},
      {"https://a.com/?next=http://b.com/", true},
  };
  for (const Case& c : cases) EXPECT_EQ(UrlIsHttps(c.url), c.https) << c.url;
}

}  // namespace
}  // namespace tovren

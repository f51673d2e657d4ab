// Table tests of the cookie pass, the cookie-store lines and the request header block.
#include "fetch/cookie_pass.h"

#include <gtest/gtest.h>

#include "fetch/request_headers.h"

namespace tovren {
namespace {

std::string Show(const std::vector<PassedCookie>& cookies) {
  std::string out;
  for (const PassedCookie& c : cookies) out += "[" + c.Name + "|" + c.Data + "]";
  return out;
}

TEST(CookiePassTest, TakesSetCookieLinesOfTheHeaderBlock) {
  struct Case {
    const char* name;
    const char* block;
    const char* want;
  } cases[] = {
      {"two lines", "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n",
       "[a|1; path=/][b|2]"},
      {"no Set-Cookie", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
      {"line without = ends the pass",
       "HTTP/1.1 200 OK\r\nSet-Cookie: junk\r\nSet-Cookie: c=3\r\n\r\n", ""},
      {"= only on a later line does not count",
       "HTTP/1.1 200 OK\r\nSet-Cookie: noeq\r\nOther: x=y\r\n\r\n", ""},
      {"stops after earlier cookies",
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX: y\r\nSet-Cookie: junk\r\nSet-Cookie: z=9\r\n\r\n",
       "[a|1]"},
      {"other letter case is not taken",
       "HTTP/1.1 200 OK\r\nset-cookie: a=1\r\nSET-COOKIE: b=2\r\nSet-cookie: c=3\r\n\r\n", ""},
      {"no space after the colon is not taken", "HTTP/1.1 200 OK\r\nSet-Cookie:a=1\r\n\r\n", ""},
      {"data keeps later = and attributes",
       "HTTP/1.1 200 OK\r\nSet-Cookie: t=a=b; Path=/x; HttpOnly\r\n\r\n",
       "[t|a=b; Path=/x; HttpOnly]"},
      {"empty value", "HTTP/1.1 200 OK\r\nSet-Cookie: e=\r\n\r\n", "[e|]"},
      {"first line of the block has no line feed before it", "Set-Cookie: a=1\r\n\r\n", ""},
      {"line without carriage return", "HTTP/1.1 200 OK\nSet-Cookie: a=1\n\n", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(CookiePass(c.block)), c.want) << c.name;
  }
}

TEST(CookiePassTest, StoreLineKeepsPathExpiryDomainAndSecureFlag) {
  const std::time_t now = 1700000000;
  struct Case {
    const char* name;
    const char* data;
    const char* want;
  } cases[] = {
      {"a", "1; path=/", "www.example.com\tFALSE\t/\tFALSE\t0\ta\t1"},
      {"b", "2", "www.example.com\tFALSE\t/\tFALSE\t0\tb\t2"},
      {"c", "3; Path=/sub; HttpOnly", "www.example.com\tFALSE\t/sub\tFALSE\t0\tc\t3"},
      {" d ", " 4 ; path=/", "www.example.com\tFALSE\t/\tFALSE\t0\td\t4"},
      {"e", "", "www.example.com\tFALSE\t/\tFALSE\t0\te\t"},
      // Deleted by the server: stored as long expired, never as a session cookie.
      {"f", "; Max-Age=0", "www.example.com\tFALSE\t/\tFALSE\t1\tf\t"},
      {"g", "7; max-age=60", "www.example.com\tFALSE\t/\tFALSE\t1700000060\tg\t7"},
      {"h", "8; Expires=Wed, 21 Oct 2015 07:28:00 GMT",
       "www.example.com\tFALSE\t/\tFALSE\t1445412480\th\t8"},
      {"i", "9; Max-Age=60; Expires=Wed, 21 Oct 2015 07:28:00 GMT",
       "www.example.com\tFALSE\t/\tFALSE\t1700000060\ti\t9"},
      {"j", "10; Secure", "www.example.com\tFALSE\t/\tTRUE\t0\tj\t10"},
      {"k", "11; Domain=.Example.com", ".example.com\tTRUE\t/\tFALSE\t0\tk\t11"},
      {"l", "12; domain=www.example.com", ".www.example.com\tTRUE\t/\tFALSE\t0\tl\t12"},
      // A domain the host does not belong to is refused, as the client's engine refuses it.
      {"m", "13; domain=other.com", ""},
      {"n", "14; domain=ample.com", ""},
      {"", "15", ""},
      {"o\tp", "16", ""},
      {"q", "1\t7", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CookieStoreLine("www.example.com", PassedCookie{c.name, c.data}, now), c.want)
        << "name [" << c.name << "] data [" << c.data << "]";
  }
}

TEST(RequestHeadersTest, DefaultLinesUnlessTheCallerGaveThem) {
  const char* url = "http://Host.example/A?b=1";
  struct Case {
    const char* name;
    const char* extra;
    bool post;
    const char* post_data;
    const char* want;
  } cases[] = {
      {"plain GET", "", false, "",
       "Accept: */*\r\nReferer: http://Host.example/A?b=1\r\nAccept-Language: zh-cn\r\n"},
      {"lower-case accept suppresses Accept", "accept: text/html\r\n", false, "",
       "accept: text/html\r\nReferer: http://Host.example/A?b=1\r\nAccept-Language: zh-cn\r\n"},
      {"caller's referer and language", "REFERER: x\r\nAccept-language: en\r\n", false, "",
       "REFERER: x\r\nAccept-language: en\r\nAccept: */*\r\n"},
      {"other caller lines stand first", "X-One: 1\r\n", false, "",
       "X-One: 1\r\nAccept: */*\r\nReferer: http://Host.example/A?b=1\r\nAccept-Language: "
       "zh-cn\r\n"},
      {"POST with data", "", true, "a=1&b=2",
       "Accept: */*\r\nReferer: http://Host.example/A?b=1\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 7\r\n"},
      {"POST with the caller's content type", "content-type: text/plain\r\n", true, "abc",
       "content-type: text/plain\r\nAccept: */*\r\nReferer: http://Host.example/A?b=1\r\n"
       "Accept-Language: zh-cn\r\nContent-Length: 3\r\n"},
      {"POST without data", "", true, "",
       "Accept: */*\r\nReferer: http://Host.example/A?b=1\r\nAccept-Language: zh-cn\r\n"},
      {"GET ignores PostData", "", false, "abc",
       "Accept: */*\r\nReferer: http://Host.example/A?b=1\r\nAccept-Language: zh-cn\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildRequestHeaderBlock(url, c.extra, c.post, c.post_data), c.want) << c.name;
  }
}

TEST(RequestHeadersTest, HeaderLinesDropsEmptyLines) {
  std::vector<Text> want = {"A: 1", "B: 2", "C: 3"};
  EXPECT_EQ(HeaderLines("A: 1\r\n\r\nB: 2\r\nC: 3"), want);
  EXPECT_TRUE(HeaderLines("").empty());
}

}  // namespace
}  // namespace tovren

// FetchPage against a real HTTP(S) server on 127.0.0.1: the request on the wire, POST,
// redirects, cookies across threads, the inactivity limit, failures, aborts, TLS and the
// body size cap.
#include "fetch/page_fetcher.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_http_server.h"

namespace tovren {
namespace {

using testing::CapturedRequest;
using testing::Response;
using testing::TestHttpServer;
using std::chrono::milliseconds;

struct FetchResult {
  Bytes body;
  int completed = -1;
  Text headers;
  double seconds = 0;
};

struct FetchArgs {
  Text method;
  Text proxy;
  Text extra_headers;
  Text post_data;
  int timeout_seconds = 0;
  const std::atomic<bool>* cancel = nullptr;
  std::atomic<int>* completed = nullptr;  // defaults to a local flag starting at 0
};

FetchResult Fetch(const Text& url, const FetchArgs& a = {}) {
  FetchResult r;
  std::atomic<int> local{0};
  std::atomic<int>* completed = a.completed != nullptr ? a.completed : &local;
  r.headers = "left over";  // must be replaced, also by an empty block
  const auto start = std::chrono::steady_clock::now();
  r.body = FetchPage(url, a.method, a.proxy, {}, {}, a.extra_headers, a.post_data,
                     a.timeout_seconds, &r.headers, completed, a.cancel);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.completed = completed->load();
  return r;
}

Response Body(std::string body, int status = 200) {
  Response r;
  r.status = status;
  r.body = std::move(body);
  return r;
}

// The header lines of a captured request (without the request line), in order.
std::vector<std::string> HeaderLinesOf(const CapturedRequest& req) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < req.headers.size()) {
    size_t end = req.headers.find("\r\n", pos);
    if (end == std::string::npos) end = req.headers.size();
    lines.push_back(req.headers.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

std::string RequestLine(const CapturedRequest& req) {
  return req.raw.substr(0, req.raw.find("\r\n"));
}

// Index of the first line that starts with `prefix` (letter case significant), or -1.
int LineIndex(const std::vector<std::string>& lines, const std::string& prefix) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
  }
  return -1;
}

int LineIndexIgnoreCase(const std::vector<std::string>& lines, const std::string& prefix) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].size() >= prefix.size() &&
        std::equal(prefix.begin(), prefix.end(), lines[i].begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        })) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// A loopback port with nothing listening on it.
int ClosedLoopbackPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

// A loopback listener that never accepts, with its queue filled by connections of its own:
// the kernel drops further connection attempts, so a client hangs while connecting.
class FullListener {
 public:
  FullListener() {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listen_fd_, 0);
    socklen_t len = sizeof addr;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    for (int& fd : fillers_) {
      fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    }
    std::this_thread::sleep_for(milliseconds(100));  // let the queue fill
  }
  ~FullListener() {
    for (int fd : fillers_) ::close(fd);
    ::close(listen_fd_);
  }
  int port() const { return port_; }

 private:
  int listen_fd_ = -1;
  int port_ = 0;
  int fillers_[3] = {-1, -1, -1};
};

// Trusts a CA file for https fetches while in scope.
class TrustedCa {
 public:
  explicit TrustedCa(const std::string& file) { SetFetchCaFileForTesting(file); }
  ~TrustedCa() { SetFetchCaFileForTesting(""); }
};

TEST(FetchPageTest, RequestOnTheWireLineByLine) {
  TestHttpServer server;
  server.Route("/A/b?x=1", Body("<html>ok</html>"));
  // Host written partly in capitals; "localhost" is resolved by the client to loopback.
  const std::string url = "http://LocalHost:" + std::to_string(server.port()) + "/A/b?x=1";
  FetchResult r = Fetch(url);
  EXPECT_EQ(r.body, "<html>ok</html>");
  EXPECT_EQ(r.completed, 1);

  auto reqs = server.Requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(RequestLine(reqs[0]), "GET /A/b?x=1 HTTP/1.1");
  EXPECT_EQ(reqs[0].body, "");
  std::vector<std::string> lines = HeaderLinesOf(reqs[0]);
  const std::string want[] = {
      "Host: localhost:" + std::to_string(server.port()),
      std::string("User-Agent: ") + kAgentText,
      "Accept: */*",
      "Referer: " + url,  // exactly as given, not lower-cased
      "Accept-Language: zh-cn",
  };
  for (const std::string& w : want) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), w), lines.end()) << "missing line: " << w;
  }
  // Our three lines in this order.
  EXPECT_LT(LineIndex(lines, "Accept: "), LineIndex(lines, "Referer: "));
  EXPECT_LT(LineIndex(lines, "Referer: "), LineIndex(lines, "Accept-Language: "));
  // Nothing else but possibly cookies of earlier fetches to this host.
  for (const std::string& line : lines) {
    bool expected = std::find(std::begin(want), std::end(want), line) != std::end(want) ||
                    line.compare(0, 8, "Cookie: ") == 0;
    EXPECT_TRUE(expected) << "unexpected line: " << line;
  }
  EXPECT_EQ(LineIndexIgnoreCase(lines, "Accept-Encoding"), -1);
  EXPECT_EQ(LineIndexIgnoreCase(lines, "Expect"), -1);
}

TEST(FetchPageTest, AddressWithoutTargetOrWithSpacesOrGbkBytes) {
  TestHttpServer server;
  server.SetFallback([](const CapturedRequest& req) { return Body("target " + req.target); });
  const std::string base = "127.0.0.1:" + std::to_string(server.port());
  struct Case {
    std::string url;
    std::string target;
  } cases[] = {
      {"http://" + base, "/"},
      {base + "/no-scheme", "/no-scheme"},
      {"http://" + base + "/a b", "/a%20b"},
      // GBK bytes: percent-encoded in the path, as written in the query.
      {"http://" + base + "/\xD6\xD0\xCE\xC4.html?q=\xB5\xDA b", "/%D6%D0%CE%C4.html?q=\xB5\xDA%20b"},
      {"http://" + base + "/a/../b/./c", "/a/../b/./c"},
  };
  for (const Case& c : cases) {
    server.ClearRequests();
    FetchResult r = Fetch(c.url);
    EXPECT_EQ(r.body, "target " + c.target) << c.url;
    EXPECT_EQ(r.completed, 1) << c.url;
    auto reqs = server.Requests();
    ASSERT_EQ(reqs.size(), 1u) << c.url;
    EXPECT_EQ(RequestLine(reqs[0]), "GET " + c.target + " HTTP/1.1") << c.url;
  }
}

TEST(FetchPageTest, ExtraHeadersComeFirstAndSuppressDefaults) {
  TestHttpServer server;
  server.Route("/", Body("x"));
  const std::string url = server.BaseUrl() + "/";
  struct Case {
    const char* extra;
    std::vector<std::string> want;  // the lines after Host and User-Agent, in order
  } cases[] = {
      {"accept: text/html\r\n",
       {"accept: text/html", "Referer: " + url, "Accept-Language: zh-cn"}},
      {"X-One: 1\r\nAccept-Language: en\r\n",
       {"X-One: 1", "Accept-Language: en", "Accept: */*", "Referer: " + url}},
      {"REFERER: elsewhere\r\n",
       {"REFERER: elsewhere", "Accept: */*", "Accept-Language: zh-cn"}},
  };
  for (const Case& c : cases) {
    server.ClearRequests();
    FetchArgs a;
    a.extra_headers = c.extra;
    FetchResult r = Fetch(url, a);
    EXPECT_EQ(r.completed, 1) << c.extra;
    auto reqs = server.Requests();
    ASSERT_EQ(reqs.size(), 1u) << c.extra;
    std::vector<std::string> lines = HeaderLinesOf(reqs[0]);
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const std::string& l) {
                                 return l.rfind("Host: ", 0) == 0 ||
                                        l.rfind("User-Agent: ", 0) == 0 ||
                                        l.rfind("Cookie: ", 0) == 0;
                               }),
                lines.end());
    EXPECT_EQ(lines, c.want) << c.extra;
  }
}

TEST(FetchPageTest, PostSendsDataWithTypeAndLengthOrNothingWhenEmpty) {
  TestHttpServer server;
  server.SetFallback([](const CapturedRequest& req) { return Body("got [" + req.body + "]"); });
  struct Case {
    const char* method;
    const char* data;
    const char* want_body;
    bool want_type_and_length;
  } cases[] = {
      {"post", "a=1&b=2", "got [a=1&b=2]", true},
      {"POST", "", "got []", false},
      {"Get", "ignored", "got []", false},
  };
  for (const Case& c : cases) {
    server.ClearRequests();
    FetchArgs a;
    a.method = c.method;
    a.post_data = c.data;
    FetchResult r = Fetch(server.BaseUrl() + "/form", a);
    EXPECT_EQ(r.body, c.want_body) << c.method;
    EXPECT_EQ(r.completed, 1) << c.method;
    auto reqs = server.Requests();
    ASSERT_EQ(reqs.size(), 1u) << c.method;
    const bool post = std::string(c.method) != "Get";
    EXPECT_EQ(RequestLine(reqs[0]), std::string(post ? "POST" : "GET") + " /form HTTP/1.1");
    std::vector<std::string> lines = HeaderLinesOf(reqs[0]);
    const int type = LineIndexIgnoreCase(lines, "Content-Type:");
    const int length = LineIndexIgnoreCase(lines, "Content-Length:");
    if (c.want_type_and_length) {
      ASSERT_NE(type, -1) << c.method;
      ASSERT_NE(length, -1) << c.method;
      EXPECT_EQ(lines[type], "Content-Type: application/x-www-form-urlencoded");
      EXPECT_EQ(lines[length], "Content-Length: 7");
      EXPECT_GT(length, LineIndex(lines, "Accept-Language: "));
    } else {
      EXPECT_EQ(type, -1) << c.method;
      EXPECT_EQ(length, -1) << c.method;
    }
    EXPECT_EQ(reqs[0].body, post ? c.data : "") << c.method;
    EXPECT_EQ(LineIndexIgnoreCase(lines, "Expect"), -1) << c.method;
  }
}

TEST(FetchPageTest, RequestsThatCannotBeMadeSendNothing) {
  TestHttpServer server;
  server.Route("/", Body("x"));
  const std::string base = server.BaseUrl();
  struct Case {
    std::string url;
    const char* method;
  } cases[] = {
      {base + "/", "HEAD"},
      {base + "/", "PUT"},
      {base + "/", "GETX"},
      {"", ""},
      {"http://", ""},
      {"http:///x", ""},
  };
  for (const Case& c : cases) {
    FetchArgs a;
    a.method = c.method;
    FetchResult r = Fetch(c.url, a);
    EXPECT_EQ(r.body, "") << c.url << " " << c.method;
    EXPECT_EQ(r.completed, 0) << c.url << " " << c.method;
    EXPECT_EQ(r.headers, "") << c.url << " " << c.method;
  }
  EXPECT_TRUE(server.Requests().empty());
}

TEST(FetchPageTest, ErrorPagesAreReturnedLikeAnyOther) {
  TestHttpServer server;
  struct Case {
    int status;
    const char* body;
    const char* status_line;
  } cases[] = {
      {404, "<title>missing</title>", "HTTP/1.1 404 Not Found\r\n"},
      {500, "<title>broken</title>", "HTTP/1.1 500 Internal Server Error\r\n"},
      {200, "", "HTTP/1.1 200 OK\r\n"},
  };
  for (const Case& c : cases) {
    const std::string target = "/s" + std::to_string(c.status);
    server.Route(target, Body(c.body, c.status));
    FetchResult r = Fetch(server.BaseUrl() + target);
    EXPECT_EQ(r.body, c.body) << c.status;
    EXPECT_EQ(r.completed, 1) << c.status;
    EXPECT_EQ(r.headers.substr(0, std::string(c.status_line).size()), c.status_line);
    EXPECT_NE(r.headers.find("Content-Length: " + std::to_string(std::string(c.body).size()) +
                             "\r\n"),
              std::string::npos);
    ASSERT_GE(r.headers.size(), 4u);
    EXPECT_EQ(r.headers.substr(r.headers.size() - 4), "\r\n\r\n") << c.status;
  }
}

TEST(FetchPageTest, RedirectsAreFollowedToTheFinalBody) {
  TestHttpServer server;
  TestHttpServer tls_server(true);
  TrustedCa ca(tls_server.CaFile());
  server.Route("/final", Body("final page"));
  tls_server.Route("/secure-final", Body("secure final page"));
  struct Case {
    int status;
    std::string location;
    const char* want;
  } cases[] = {
      {301, "/final", "final page"},
      {302, server.BaseUrl() + "/final", "final page"},
      {302, tls_server.BaseUrl() + "/secure-final", "secure final page"},
  };
  for (const Case& c : cases) {
    Response redirect = Body("moved", c.status);
    redirect.headers = {{"Location", c.location}};
    server.Route("/from", redirect);
    FetchResult r = Fetch(server.BaseUrl() + "/from");
    EXPECT_EQ(r.body, c.want) << c.status << " " << c.location;
    EXPECT_EQ(r.completed, 1) << c.location;
    // The header block is that of the final response only.
    EXPECT_EQ(r.headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << r.headers;
    EXPECT_EQ(r.headers.find("Location:"), std::string::npos) << r.headers;
  }
}

TEST(FetchPageTest, CookiesSetByOneFetchAreSentByLaterFetchesOnOtherThreads) {
  TestHttpServer server;
  Response set = Body("set");
  set.headers = {{"Set-Cookie", "tvsess=abc; path=/"}, {"Set-Cookie", "tvother=xyz"}};
  server.Route("/set", set);
  Response del = Body("deleted");
  del.headers = {{"Set-Cookie", "tvsess=; Max-Age=0; path=/"}};
  server.Route("/delete", del);
  server.SetFallback([](const CapturedRequest&) { return Body("page"); });

  auto fetch_on_new_thread = [](const std::string& url) {
    FetchResult r;
    std::thread t([&] { r = Fetch(url); });
    t.join();
    return r;
  };
  auto cookie_line = [&server](const std::string& target) {
    for (const CapturedRequest& req : server.Requests()) {
      if (req.target != target) continue;
      std::vector<std::string> lines = HeaderLinesOf(req);
      int i = LineIndex(lines, "Cookie: ");
      return i == -1 ? std::string() : lines[i];
    }
    return std::string("(no request)");
  };
  auto count = [](const std::string& s, const std::string& what) {
    size_t n = 0;
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
    return n;
  };

  EXPECT_EQ(fetch_on_new_thread(server.BaseUrl() + "/set").body, "set");
  EXPECT_EQ(fetch_on_new_thread(server.BaseUrl() + "/check").body, "page");
  const std::string sent = cookie_line("/check");
  EXPECT_EQ(count(sent, "tvsess=abc"), 1u) << sent;
  EXPECT_EQ(count(sent, "tvother=xyz"), 1u) << sent;

  // A cookie the server deletes stays deleted: the cookie pass does not bring it back.
  EXPECT_EQ(fetch_on_new_thread(server.BaseUrl() + "/delete").body, "deleted");
  EXPECT_EQ(fetch_on_new_thread(server.BaseUrl() + "/check-after").body, "page");
  const std::string after = cookie_line("/check-after");
  EXPECT_EQ(count(after, "tvsess"), 0u) << after;
  EXPECT_EQ(count(after, "tvother=xyz"), 1u) << after;
}

TEST(FetchPageTest, SlowBodyWithinTheLimitIsReadToItsEnd) {
  TestHttpServer server;
  struct Case {
    const char* name;
    int timeout_seconds;
    std::vector<std::string> pieces;
    int delay_ms;
  } cases[] = {
      // Each piece within 1 s of the one before; about 2.8 s in all.
      {"1 s limit", 1, {"<html>", "one ", "two ", "three ", "four", "</html>"}, 700},
      // 0 stands for 10 s: a pause of 1.2 s is well within it.
      {"0 means 10 s", 0, {"first ", "second"}, 1200},
  };
  for (const Case& c : cases) {
    Response slow;
    slow.pieces = c.pieces;
    slow.piece_delay = milliseconds(c.delay_ms);
    server.Route("/slow", slow);
    FetchArgs a;
    a.timeout_seconds = c.timeout_seconds;
    FetchResult r = Fetch(server.BaseUrl() + "/slow", a);
    std::string whole;
    for (const std::string& p : c.pieces) whole += p;
    EXPECT_EQ(r.body, whole) << c.name;
    EXPECT_EQ(r.completed, 1) << c.name;
  }
}

TEST(FetchPageTest, SilenceLongerThanTheLimitEndsTheFetchWithWhatArrived) {
  TestHttpServer server;
  Response stall = Body("0123456789");
  stall.stall_after = 4;
  stall.stall_for = std::chrono::seconds(5);
  server.Route("/stall", stall);
  Response silent;
  silent.never_answer = true;
  server.Route("/silent", silent);
  struct Case {
    const char* target;
    int timeout_seconds;
    const char* want_body;
    double min_seconds;
    double max_seconds;
  } cases[] = {
      {"/stall", 1, "0123", 0.9, 2.5},
      {"/silent", 1, "", 0.9, 2.5},
      // A negative limit lies in the past: the first poll ends the wait.
      {"/silent", -1, "", 0.0, 1.0},
  };
  for (const Case& c : cases) {
    FetchArgs a;
    a.timeout_seconds = c.timeout_seconds;
    FetchResult r = Fetch(server.BaseUrl() + c.target, a);
    EXPECT_EQ(r.body, c.want_body) << c.target << " " << c.timeout_seconds;
    EXPECT_EQ(r.completed, 0) << c.target << " " << c.timeout_seconds;
    EXPECT_EQ(r.headers, "") << c.target;
    EXPECT_GE(r.seconds, c.min_seconds) << c.target << " " << c.timeout_seconds;
    EXPECT_LE(r.seconds, c.max_seconds) << c.target << " " << c.timeout_seconds;
  }
}

TEST(FetchPageTest, SilenceWhileConnectingEndsAtTheLimitToo) {
  FullListener listener;
  FetchArgs a;
  a.timeout_seconds = 1;
  FetchResult r = Fetch("http://127.0.0.1:" + std::to_string(listener.port()) + "/", a);
  EXPECT_EQ(r.body, "");
  EXPECT_EQ(r.completed, 0);
  EXPECT_GE(r.seconds, 0.9);
  EXPECT_LE(r.seconds, 2.5) << "ended by the limit, not by the client's connect time-out";
}

TEST(FetchPageTest, RefusedOrResetConnectionGivesWhatArrivedAsCompleted) {
  TestHttpServer server;
  Response reset;
  reset.reset = true;
  server.Route("/reset", reset);
  // Content-Length promises 10 bytes; the server closes after 4.
  Response cut = Body("0123456789");
  cut.stall_after = 4;
  server.Route("/cut", cut);
  struct Case {
    std::string url;
    const char* want_body;
    bool want_headers;
  } cases[] = {
      {"http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/", "", false},
      {server.BaseUrl() + "/reset", "", false},
      {server.BaseUrl() + "/cut", "0123", true},
  };
  for (const Case& c : cases) {
    FetchArgs a;
    a.timeout_seconds = 5;
    FetchResult r = Fetch(c.url, a);
    EXPECT_EQ(r.body, c.want_body) << c.url;
    EXPECT_EQ(r.completed, 1) << c.url;
    EXPECT_EQ(r.headers.rfind("HTTP/1.1 200 OK\r\n", 0) == 0, c.want_headers) << c.url;
    EXPECT_LT(r.seconds, 4.0) << c.url << ": reported by the client, not by the limit";
  }
}

TEST(FetchPageTest, ConnectionsAreReusedButNeverAfterAnAbort) {
  TestHttpServer server;
  server.Route("/ok", Body("ok"));
  Response stall = Body("0123456789");
  stall.stall_after = 4;
  stall.stall_for = std::chrono::seconds(5);
  server.Route("/stall", stall);
  FetchArgs quick;
  quick.timeout_seconds = 1;

  EXPECT_EQ(Fetch(server.BaseUrl() + "/ok").body, "ok");
  EXPECT_EQ(Fetch(server.BaseUrl() + "/ok").body, "ok");
  FetchResult aborted = Fetch(server.BaseUrl() + "/stall", quick);
  EXPECT_EQ(aborted.completed, 0);
  FetchResult after = Fetch(server.BaseUrl() + "/ok");
  EXPECT_EQ(after.body, "ok");
  EXPECT_EQ(after.completed, 1);

  auto reqs = server.Requests();
  ASSERT_EQ(reqs.size(), 4u);
  EXPECT_EQ(reqs[1].connection, reqs[0].connection) << "kept alive between fetches";
  EXPECT_EQ(reqs[2].connection, reqs[0].connection);
  EXPECT_NE(reqs[3].connection, reqs[2].connection) << "the aborted connection is closed";
}

TEST(FetchPageTest, ManyThreadsFetchAtOnce) {
  TestHttpServer server;
  server.SetFallback([](const CapturedRequest& req) {
    Response r = Body("page " + req.target);
    r.headers = {{"Set-Cookie", "tvmany" + req.target.substr(1) + "=1"}};
    return r;
  });
  constexpr int kThreads = 8;
  constexpr int kFetches = 10;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kFetches; ++i) {
        const std::string target = "/t" + std::to_string(t) + "-" + std::to_string(i);
        FetchResult r = Fetch(server.BaseUrl() + target);
        if (r.body != "page " + target || r.completed != 1) ++wrong;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(server.Requests().size(), static_cast<size_t>(kThreads * kFetches));
}

TEST(FetchPageTest, CompletedOrCancelAbortsTheFetch) {
  TestHttpServer server;
  Response silent;
  silent.never_answer = true;
  server.Route("/silent", silent);

  // Already set on entry: nothing is sent.
  {
    std::atomic<int> completed{1};
    FetchArgs a;
    a.completed = &completed;
    FetchResult r = Fetch(server.BaseUrl() + "/silent", a);
    EXPECT_EQ(r.body, "");
    EXPECT_EQ(r.completed, 0);
    EXPECT_TRUE(server.Requests().empty());
  }
  // Set by another thread during a fetch that would otherwise wait 10 s.
  struct Case {
    const char* name;
    bool use_cancel;
  } cases[] = {{"Completed", false}, {"Cancel", true}};
  for (const Case& c : cases) {
    std::atomic<int> completed{0};
    std::atomic<bool> cancel{false};
    FetchArgs a;
    a.completed = &completed;
    a.cancel = &cancel;
    std::thread stopper([&] {
      std::this_thread::sleep_for(milliseconds(300));
      if (c.use_cancel) {
        cancel = true;
      } else {
        completed = 1;
      }
    });
    FetchResult r = Fetch(server.BaseUrl() + "/silent", a);
    stopper.join();
    EXPECT_EQ(r.body, "") << c.name;
    EXPECT_EQ(r.completed, 0) << c.name;
    EXPECT_GE(r.seconds, 0.25) << c.name;
    EXPECT_LT(r.seconds, 3.0) << c.name;
  }
}

TEST(FetchPageTest, HttpsIsVerifiedAgainstTheTrustedCertificates) {
  TestHttpServer tls_server(true);
  tls_server.Route("/s", Body("secret page"));
  const std::string url = tls_server.BaseUrl() + "/s";
  {
    // The self-signed certificate is not trusted: no response.
    FetchResult r = Fetch(url);
    EXPECT_EQ(r.body, "");
    EXPECT_EQ(r.completed, 1) << "a failed handshake counts as a request without response";
    EXPECT_EQ(r.headers, "");
    EXPECT_TRUE(tls_server.Requests().empty());
  }
  {
    TrustedCa ca(tls_server.CaFile());
    FetchResult r = Fetch(url);
    EXPECT_EQ(r.body, "secret page");
    EXPECT_EQ(r.completed, 1);
    EXPECT_EQ(r.headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    ASSERT_EQ(tls_server.Requests().size(), 1u);
    EXPECT_EQ(RequestLine(tls_server.Requests()[0]), "GET /s HTTP/1.1");
  }
  {
    // Another server's certificate does not vouch for this one.
    TestHttpServer other(true);
    TrustedCa ca(other.CaFile());
    tls_server.ClearRequests();
    FetchResult r = Fetch(url);
    EXPECT_EQ(r.body, "");
    EXPECT_TRUE(tls_server.Requests().empty());
  }
}

TEST(FetchPageTest, ProxyIsUsedForHttpWhenGiven) {
  TestHttpServer proxy;
  proxy.SetFallback([](const CapturedRequest& req) { return Body("via proxy " + req.target); });
  TestHttpServer direct;
  direct.Route("/d", Body("direct"));
  {
    FetchArgs a;
    a.proxy = " 127.0.0.1:" + std::to_string(proxy.port()) + " ";
    // The client hands the name to the proxy and never looks it up itself.
    FetchResult r = Fetch("http://proxied.localhost/x", a);
    EXPECT_EQ(r.body, "via proxy http://proxied.localhost/x");
    EXPECT_EQ(r.completed, 1);
  }
  {
    FetchArgs a;
    a.proxy = "   ";  // only spaces: a direct connection
    FetchResult r = Fetch(direct.BaseUrl() + "/d", a);
    EXPECT_EQ(r.body, "direct");
  }
  EXPECT_EQ(proxy.Requests().size(), 1u);
}

TEST(FetchPageTest, BodyBeyondTheCapIsCut) {
  TestHttpServer server;
  std::string big(kMaxBodyBytes + 100000, 'a');
  for (size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>('0' + (i / 4096) % 10);
  server.Route("/big", Body(big));
  FetchResult r = Fetch(server.BaseUrl() + "/big");
  EXPECT_EQ(r.completed, 0);
  ASSERT_EQ(r.body.size(), kMaxBodyBytes);
  EXPECT_TRUE(r.body == std::string_view(big).substr(0, kMaxBodyBytes));
}

}  // namespace
}  // namespace tovren

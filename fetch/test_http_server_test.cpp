// Checks of the loopback test server itself, over raw sockets, so that fetch and crawler
// tests can rely on it: keep-alive, capture, pieces, reset, and a destruction that does not
// hang on a connection that is never answered.
#include "tests/support/test_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace tovren::testing {
namespace {

// A client socket connected to 127.0.0.1:port; closed at scope end.
class RawClient {
 public:
  explicit RawClient(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    timeval tv{5, 0};  // a broken server fails the test instead of hanging it
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  }
  ~RawClient() { ::close(fd_); }
  bool connected() const { return connected_; }
  void Send(const std::string& s) { ASSERT_EQ(::send(fd_, s.data(), s.size(), MSG_NOSIGNAL), static_cast<ssize_t>(s.size())); }
  // Reads until `n` bytes are there, the peer closes, or an error; errno_out gets the error.
  std::string ReadUpTo(size_t n, int* errno_out = nullptr) {
    std::string out;
    char buf[4096];
    while (out.size() < n) {
      ssize_t got = ::recv(fd_, buf, std::min(sizeof buf, n - out.size()), 0);
      if (got <= 0) {
        if (errno_out) *errno_out = got < 0 ? errno : 0;
        break;
      }
      out.append(buf, static_cast<size_t>(got));
    }
    return out;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

std::string Expected(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(TestHttpServerTest, KeepAliveServesSeveralRequestsAndCapturesThem) {
  TestHttpServer server;
  Response a;
  a.body = "first";
  server.Route("/a", a);
  Response b;
  b.body = "second!";
  b.headers = {{"Set-Cookie", "k=v; path=/"}};
  server.Route("/b?x=1", b);

  RawClient c(server.port());
  ASSERT_TRUE(c.connected());
  c.Send("GET /a HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_EQ(c.ReadUpTo(Expected("first").size()), Expected("first"));
  c.Send("POST /b?x=1 HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc");
  std::string want = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 7\r\n"
                     "Set-Cookie: k=v; path=/\r\n\r\nsecond!";
  EXPECT_EQ(c.ReadUpTo(want.size()), want);

  auto reqs = server.Requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[0].method, "GET");
  EXPECT_EQ(reqs[0].target, "/a");
  EXPECT_EQ(reqs[0].raw, "GET /a HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_EQ(reqs[1].method, "POST");
  EXPECT_EQ(reqs[1].target, "/b?x=1");
  EXPECT_EQ(reqs[1].headers, "Host: x\r\nContent-Length: 3");
  EXPECT_EQ(reqs[1].body, "abc");
  EXPECT_EQ(reqs[0].connection, 1);
  EXPECT_EQ(reqs[1].connection, 1);
  {
    RawClient other(server.port());
    other.Send("GET /a HTTP/1.1\r\n\r\n");
    EXPECT_EQ(other.ReadUpTo(Expected("first").size()), Expected("first"));
  }
  ASSERT_EQ(server.Requests().size(), 3u);
  EXPECT_EQ(server.Requests()[2].connection, 2);
  server.ClearRequests();
  EXPECT_TRUE(server.Requests().empty());
}

TEST(TestHttpServerTest, UnroutedTargetGets404AndFallbackReplacesIt) {
  TestHttpServer server;
  {
    RawClient c(server.port());
    c.Send("GET /none HTTP/1.1\r\n\r\n");
    EXPECT_EQ(c.ReadUpTo(12), "HTTP/1.1 404");
  }
  server.SetFallback([](const CapturedRequest& r) {
    Response resp;
    resp.body = "echo " + r.target;
    return resp;
  });
  RawClient c(server.port());
  c.Send("GET /zz HTTP/1.1\r\n\r\n");
  EXPECT_EQ(c.ReadUpTo(Expected("echo /zz").size()), Expected("echo /zz"));
}

TEST(TestHttpServerTest, PiecesArriveWholeAndStallStopsMidBody) {
  TestHttpServer server;
  Response slow;
  slow.pieces = {"ab", "cd", "ef"};
  slow.piece_delay = std::chrono::milliseconds(30);
  server.Route("/slow", slow);
  Response stall;
  stall.body = "0123456789";
  stall.stall_after = 4;
  stall.stall_for = std::chrono::milliseconds(300);
  server.Route("/stall", stall);

  RawClient c(server.port());
  c.Send("GET /slow HTTP/1.1\r\n\r\n");
  EXPECT_EQ(c.ReadUpTo(Expected("abcdef").size()), Expected("abcdef"));

  RawClient d(server.port());
  d.Send("GET /stall HTTP/1.1\r\n\r\n");
  // Content-Length promises 10 bytes; only 4 come before the server closes.
  std::string got = d.ReadUpTo(1000);
  std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 10\r\n\r\n";
  EXPECT_EQ(got, head + "0123");
}

TEST(TestHttpServerTest, ResetEndsTheConnectionWithAnError) {
  TestHttpServer server;
  Response r;
  r.reset = true;
  server.Route("/reset", r);
  RawClient c(server.port());
  c.Send("GET /reset HTTP/1.1\r\n\r\n");
  int err = -1;
  EXPECT_EQ(c.ReadUpTo(100, &err), "");
  EXPECT_EQ(err, ECONNRESET);
}

TEST(TestHttpServerTest, DestructionDoesNotWaitForNeverAnsweredOrStalledConnections) {
  auto start = std::chrono::steady_clock::now();
  {
    TestHttpServer server;
    Response silent;
    silent.never_answer = true;
    server.Route("/silent", silent);
    Response stall;
    stall.body = "xxxx";
    stall.stall_after = 1;
    stall.stall_for = std::chrono::hours(1);
    server.Route("/stall", stall);
    RawClient a(server.port());
    a.Send("GET /silent HTTP/1.1\r\n\r\n");
    RawClient b(server.port());
    b.Send("GET /stall HTTP/1.1\r\n\r\n");
    RawClient idle(server.port());  // open, nothing sent
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(server.Requests().size(), 2u);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(TestHttpServerTest, TlsModeWritesACertificateAndAnHttpsBaseUrl) {
  std::string ca;
  {
    TestHttpServer server(true);
    EXPECT_EQ(server.BaseUrl(), "https://localhost:" + std::to_string(server.port()));
    ca = server.CaFile();
    ASSERT_FALSE(ca.empty());
    FILE* f = std::fopen(ca.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char line[64] = {};
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    std::fclose(f);
    EXPECT_EQ(std::string(line), "-----BEGIN CERTIFICATE-----\n");
  }
  EXPECT_EQ(std::fopen(ca.c_str(), "rb"), nullptr) << "the certificate folder is removed";
}

}  // namespace
}  // namespace tovren::testing

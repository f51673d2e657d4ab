// TestHttpServer: a small scriptable HTTP/1.1 server on 127.0.0.1 for the tests.
// It listens on an ephemeral port from construction until destruction (which stops and joins
// its threads). Routes and captures are thread-safe.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tovren::testing {

// One request as received.
struct CapturedRequest {
  std::string raw;      // request line, header lines and body, bytes exactly as received
  std::string method;   // e.g. "GET"
  std::string target;   // e.g. "/a/b?x=1"
  std::string headers;  // the header block after the request line, "\r\n"-separated
  std::string body;
  int connection = 0;   // which connection it came on: 1 for the server's first, and so on
};

// What the server does with a request for a route.
struct Response {
  int status = 200;
  // Extra header lines, written in order (e.g. {"Set-Cookie", "a=1; path=/"}).
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // When not empty, the body is sent as these pieces, one after another with `piece_delay`
  // before each piece after the first (a slow page). Content-Length covers all pieces.
  std::vector<std::string> pieces;
  std::chrono::milliseconds piece_delay{0};
  // After sending `stall_after` body bytes, stop sending and keep the connection open for
  // `stall_for` (silence in the middle of a body); then close.
  long stall_after = -1;
  std::chrono::milliseconds stall_for{0};
  bool reset = false;         // reset the connection instead of answering
  bool never_answer = false;  // read the request and stay silent until the server stops
};

class TestHttpServer {
 public:
  // tls: serve HTTPS with a self-signed certificate for "localhost"/127.0.0.1
  // (CaFile() names the certificate, for a client that trusts it).
  explicit TestHttpServer(bool tls = false);
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  int port() const;
  // "http://127.0.0.1:PORT" (or "https://localhost:PORT" with tls).
  std::string BaseUrl() const;
  std::string CaFile() const;

  // Answer requests whose target (path and query) equals `target`.
  void Route(const std::string& target, Response response);
  // Answer every request without a route (default: 404 with a short body).
  void SetFallback(std::function<Response(const CapturedRequest&)> fallback);
  // Every request received so far, in arrival order.
  std::vector<CapturedRequest> Requests() const;
  void ClearRequests();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tovren::testing

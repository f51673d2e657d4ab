// TestHttpServer: plain POSIX sockets on 127.0.0.1, one accept thread and one thread per
// connection, all owned and joined at destruction. Optional TLS through OpenSSL with a
// self-signed certificate made at start-up.
#include "tests/support/test_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/ssl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "tests/support/tls_test_cert.h"

namespace tovren::testing {
namespace {

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) return false;
  }
  return true;
}

// Value of the first header line named `name` (any case) in a "\r\n"-separated block,
// leading spaces removed; `found` tells whether there was one.
std::string HeaderValue(const std::string& headers, std::string_view name, bool* found) {
  *found = false;
  size_t pos = 0;
  while (pos < headers.size()) {
    size_t end = headers.find("\r\n", pos);
    if (end == std::string::npos) end = headers.size();
    std::string_view line(headers.data() + pos, end - pos);
    size_t colon = line.find(':');
    if (colon != std::string_view::npos && EqualsIgnoreCase(line.substr(0, colon), name)) {
      std::string_view value = line.substr(colon + 1);
      while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove_prefix(1);
      }
      *found = true;
      return std::string(value);
    }
    pos = end + 2;
  }
  return {};
}

struct SslCtxFree {
  void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
struct SslFree {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};

}  // namespace

// One accepted connection: the socket and, in TLS mode, its SSL object. The socket is
// registered with the server so that destruction can shut it down and wake a blocked read.
class Connection {
 public:
  Connection(int fd, SSL_CTX* ctx) : fd_(fd) {
    if (ctx != nullptr) {
      ssl_.reset(SSL_new(ctx));
      if (ssl_) SSL_set_fd(ssl_.get(), fd_);
    }
  }
  ~Connection() { Close(); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  int fd() const { return fd_; }

  // TLS handshake (nothing to do for plain HTTP); false when it fails.
  bool Handshake() {
    if (!ssl_) return true;
    return SSL_accept(ssl_.get()) == 1;
  }

  // Reads some bytes; 0 at the end of the stream or on any failure.
  size_t Read(char* buf, size_t size) {
    if (ssl_) {
      int n = SSL_read(ssl_.get(), buf, static_cast<int>(size));
      return n > 0 ? static_cast<size_t>(n) : 0;
    }
    for (;;) {
      ssize_t n = ::recv(fd_, buf, size, 0);
      if (n < 0 && errno == EINTR) continue;
      return n > 0 ? static_cast<size_t>(n) : 0;
    }
  }

  // Writes all bytes; false on failure.
  bool WriteAll(std::string_view data) {
    while (!data.empty()) {
      if (ssl_) {
        int n = SSL_write(ssl_.get(), data.data(), static_cast<int>(data.size()));
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
      } else {
        ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
      }
    }
    return true;
  }

  // Closes so that the peer sees a reset (RST) instead of an orderly end.
  void Reset() {
    if (fd_ < 0) return;
    linger lin{};
    lin.l_onoff = 1;
    lin.l_linger = 0;
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &lin, sizeof lin);
    ssl_.reset();  // no close_notify: the point is an abrupt end
    ::close(fd_);
    fd_ = -1;
  }

  void Close() {
    if (fd_ < 0) return;
    if (ssl_) SSL_shutdown(ssl_.get());
    ssl_.reset();
    ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
  std::unique_ptr<SSL, SslFree> ssl_;
};

struct TestHttpServer::Impl {
  bool tls = false;
  int listen_fd = -1;
  int wake_pipe[2] = {-1, -1};  // written at stop so that the accept thread's poll returns
  int port = 0;
  std::unique_ptr<SSL_CTX, SslCtxFree> ssl_ctx;
  std::filesystem::path cert_dir;
  std::string ca_file;

  std::atomic<bool> stopping{false};

  mutable std::mutex mu;
  std::condition_variable stop_cv;                            // waits that end at stop
  std::map<std::string, Response> routes;                     // guarded by mu
  std::function<Response(const CapturedRequest&)> fallback;   // guarded by mu
  std::vector<CapturedRequest> requests;                      // guarded by mu
  std::vector<int> open_fds;                                  // guarded by mu
  int connections = 0;  // connections accepted so far; touched by the accept thread only

  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::list<Worker> workers;  // touched by the accept thread and, after it ended, the destructor
  std::thread accept_thread;

  void Start();
  void Stop();
  void AcceptLoop();
  void ReapFinishedWorkers();
  void Serve(int fd, int number);
  bool ReadRequest(Connection& conn, std::string& pending, CapturedRequest* out);
  Response Lookup(const CapturedRequest& request);
  // Sleeps up to `d`; false when the server began stopping meanwhile.
  bool SleepUnlessStopping(std::chrono::milliseconds d);
  bool Answer(Connection& conn, const CapturedRequest& request, const Response& response);
};

bool TestHttpServer::Impl::SleepUnlessStopping(std::chrono::milliseconds d) {
  std::unique_lock lock(mu);
  return !stop_cv.wait_for(lock, d, [this] { return stopping.load(); });
}

void TestHttpServer::Impl::Start() {
  if (tls) {
    TlsTestCertificate cert = MakeTlsTestCertificate();
    cert_dir = cert.dir;
    ca_file = cert.cert_file;
    ssl_ctx.reset(SSL_CTX_new(TLS_server_method()));
    if (!ssl_ctx ||
        SSL_CTX_use_certificate_file(ssl_ctx.get(), cert.cert_file.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(ssl_ctx.get(), cert.key_file.c_str(), SSL_FILETYPE_PEM) != 1) {
      throw std::runtime_error("test server: cannot load the TLS certificate");
    }
  }
  listen_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd < 0) throw std::runtime_error("test server: socket failed");
  int one = 1;
  ::setsockopt(listen_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (::bind(listen_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listen_fd, 64) != 0) {
    ::close(listen_fd);
    throw std::runtime_error("test server: bind/listen on 127.0.0.1 failed");
  }
  socklen_t len = sizeof addr;
  ::getsockname(listen_fd, reinterpret_cast<sockaddr*>(&addr), &len);
  port = ntohs(addr.sin_port);
  if (::pipe2(wake_pipe, O_CLOEXEC) != 0) {
    ::close(listen_fd);
    throw std::runtime_error("test server: pipe failed");
  }
  accept_thread = std::thread([this] { AcceptLoop(); });
}

void TestHttpServer::Impl::Stop() {
  {
    std::scoped_lock lock(mu);
    stopping = true;
    // Wake every connection thread that waits in a read or a send.
    for (int fd : open_fds) ::shutdown(fd, SHUT_RDWR);
  }
  stop_cv.notify_all();
  if (wake_pipe[1] >= 0) {
    char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_pipe[1], &byte, 1);
  }
  if (accept_thread.joinable()) accept_thread.join();
  for (Worker& w : workers) {
    if (w.thread.joinable()) w.thread.join();
  }
  workers.clear();
  for (int& fd : {std::ref(listen_fd), std::ref(wake_pipe[0]), std::ref(wake_pipe[1])}) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  if (!cert_dir.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(cert_dir, ec);
  }
}

void TestHttpServer::Impl::ReapFinishedWorkers() {
  for (auto it = workers.begin(); it != workers.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = workers.erase(it);
    } else {
      ++it;
    }
  }
}

void TestHttpServer::Impl::AcceptLoop() {
  while (!stopping) {
    pollfd p[2] = {{listen_fd, POLLIN, 0}, {wake_pipe[0], POLLIN, 0}};
    // The timeout only paces the reaping of finished connection threads.
    int ready = ::poll(p, 2, 200);
    ReapFinishedWorkers();
    if (ready <= 0 || (p[0].revents & POLLIN) == 0) continue;
    int fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    {
      std::scoped_lock lock(mu);
      if (stopping) {
        ::close(fd);
        break;
      }
      open_fds.push_back(fd);
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    const int number = ++connections;
    workers.push_back(Worker{std::thread([this, fd, number, done] {
                               // OpenSSL writes without MSG_NOSIGNAL: a client that hangs
                               // up must give this thread EPIPE, not end the process.
                               sigset_t pipe_only;
                               sigemptyset(&pipe_only);
                               sigaddset(&pipe_only, SIGPIPE);
                               pthread_sigmask(SIG_BLOCK, &pipe_only, nullptr);
                               Serve(fd, number);
                               done->store(true);
                             }),
                             done});
  }
}

bool TestHttpServer::Impl::ReadRequest(Connection& conn, std::string& pending,
                                       CapturedRequest* out) {
  char buf[16384];
  size_t head_end;
  while ((head_end = pending.find("\r\n\r\n")) == std::string::npos) {
    size_t n = conn.Read(buf, sizeof buf);
    if (n == 0) return false;
    pending.append(buf, n);
  }
  std::string head = pending.substr(0, head_end);
  size_t line_end = head.find("\r\n");
  std::string request_line = head.substr(0, line_end);
  out->headers = line_end == std::string::npos ? std::string() : head.substr(line_end + 2);
  size_t sp1 = request_line.find(' ');
  size_t sp2 = request_line.find(' ', sp1 == std::string::npos ? 0 : sp1 + 1);
  if (sp1 == std::string::npos || sp2 == std::string::npos) return false;
  out->method = request_line.substr(0, sp1);
  out->target = request_line.substr(sp1 + 1, sp2 - sp1 - 1);

  bool has_length = false;
  std::string length_text = HeaderValue(out->headers, "Content-Length", &has_length);
  size_t body_length = has_length ? std::strtoul(length_text.c_str(), nullptr, 10) : 0;
  size_t total = head_end + 4 + body_length;
  while (pending.size() < total) {
    size_t n = conn.Read(buf, sizeof buf);
    if (n == 0) return false;
    pending.append(buf, n);
  }
  out->raw = pending.substr(0, total);
  out->body = pending.substr(head_end + 4, body_length);
  pending.erase(0, total);
  return true;
}

Response TestHttpServer::Impl::Lookup(const CapturedRequest& request) {
  std::function<Response(const CapturedRequest&)> fb;
  {
    std::scoped_lock lock(mu);
    requests.push_back(request);
    auto it = routes.find(request.target);
    if (it != routes.end()) return it->second;
    fb = fallback;
  }
  if (fb) return fb(request);  // called without the lock: it may use the server itself
  Response r;
  r.status = 404;
  r.body = "<html><head><title>404</title></head><body>not found</body></html>";
  return r;
}

bool TestHttpServer::Impl::Answer(Connection& conn, const CapturedRequest& request,
                                  const Response& response) {
  std::string body = response.body;
  if (!response.pieces.empty()) {
    body.clear();
    for (const std::string& p : response.pieces) body += p;
  }
  std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " +
                     ReasonPhrase(response.status) + "\r\n";
  bool has_type = false;
  for (const auto& [name, value] : response.headers) {
    if (EqualsIgnoreCase(name, "Content-Type")) has_type = true;
  }
  if (!has_type) head += "Content-Type: text/html\r\n";
  head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
  head += "\r\n";

  bool head_only = request.method == "HEAD";
  if (response.stall_after >= 0) {
    size_t first = std::min(body.size(), static_cast<size_t>(response.stall_after));
    if (!conn.WriteAll(head + (head_only ? std::string() : body.substr(0, first)))) return false;
    SleepUnlessStopping(response.stall_for);
    return false;  // the body is never finished: close the connection
  }
  if (head_only) return conn.WriteAll(head);
  if (response.pieces.empty()) return conn.WriteAll(head + body);
  if (!conn.WriteAll(head)) return false;
  for (size_t i = 0; i < response.pieces.size(); ++i) {
    if (i > 0 && !SleepUnlessStopping(response.piece_delay)) return false;
    if (!conn.WriteAll(response.pieces[i])) return false;
  }
  return true;
}

void TestHttpServer::Impl::Serve(int fd, int number) {
  Connection conn(fd, ssl_ctx.get());
  auto unregister = [this, fd] {
    std::scoped_lock lock(mu);
    open_fds.erase(std::remove(open_fds.begin(), open_fds.end(), fd), open_fds.end());
  };
  if (!conn.Handshake()) {
    unregister();  // before the close, so that Stop never shuts down a reused number
    return;
  }
  std::string pending;
  bool reset = false;
  for (;;) {
    CapturedRequest request;
    if (!ReadRequest(conn, pending, &request)) break;
    request.connection = number;
    Response response = Lookup(request);
    if (response.reset) {
      reset = true;
      break;
    }
    if (response.never_answer) {
      SleepUnlessStopping(std::chrono::hours(24));
      break;
    }
    if (!Answer(conn, request, response)) break;
    bool has_close = false;
    std::string connection = HeaderValue(request.headers, "Connection", &has_close);
    if (has_close && EqualsIgnoreCase(connection, "close")) break;
  }
  unregister();
  if (reset) {
    conn.Reset();
  } else {
    conn.Close();
  }
}

TestHttpServer::TestHttpServer(bool tls) : impl_(std::make_unique<Impl>()) {
  impl_->tls = tls;
  impl_->Start();
}

TestHttpServer::~TestHttpServer() { impl_->Stop(); }

int TestHttpServer::port() const { return impl_->port; }

std::string TestHttpServer::BaseUrl() const {
  return std::string(impl_->tls ? "https://localhost:" : "http://127.0.0.1:") +
         std::to_string(impl_->port);
}

std::string TestHttpServer::CaFile() const { return impl_->ca_file; }

void TestHttpServer::Route(const std::string& target, Response response) {
  std::scoped_lock lock(impl_->mu);
  impl_->routes[target] = std::move(response);
}

void TestHttpServer::SetFallback(std::function<Response(const CapturedRequest&)> fallback) {
  std::scoped_lock lock(impl_->mu);
  impl_->fallback = std::move(fallback);
}

std::vector<CapturedRequest> TestHttpServer::Requests() const {
  std::scoped_lock lock(impl_->mu);
  return impl_->requests;
}

void TestHttpServer::ClearRequests() {
  std::scoped_lock lock(impl_->mu);
  impl_->requests.clear();
}

}  // namespace tovren::testing

// FetchPage over libcurl's multi interface, run on the caller's thread.
//
// One transfer at a time per thread: a thread_local multi handle is reused from fetch to
// fetch (its connection cache keeps connections to a host open between fetches), and every
// thread shares one cookie store, DNS cache and TLS session cache through the process share
// handle.
// The loop polls every 50 ms; after each poll it checks the inactivity deadline, which every
// arriving piece of the response moves forward, and the caller's Completed and Cancel flags.
// An abort removes the easy handle from the multi handle, which closes the connection.
#include "fetch/page_fetcher.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <new>

#include "fetch/cookie_pass.h"
#include "fetch/curl_handles.h"
#include "fetch/request_headers.h"
#include "fetch/url_split.h"

namespace tovren {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 50;
constexpr long kMaxRedirects = 20;

std::mutex g_ca_mutex;
std::string g_ca_file;  // guarded by g_ca_mutex; empty: libcurl's default bundle

std::string CaFileForTesting() {
  std::scoped_lock lock(g_ca_mutex);
  return g_ca_file;
}

// What the callbacks of one transfer write. Lives on FetchPage's stack for the transfer.
struct Transfer {
  Bytes body;
  Bytes headers;  // the header block of the latest response seen
  int timeout_ms = 0;
  Clock::time_point deadline;
  bool stopped = false;  // reading stopped early: the body reached kMaxBodyBytes (or no memory)

  void MoveDeadline() { deadline = Clock::now() + std::chrono::milliseconds(timeout_ms); }
};

// The callbacks return a count short of `n` to make libcurl end the transfer; no exception
// may leave them, since they are called from C.
size_t OnBody(char* data, size_t size, size_t count, void* user) {
  Transfer& t = *static_cast<Transfer*>(user);
  const size_t n = size * count;
  t.MoveDeadline();
  const size_t room = kMaxBodyBytes - std::min(kMaxBodyBytes, t.body.size());
  try {
    if (n > room) {
      t.body.append(data, room);  // keep what fits
      t.stopped = true;
      return room;
    }
    t.body.append(data, n);
  } catch (const std::bad_alloc&) {
    t.stopped = true;
    return 0;
  }
  return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  Transfer& t = *static_cast<Transfer*>(user);
  const size_t n = size * count;
  t.MoveDeadline();
  try {
    // A status line starts the block of a new response (after a redirect, a 100 Continue or
    // a proxy's CONNECT answer): only the final response's block is kept.
    if (n >= 5 && std::equal(data, data + 5, "HTTP/")) t.headers.clear();
    t.headers.append(data, n);
  } catch (const std::bad_alloc&) {
    t.stopped = true;
    return 0;
  }
  return n;
}

// The calling thread's multi handle, made on first use; null when libcurl cannot make one.
// Its connection cache keeps connections open from one fetch to the next. Each fetch brings
// a fresh easy handle: resetting one instead (curl_easy_reset) loses the list that
// CURLOPT_COOKIEFILE builds, a leak on every fetch with this libcurl.
CURLM* MultiOfThisThread() {
  thread_local CurlMulti multi;
  if (!multi) multi.reset(curl_multi_init());
  return multi.get();
}

// The address handed to libcurl, rebuilt from the split parts, so that the request goes to
// exactly the host, port and target the split gives. libcurl refuses a raw space and
// percent-encodes bytes of 0x80 and above in the path on its own (in lower-case hex); both are
// encoded here first, in the usual upper-case form, so the target on the wire is predictable.
// The query is left as written, as libcurl leaves it.
std::string ClientUrl(const Text& Url, bool https) {
  const int port = UrlPort(Url);
  std::string url = https ? "https://" : "http://";
  url += UrlHost(Url, 0);
  // Port 0 (no number after ":") and numbers outside the port range use the default port.
  if (port > 0 && port <= 65535) {
    url += ':';
    url += std::to_string(port);
  }
  static const char kHex[] = "0123456789ABCDEF";
  bool in_query = false;
  for (char c : UrlPath(Url)) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (c == '?') in_query = true;
    if (b == ' ' || (b >= 0x80 && !in_query)) {
      url += '%';
      url += kHex[b >> 4];
      url += kHex[b & 15];
    } else {
      url += c;
    }
  }
  return url;
}

// True when libcurl can parse `url` the way the transfer will (no dot-segment removal).
bool ClientCanParse(const std::string& url) {
  CurlUrl u(curl_url());
  return u && curl_url_set(u.get(), CURLUPART_URL, url.c_str(), CURLU_PATH_AS_IS) == CURLUE_OK;
}

struct Request {
  std::string url;
  bool https = false;
  bool post = false;
  Text proxy;  // spaces removed; empty for a direct connection
  Text user_name;
  Text password;
  Text post_data;
  CurlSlist headers;
};

// Builds the header list for libcurl from the header block. Lines with an empty value tell
// libcurl to leave out a header it would add on its own.
bool BuildHeaderList(const Text& Url, const Text& ExtraHeaders, Request& r) {
  const Text block = BuildRequestHeaderBlock(Url, ExtraHeaders, r.post, r.post_data);
  std::vector<Text> lines = HeaderLines(block);
  if (FindText(block, "Expect:", 1, true) == -1) lines.push_back("Expect:");
  if (r.post && r.post_data.empty()) {
    // An empty POST carries neither a Content-Type nor a Content-Length line.
    if (FindText(block, "Content-Type:", 1, true) == -1) lines.push_back("Content-Type:");
    if (FindText(block, "Content-Length:", 1, true) == -1) lines.push_back("Content-Length:");
  }
  for (const Text& line : lines) {
    if (!AppendSlist(r.headers, line.c_str())) return false;
  }
  return true;
}

bool SetOptions(CURL* easy, Request& r, Transfer& t) {
  bool ok = true;
  auto set = [&ok](CURLcode c) { ok = ok && c == CURLE_OK; };
  set(curl_easy_setopt(easy, CURLOPT_SHARE, ProcessCurlShare()));
  set(curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""));  // the cookie engine, no file
  set(curl_easy_setopt(easy, CURLOPT_URL, r.url.c_str()));
  set(curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L));
  set(curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https"));
  set(curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
  set(curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L));
  set(curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects));
  set(curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)));
  set(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L));
  set(curl_easy_setopt(easy, CURLOPT_USERAGENT, kAgentText));
  set(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, r.headers.get()));
  // An empty proxy also keeps libcurl from taking one from the environment.
  set(curl_easy_setopt(easy, CURLOPT_PROXY, r.https ? "" : r.proxy.c_str()));
  if (!r.user_name.empty()) set(curl_easy_setopt(easy, CURLOPT_USERNAME, r.user_name.c_str()));
  if (!r.password.empty()) set(curl_easy_setopt(easy, CURLOPT_PASSWORD, r.password.c_str()));
  const std::string ca = CaFileForTesting();
  if (!ca.empty()) set(curl_easy_setopt(easy, CURLOPT_CAINFO, ca.c_str()));
  if (r.post) {
    set(curl_easy_setopt(easy, CURLOPT_POST, 1L));
    set(curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(r.post_data.size())));
    set(curl_easy_setopt(easy, CURLOPT_POSTFIELDS, r.post_data.data()));
  } else {
    set(curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L));
  }
  set(curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnBody));
  set(curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t));
  set(curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeader));
  set(curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t));
  return ok;
}

enum class Outcome {
  kFinished,  // libcurl ended the transfer (successfully or with an error of its own)
  kAborted,   // the deadline passed, or Completed / Cancel was set
};

bool AbortRequested(const std::atomic<int>* Completed, const std::atomic<bool>* Cancel) {
  return (Completed != nullptr && Completed->load() != 0) ||
         (Cancel != nullptr && Cancel->load());
}

// Runs the transfer of `easy` (already added to `multi`) until libcurl ends it or an abort is
// due. `result` receives libcurl's result of a finished transfer.
Outcome RunTransfer(CURLM* multi, Transfer& t, const std::atomic<int>* Completed,
                    const std::atomic<bool>* Cancel, CURLcode* result) {
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      *result = CURLE_FAILED_INIT;
      return Outcome::kFinished;
    }
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
      if (msg->msg == CURLMSG_DONE) {
        *result = msg->data.result;
        return Outcome::kFinished;
      }
    }
    if (AbortRequested(Completed, Cancel) || Clock::now() >= t.deadline) return Outcome::kAborted;
    curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
  }
}

// Results of libcurl that mean the request could not even be made: no request was sent.
bool FailedBeforeSending(CURLcode code) {
  return code == CURLE_FAILED_INIT || code == CURLE_URL_MALFORMAT ||
         code == CURLE_UNSUPPORTED_PROTOCOL || code == CURLE_OUT_OF_MEMORY ||
         code == CURLE_BAD_FUNCTION_ARGUMENT;
}

// Feeds the cookies that the final response sets into the process-wide store for the host.
// libcurl's cookie engine has already stored them on arrival; the pass keeps the store in
// step with what the header block shows, with the same names, values and paths.
void StoreCookies(CURL* easy, const Text& host, const Bytes& headerBlock) {
  const std::time_t now = std::time(nullptr);
  for (const PassedCookie& cookie : CookiePass(headerBlock)) {
    const Text line = CookieStoreLine(host, cookie, now);
    if (!line.empty()) curl_easy_setopt(easy, CURLOPT_COOKIELIST, line.c_str());
  }
}

Text ToUpperAscii(const Text& t) {
  Text out = t;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

int TimeoutMsFor(int TimeoutSeconds) {
  if (TimeoutSeconds == 0) return 10000;
  const long long ms = static_cast<long long>(TimeoutSeconds) * 1000;
  return static_cast<int>(std::clamp<long long>(ms, INT32_MIN, INT32_MAX));
}

}  // namespace

void SetFetchCaFileForTesting(const std::string& path) {
  std::scoped_lock lock(g_ca_mutex);
  g_ca_file = path;
}

Bytes FetchPage(const Text& Url, const Text& Method, const Text& Proxy, const Text& UserName,
                const Text& Password, const Text& ExtraHeaders, const Text& PostData,
                int TimeoutSeconds, Text* ResponseHeaders, std::atomic<int>* Completed,
                const std::atomic<bool>* Cancel) {
  EnsureCurlGlobalInit();
  if (ResponseHeaders != nullptr) ResponseHeaders->clear();
  auto finish = [Completed](int value, Bytes body) {
    if (Completed != nullptr) Completed->store(value);
    return body;
  };
  // A fetch that is already asked to stop sends nothing.
  if (AbortRequested(Completed, Cancel)) return finish(0, {});

  const Text verb = ToUpperAscii(Method);
  if (!verb.empty() && verb != "GET" && verb != "POST") return finish(0, {});

  Request r;
  r.https = UrlIsHttps(Url);
  r.url = ClientUrl(Url, r.https);
  if (!ClientCanParse(r.url)) return finish(0, {});
  r.post = verb == "POST";
  r.proxy = StripSpaces(Proxy);
  r.user_name = UserName;
  r.password = Password;
  r.post_data = PostData;
  if (!BuildHeaderList(Url, ExtraHeaders, r)) return finish(0, {});

  CURLM* multi = MultiOfThisThread();
  CurlEasy easy_holder(curl_easy_init());
  if (multi == nullptr || !easy_holder) return finish(0, {});
  CURL* easy = easy_holder.get();

  Transfer t;
  t.timeout_ms = TimeoutMsFor(TimeoutSeconds);
  t.MoveDeadline();
  if (!SetOptions(easy, r, t) || curl_multi_add_handle(multi, easy) != CURLM_OK) {
    return finish(0, {});
  }
  CURLcode result = CURLE_OK;
  const Outcome outcome = RunTransfer(multi, t, Completed, Cancel, &result);
  // Removing a transfer that is still under way closes its connection.
  curl_multi_remove_handle(multi, easy);

  if (outcome == Outcome::kAborted || t.stopped || FailedBeforeSending(result)) {
    return finish(0, std::move(t.body));
  }
  // Finished, also when libcurl reports a refused connection, an unknown host, a reset or a
  // failed read: the caller gets what arrived, read to the end the client reached.
  // The cookies belong to the host that sent the final response, which after a redirect
  // may differ from the one first asked.
  char* effective = nullptr;
  curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective);
  StoreCookies(easy, UrlHost(effective != nullptr ? Text(effective) : Url, 0), t.headers);
  if (ResponseHeaders != nullptr) *ResponseHeaders = std::move(t.headers);
  return finish(1, std::move(t.body));
}

}  // namespace tovren

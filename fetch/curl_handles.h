// Move-only owners of libcurl handles, and the process-wide libcurl set-up: the one-time
// global initialisation and the share handle (cookies, DNS cache, TLS sessions) that every
// fetch on every thread uses. The holders are not thread-safe; the share is.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace tovren {

struct CurlEasyCleanup {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct CurlMultiCleanup {
  void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};
struct CurlSlistFree {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
struct CurlUrlCleanup {
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiCleanup>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistFree>;
using CurlUrl = std::unique_ptr<CURLU, CurlUrlCleanup>;

// Runs curl_global_init exactly once in the process (later calls wait for the first to
// finish). Call before making any libcurl handle.
void EnsureCurlGlobalInit();

// The process-wide share handle: the cookie store, the DNS cache and the TLS session cache
// of every fetch, guarded by real mutexes. Made on first use (after EnsureCurlGlobalInit);
// never null. Lives until the process ends.
CURLSH* ProcessCurlShare();

// Appends `line` to `list` (which may be empty); false when libcurl runs out of memory, in
// which case `list` is left as it was.
bool AppendSlist(CurlSlist& list, const char* line);

}  // namespace tovren

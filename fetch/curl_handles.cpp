// Process-wide libcurl state: the global initialisation and the share handle.
#include "fetch/curl_handles.h"

#include <array>
#include <cstdlib>
#include <mutex>

namespace tovren {
namespace {

struct ShareCleanup {
  void operator()(CURLSH* s) const { curl_share_cleanup(s); }
};

// The share handle and one mutex per kind of shared data. The mutexes are declared first so
// that they outlive the handle.
struct ProcessShare {
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
  std::unique_ptr<CURLSH, ShareCleanup> share;

  ProcessShare() {
    share.reset(curl_share_init());
    if (!share) std::abort();  // out of memory at start-up: nothing sensible to do
    curl_share_setopt(share.get(), CURLSHOPT_LOCKFUNC, &Lock);
    curl_share_setopt(share.get(), CURLSHOPT_UNLOCKFUNC, &Unlock);
    curl_share_setopt(share.get(), CURLSHOPT_USERDATA, this);
    curl_share_setopt(share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  }

  // libcurl asks for shared and exclusive access alike; a plain mutex serves both.
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<ProcessShare*>(self)->locks[Index(data)].lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<ProcessShare*>(self)->locks[Index(data)].unlock();
  }
  static size_t Index(curl_lock_data data) {
    const size_t i = static_cast<size_t>(data);
    return i < CURL_LOCK_DATA_LAST ? i : 0;
  }
};

}  // namespace

void EnsureCurlGlobalInit() {
  static std::once_flag once;
  // curl_global_cleanup is never called: fetches may run on other threads until the very end
  // of the process, and the operating system reclaims the rest.
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURLSH* ProcessCurlShare() {
  EnsureCurlGlobalInit();
  static ProcessShare process_share;
  return process_share.share.get();
}

bool AppendSlist(CurlSlist& list, const char* line) {
  curl_slist* grown = curl_slist_append(list.get(), line);
  if (grown == nullptr) return false;
  list.release();
  list.reset(grown);
  return true;
}

}  // namespace tovren

// FetchPage: one HTTP(S) request for a page, bounded by an inactivity limit.
// Safe to call from any number of threads at once. The request runs on the calling thread
// (libcurl's multi interface, polled every 50 ms); nothing is left running when it returns.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

#include "text/text.h"

namespace tovren {

// The agent text sent as User-Agent.
inline constexpr const char* kAgentText =
    "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; Trident/4.0; QQDownload 618)";

// A body larger than this is cut: the fetch stops reading and returns what it has.
inline constexpr size_t kMaxBodyBytes = 32u * 1024u * 1024u;

// Fetches `Url` and returns the body bytes exactly as delivered (redirects followed, also
// from http to https; the body of the final response, whatever its status). The request goes
// to UrlHost/UrlPort/UrlPath of `Url`; "https://" is fetched over TLS with the server's
// certificate verified. An address the client cannot parse (e.g. "" or an empty host) sends
// nothing: empty body, *Completed = 0. A body beyond kMaxBodyBytes is cut there, *Completed 0.
//  - Method: "" or "GET" (any case): GET. "POST" (any case): POST with PostData. Anything
//    else: nothing is sent, empty body, *Completed = 0.
//  - Proxy: host:port used for plain-HTTP addresses when non-empty after StripSpaces.
//  - ExtraHeaders: "Name: value\r\n" lines sent before the default Accept, Referer and
//    Accept-Language lines; a line of the same name (any case) suppresses the default.
//  - TimeoutSeconds: inactivity limit; 0 means 10 seconds. The limit is on silence: every
//    arriving chunk moves the deadline forward. On expiry the transfer is aborted and the
//    bytes read so far are returned.
//  - ResponseHeaders: when given, emptied at entry and set to the raw header block of the
//    final response (status line and header lines, each ending "\r\n", then an empty line).
//  - Completed: in: a non-zero value (also one stored by another thread during the fetch)
//    aborts at the next poll. Out: 1 when the body was read to its end (also when the request
//    got no response at all, e.g. a refused connection), else 0.
//  - Cancel: optional; when it becomes true the fetch aborts at the next poll (used to stop
//    all running fetches at exit).
// Cookies set by any response are kept in one process-wide store and sent with later
// requests to the same host, from any thread.
Bytes FetchPage(const Text& Url, const Text& Method = {}, const Text& Proxy = {},
                const Text& UserName = {}, const Text& Password = {},
                const Text& ExtraHeaders = {}, const Text& PostData = {},
                int TimeoutSeconds = 0, Text* ResponseHeaders = nullptr,
                std::atomic<int>* Completed = nullptr,
                const std::atomic<bool>* Cancel = nullptr);

// Test hook, process-wide: the file of trusted certificates that every later https fetch
// verifies the server against, instead of the system's default bundle. An empty path
// returns to the default bundle. Meant for tests that trust their own loopback server.
void SetFetchCaFileForTesting(const std::string& path);

}  // namespace tovren

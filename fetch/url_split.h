// Splitting an address into host, request target and port. Pure; any thread.
// "http://" and "https://" are both recognised as the scheme.
#pragma once

#include "text/text.h"

namespace tovren {

// Host part of `Url` in lower case (ASCII letters only), with ":port" when KeepPort is 1.
Text UrlHost(const Text& Url, int KeepPort = 0);
// The request target: from the first "/" after the host on, "/" when there is none.
Text UrlPath(const Text& Url);
// The port: 80 without ":" (443 for "https://"), else the decimal number after the first
// ":" (0 when there is none, meaning the scheme's default port).
int UrlPort(const Text& Url);
// True when the scheme found in `Url` (the earliest "http://" or "https://") is "https://".
bool UrlIsHttps(const Text& Url);

}  // namespace tovren

// The cookie pass over a raw response header block, and the cookie-store line it produces.
// Pure functions; safe from any thread.
#pragma once

#include <ctime>
#include <vector>

#include "text/text.h"

namespace tovren {

// One cookie as the pass finds it: the name, and everything after the first "=" up to the
// end of the line (attributes such as "; path=/" included).
struct PassedCookie {
  Text Name;
  Text Data;
};

// Walks `headerBlock` for lines beginning "\nSet-Cookie: " (exact bytes and letter case) that
// end in "\r". The name runs up to the line's first "=", the data from behind it to the end
// of the line. The pass stops at the first such line without "=", or when no further line is
// found. Later lines are not looked at after a stop.
std::vector<PassedCookie> CookiePass(const Bytes& headerBlock);

// A line in the Netscape cookie-file format that stores `cookie` for `host` (lower case, no
// port): domain, subdomain flag, path, secure flag, expiry, name, value. The value is the
// data up to its first ";"; the path comes from a "path=" attribute, else "/". The attributes
// "domain=" (honoured only when `host` lies inside that domain), "secure", "max-age=" and
// "expires=" (relative to `now`) are kept, so that a cookie the server deletes or restricts
// is not brought back by the pass. Returns "" for a cookie that cannot be stored (empty name,
// tab or line break in it, a domain the host does not belong to).
Text CookieStoreLine(const Text& host, const PassedCookie& cookie, std::time_t now);

}  // namespace tovren

// Cookie pass: Set-Cookie lines of a raw header block into cookie-store lines.
#include "fetch/cookie_pass.h"

#include <curl/curl.h>

#include <cstdlib>

namespace tovren {
namespace {

constexpr char kSetCookie[] = "\nSet-Cookie: ";
constexpr int kSetCookieLength = 13;

Text TrimSpaces(const Text& t) {
  size_t b = 0;
  size_t e = t.size();
  while (b < e && (t[b] == ' ' || t[b] == '\t')) ++b;
  while (e > b && (t[e - 1] == ' ' || t[e - 1] == '\t')) --e;
  return t.substr(b, e - b);
}

struct CookieAttributes {
  Text path = "/";
  Text domain;         // without a leading dot; empty when not given
  bool secure = false;
  bool expires = false;  // an expiry was given
  std::time_t expiry = 0;
};

// Reads the attributes after the value ("; name=value" pieces, names in any case).
// Max-Age wins over Expires, as in browsers.
CookieAttributes ReadAttributes(const std::vector<Text>& pieces, std::time_t now) {
  CookieAttributes a;
  bool haveMaxAge = false;
  for (size_t i = 1; i < pieces.size(); ++i) {
    const Text piece = TrimSpaces(pieces[i]);
    const int eq = FindText(piece, "=");
    const Text name = AsciiLower(TrimSpaces(eq == -1 ? piece : TextLeft(piece, eq - 1)));
    const Text value = eq == -1 ? Text() : TrimSpaces(TextMid(piece, eq + 1, TextLength(piece)));
    if (name == "path" && !value.empty()) {
      a.path = value;
    } else if (name == "domain" && !value.empty()) {
      a.domain = AsciiLower(value[0] == '.' ? value.substr(1) : value);
    } else if (name == "secure") {
      a.secure = true;
    } else if (name == "max-age") {
      haveMaxAge = true;
      const long long seconds = std::atoll(value.c_str());
      a.expires = true;
      // 1 (the first second of 1970) stands for "already expired": 0 would mean "session".
      a.expiry = seconds <= 0 ? 1 : now + static_cast<std::time_t>(seconds);
    } else if (name == "expires" && !haveMaxAge) {
      const std::time_t when = curl_getdate(value.c_str(), nullptr);
      if (when != -1) {
        a.expires = true;
        a.expiry = when <= 0 ? 1 : when;
      }
    }
  }
  return a;
}

bool HasLineBreakOrTab(const Text& t) {
  return t.find_first_of("\t\r\n") != Text::npos;
}

}  // namespace

std::vector<PassedCookie> CookiePass(const Bytes& headerBlock) {
  std::vector<PassedCookie> cookies;
  int from = 1;
  for (;;) {
    const int s = FindBytes(headerBlock, kSetCookie, from);
    if (s == -1) break;
    const int n = s + kSetCookieLength;
    const int e = FindBytes(headerBlock, "\r", n);
    if (e == -1) break;
    const Bytes line = headerBlock.substr(static_cast<size_t>(n - 1), static_cast<size_t>(e - n));
    const size_t q = line.find('=');
    if (q == Bytes::npos) break;
    cookies.push_back(PassedCookie{line.substr(0, q), line.substr(q + 1)});
    from = e;
  }
  return cookies;
}

Text CookieStoreLine(const Text& host, const PassedCookie& cookie, std::time_t now) {
  if (cookie.Name.empty() || HasLineBreakOrTab(cookie.Name) || HasLineBreakOrTab(cookie.Data) ||
      host.empty() || HasLineBreakOrTab(host)) {
    return {};
  }
  // The store keeps names and values without surrounding spaces, as the client's own
  // cookie engine does, so that both describe the same cookie.
  const Text name = TrimSpaces(cookie.Name);
  if (name.empty()) return {};
  const std::vector<Text> pieces = SplitText(cookie.Data, ";");
  const Text value = pieces.empty() ? Text() : TrimSpaces(pieces[0]);
  const CookieAttributes a = ReadAttributes(pieces, now);
  Text domain = host;
  bool subdomains = false;
  if (!a.domain.empty()) {
    // A host may set a cookie for itself or a domain it belongs to, never for another one.
    const bool inside = host == a.domain ||
                        (host.size() > a.domain.size() &&
                         host.compare(host.size() - a.domain.size(), Text::npos, a.domain) == 0 &&
                         host[host.size() - a.domain.size() - 1] == '.');
    if (!inside) return {};
    domain = "." + a.domain;
    subdomains = true;
  }
  return domain + "\t" + (subdomains ? "TRUE" : "FALSE") + "\t" + a.path + "\t" +
         (a.secure ? "TRUE" : "FALSE") + "\t" + std::to_string(a.expires ? a.expiry : 0) + "\t" +
         name + "\t" + value;
}

}  // namespace tovren

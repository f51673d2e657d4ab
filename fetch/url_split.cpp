// Address splitting: host, request target and port of an "http://" or "https://" address.
#include "fetch/url_split.h"

#include <cmath>
#include <limits>

namespace tovren {
namespace {

struct Scheme {
  int start = 1;       // 1-based position of the first byte after the scheme
  bool https = false;  // the scheme found is "https://"
};

// The earliest of "http://" and "https://" (exact letter case); without either, the host
// part starts at the first byte and the scheme counts as plain HTTP.
Scheme FindScheme(const Text& Url) {
  const int http = FindText(Url, "http://");
  const int https = FindText(Url, "https://");
  Scheme s;
  if (https != -1 && (http == -1 || https < http)) {
    s.start = https + 8;
    s.https = true;
  } else if (http != -1) {
    s.start = http + 7;
  }
  return s;
}

// A decimal number at the start of `t` (leading spaces skipped, optional sign and fraction),
// truncated toward zero; 0 when there is none. Clamped to the range of int.
int LeadingNumber(const Text& t) {
  size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  double value = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') value = value * 10 + (t[i++] - '0');
  // A fraction cannot change the truncated value, so it is only skipped.
  if (negative) value = -value;
  value = std::trunc(value);
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

}  // namespace

bool UrlIsHttps(const Text& Url) { return FindScheme(Url).https; }

Text UrlHost(const Text& Url, int KeepPort) {
  const int start = FindScheme(Url).start;
  const int slash = FindText(Url, "/", start);
  Text host = slash == -1 ? TextMid(Url, start, TextLength(Url)) : TextMid(Url, start, slash - start);
  if (KeepPort != 1) {
    const int colon = FindText(host, ":");
    if (colon != -1) host = TextLeft(host, colon - 1);
  }
  return AsciiLower(host);
}

Text UrlPath(const Text& Url) {
  const int start = FindScheme(Url).start;
  const Text host = UrlHost(Url, 0);
  // The host is searched from the end of the scheme on, so that a host such as "t" or
  // "http" is not taken for the letters of the scheme word itself.
  const int at = FindText(Url, host, start, true);
  const int slash = FindText(Url, "/", at == -1 ? 1 : at);
  if (slash == -1) return "/";
  return TextMid(Url, slash, TextLength(Url));
}

int UrlPort(const Text& Url) {
  const Text hostPort = UrlHost(Url, 1);
  const int colon = FindText(hostPort, ":");
  if (colon == -1) return UrlIsHttps(Url) ? 443 : 80;
  return LeadingNumber(TextMid(hostPort, colon + 1, TextLength(hostPort)));
}

}  // namespace tovren

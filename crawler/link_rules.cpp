#include "crawler/link_rules.h"

#include <array>

namespace tovren {
namespace {

constexpr std::array<std::string_view, 14> kExcludedMarks = {
    ".css", ".js", "(", "<", ".ico", ".png", ".gif",
    ".jpg", "@",   "#", "}", "javascript", ".xml", "+",
};

bool IsAbsolute(const Text& candidate) {
  return FindText(candidate, "http", 1, true) != -1;
}

// The site test shared by both rules for absolute candidates: SiteKey must stand in the host
// part (which must exist) and in the candidate. An empty key passes wherever there is text.
bool PassesSiteTest(const Text& candidate, const Text& site_key) {
  if (FindText(HostPart(candidate), site_key, 1, true) == -1) return false;
  return FindText(candidate, site_key, 1, true) != -1;
}

bool BeginsWith(const Text& t, std::string_view prefix) {
  return CompareText(TextLeft(t, static_cast<int>(prefix.size())), prefix, false) == 0;
}

// Byte position of the last slash of a bare scheme: 8 for "https://", 7 otherwise.
int SchemeSlashPosition(const Text& address) {
  return BeginsWith(address, "https://") ? 8 : 7;
}

// `t` without its last "/" and what follows it.
Text WithoutLastSegment(const Text& t) { return TextLeft(t, FindTextReverse(t, "/") - 1); }

}  // namespace

std::vector<Text> ExtractLinkCandidates(const Bytes& body) {
  std::vector<Text> candidates;
  for (const Text& piece : SplitText(BytesToText(body), "href=\"")) {
    candidates.push_back(TextLeft(piece, FindText(piece, "\"") - 1));
  }
  return candidates;
}

std::span<const std::string_view> ExcludedMarks() { return kExcludedMarks; }

bool HasExcludedMark(const Text& candidate) {
  // The marks are lower-case ASCII, so one folding of the candidate serves all fourteen
  // searches (AsciiLower keeps two-byte characters and their boundaries as they are).
  const Text folded = AsciiLower(candidate);
  for (std::string_view mark : kExcludedMarks) {
    if (FindText(folded, mark) != -1) return true;
  }
  return false;
}

Text HostPart(const Text& candidate) {
  const int slash = FindText(candidate, "/", 9);
  if (slash == -1) return {};
  return TextLeft(candidate, slash);
}

std::optional<Text> AcceptHomeLink(const Text& candidate, const Text& site_root,
                                   const Text& site_key) {
  if (IsAbsolute(candidate)) {
    if (!PassesSiteTest(candidate, site_key)) return std::nullopt;
    if (HasExcludedMark(candidate)) return std::nullopt;
    return candidate;
  }
  if (TextLength(candidate) <= 3) return std::nullopt;
  if (HasExcludedMark(candidate)) return std::nullopt;
  if (TextLeft(candidate, 1) == "/") return site_root + candidate;
  return site_root + "/" + candidate;
}

std::optional<Text> AcceptPageLink(const Text& candidate, const Text& page_address,
                                   const Text& site_key) {
  if (IsAbsolute(candidate)) {
    if (!PassesSiteTest(candidate, site_key)) return std::nullopt;
    if (HasExcludedMark(candidate)) return std::nullopt;
    Text result = ReplaceText(candidate, "./", "");
    if (FindTextReverse(result, "/") == SchemeSlashPosition(result)) result += "/";
    return result;
  }
  if (TextLength(candidate) <= 3) return std::nullopt;
  if (HasExcludedMark(candidate)) return std::nullopt;
  if (FindText(candidate, "..") != -1) {
    // One level up from the page's folder, whatever the candidate holds.
    const Text grandparent = WithoutLastSegment(WithoutLastSegment(page_address));
    return grandparent + TextRight(candidate, TextLength(candidate) - 2);
  }
  const Text link = ReplaceText(candidate, "./", "");
  if (TextLeft(link, 1) == "/") {
    return TextLeft(page_address, FindText(page_address, "/", 9) - 1) + link;
  }
  return TextLeft(page_address, FindTextReverse(page_address, "/")) + link;
}

VisitForms VisitLinkForms(const Text& link) {
  if (FindText(link, "../") == -1) return {link, ReplaceText(link, " ./", "")};
  const int k = FindText(link, "/../");
  const Text before = TextLeft(link, k - 1);
  const Text prefix = TextLeft(before, FindTextReverse(before, "/"));
  const Text suffix = TextRight(link, TextLength(link) - k - 3);
  const Text resolved = prefix + suffix;
  return {resolved, ReplaceText(resolved, "./", "")};
}

}  // namespace tovren

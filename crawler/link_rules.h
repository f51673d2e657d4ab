// Link rules: cutting a page body into href candidates and turning a candidate into an
// accepted same-site address (or rejecting it). Pure functions of their arguments; safe to
// call from any thread.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace tovren {

// The values of every href="..." in `body`, in page order, undecoded. The body is read up to
// its first zero byte and split at each exact "href=\"" (case-sensitive); every piece, the
// one before the first "href=\"" included, gives the bytes before its first double quote
// (empty when it has none). An empty body gives no candidate.
std::vector<Text> ExtractLinkCandidates(const Bytes& body);

// The 14 marks that reject a candidate containing any of them (ASCII case ignored), in the
// order they are tested.
std::span<const std::string_view> ExcludedMarks();

// Whether `candidate` contains one of ExcludedMarks(), ignoring ASCII case.
bool HasExcludedMark(const Text& candidate);

// The candidate up to and including the first "/" at byte 9 or later; "" when there is none.
Text HostPart(const Text& candidate);

// The home page's rule. A candidate holding "http" anywhere (any case) is absolute: it must
// name `site_key` in its HostPart and in itself, hold no excluded mark, and is accepted as it
// is. Any other candidate must be longer than 3 bytes and hold no excluded mark; it is joined
// to `site_root` ("/" put between unless it starts with one). "./" and ".." stay.
// nullopt means rejected.
std::optional<Text> AcceptHomeLink(const Text& candidate, const Text& site_root,
                                   const Text& site_key);

// The rule of the later pages, joined against `page_address` (the page the candidate came
// from). Same tests as AcceptHomeLink. Absolute: every "./" removed; when only the scheme's
// slashes are left ("http://" or "https://", any case) a "/" is put back at the end.
// Relative with ".." anywhere: the page's grandparent folder + the candidate without its
// first two bytes (one level only, no "./" removal). Other relative: every "./" removed, then
// joined to the page's scheme and host (candidate starting with "/") or to its folder.
std::optional<Text> AcceptPageLink(const Text& candidate, const Text& page_address,
                                   const Text& site_key);

// The two forms of a link that the link visit records. Without "../" in `link`: `link` is
// kept and the stored form drops every " ./". Otherwise the first "/../" is resolved one
// folder up (`link` becomes the text before it up to its last "/", followed by what comes
// after the "/../"), and the stored form is that text with every "./" removed.
struct VisitForms {
  Text link;
  Text stored;
};
VisitForms VisitLinkForms(const Text& link);

}  // namespace tovren

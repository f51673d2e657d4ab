// The header block a fetch sends, built from the caller's own lines and the default lines.
// Pure; safe from any thread.
#pragma once

#include <vector>

#include "text/text.h"

namespace tovren {

// The caller's `ExtraHeaders` first, then "Accept: */*", "Referer: " + Url (exactly as given)
// and "Accept-Language: zh-cn", each only when the block built so far holds no line of that
// name (letter case ignored). For a POST with non-empty `PostData`: then
// "Content-Type: application/x-www-form-urlencoded" unless the block holds a Content-Type,
// and always "Content-Length: " + the byte length of PostData. Every line ends in "\r\n".
Text BuildRequestHeaderBlock(const Text& Url, const Text& ExtraHeaders, bool post,
                             const Text& PostData);

// The non-empty lines of a header block, without their "\r\n".
std::vector<Text> HeaderLines(const Text& block);

}  // namespace tovren

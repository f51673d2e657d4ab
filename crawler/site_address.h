// The site texts of a crawl run, made from the address typed into the address box.
// Pure functions; safe to call from any thread.
#pragma once

#include "text/text.h"

namespace tovren {

// The typed address as the run uses it: every ASCII and full-width space removed.
Text TypedAddress(const Text& address_box);

// SiteKey: the part of the typed address between its first and its last "." (plain integer
// arithmetic on the positions, so one "." or none gives "").
Text SiteKeyOf(const Text& typed);

// SiteRoot for a non-empty typed address: a typed "http://" or "https://" (any letter case) is
// kept, lower-cased; any other text gets "http://" in front. Then one trailing "/" is removed.
Text SiteRootOf(const Text& typed);

}  // namespace tovren

#include "crawler/site_address.h"

#include <string_view>

namespace tovren {
namespace {

// Whether `typed` begins with `scheme`, ASCII case ignored.
bool HasScheme(const Text& typed, std::string_view scheme) {
  return CompareText(TextLeft(typed, static_cast<int>(scheme.size())), scheme, false) == 0;
}

}  // namespace

Text TypedAddress(const Text& address_box) { return StripSpaces(address_box); }

Text SiteKeyOf(const Text& typed) {
  const int first = FindText(typed, ".");
  const int last = FindTextReverse(typed, ".");
  return TextMid(typed, first + 1, last - first - 1);
}

Text SiteRootOf(const Text& typed) {
  Text root;
  if (HasScheme(typed, "http://")) {
    root = "http://" + TextRight(typed, TextLength(typed) - 7);
  } else if (HasScheme(typed, "https://")) {
    root = "https://" + TextRight(typed, TextLength(typed) - 8);
  } else {
    root = "http://" + typed;
  }
  if (FindTextReverse(root, "/") == TextLength(root)) root = TextLeft(root, TextLength(root) - 1);
  return root;
}

}  // namespace tovren

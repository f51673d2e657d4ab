#include "fetch/unicode_units.h"

namespace tovren {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

inline unsigned Byte(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

// The allowed range of the second byte after a lead byte; the bytes after the second are
// always 80..BF. Narrower ranges after E0, ED, F0 and F4 shut out overlong forms, surrogates
// and code points above U+10FFFF, so that they break off after the lead byte alone.
struct LeadInfo {
  int length;  // 0: not a lead byte
  unsigned second_min, second_max;
};

LeadInfo Lead(unsigned b) {
  if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
  if (b == 0xE0) return {3, 0xA0, 0xBF};
  if (b == 0xED) return {3, 0x80, 0x9F};
  if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
  if (b == 0xF0) return {4, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
  if (b == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

void AppendUnit(char32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const unsigned b = Byte(utf8, i);
    if (b < 0x80) {
      out.push_back(static_cast<char16_t>(b));
      ++i;
      continue;
    }
    const LeadInfo lead = Lead(b);
    if (lead.length == 0) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t cp = b & (0xFF >> (lead.length + 1));
    int k = 1;
    for (; k < lead.length && i + k < utf8.size(); ++k) {
      const unsigned c = Byte(utf8, i + k);
      const unsigned lo = k == 1 ? lead.second_min : 0x80;
      const unsigned hi = k == 1 ? lead.second_max : 0xBF;
      if (c < lo || c > hi) break;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (k == lead.length) {
      AppendUnit(cp, out);
    } else {
      // The lead and the continuation bytes read so far form one maximal ill-formed
      // subpart; the byte that broke the sequence is looked at afresh.
      out.push_back(kReplacement);
    }
    i += static_cast<size_t>(k);
  }
  return out;
}

std::u16string Utf16FromLittleEndian(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t k = 0; k < units.size(); ++k) {
    units[k] = static_cast<char16_t>(Byte(bytes, 2 * k) | (Byte(bytes, 2 * k + 1) << 8));
  }
  return units;
}

void AppendUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace tovren

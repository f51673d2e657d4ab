#include "fetch/page_decoding.h"

#include <cerrno>

#include "fetch/gbk_codec.h"
#include "fetch/iconv_holder.h"
#include "fetch/unicode_units.h"

namespace tovren {
namespace {

// Runs `cd` over all of `in`, then flushes its state; false on any refusal, on input cut
// off at the end, and on any conversion iconv counts as irreversible.
bool ConvertAll(const IconvHolder& cd, const Bytes& in, Bytes& out) {
  out.assign(in.size() * 2 + 16, '\0');
  char* in_ptr = const_cast<char*>(in.data());  // iconv's interface is not const-correct
  size_t in_left = in.size();
  size_t used = 0;
  bool flushing = false;
  for (;;) {
    char* out_ptr = out.data() + used;
    size_t out_left = out.size() - used;
    const size_t r = flushing ? iconv(cd.get(), nullptr, nullptr, &out_ptr, &out_left)
                              : iconv(cd.get(), &in_ptr, &in_left, &out_ptr, &out_left);
    const int error = errno;
    used = static_cast<size_t>(out_ptr - out.data());
    if (r == static_cast<size_t>(-1)) {
      if (error != E2BIG) return false;  // EILSEQ: invalid or unmappable; EINVAL: cut off
      out.resize(out.size() * 2);
      continue;
    }
    if (r != 0) return false;
    if (flushing) break;
    flushing = true;
  }
  out.resize(used);
  return true;
}

// GBK bytes for UTF-16 units up to the first NUL unit; a unit (or surrogate pair) without a
// GBK character becomes one "?", so one bad character never spoils the rest.
Text UnitsToLocal(std::u16string_view units) {
  Text out;
  out.reserve(units.size() * 2);
  for (size_t i = 0; i < units.size() && units[i] != 0; ++i) {
    const char16_t u = units[i];
    const bool high = u >= 0xD800 && u <= 0xDBFF;
    if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      ++i;  // a character above U+FFFF: GBK has none
      out.push_back('?');
    } else if (!AppendGbkChar(u, out)) {
      out.push_back('?');
    }
  }
  return out;
}

// The charset rule: a "gb" within the 20 bytes from the first "charset" means the page is
// GBK already; otherwise UTF-8, strictly and, when that gives nothing, with `lenient`.
Text DecodeWith(const Bytes& body, Text (*lenient)(const Bytes&)) {
  const Text text = BytesToText(body);
  const int at = FindText(text, "charset", 1, true);
  const Text window = TextMid(text, at, 20);
  if (FindText(window, "gb", 1, true) != -1) return text;
  Text converted = BytesToText(ConvertCharset(body, "UTF-8", "GBK"));
  if (!converted.empty()) return converted;
  return lenient(body);
}

}  // namespace

Bytes ConvertCharset(const Bytes& bytes, const char* from, const char* to) {
  if (bytes.empty()) return {};
  const IconvHolder cd(to, from);
  if (!cd.valid()) return {};
  Bytes out;
  if (!ConvertAll(cd, bytes, out)) return {};
  return out;
}

Text DecodePageText(const Bytes& body) { return DecodeWith(body, &Utf8ToLocalText); }

Text DecodePageTextThreeByte(const Bytes& body) {
  return DecodeWith(body, &DecodeUtf8ThreeByte);
}

Text Utf8ToLocalText(const Bytes& utf8) { return UnitsToLocal(Utf8ToUtf16(utf8)); }

Text WideToLocalText(const Bytes& utf16le) {
  return UnitsToLocal(Utf16FromLittleEndian(utf16le));
}

Text DecodeUtf8ThreeByte(const Bytes& bytes) {
  std::u16string units;
  const size_t length = bytes.size();
  // The last byte is never decoded on its own: the loop stops one byte short of the end.
  for (size_t i = 0; i + 1 < length;) {
    const unsigned b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x7F) {
      units.push_back(static_cast<char16_t>(b));
      ++i;
      continue;
    }
    // Every byte from 0x7F up is read as the lead of a three-byte sequence, whatever it is.
    // A sequence cut by the end of the input ends the output.
    if (i + 2 >= length) break;
    const unsigned b1 = static_cast<unsigned char>(bytes[i + 1]);
    const unsigned b2 = static_cast<unsigned char>(bytes[i + 2]);
    const unsigned u = ((b ^ 0xE0u) << 12) + ((b1 ^ 0x80u) << 6) + (b2 ^ 0x80u);
    units.push_back(static_cast<char16_t>(u & 0xFFFF));
    i += 3;
  }
  return UnitsToLocal(units);
}

std::string LocalToUtf8(const Text& gbk) {
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  std::string_view rest(gbk);
  while (!rest.empty()) {
    char32_t cp = 0;
    int skip = 1;
    int used = DecodeGbkChar(rest, cp, skip);
    if (used == 0) {
      cp = 0xFFFD;
      used = skip;
    }
    AppendUtf8(cp, out);
    rest.remove_prefix(static_cast<size_t>(used));
  }
  return out;
}

Text Utf8ToLocal(const std::string& utf8) { return Utf8ToLocalText(utf8); }

}  // namespace tovren

// Locale-free UTF-8 and UTF-16 steps used by the page text decoding. Pure functions, safe
// from any thread.
#pragma once

#include <string>
#include <string_view>

namespace tovren {

// Decodes UTF-8 into UTF-16 code units without ever failing: each maximal subpart of an
// ill-formed sequence (a bad lead byte, or a lead with the continuation bytes that were
// still valid before the sequence broke off) becomes one U+FFFD; surrogate code points and
// overlong forms are ill-formed; code points above U+FFFF become surrogate pairs; a zero
// byte becomes a NUL unit.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Reads little-endian 16-bit units from bytes; an odd last byte is ignored.
std::u16string Utf16FromLittleEndian(std::string_view bytes);

// Appends the UTF-8 form of code point `cp` (at most U+10FFFF, no surrogates) to `out`.
void AppendUtf8(char32_t cp, std::string& out);

}  // namespace tovren

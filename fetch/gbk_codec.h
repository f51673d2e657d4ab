// Character-by-character GBK encoding and decoding, from tables that are filled once from
// iconv's "GBK" converter at first use. The tables never change afterwards, so every
// function here is safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace tovren {

// Appends the GBK bytes of the BMP character `unit` to `out` and returns true, or returns
// false (and appends nothing) when GBK has no such character. Surrogates have none.
bool AppendGbkChar(char16_t unit, std::string& out);

// Decodes the GBK character at the start of `gbk` (not empty): stores its code point in
// `cp` and returns the number of bytes it takes (1 or 2), or returns 0 when the bytes there
// are no GBK character; `skip` then tells how many bytes the bad character takes (a lead
// byte followed by an ASCII byte takes one, so that the ASCII byte is read on its own).
int DecodeGbkChar(std::string_view gbk, char32_t& cp, int& skip);

}  // namespace tovren

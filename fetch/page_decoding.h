// Turning fetched page bytes into GBK text, and the charset conversions behind it.
// All functions are pure and safe to call from any thread; none depends on the machine's
// locale.
#pragma once

#include "text/text.h"

namespace tovren {

// Strict conversion of all of `bytes` (zero bytes included) from one character set to
// another, named as iconv names them ("UTF-8", "GBK"). Any invalid or cut-off input, or any
// character without an equivalent in the target set, gives empty bytes. No byte-order-mark
// handling; empty input gives empty output.
Bytes ConvertCharset(const Bytes& bytes, const char* from, const char* to);

// The page text in GBK: a page whose first "charset" is followed within its 20-byte window by
// "gb" is taken as it is; every other page is converted from UTF-8 strictly, and when that
// gives nothing, leniently with Utf8ToLocalText. The text ends at the first zero byte.
Text DecodePageText(const Bytes& body);

// Like DecodePageText, with DecodeUtf8ThreeByte as the lenient step (used by the link visit).
Text DecodePageTextThreeByte(const Bytes& body);

// Lenient UTF-8 to GBK: malformed sequences become U+FFFD (then "?"), characters without a
// GBK equivalent become "?", and the text ends at the first NUL.
Text Utf8ToLocalText(const Bytes& utf8);

// UTF-16 little-endian code units (as bytes) to GBK, up to the first NUL code unit;
// characters without a GBK equivalent become "?".
Text WideToLocalText(const Bytes& utf16le);

// The link visit's own lenient decoder: every byte below 0x7F is one character, every other
// byte starts a three-byte sequence; the last byte is never decoded. Never reads past the end:
// a sequence cut by the end of the input ends the output.
Text DecodeUtf8ThreeByte(const Bytes& bytes);

// GBK text to UTF-8 for display and terminal output: never fails; bytes that are not valid
// GBK are passed through as U+FFFD.
std::string LocalToUtf8(const Text& gbk);
// UTF-8 text to GBK for input from the window or the command line: characters without a GBK
// equivalent become "?".
Text Utf8ToLocal(const std::string& utf8);

}  // namespace tovren

// Byte-string primitives over GBK texts: 1-based byte positions, -1 for "not found".
// A byte of 0x80 or above starts a two-byte character together with the byte after it;
// searches step character by character so that a match never begins on a trail byte.
// All functions are pure and safe to call from any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tovren {

// A text is a GBK byte string; a byte string may hold zero bytes. Both live in std::string.
using Text = std::string;
using Bytes = std::string;

// Number of bytes.
int TextLength(std::string_view t);

// 1-based position of the first occurrence of `what` beginning at or after byte `start`,
// else -1. An empty `what` gives 1 when the searched part is not empty, else -1; a `start`
// beyond the end gives -1 (a `start` below 1 counts as 1). `ignoreCase` folds ASCII letters
// of one-byte characters only.
int FindText(std::string_view t, std::string_view what, int start = 1, bool ignoreCase = false);

// 1-based position of the last occurrence of `what` in the whole text, else -1;
// same stepping and case rule as FindText.
int FindTextReverse(std::string_view t, std::string_view what, bool ignoreCase = false);

// The first n bytes; n <= 0 gives "", n beyond the length the whole text.
Text TextLeft(std::string_view t, int n);
// The last n bytes, same clamping.
Text TextRight(std::string_view t, int n);
// n bytes from byte `start`; "" when start < 1, start > length or n <= 0; cut at the end.
Text TextMid(std::string_view t, int start, int n);

// Pieces between exact occurrences of `delimiter`. "" gives no piece; an empty delimiter or
// a text without it gives one piece. Empty inner and leading pieces stay; a trailing
// delimiter adds no empty last piece.
std::vector<Text> SplitText(std::string_view t, std::string_view delimiter);

// t with the occurrences of `old` from byte `start` on replaced by `replacement`, left to
// right without overlaps, at most `count` times (count < 0: all). An empty t or `old` gives t.
Text ReplaceText(std::string_view t, std::string_view old, std::string_view replacement,
                 int start = 1, int count = -1, bool caseSensitive = true);

// t without every ASCII space and every full-width space (A1 A1), wherever they stand.
Text StripSpaces(std::string_view t);

// Negative, 0 or positive as a sorts before, with or after b by unsigned byte values.
// Without caseSensitive, ASCII letters of one-byte characters compare regardless of case.
int CompareText(std::string_view a, std::string_view b, bool caseSensitive);

// "%d" for integers, "%.13g" for doubles.
Text NumberToText(long long x);
inline Text NumberToText(int x) { return NumberToText(static_cast<long long>(x)); }
Text NumberToText(double x);

// The bytes of b up to its first zero byte (all of them when there is none).
Text BytesToText(std::string_view b);

// 1-based position of the bytes `what` at or after `start`, compared exactly;
// -1 when absent or when `what` is empty.
int FindBytes(std::string_view b, std::string_view what, int start = 1);

// ASCII letters of one-byte characters turned to lower case; two-byte characters unchanged.
Text AsciiLower(std::string_view t);

}  // namespace tovren

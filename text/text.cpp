#include "text/text.h"

#include <cstdio>

namespace tovren {
namespace {

inline bool IsLead(unsigned char c) { return c >= 0x80; }
inline unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

// Width of the character that starts at byte index i (0-based): 2 for a lead byte that has a
// byte after it, otherwise 1.
inline size_t CharWidth(std::string_view t, size_t i) {
  return (IsLead(static_cast<unsigned char>(t[i])) && i + 1 < t.size()) ? 2 : 1;
}

// Whether `what` matches t at byte index i (a character boundary of t). Bytes compare
// exactly, except that with ignoreCase an ASCII letter that is a one-byte character of t
// matches either case; the bytes of two-byte characters always compare exactly, so case
// folding never changes which byte strings match apart from the letters.
bool MatchesAt(std::string_view t, size_t i, std::string_view what, bool ignoreCase) {
  if (t.size() - i < what.size()) return false;
  if (!ignoreCase) return t.compare(i, what.size(), what) == 0;
  for (size_t k = 0; k < what.size(); ++k) {
    unsigned char x = static_cast<unsigned char>(t[i + k]);
    unsigned char y = static_cast<unsigned char>(what[k]);
    if (CharWidth(t, i + k) == 2) {
      // A two-byte character of t: its lead and (if `what` reaches it) its trail compare
      // exactly; an ASCII-valued trail byte is not a letter.
      if (x != y) return false;
      if (k + 1 < what.size() && t[i + k + 1] != what[k + 1]) return false;
      ++k;
    } else if (FoldAscii(x) != FoldAscii(y)) {
      return false;
    }
  }
  return true;
}

// The first character boundary of t at or after byte index `target`, walking from the
// boundary i. A match of a `what` that ends in a lone lead byte may stop inside a
// character of t; scanning then resumes on t's own boundaries, never on a trail byte.
size_t BoundaryAtOrAfter(std::string_view t, size_t i, size_t target) {
  while (i < target) i += CharWidth(t, i);
  return i;
}

}  // namespace

int TextLength(std::string_view t) { return static_cast<int>(t.size()); }

int FindText(std::string_view t, std::string_view what, int start, bool ignoreCase) {
  if (start < 1) start = 1;
  if (static_cast<size_t>(start) > t.size()) return -1;
  if (what.empty()) return 1;
  const size_t from = static_cast<size_t>(start - 1);
  for (size_t i = 0; i < t.size(); i += CharWidth(t, i)) {
    if (i >= from && MatchesAt(t, i, what, ignoreCase)) return static_cast<int>(i + 1);
  }
  return -1;
}

int FindTextReverse(std::string_view t, std::string_view what, bool ignoreCase) {
  if (t.empty()) return -1;
  if (what.empty()) return 1;
  int last = -1;
  for (size_t i = 0; i < t.size(); i += CharWidth(t, i)) {
    if (MatchesAt(t, i, what, ignoreCase)) last = static_cast<int>(i + 1);
  }
  return last;
}

Text TextLeft(std::string_view t, int n) {
  if (n <= 0) return {};
  return Text(t.substr(0, static_cast<size_t>(n)));
}

Text TextRight(std::string_view t, int n) {
  if (n <= 0) return {};
  if (static_cast<size_t>(n) >= t.size()) return Text(t);
  return Text(t.substr(t.size() - static_cast<size_t>(n)));
}

Text TextMid(std::string_view t, int start, int n) {
  if (start < 1 || static_cast<size_t>(start) > t.size() || n <= 0) return {};
  return Text(t.substr(static_cast<size_t>(start - 1), static_cast<size_t>(n)));
}

std::vector<Text> SplitText(std::string_view t, std::string_view delimiter) {
  std::vector<Text> pieces;
  if (t.empty()) return pieces;
  if (delimiter.empty()) {
    pieces.emplace_back(t);
    return pieces;
  }
  size_t piece_start = 0;
  size_t i = 0;
  while (i < t.size()) {
    if (MatchesAt(t, i, delimiter, false)) {
      pieces.emplace_back(t.substr(piece_start, i - piece_start));
      piece_start = i + delimiter.size();
      i = BoundaryAtOrAfter(t, i, piece_start);
    } else {
      i += CharWidth(t, i);
    }
  }
  if (piece_start < t.size()) pieces.emplace_back(t.substr(piece_start));
  return pieces;
}

Text ReplaceText(std::string_view t, std::string_view old, std::string_view replacement,
                 int start, int count, bool caseSensitive) {
  if (t.empty() || old.empty()) return Text(t);
  if (start < 1) start = 1;
  const size_t from = static_cast<size_t>(start - 1);
  Text out;
  out.reserve(t.size());
  size_t i = 0;
  int done = 0;
  while (i < t.size()) {
    if (i >= from && (count < 0 || done < count) && MatchesAt(t, i, old, !caseSensitive)) {
      out.append(replacement);
      const size_t end = i + old.size();
      i = BoundaryAtOrAfter(t, i, end);
      out.append(t.substr(end, i - end));
      ++done;
      continue;
    }
    size_t w = CharWidth(t, i);
    out.append(t.substr(i, w));
    i += w;
  }
  return out;
}

Text StripSpaces(std::string_view t) {
  Text out;
  out.reserve(t.size());
  for (size_t i = 0; i < t.size();) {
    size_t w = CharWidth(t, i);
    if (w == 1 && t[i] == ' ') {
      // dropped
    } else if (w == 2 && static_cast<unsigned char>(t[i]) == 0xA1 &&
               static_cast<unsigned char>(t[i + 1]) == 0xA1) {
      // full-width space dropped
    } else {
      out.append(t.substr(i, w));
    }
    i += w;
  }
  return out;
}

int CompareText(std::string_view a, std::string_view b, bool caseSensitive) {
  size_t i = 0;
  while (i < a.size() && i < b.size()) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    size_t w = CharWidth(a, i);
    if (w == 1 && !caseSensitive) {
      x = FoldAscii(x);
      y = IsLead(y) ? y : FoldAscii(y);
    }
    if (x != y) return x < y ? -1 : 1;
    if (w == 2) {
      if (i + 1 >= b.size()) return 1;
      unsigned char x2 = static_cast<unsigned char>(a[i + 1]);
      unsigned char y2 = static_cast<unsigned char>(b[i + 1]);
      if (x2 != y2) return x2 < y2 ? -1 : 1;
    }
    i += w;
  }
  const bool a_done = i >= a.size();
  const bool b_done = i >= b.size();
  if (a_done && b_done) return 0;
  return a_done ? -1 : 1;
}

Text NumberToText(long long x) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld", x);
  return buf;
}

Text NumberToText(double x) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.13g", x);
  return buf;
}

Text BytesToText(std::string_view b) {
  size_t z = b.find('\0');
  return Text(z == std::string_view::npos ? b : b.substr(0, z));
}

int FindBytes(std::string_view b, std::string_view what, int start) {
  if (what.empty()) return -1;
  if (start < 1) start = 1;
  if (static_cast<size_t>(start) > b.size()) return -1;
  size_t p = b.find(what, static_cast<size_t>(start - 1));
  return p == std::string_view::npos ? -1 : static_cast<int>(p + 1);
}

Text AsciiLower(std::string_view t) {
  Text out(t);
  for (size_t i = 0; i < out.size(); i += CharWidth(out, i)) {
    if (CharWidth(out, i) == 1) out[i] = static_cast<char>(FoldAscii(static_cast<unsigned char>(out[i])));
  }
  return out;
}

}  // namespace tovren

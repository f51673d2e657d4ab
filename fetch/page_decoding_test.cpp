// Tests of the page text decoding: the charset rule, the strict iconv conversion, the
// lenient UTF-8 decoders and the GBK conversions for display and input.
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "fetch/page_decoding.h"
#include "fetch/unicode_units.h"

namespace tovren {
namespace {

// Byte strings with zero bytes need their length.
Bytes B(const char* s, size_t n) { return Bytes(s, n); }

// Shows bytes as hex in failure messages.
std::string Hex(const std::string& s) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
    out += ' ';
  }
  return out;
}

// UTF-8 and GBK forms of the characters used below.
#define U8_ZHONG "\xE4\xB8\xAD"   // 中 U+4E2D
#define U8_WEN "\xE6\x96\x87"     // 文 U+6587
#define U8_HAN "\xED\x95\x9C"     // 한 U+D55C, a Korean syllable GBK lacks
#define U8_BOM "\xEF\xBB\xBF"     // U+FEFF
#define U8_EMOJI "\xF0\x9F\x98\x80"  // U+1F600
#define GBK_ZHONG "\xD6\xD0"
#define GBK_WEN "\xCE\xC4"

struct PageCase {
  const char* name;
  Bytes body;
  Text want;
};

// Cases where the lenient step does not run: both decoders must agree.
const std::vector<PageCase>& CharsetRuleCases() {
  static const std::vector<PageCase> cases = {
      {"empty body", "", ""},
      {"ascii without charset unchanged", "<html><title>Hello, world</title></html>",
       "<html><title>Hello, world</title></html>"},
      {"gb2312 declared: taken byte for byte",
       "<meta charset=gb2312><title>" GBK_ZHONG GBK_WEN "</title>",
       "<meta charset=gb2312><title>" GBK_ZHONG GBK_WEN "</title>"},
      {"GBK declared", "<meta content=\"text/html; charset=GBK\">" GBK_ZHONG,
       "<meta content=\"text/html; charset=GBK\">" GBK_ZHONG},
      {"gb18030 in mixed case", "<META CharSet=Gb18030>" GBK_WEN,
       "<META CharSet=Gb18030>" GBK_WEN},
      {"quoted value with spaces", "<meta charset = 'gb2312'>" GBK_ZHONG,
       "<meta charset = 'gb2312'>" GBK_ZHONG},
      // A gb declaration wins even when the bytes are really UTF-8 (or anything else).
      {"gb declared over UTF-8 bytes", "<meta charset=gbk>" U8_ZHONG,
       "<meta charset=gbk>" U8_ZHONG},
      {"gb declared over invalid bytes", "charset=gbk\xFF\xFE", "charset=gbk\xFF\xFE"},
      {"utf-8 declared: converted", "<meta charset=utf-8><title>" U8_ZHONG U8_WEN "</title>",
       "<meta charset=utf-8><title>" GBK_ZHONG GBK_WEN "</title>"},
      {"utf-8 without declaration: converted", U8_ZHONG "a", GBK_ZHONG "a"},
      {"full-width space", "\xE3\x80\x80", "\xA1\xA1"},
      // The first "charset" decides, even inside a script before the real declaration.
      {"first charset is gb, page is utf-8",
       "<!-- charset=gb2312 --><meta charset=utf-8>" U8_ZHONG,
       "<!-- charset=gb2312 --><meta charset=utf-8>" U8_ZHONG},
      // The window is 20 bytes from the "c": "gb" must begin within the 12 bytes after
      // "charset=", so 10 spaces still fit and the page is taken as GBK.
      {"gb at the end of the window", "charset=          gb2312" GBK_ZHONG,
       "charset=          gb2312" GBK_ZHONG},
      {"gb in a later window only", "charset=utf-8 charset=gbk " U8_ZHONG,
       "charset=utf-8 charset=gbk " GBK_ZHONG},
      {"charset word ignores case", "CHARSET=GB2312" U8_ZHONG, "CHARSET=GB2312" U8_ZHONG},
      {"gb before charset does not count", "gb2312 charset=utf-8 " U8_ZHONG,
       "gb2312 charset=utf-8 " GBK_ZHONG},
      {"zero first byte", B("\0<meta charset=gbk>" GBK_ZHONG, 21), ""},
      {"zero first byte, utf-8", B("\0" U8_ZHONG, 4), ""},
      {"zero byte in the middle of a gb page",
       B("charset=gbk" GBK_ZHONG "\0" GBK_WEN, 16), "charset=gbk" GBK_ZHONG},
      {"zero byte in the middle of a utf-8 page", B("ab" U8_ZHONG "\0" U8_WEN, 9),
       "ab" GBK_ZHONG},
      // UTF-16 pages stop at the first zero byte.
      {"utf-16 page", B("<\0h\0t\0", 6), "<"},
  };
  return cases;
}

TEST(DecodePageTextTest, CharsetRule) {
  for (const PageCase& c : CharsetRuleCases()) {
    EXPECT_EQ(DecodePageText(c.body), c.want) << c.name << ": " << Hex(DecodePageText(c.body));
    EXPECT_EQ(DecodePageTextThreeByte(c.body), c.want) << "three-byte: " << c.name;
  }
}

// Pages that fail the strict conversion and so go the lenient way; the two lenient steps
// differ.
struct LenientCase {
  const char* name;
  Bytes body;
  Text want_utf8;        // DecodePageText (Utf8ToLocalText)
  Text want_three_byte;  // DecodePageTextThreeByte (DecodeUtf8ThreeByte)
};

TEST(DecodePageTextTest, LenientStep) {
  const LenientCase cases[] = {
      // GBK bytes are not UTF-8: question marks, but for stray characters where a GBK pair
      // is valid UTF-8 (邪 = D0 B0 is U+0430, Cyrillic a, which GBK has as A7 D1).
      {"gbk page without declaration", "<title>" GBK_ZHONG GBK_WEN "</title>",
       "<title>????" "</title>", "<title>\xAC\x80\x9D\xD3title"},
      {"gbk pair valid as utf-8", "\xD0\xB0\xC4\xE3!", "\xA7\xD1??" "!", "?"},
      // "gb" is searched character by character: here the window holds A1 67 62, and the
      // 67 is the trail byte of a two-byte character, so no "gb" begins on a character.
      {"gb on a trail byte is no gb", "charset=\xA1gb\xD6\xD0", "charset=?gb??",
       "charset=?"},
      // A value more than 13 bytes after the word is missed: the page goes the UTF-8 way.
      {"gb beyond the window", "charset=           gb2312" GBK_ZHONG,
       "charset=           gb2312??", "charset=           gb2312"},
      {"big5 declared", "<meta charset=big5><title>\xA4\xA4\xA4\xE5</title>",
       "<meta charset=big5><title>????" "</title>",
       "<meta charset=big5><title>?\xF4\xC9title"},
      {"first charset is utf-8, page is gbk",
       "<script>x.charset='utf-8'</script><meta charset=gbk>" GBK_ZHONG "!",
       "<script>x.charset='utf-8'</script><meta charset=gbk>??" "!",
       "<script>x.charset='utf-8'</script><meta charset=gbk>\xAD\\"},
      {"korean syllable", "<title>" U8_ZHONG U8_HAN U8_WEN "</title>",
       "<title>" GBK_ZHONG "?" GBK_WEN "</title>",
       "<title>" GBK_ZHONG "?" GBK_WEN "</title"},
      {"byte-order mark", U8_BOM "<title>" U8_ZHONG "</title>",
       "?<title>" GBK_ZHONG "</title>", "?<title>" GBK_ZHONG "</title"},
      {"emoji", "a" U8_EMOJI "b!", "a?b!", "a??"},
      {"zero byte after an invalid part", B("a\xFF" "b\0c", 5), "a?b", "a?"},
  };
  for (const LenientCase& c : cases) {
    EXPECT_EQ(DecodePageText(c.body), c.want_utf8) << c.name << ": "
                                                   << Hex(DecodePageText(c.body));
    EXPECT_EQ(DecodePageTextThreeByte(c.body), c.want_three_byte)
        << c.name << ": " << Hex(DecodePageTextThreeByte(c.body));
  }
}

TEST(DecodePageTextTest, LeavesItsArgumentAlone) {
  const Bytes body = "<title>" U8_HAN "</title>";
  Bytes copy = body;
  DecodePageText(copy);
  DecodePageTextThreeByte(copy);
  EXPECT_EQ(copy, body);
}

TEST(DecodePageTextTest, ManyThreadsAtOnce) {
  // Crawler workers decode at the same time: no state may be shared between calls.
  const Bytes body = "<title>" U8_ZHONG U8_HAN "</title>";
  const Text want = "<title>" GBK_ZHONG "?</title>";
  std::vector<std::thread> threads;
  std::vector<Text> got(4);
  for (size_t t = 0; t < got.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < 20; ++k) got[t] = DecodePageText(body) + LocalToUtf8(GBK_WEN);
    });
  }
  for (std::thread& t : threads) t.join();
  for (const Text& g : got) EXPECT_EQ(g, want + U8_WEN);
}

TEST(ConvertCharsetTest, StrictConversion) {
  struct Case {
    const char* name;
    Bytes in;
    const char* from;
    const char* to;
    Bytes want;
  } cases[] = {
      {"utf-8 to gbk", U8_ZHONG U8_WEN "a", "UTF-8", "GBK", GBK_ZHONG GBK_WEN "a"},
      {"zero bytes converted too", B("a\0" U8_ZHONG "\0", 6), "UTF-8", "GBK",
       B("a\0" GBK_ZHONG "\0", 5)},
      {"empty", "", "UTF-8", "GBK", ""},
      {"euro sign", "\xE2\x82\xAC", "UTF-8", "GBK", "\x80"},
      {"invalid utf-8", "a\xFF" "b", "UTF-8", "GBK", ""},
      {"cut utf-8 sequence at the end", "a\xE4\xB8", "UTF-8", "GBK", ""},
      {"overlong utf-8", "\xC0\xAF", "UTF-8", "GBK", ""},
      {"encoded surrogate", "\xED\xA0\x80", "UTF-8", "GBK", ""},
      {"byte-order mark is a character gbk lacks", U8_BOM "a", "UTF-8", "GBK", ""},
      {"korean syllable", "a" U8_HAN, "UTF-8", "GBK", ""},
      {"emoji", U8_EMOJI, "UTF-8", "GBK", ""},
      {"gbk to utf-8", GBK_ZHONG "x" GBK_WEN, "GBK", "UTF-8", U8_ZHONG "x" U8_WEN},
      {"gbk full-width space", "\xA1\xA1", "GBK", "UTF-8", "\xE3\x80\x80"},
      {"gbk zero bytes", B(GBK_ZHONG "\0z", 4), "GBK", "UTF-8", B(U8_ZHONG "\0z", 5)},
      {"gbk lone lead byte at the end", GBK_ZHONG "\xD6", "GBK", "UTF-8", ""},
      {"gbk invalid pair", "a\xFF\xFF", "GBK", "UTF-8", ""},
      {"unknown character set", "abc", "UTF-8", "NO-SUCH-SET", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConvertCharset(c.in, c.from, c.to), c.want)
        << c.name << ": " << Hex(ConvertCharset(c.in, c.from, c.to));
  }
}

TEST(ConvertCharsetTest, LargeInputIsConvertedWhole) {
  // Far larger than any first output buffer guess: the result must still be complete.
  Bytes in;
  Bytes want;
  for (int k = 0; k < 20000; ++k) {
    in += U8_ZHONG "a";
    want += GBK_ZHONG "a";
  }
  EXPECT_EQ(ConvertCharset(in, "UTF-8", "GBK"), want);
  EXPECT_EQ(ConvertCharset(want, "GBK", "UTF-8"), in);
  in += U8_HAN;  // one bad character at the very end spoils it all
  EXPECT_EQ(ConvertCharset(in, "UTF-8", "GBK"), "");
}

TEST(Utf8ToUtf16Test, MaximalSubpartsBecomeOneReplacementEach) {
  const std::u16string R = u"\uFFFD";
  struct Case {
    const char* name;
    Bytes in;
    std::u16string want;
  } cases[] = {
      {"ascii", "ab", u"ab"},
      {"empty", "", u""},
      {"zero byte", B("a\0b", 3), std::u16string(u"a\0b", 3)},
      {"two bytes", "\xC3\xA9", u"\u00E9"},
      {"three bytes", U8_ZHONG, u"\u4E2D"},
      {"four bytes become a surrogate pair", U8_EMOJI, u"\xD83D\xDE00"},
      {"highest code point", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
      {"byte-order mark kept", U8_BOM "a", u"\uFEFFa"},
      {"lone continuation byte", "\x80", R},
      {"invalid byte FF", "a\xFF" "b", u"a" + R + u"b"},
      {"cut three-byte sequence", "\xE4\xB8", R},
      {"cut sequence before ascii", "\xE4\xB8" "A", R + u"A"},
      {"cut four-byte sequence", "\xF0\x9F\x98", R},
      {"lead before a lead", "\xE4" U8_ZHONG, R + u"\u4E2D"},
      {"overlong two bytes", "\xC0\xAF", R + R},
      {"overlong three bytes", "\xE0\x80\xAF", R + R + R},
      {"surrogate", "\xED\xA0\x80", R + R + R},
      {"above U+10FFFF", "\xF4\x90\x80\x80", R + R + R + R},
      {"F5 lead", "\xF5\x80", R + R},
      {"gbk text", GBK_ZHONG GBK_WEN, R + R + R + R},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.want) << c.name;
}

TEST(Utf8ToLocalTextTest, Lenient) {
  struct Case {
    const char* name;
    Bytes in;
    Text want;
  } cases[] = {
      {"chinese", U8_ZHONG U8_WEN, GBK_ZHONG GBK_WEN},
      {"character gbk lacks", U8_HAN "A", "?A"},
      {"malformed", "\xE4\xB8" "A\xFF", "?A?"},
      {"above U+FFFF is one question mark", U8_EMOJI "A", "?A"},
      {"ends at a zero byte", B("a\0b", 3), "a"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToLocalText(c.in), c.want) << c.name;
}

TEST(WideToLocalTextTest, Utf16ToGbk) {
  struct Case {
    const char* name;
    Bytes in;  // UTF-16 little endian
    Text want;
  } cases[] = {
      {"ascii", B("A\0B\0", 4), "AB"},
      {"chinese", B("\x2D\x4E" "a\0", 4), GBK_ZHONG "a"},
      {"ideographic space", B("\x00\x30", 2), "\xA1\xA1"},
      {"ends at the first NUL", B("A\0\0\0B\0", 6), "A"},
      {"without a NUL at the end", B("A\0B\0C\0", 6), "ABC"},
      {"empty", "", ""},
      {"korean syllable", B("\x5C\xD5" "A\0", 4), "?A"},
      {"replacement character", B("\xFD\xFF" "A\0", 4), "?A"},
      {"lone high surrogate", B("\x3D\xD8" "A\0", 4), "?A"},
      {"lone low surrogate", B("\x00\xDC" "A\0", 4), "?A"},
      {"high surrogate at the end", B("A\0\x3D\xD8", 4), "A?"},
      {"surrogate pair is one character", B("\x3D\xD8\x00\xDE" "A\0", 6), "?A"},
      {"odd last byte ignored", B("A\0B", 3), "A"},
  };
  for (const Case& c : cases) EXPECT_EQ(WideToLocalText(c.in), c.want) << c.name;
}

TEST(DecodeUtf8ThreeByteTest, FormulaAndEnds) {
  struct Case {
    const char* name;
    Bytes in;
    Text want;
  } cases[] = {
      {"last byte dropped", U8_ZHONG "AB", GBK_ZHONG "A"},
      {"empty", "", ""},
      {"one byte is never decoded", "A", ""},
      {"two ascii bytes", "AB", "A"},
      {"sequence ending on the last byte is whole", "A" U8_ZHONG, "A" GBK_ZHONG},
      // A cut sequence ends the output; nothing is read past the end.
      {"lead as the one-but-last byte", "A\xE4" "B", "A"},
      {"lead and one byte at the end", "A\xE4\xB8", "A"},
      {"lead as the only byte", "\xE4", ""},
      {"lead as the last byte", "AB\xE4", "AB"},
      {"cut sequence alone", "\xE4\xB8", ""},
      // Every byte from 0x7F on is a three-byte lead: F0 81 81 gives 0x10041, low 16
      // bits U+0041.
      {"four-byte lead, low 16 bits", "\xF0\x81\x81ZZ", "AZ"},
      {"0x7F is a lead", "\x7F" "ABC", "?"},
      {"two-byte lead swallows ascii", "\xC3\xA9xyz", "?y"},
      {"sequence decoding to zero ends the text", "a\xE0\x80\x80" "bc", "a"},
      {"zero byte ends the text", B("a\0bc", 4), "a"},
      {"encoded surrogate", "\xED\xA0\x80" "ab", "?a"},
      {"encoded surrogate pair is one character", "\xED\xA0\xBD\xED\xB8\x80" "ab", "?a"},
      {"character gbk lacks", U8_HAN "ab", "?a"},
  };
  // A decoder that read on past a cut sequence would decode the bytes after the input
  // (the string's terminator at least) into one more character, which the cut cases catch.
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeUtf8ThreeByte(c.in), c.want)
        << c.name << ": " << Hex(DecodeUtf8ThreeByte(c.in));
  }
}

TEST(LocalToUtf8Test, NeverFails) {
  struct Case {
    const char* name;
    Text in;
    std::string want;
  } cases[] = {
      {"ascii", "abc", "abc"},
      {"chinese", GBK_ZHONG GBK_WEN, U8_ZHONG U8_WEN},
      {"ideographic space", "\xA1\xA1", "\xE3\x80\x80"},
      {"euro sign", "\x80", "\xE2\x82\xAC"},
      {"lone lead at the end", GBK_ZHONG "\xD6", U8_ZHONG "\xEF\xBF\xBD"},
      {"lead before ascii keeps the ascii", "\xD6" "!", "\xEF\xBF\xBD" "!"},
      {"lead before a digit", "\x81\x30", "\xEF\xBF\xBD" "0"},
      {"invalid pair is one character", "\x81\xFF" "a", "\xEF\xBF\xBD" "a"},
      {"FF", "\xFF", "\xEF\xBF\xBD"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(LocalToUtf8(c.in), c.want) << c.name;
}

TEST(Utf8ToLocalTest, UnmappableBecomesQuestionMark) {
  struct Case {
    const char* name;
    std::string in;
    Text want;
  } cases[] = {
      {"chinese and ascii", "http://a.cn/" U8_ZHONG, "http://a.cn/" GBK_ZHONG},
      {"korean", U8_HAN U8_WEN, "?" GBK_WEN},
      {"malformed", "a\xFF", "a?"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToLocal(c.in), c.want) << c.name;
}

TEST(LocalToUtf8Test, RoundTripsEveryGbkCharacterItDecodes) {
  // Every valid two-byte GBK character goes to UTF-8 and back unchanged.
  int checked = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const Text gbk{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string utf8 = LocalToUtf8(gbk);
      if (utf8.find("\xEF\xBF\xBD") != std::string::npos) continue;  // no GBK character
      ++checked;
      ASSERT_EQ(Utf8ToLocal(utf8), gbk) << Hex(gbk);
    }
  }
  EXPECT_GT(checked, 20000);
}

}  // namespace
}  // namespace tovren

// Tests of the GBK byte-string primitives, the 1-based text lists and ThreadGroup.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "text/owned_threads.h"
#include "text/text.h"
#include "text/text_list.h"

namespace tovren {
namespace {

// GBK characters used below. The trail byte of some of them equals an ASCII character:
// 丄 = 81 41 ('A'), 乤 = 81 61 ('a'), 昞 = 95 5C ('\').
#define ZHONG "\xD6\xD0"  // 中
#define WEN "\xCE\xC4"    // 文
#define SHANG "\x81\x41"  // 丄, trail byte 'A'
#define ZHA "\x81\x61"    // 乤, trail byte 'a'
#define BING "\x95\x5C"   // 昞, trail byte '\'
#define QSPACE "\xA1\xA1" // full-width space

TEST(TextTest, TextLengthCountsBytes) {
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength("abc"), 3);
  EXPECT_EQ(TextLength(ZHONG WEN "a"), 5);
}

TEST(TextTest, FindText) {
  struct Case {
    const char* name;
    std::string t, what;
    int start;
    bool ignoreCase;
    int want;
  } cases[] = {
      {"first occurrence", "abcabc", "bc", 1, false, 2},
      {"from start", "abcabc", "bc", 3, false, 5},
      {"start on the match", "abcabc", "bc", 5, false, 5},
      {"start past last match", "abcabc", "bc", 6, false, -1},
      {"start below 1 counts as 1", "abcabc", "a", -4, false, 1},
      {"start 0", "abcabc", "a", 0, false, 1},
      {"absent", "abcabc", "x", 1, false, -1},
      {"what longer than t", "ab", "abc", 1, false, -1},
      {"match at the very end", "abc", "c", 1, false, 3},
      {"start beyond the end", "abc", "c", 4, false, -1},
      {"start far beyond the end", "abc", "a", 100, false, -1},
      {"empty what", "abc", "", 1, false, 1},
      {"empty what, start inside", "abc", "", 3, false, 1},
      {"empty what, start beyond the end", "abc", "", 4, false, -1},
      {"empty what in empty text", "", "", 1, false, -1},
      {"empty text", "", "a", 1, false, -1},
      {"case sensitive miss", "CharSet", "charset", 1, false, -1},
      {"ignore case", "xCharSet", "charset", 1, true, 2},
      {"ignore case, upper what", "xcharset", "CHARSET", 1, true, 2},
      {"ignore case folds letters only", "a[", "A{", 1, true, -1},
      {"ignore case, @ is not `", "@", "`", 1, true, -1},
      {"chinese", "a" ZHONG WEN, WEN, 1, false, 4},
      {"chinese ignore case", "A" ZHONG "B", ZHONG "b", 1, true, 2},
      // A match never begins on the trail byte of a two-byte character.
      {"trail byte A not a match", SHANG, "A", 1, false, -1},
      {"trail byte A skipped, next A found", SHANG "A", "A", 1, false, 3},
      {"trail byte a, ignore case", SHANG ZHA, "a", 1, true, -1},
      {"trail byte a, ignore case, real a later", SHANG ZHA "xA", "a", 1, true, 6},
      {"trail backslash", BING "\\", "\\", 1, false, 3},
      {"start on a trail byte", SHANG "A", "A", 2, false, 3},
      {"start on a trail byte, nothing after", SHANG, "A", 2, false, -1},
      {"two-byte stepping across text", ZHONG "A" SHANG "BA", "A", 4, false, 7},
      // Trail bytes in what compare exactly; ASCII-valued trail bytes are not letters.
      {"trail byte not folded", "\x81\x61", "\x81\x41", 1, true, -1},
      {"trail byte exact", "x\x81\x41", "\x81\x41", 1, true, 2},
      {"lone lead byte at the end", "ab\xD6", "\xD6", 1, false, 3},
      {"what ending in a lead byte", ZHONG, "\xD6", 1, false, 1},
      {"what ending in a lead byte, ignore case", ZHONG, "\xD6", 1, true, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindText(c.t, c.what, c.start, c.ignoreCase), c.want) << c.name;
  }
}

TEST(TextTest, FindTextDefaultsAreStartOneAndCaseSensitive) {
  EXPECT_EQ(FindText("xAa", "a"), 3);
}

TEST(TextTest, FindTextReverse) {
  struct Case {
    const char* name;
    std::string t, what;
    bool ignoreCase;
    int want;
  } cases[] = {
      {"last occurrence", "abcabc", "bc", false, 5},
      {"single occurrence", "abc", "a", false, 1},
      {"absent", "abc", "x", false, -1},
      {"empty text", "", "a", false, -1},
      {"empty what in empty text", "", "", false, -1},
      {"overlapping candidates", "aaa", "aa", false, 2},
      {"case sensitive", "aA", "a", false, 1},
      {"ignore case", "aAb", "a", true, 2},
      {"last slash", "http://a.b/c/d", "/", false, 13},
      {"trail byte A not a match", "A" SHANG, "A", false, 1},
      {"trail byte only", SHANG, "A", false, -1},
      {"trail byte a, ignore case", "a" ZHA SHANG, "A", true, 1},
      {"chinese", ZHONG "x" ZHONG, ZHONG, false, 4},
      {"trail backslash", "\\" BING, "\\", false, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindTextReverse(c.t, c.what, c.ignoreCase), c.want) << c.name;
  }
}

TEST(TextTest, LeftRightMidClamp) {
  struct Case {
    const char* name;
    std::string got, want;
  } cases[] = {
      {"left 2", TextLeft("abcd", 2), "ab"},
      {"left 0", TextLeft("abcd", 0), ""},
      {"left negative", TextLeft("abcd", -1), ""},
      {"left beyond", TextLeft("abcd", 10), "abcd"},
      {"left exact", TextLeft("abcd", 4), "abcd"},
      {"left of empty", TextLeft("", 3), ""},
      {"left counts bytes", TextLeft(ZHONG WEN, 2), ZHONG},
      {"left may cut a character", TextLeft(ZHONG WEN, 3), ZHONG "\xCE"},
      {"right 2", TextRight("abcd", 2), "cd"},
      {"right 0", TextRight("abcd", 0), ""},
      {"right negative", TextRight("abcd", -5), ""},
      {"right beyond", TextRight("abcd", 9), "abcd"},
      {"right exact", TextRight("abcd", 4), "abcd"},
      {"right of empty", TextRight("", 1), ""},
      {"right counts bytes", TextRight("a" ZHONG, 2), ZHONG},
      {"mid", TextMid("abcdef", 2, 3), "bcd"},
      {"mid from 1", TextMid("abcdef", 1, 2), "ab"},
      {"mid cut at end", TextMid("abcdef", 5, 10), "ef"},
      {"mid last byte", TextMid("abcdef", 6, 1), "f"},
      {"mid start beyond", TextMid("abcdef", 7, 1), ""},
      {"mid start 0", TextMid("abcdef", 0, 3), ""},
      {"mid start negative", TextMid("abcdef", -1, 3), ""},
      {"mid n 0", TextMid("abcdef", 2, 0), ""},
      {"mid n negative", TextMid("abcdef", 2, -3), ""},
      {"mid of empty", TextMid("", 1, 1), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
}

TEST(TextTest, SplitText) {
  using V = std::vector<Text>;
  struct Case {
    const char* name;
    std::string t, delimiter;
    V want;
  } cases[] = {
      {"plain", "a,b,c", ",", V{"a", "b", "c"}},
      {"empty text gives no piece", "", ",", V{}},
      {"empty delimiter gives t", "a,b", "", V{"a,b"}},
      {"no delimiter gives t", "abc", ",", V{"abc"}},
      {"empty inner piece stays", "a,,b", ",", V{"a", "", "b"}},
      {"leading delimiter keeps empty first piece", ",a", ",", V{"", "a"}},
      {"trailing delimiter adds no last piece", "a,b,", ",", V{"a", "b"}},
      {"two trailing delimiters", "a,,", ",", V{"a", ""}},
      {"delimiter only", ",", ",", V{""}},
      {"two delimiters only", ",,", ",", V{"", ""}},
      {"multi-byte delimiter", "a\r\nb\r\n\r\nc", "\r\n", V{"a", "b", "", "c"}},
      {"case sensitive", "aXbxc", "x", V{"aXb", "c"}},
      {"no overlaps", "aaaa", "aa", V{"", ""}},
      {"chinese pieces", ZHONG "," WEN, ",", V{ZHONG, WEN}},
      {"chinese delimiter", "a" ZHONG "b", ZHONG, V{"a", "b"}},
      // The trail byte 'A' of 丄 is not a delimiter.
      {"trail byte not a delimiter", "x" SHANG "yAz", "A", V{"x" SHANG "y", "z"}},
      {"trail backslash", BING "\\" BING, "\\", V{BING, BING}},
      // A delimiter ending in a lone lead byte may end inside a character of t; the
      // search then goes on at t's next character, not at the trail byte.
      {"delimiter ending inside a character", "\xB0\xB0\xB0\xA1", "\xB0",
       V{"", "\xB0", "\xA1"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitText(c.t, c.delimiter), c.want) << c.name;
}

TEST(TextTest, ReplaceText) {
  struct Case {
    const char* name;
    std::string t, old, replacement;
    int start, count;
    bool caseSensitive;
    std::string want;
  } cases[] = {
      {"all", "a ./b ./c", " ./", "", 1, -1, true, "ab" "c"},
      {"longer replacement", "a-b-c", "-", "--", 1, -1, true, "a--b--c"},
      {"left to right, no overlaps", "aaa", "aa", "b", 1, -1, true, "ba"},
      {"replacement not rescanned", "ab", "a", "aa", 1, -1, true, "aab"},
      {"count 1", "xxx", "x", "y", 1, 1, true, "yxx"},
      {"count 2", "xxx", "x", "y", 1, 2, true, "yyx"},
      {"count 0", "xxx", "x", "y", 1, 0, true, "xxx"},
      {"start skips earlier", "xxx", "x", "y", 2, -1, true, "xyy"},
      {"start and count", "xxxx", "x", "y", 2, 2, true, "xyyx"},
      {"start beyond the end", "xxx", "x", "y", 4, -1, true, "xxx"},
      {"start below 1", "xxx", "x", "y", -3, -1, true, "yyy"},
      {"case sensitive", "aAa", "a", "b", 1, -1, true, "bAb"},
      {"case insensitive", "aAa", "a", "b", 1, -1, false, "bbb"},
      {"case insensitive word", "<TITLE>x</Title>", "<title>", "[", 1, -1, false, "[x</Title>"},
      {"empty text", "", "a", "b", 1, -1, true, ""},
      {"empty old", "abc", "", "x", 1, -1, true, "abc"},
      {"absent", "abc", "d", "x", 1, -1, true, "abc"},
      {"chinese", ZHONG "a" ZHONG, ZHONG, WEN, 1, -1, true, WEN "a" WEN},
      {"trail byte A untouched", SHANG "A", "A", "b", 1, -1, true, SHANG "b"},
      {"trail byte a untouched, case insensitive", ZHA "a", "A", "b", 1, -1, false, ZHA "b"},
      {"start on a trail byte", SHANG "A", "A", "b", 2, -1, true, SHANG "b"},
      {"old ending inside a character", "\xB0\xB0\xB0\xA1", "\xB0", "x", 1, -1, true,
       "x\xB0x\xA1"},
      {"dot slash removal", "http://a/./b/../c", "./", "", 1, -1, true, "http://a/b/.c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceText(c.t, c.old, c.replacement, c.start, c.count, c.caseSensitive), c.want)
        << c.name;
  }
  EXPECT_EQ(ReplaceText("aAa", "a", "b"), "bAb") << "defaults: all, case sensitive";
}

TEST(TextTest, StripSpaces) {
  struct Case {
    const char* name;
    std::string t, want;
  } cases[] = {
      {"ascii spaces anywhere", " a b  c ", "abc"},
      {"full-width spaces", QSPACE "a" QSPACE QSPACE "b" QSPACE, "ab"},
      {"mixed", " " QSPACE " " ZHONG " ", ZHONG},
      {"tab, cr, lf stay", "a\tb\r\nc", "a\tb\r\nc"},
      {"only spaces", "  " QSPACE, ""},
      {"empty", "", ""},
      {"chinese kept", ZHONG WEN, ZHONG WEN},
      // A1 A1 across two characters (trail of one, lead of the next) is no full-width space.
      {"A1 A1 across characters", "\xB0\xA1\xA1\xB0", "\xB0\xA1\xA1\xB0"},
      {"space as trail byte is no space", "\x81\x20", "\x81\x20"},
      {"lone A1 at the end", "a\xA1", "a\xA1"},
  };
  for (const Case& c : cases) EXPECT_EQ(StripSpaces(c.t), c.want) << c.name;
}

int Sign(int x) { return (x > 0) - (x < 0); }

TEST(TextTest, CompareText) {
  struct Case {
    const char* name;
    std::string a, b;
    bool caseSensitive;
    int want;  // sign
  } cases[] = {
      {"equal", "abc", "abc", true, 0},
      {"both empty", "", "", true, 0},
      {"empty before text", "", "a", true, -1},
      {"prefix before longer", "ab", "abc", true, -1},
      {"longer after prefix", "abc", "ab", true, 1},
      {"byte order", "abd", "abc", true, 1},
      {"case differs, sensitive", "ABC", "abc", true, -1},
      {"case differs, insensitive", "ABC", "abc", false, 0},
      {"url case", "HTTP://A.com/X", "http://a.COM/x", false, 0},
      {"insensitive still orders", "abD", "ABC", false, 1},
      {"bytes are unsigned", "\xB0\xA1", "z", true, 1},
      {"chinese equal", ZHONG WEN, ZHONG WEN, false, 0},
      {"chinese order", ZHONG, WEN, true, 1},
      // Trail bytes are part of their character and are not folded.
      {"trail bytes not folded", SHANG, ZHA, false, -1},
      {"letter vs trail byte", "xA", "x\x81", false, -1},
      {"cut character", ZHONG, "\xD6", false, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sign(CompareText(c.a, c.b, c.caseSensitive)), c.want) << c.name;
    EXPECT_EQ(Sign(CompareText(c.b, c.a, c.caseSensitive)), -c.want) << c.name << " (swapped)";
  }
}

TEST(TextTest, NumberToText) {
  struct Case {
    const char* name;
    std::string got, want;
  } cases[] = {
      {"int zero", NumberToText(0), "0"},
      {"int", NumberToText(42), "42"},
      {"int negative", NumberToText(-7), "-7"},
      {"int max", NumberToText(2147483647), "2147483647"},
      {"long long", NumberToText(10000000000LL), "10000000000"},
      {"whole double has no point", NumberToText(3.0), "3"},
      {"double zero", NumberToText(0.0), "0"},
      {"one tenth", NumberToText(0.1), "0.1"},
      {"half", NumberToText(2.5), "2.5"},
      {"negative", NumberToText(-0.25), "-0.25"},
      {"13 significant digits", NumberToText(1.0 / 3.0), "0.3333333333333"},
      {"rounded to 13 digits", NumberToText(2.0 / 3.0), "0.6666666666667"},
      {"large whole", NumberToText(1234567890123.0), "1234567890123"},
      {"exponent beyond 13 digits", NumberToText(1e20), "1e+20"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
}

TEST(TextTest, BytesToText) {
  struct Case {
    const char* name;
    std::string b, want;
  } cases[] = {
      {"no zero byte", "abc", "abc"},
      {"zero in the middle", std::string("ab\0cd", 5), "ab"},
      {"zero first", std::string("\0ab", 3), ""},
      {"zero last", std::string("ab\0", 3), "ab"},
      {"empty", "", ""},
      {"high bytes kept", ZHONG "\xFF", ZHONG "\xFF"},
  };
  for (const Case& c : cases) EXPECT_EQ(BytesToText(c.b), c.want) << c.name;
}

TEST(TextTest, FindBytes) {
  const std::string body("a\0b\0c\xD6\xD0", 7);
  struct Case {
    const char* name;
    std::string b, what;
    int start, want;
  } cases[] = {
      {"plain", "abcabc", "bc", 1, 2},
      {"from start", "abcabc", "bc", 3, 5},
      {"absent", "abc", "x", 1, -1},
      {"empty what", "abc", "", 1, -1},
      {"empty bytes", "", "a", 1, -1},
      {"zero bytes are bytes", body, std::string("\0c", 2), 1, 4},
      {"after a zero", body, "c", 1, 5},
      {"exact, no case folding", "ABC", "b", 1, -1},
      // Byte strings know no characters: a trail byte can start a match.
      {"trail byte matches", "\x81\x41", "A", 1, 2},
      {"start beyond the end", "abc", "c", 4, -1},
      {"start below 1", "abc", "a", 0, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(FindBytes(c.b, c.what, c.start), c.want) << c.name;
}

TEST(TextTest, AsciiLowerFoldsOneByteLettersOnly) {
  EXPECT_EQ(AsciiLower("HTTP://A.Com/" SHANG "Z"), "http://a.com/" SHANG "z");
  EXPECT_EQ(AsciiLower(""), "");
}

TEST(TextListTest, AppendGetSetRemove) {
  TextList list;
  EXPECT_EQ(ListCount(list), 0);
  ListAppend(list, "a");
  ListAppend(list, "b");
  ListAppend(list, "c");
  ASSERT_EQ(ListCount(list), 3);
  EXPECT_EQ(ListGet(list, 1), "a");
  EXPECT_EQ(ListGet(list, 3), "c");

  ListSet(list, 2, "B");
  EXPECT_EQ(ListGet(list, 2), "B");

  ListRemoveAt(list, 1);  // later entries move down one place
  ASSERT_EQ(ListCount(list), 2);
  EXPECT_EQ(ListGet(list, 1), "B");
  EXPECT_EQ(ListGet(list, 2), "c");
  ListRemoveAt(list, 2);
  EXPECT_EQ(list, TextList{"B"});
}

TEST(TextListTest, AppendCopies) {
  TextList list;
  std::string t = "x";
  ListAppend(list, t);
  t = "y";
  EXPECT_EQ(ListGet(list, 1), "x");
}

TEST(TextListTest, OutOfRangeDoesNothing) {
  const TextList original{"a", "b"};
  struct Case {
    const char* name;
    int i;
  } cases[] = {{"zero", 0}, {"negative", -1}, {"one past the end", 3}, {"far", 100}};
  for (const Case& c : cases) {
    TextList list = original;
    EXPECT_EQ(ListGet(list, c.i), "") << c.name;
    ListSet(list, c.i, "z");
    EXPECT_EQ(list, original) << "set " << c.name;
    ListRemoveAt(list, c.i);
    EXPECT_EQ(list, original) << "remove " << c.name;
  }
  TextList empty;
  EXPECT_EQ(ListGet(empty, 1), "");
  ListRemoveAt(empty, 1);
  EXPECT_TRUE(empty.empty());
}

TEST(ThreadGroupTest, RunsEveryTaskAndJoinAllWaitsForAll) {
  std::atomic<int> finished{0};
  ThreadGroup group;
  for (int i = 0; i < 8; ++i) {
    group.Start([&finished, i] {
      // Tasks that are still running when JoinAll begins must be waited for.
      std::this_thread::sleep_for(std::chrono::milliseconds(5 * (i % 3)));
      finished.fetch_add(1);
    });
  }
  group.JoinAll();
  EXPECT_EQ(finished.load(), 8);

  // The group stays usable after JoinAll, and reaps finished threads on Start.
  group.Start([&finished] { finished.fetch_add(1); });
  group.Start([&finished] { finished.fetch_add(1); });
  group.JoinAll();
  EXPECT_EQ(finished.load(), 10);
}

TEST(ThreadGroupTest, TaskMayStartAnotherTask) {
  std::atomic<int> finished{0};
  ThreadGroup group;
  group.Start([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    group.Start([&finished] {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      finished.fetch_add(1);
    });
    finished.fetch_add(1);
  });
  group.JoinAll();  // also waits for the task started while it was joining
  EXPECT_EQ(finished.load(), 2);
}

TEST(ThreadGroupTest, DestructorJoins) {
  std::atomic<int> finished{0};
  {
    ThreadGroup group;
    for (int i = 0; i < 3; ++i) {
      group.Start([&finished] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        finished.fetch_add(1);
      });
    }
  }
  EXPECT_EQ(finished.load(), 3);
}

}  // namespace
}  // namespace tovren

#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace veskaro::platform {
namespace {

TEST(CodePageTest, FoldsCodePage1252Letters) {
  EXPECT_EQ(UpperCase1252("abc\xE9\x9A\xFF\xF7\xDF"), "ABC\xC9\x8A\x9F\xF7\xDF");
  EXPECT_EQ(LowerCase1252("ABC\xC9\x8A\x9F\xD7"), "abc\xE9\x9A\xFF\xD7");
  EXPECT_TRUE(
      EqualsIgnoreCase1252("\xC9"
                           "cole.INF",
                           "\xE9"
                           "COLE.inf"));
  EXPECT_FALSE(EqualsIgnoreCase1252("\xF7", "\xD7"));  // division and multiplication signs
  EXPECT_FALSE(EqualsIgnoreCase1252("abc", "abcd"));
  // Every byte: lower and upper case are inverse where they change a byte.
  for (int i = 0; i < 256; ++i) {
    const char c = static_cast<char>(i);
    if (LowerCase1252(c) != c) {
      EXPECT_EQ(UpperCase1252(LowerCase1252(c)), c) << i;
    }
    if (UpperCase1252(c) != c) {
      EXPECT_EQ(LowerCase1252(UpperCase1252(c)), c) << i;
    }
  }
}

TEST(CodePageTest, ComparesIgnoringCaseAsUnsignedBytes) {
  EXPECT_EQ(CompareIgnoreCase1252("Net.INF", "NET.inf"), 0);
  EXPECT_LT(CompareIgnoreCase1252("apm", "NET"), 0);
  EXPECT_GT(CompareIgnoreCase1252("\xC9T\xC9", "zz"), 0);  // high bytes sort after ASCII
  EXPECT_LT(CompareIgnoreCase1252("abc", "ABCD"), 0);
  EXPECT_GT(CompareIgnoreCase1252("abcd", "ABC"), 0);
}

TEST(CodePageTest, TellsValidUtf8) {
  EXPECT_TRUE(IsValidUtf8("G\xC3\xA9n\xC3\xA9rique \xE2\x82\xAC \xF0\x9F\x98\x80"));
  EXPECT_TRUE(IsAscii("plain.inf"));
  EXPECT_FALSE(IsAscii("G\xC3\xA9"));
  EXPECT_FALSE(IsValidUtf8("G\xE9n\xE9rique"));   // code page 1252 bytes
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xC3"));              // cut short
}

TEST(CodePageTest, ConvertsBetweenTheCodePageAndUtf8) {
  std::string out;
  if (!CodePageToUtf8(1252, "a", &out)) GTEST_SKIP() << "no converter on this system";
  ASSERT_TRUE(CodePageToUtf8(1252, "Zentara Audio G\xE9n\xE9rique \x80", &out));
  EXPECT_EQ(out, "Zentara Audio G\xC3\xA9n\xC3\xA9rique \xE2\x82\xAC");
  ASSERT_TRUE(Utf8ToCodePage(1252, out, &out));
  EXPECT_EQ(out, "Zentara Audio G\xE9n\xE9rique \x80");
  ASSERT_TRUE(CodePageToUtf8(1252, "", &out));
  EXPECT_EQ(out, "");
  // Every defined byte of the page goes there and back.
  for (int i = 0x20; i < 256; ++i) {
    const std::string byte(1, static_cast<char>(i));
    std::string utf8, back;
    if (!CodePageToUtf8(1252, byte, &utf8)) {
      EXPECT_TRUE(i == 0x81 || i == 0x8D || i == 0x8F || i == 0x90 || i == 0x9D) << i;
      continue;
    }
    ASSERT_TRUE(Utf8ToCodePage(1252, utf8, &back)) << i;
    EXPECT_EQ(back, byte) << i;
  }
  // What the page cannot hold, or what is not UTF-8, does not convert.
  EXPECT_FALSE(Utf8ToCodePage(1252, "\xE6\x97\xA5", &out));  // a CJK character
  EXPECT_FALSE(Utf8ToCodePage(1252, "G\xE9", &out));
  EXPECT_FALSE(CodePageToUtf8(99999, "abc", &out));
  // For showing, bytes the page leaves undefined keep their number.
  EXPECT_EQ(CodePageToUtf8Shown(1252, "G\xE9\x81\x9D \x80"),
            "G\xC3\xA9\xC2\x81\xC2\x9D \xE2\x82\xAC");
  // Another page of the same kind.
  ASSERT_TRUE(CodePageToUtf8(1250, "\x8A", &out));
  EXPECT_EQ(out, "\xC5\xA0");  // S caron
}

}  // namespace
}  // namespace veskaro::platform

#include "platform/qt/cp1252.h"

#include <gtest/gtest.h>

namespace veskaro::platform {
namespace {

TEST(Cp1252Test, HighRangeDiffersFromLatin1) {
  EXPECT_EQ(Cp1252ToUnicode(0x80), U'\u20AC');  // euro sign
  EXPECT_EQ(Cp1252ToUnicode(0x93), U'\u201C');  // left double quotation mark
  EXPECT_EQ(Cp1252ToUnicode(0x9F), U'\u0178');  // Y with diaeresis
  EXPECT_EQ(Cp1252ToUnicode(0x8A), U'\u0160');  // S with caron
  EXPECT_EQ(Cp1252ToUnicode(0x81), U'\u0081');  // unassigned: kept
  EXPECT_EQ(Cp1252ToUnicode(0xE9), U'\u00E9');  // same as Latin-1 above 0x9F
  EXPECT_EQ(Cp1252ToUnicode('A'), U'A');
}

TEST(Cp1252Test, EveryByteConvertsAndConvertsBack) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  bool lossless = false;
  EXPECT_EQ(ToCp1252(FromCp1252(all), &lossless), all);
  EXPECT_TRUE(lossless);
}

TEST(Cp1252Test, TextBothWays) {
  EXPECT_EQ(FromCp1252("Soci\xE9t\xE9 \x80 5"), QString::fromUtf8("Société € 5"));
  bool lossless = true;
  EXPECT_EQ(ToCp1252(QString::fromUtf8("Ω caf\u00e9 \u201cq\u201d"), &lossless),
            "? caf\xE9 \x93q\x94");
  EXPECT_FALSE(lossless);
  EXPECT_EQ(UnicodeToCp1252(U'\u20AC'), 0x80);
  EXPECT_EQ(UnicodeToCp1252(U'\u0080'), -1);  // Latin-1's control, not in the page
  // A character outside the basic plane is one "?", not two.
  EXPECT_EQ(ToCp1252(QString::fromUtf8("a\U0001F600b")), "a?b");
}

}  // namespace
}  // namespace veskaro::platform

#include <gtest/gtest.h>

#include "equipment/common/WideString.h"

namespace equ {
namespace {

TEST(WideStringTest, Utf8RoundTripsCyrillicAndAstralCharacters) {
  const std::string text = "Сканер \xF0\x9F\x98\x80 ok";
  EXPECT_EQ(WideToUtf8(Utf8ToWide(text)), text);
  EXPECT_EQ(Utf8ToWide("Ж").size(), 1u);
}

TEST(WideStringTest, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToWide("a\xFF"
                       "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToWide("\xD0"), u"\uFFFD") << "a truncated sequence at the end";
  EXPECT_EQ(Utf8ToWide("\xD0z"), u"\uFFFDz");
}

TEST(WideStringTest, AsciiCaseFoldingLeavesOtherLettersAlone) {
  EXPECT_TRUE(SameTextAscii(u"GetScanData", u"GETSCANDATA"));
  EXPECT_FALSE(SameTextAscii(u"Тест", u"ТЕСТ"));
  EXPECT_TRUE(SameTextAscii(u"Тест1", u"Тест1"));
  EXPECT_FALSE(SameTextAscii(u"a", u"ab"));
}

TEST(WideStringTest, EscapesOnlyCrLfPairs) {
  EXPECT_EQ(EscapeLineBreaks(u"a\r\nb\rc\nd\r\n"), u"a\\nb\rc\nd\\n");
}

TEST(WideStringTest, HexWithMinimumDigits) {
  EXPECT_EQ(UIntToHex(0xAB, 8), u"000000AB");
  EXPECT_EQ(UIntToHex(0x123456789, 8), u"123456789");
}

}  // namespace
}  // namespace equ

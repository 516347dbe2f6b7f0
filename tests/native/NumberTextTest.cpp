#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "equipment/common/NumberText.h"

namespace equ {
namespace {

struct GeneralCase {
  double value;
  const char* expected;
};

void PrintTo(const GeneralCase& c, std::ostream* os) {
  *os << c.expected;
}

class FormatGeneralTest : public ::testing::TestWithParam<GeneralCase> {};

TEST_P(FormatGeneralTest, FifteenDigitsFixedOrScientific) {
  EXPECT_EQ(WideToUtf8(FormatGeneral(GetParam().value, 15, u'.')), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatGeneralTest,
    ::testing::Values(GeneralCase{0, "0"}, GeneralCase{1.5, "1.5"}, GeneralCase{-2, "-2"},
                      GeneralCase{0.1, "0.1"}, GeneralCase{1.0 / 3, "0.333333333333333"},
                      GeneralCase{123456789012345.0, "123456789012345"}, GeneralCase{1e15, "1E15"},
                      GeneralCase{1e20, "1E20"}, GeneralCase{0.00001, "0.00001"},
                      GeneralCase{1.5e-7, "1.5E-7"}, GeneralCase{-1.25e-6, "-1.25E-6"},
                      GeneralCase{100, "100"},
                      GeneralCase{static_cast<double>(0.1f), "0.100000001490116"},
                      GeneralCase{std::numeric_limits<double>::infinity(), "INF"},
                      GeneralCase{std::numeric_limits<double>::quiet_NaN(), "NAN"}));

TEST(FormatGeneralTest, UsesTheGivenDecimalSeparator) {
  EXPECT_EQ(FormatGeneral(-0.5, 15, u','), u"-0,5");
  EXPECT_EQ(FormatGeneral(2.5e-9, 15, u','), u"2,5E-9");
}

TEST(FormatDecimalTest, IsExact) {
  EXPECT_EQ(FormatDecimal(false, 0, 12345, 2, u'.'), u"123.45");
  EXPECT_EQ(FormatDecimal(true, 0, 5, 3, u','), u"-0,005");
  EXPECT_EQ(FormatDecimal(false, 1, 0, 0, u'.'), u"18446744073709551616");
  EXPECT_EQ(FormatDecimal(false, 0xFFFFFFFF, UINT64_MAX, 0, u'.'),
            u"79228162514264337593543950335");
  EXPECT_EQ(FormatDecimal(true, 0xFFFFFFFF, UINT64_MAX, 28, u','),
            u"-7,9228162514264337593543950335");
  EXPECT_EQ(FormatDecimal(false, 0, 1200, 2, u'.'), u"12");
  EXPECT_EQ(FormatDecimal(true, 0, 0, 0, u'.'), u"0");
}

struct ParseCase {
  const char16_t* text;
  std::optional<double> expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
  *os << WideToUtf8(c.text);
}

class ParseNumberTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseNumberTest, ReadsAutomationNumberTexts) {
  EXPECT_EQ(ParseAutomationNumber(GetParam().text, u'.', u','), GetParam().expected)
      << WideToUtf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseNumberTest,
    ::testing::Values(ParseCase{u"12", 12.0}, ParseCase{u" +3.25 ", 3.25}, ParseCase{u"-.5", -0.5},
                      ParseCase{u"1,000,000", 1e6}, ParseCase{u"2E3", 2000.0},
                      ParseCase{u"2e-1", 0.2}, ParseCase{u"&HFF", 255.0},
                      ParseCase{u"&HFFFFFFFF", -1.0}, ParseCase{u"&O17", 15.0},
                      ParseCase{u"", std::nullopt}, ParseCase{u"-", std::nullopt},
                      ParseCase{u"1e", std::nullopt}, ParseCase{u"1.2.3", std::nullopt},
                      ParseCase{u",5", std::nullopt}, ParseCase{u"&HXYZ", std::nullopt},
                      ParseCase{u"12 34", std::nullopt}));

}  // namespace
}  // namespace equ

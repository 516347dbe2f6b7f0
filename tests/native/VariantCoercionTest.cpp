#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

#include "LocaleFixture.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/SafeArray.h"
#include "equipment/common/VariantCoercion.h"

namespace equ {
namespace {

struct CoercionCase {
  std::string name;
  Variant source;
  VarType target;
  std::optional<Variant> expected;  // nullopt: the conversion fails
  std::int32_t error = 0;           // the failure's automation status
};

void PrintTo(const CoercionCase& c, std::ostream* os) {
  *os << c.name;
}

class CoercionTest : public ::testing::TestWithParam<CoercionCase> {
 protected:
  testing::LocaleScope locale_ = testing::EnglishLocale();
};

TEST_P(CoercionTest, ConvertsOrFailsAsAutomationDoes) {
  const CoercionCase& c = GetParam();
  if (c.expected) {
    const Variant converted = ChangeVariantType(c.source, c.target);
    EXPECT_EQ(converted, *c.expected)
        << WideToUtf8(converted.TypeCode() == 8 ? converted.RawString() : u"");
  } else {
    try {
      ChangeVariantType(c.source, c.target);
      ADD_FAILURE() << "conversion succeeded";
    } catch (const EVariantError& e) {
      EXPECT_EQ(e.ErrorCode(), c.error);
    }
  }
}

constexpr std::int32_t kMismatch = kVarErrorTypeMismatch;
constexpr std::int32_t kOverflow = kVarErrorOverflow;

Variant I2(std::int16_t v) {
  return Variant::Int(VarType::I2, v);
}
Variant UI1(std::uint8_t v) {
  return Variant::UInt(VarType::UI1, v);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CoercionTest,
    ::testing::Values(
        // strings to numbers
        CoercionCase{"StrToI4", Variant(u"42"), VarType::I4, Variant(42)},
        CoercionCase{"StrBlanksSign", Variant(u"  -17 "), VarType::I4, Variant(-17)},
        CoercionCase{"StrHalfToEven", Variant(u"2.5"), VarType::I4, Variant(2)},
        CoercionCase{"StrHalfToEvenUp", Variant(u"3.5"), VarType::I4, Variant(4)},
        CoercionCase{"StrThousands", Variant(u"1,234"), VarType::I4, Variant(1234)},
        CoercionCase{"StrExponent", Variant(u"1.5e3"), VarType::R8, Variant(1500.0)},
        CoercionCase{"StrHex", Variant(u"&H1F"), VarType::I4, Variant(31)},
        CoercionCase{"StrNotNumber", Variant(u"12a"), VarType::I4, std::nullopt, kMismatch},
        CoercionCase{"StrEmpty", Variant(u""), VarType::R8, std::nullopt, kMismatch},
        CoercionCase{"StrTooBig", Variant(u"3000000000"), VarType::I4, std::nullopt, kOverflow},
        CoercionCase{"StrToCurrency", Variant(u"12.34567"), VarType::Currency,
                     Variant(Currency{123457})},
        // numbers to strings
        CoercionCase{"I4ToStr", Variant(-5), VarType::String, Variant(u"-5")},
        CoercionCase{"R8ToStr", Variant(0.1), VarType::String, Variant(u"0.1")},
        CoercionCase{"R8BigToStr", Variant(1e20), VarType::String, Variant(u"1E+20")},
        CoercionCase{"R8ThirdToStr", Variant(1.0 / 3), VarType::String,
                     Variant(u"0.333333333333333")},
        CoercionCase{"R4ToStr", Variant::Single(0.1f), VarType::String, Variant(u"0.1")},
        CoercionCase{"CyToStr", Variant(Currency{15000}), VarType::String, Variant(u"1.5")},
        CoercionCase{"CyNegToStr", Variant(Currency{-1}), VarType::String, Variant(u"-0.0001")},
        CoercionCase{"BoolToStr", Variant(true), VarType::String, Variant(u"True")},
        CoercionCase{"EmptyToStr", Variant(), VarType::String, Variant(u"")},
        CoercionCase{"NullToStr", Variant::Null(), VarType::String, std::nullopt, kMismatch},
        // Booleans
        CoercionCase{"I4ToBool", Variant(2), VarType::Bool, Variant(true)},
        CoercionCase{"ZeroToBool", Variant(0.0), VarType::Bool, Variant(false)},
        CoercionCase{"StrTrueToBool", Variant(u"tRuE"), VarType::Bool, Variant(true)},
        CoercionCase{"StrNumberToBool", Variant(u"0"), VarType::Bool, Variant(false)},
        CoercionCase{"StrWordToBool", Variant(u"yes"), VarType::Bool, std::nullopt, kMismatch},
        CoercionCase{"BoolToI4", Variant(true), VarType::I4, Variant(-1)},
        CoercionCase{"BoolToI2", Variant(false), VarType::I2, I2(0)},
        CoercionCase{"BoolToUI1", Variant(true), VarType::UI1, UI1(255)},
        CoercionCase{"EmptyToBool", Variant(), VarType::Bool, Variant(false)},
        // integer widths and reals
        CoercionCase{"I2Widens", I2(-3), VarType::I4, Variant(-3)},
        CoercionCase{"I4ToI2Overflow", Variant(40000), VarType::I2, std::nullopt, kOverflow},
        CoercionCase{"NegToUI1", Variant(-1), VarType::UI1, std::nullopt, kOverflow},
        CoercionCase{"R8ToI4Rounds", Variant(-2.5), VarType::I4, Variant(-2)},
        CoercionCase{"NaNToI4", Variant(std::numeric_limits<double>::quiet_NaN()), VarType::I4,
                     std::nullopt, kOverflow},
        CoercionCase{"R8ToR4Overflow", Variant(1e300), VarType::R4, std::nullopt, kOverflow},
        CoercionCase{"EmptyToI4", Variant(), VarType::I4, Variant(0)},
        // the 64-bit edges
        CoercionCase{"UI8MaxToI8", Variant::UInt(VarType::UI8, UINT64_MAX), VarType::I8,
                     std::nullopt, kOverflow},
        CoercionCase{"UI8MaxStays", Variant::UInt(VarType::UI8, UINT64_MAX), VarType::UI8,
                     Variant::UInt(VarType::UI8, UINT64_MAX)},
        CoercionCase{"I8MinToUI8", Variant::Int(VarType::I8, INT64_MIN), VarType::UI8, std::nullopt,
                     kOverflow},
        CoercionCase{"I8MinStays", Variant::Int(VarType::I8, INT64_MIN), VarType::I8,
                     Variant::Int(VarType::I8, INT64_MIN)},
        CoercionCase{"BoolToUI8", Variant(true), VarType::UI8,
                     Variant::UInt(VarType::UI8, UINT64_MAX)},
        CoercionCase{"R8TwoTo63ToI8", Variant(9223372036854775808.0), VarType::I8, std::nullopt,
                     kOverflow},
        CoercionCase{"R8MinusTwoTo63ToI8", Variant(-9223372036854775808.0), VarType::I8,
                     Variant::Int(VarType::I8, INT64_MIN)},
        CoercionCase{"R8TwoTo63ToUI8", Variant(9223372036854775808.0), VarType::UI8,
                     Variant::UInt(VarType::UI8, 9223372036854775808ULL)},
        CoercionCase{"R8TwoTo64ToUI8", Variant(18446744073709551616.0), VarType::UI8, std::nullopt,
                     kOverflow},
        CoercionCase{"R8MinusZeroToUI1", Variant(-0.4), VarType::UI1, UI1(0)},
        // whole numbers in text keep all their 64 bits
        CoercionCase{"TextBeyond53BitsToI8", Variant(u"9007199254740993"), VarType::I8,
                     Variant::Int(VarType::I8, 9007199254740993LL)},
        CoercionCase{"TextI8MaxToI8", Variant(u"9223372036854775807"), VarType::I8,
                     Variant::Int(VarType::I8, INT64_MAX)},
        CoercionCase{"TextI8MinToI8", Variant(u" -9223372036854775808 "), VarType::I8,
                     Variant::Int(VarType::I8, INT64_MIN)},
        CoercionCase{"TextTwoTo63ToI8", Variant(u"9223372036854775808"), VarType::I8, std::nullopt,
                     kOverflow},
        CoercionCase{"TextUI8MaxWithSeparatorsToUI8", Variant(u"18,446,744,073,709,551,615"),
                     VarType::UI8, Variant::UInt(VarType::UI8, UINT64_MAX)},
        CoercionCase{"TextTwoTo64ToUI8", Variant(u"18446744073709551616"), VarType::UI8,
                     std::nullopt, kOverflow},
        CoercionCase{"TextWithFractionStillRounds", Variant(u"2.5"), VarType::I8,
                     Variant::Int(VarType::I8, 2)},
        // currency
        CoercionCase{"R8ToCy", Variant(1.23456), VarType::Currency, Variant(Currency{12346})},
        CoercionCase{"CyToI4HalfEven", Variant(Currency{25000}), VarType::I4, Variant(2)},
        CoercionCase{"CyToI4Up", Variant(Currency{25001}), VarType::I4, Variant(3)},
        CoercionCase{"I4ToCy", Variant(7), VarType::Currency, Variant(Currency{70000})},
        CoercionCase{"CyOverflow", Variant(1e18), VarType::Currency, std::nullopt, kOverflow},
        CoercionCase{"I8LargestToCy", Variant::Int(VarType::I8, 922337203685477), VarType::Currency,
                     Variant(Currency{9223372036854770000})},
        CoercionCase{"I8TooLargeForCy", Variant::Int(VarType::I8, 922337203685478),
                     VarType::Currency, std::nullopt, kOverflow},
        CoercionCase{"I8SmallestToCy", Variant::Int(VarType::I8, -922337203685477),
                     VarType::Currency, Variant(Currency{-9223372036854770000})},
        CoercionCase{"I8TooSmallForCy", Variant::Int(VarType::I8, -922337203685478),
                     VarType::Currency, std::nullopt, kOverflow},
        CoercionCase{"UI8MaxToCy", Variant::UInt(VarType::UI8, UINT64_MAX), VarType::Currency,
                     std::nullopt, kOverflow},
        // dates
        CoercionCase{"R8ToDate", Variant(45000.5), VarType::Date, Variant(Date{45000.5})},
        CoercionCase{"DateToR8", Variant(Date{2.25}), VarType::R8, Variant(2.25)},
        CoercionCase{"DateOutOfRange", Variant(3e6), VarType::Date, std::nullopt, kOverflow},
        CoercionCase{"StrToDate", Variant(u"31.12.1899"), VarType::Date, Variant(Date{1})},
        CoercionCase{"DateBeyondTheCalendarHasNoText", Variant(Date{1.2e107}), VarType::String,
                     Variant(u"")},
        CoercionCase{"DateBeforeTheCalendarHasNoText", Variant(Date{-657435.5}), VarType::String,
                     Variant(u"")},
        CoercionCase{"LastDayHasItsText", Variant(Date{2958465.5}), VarType::String,
                     Variant(u"31.12.9999 12:00:00")},
        CoercionCase{"StrNotDate", Variant(u"вчера"), VarType::Date, std::nullopt, kMismatch},
        CoercionCase{"DateToStr", Variant(Date{45000.75}), VarType::String,
                     Variant(u"15.03.2023 18:00:00")},
        // what never converts
        CoercionCase{"NullToI4", Variant::Null(), VarType::I4, std::nullopt, kMismatch},
        CoercionCase{"ErrorToI4", Variant::ErrorCode(5), VarType::I4, std::nullopt, kMismatch},
        CoercionCase{"ArrayToStr", Variant(SafeArray::Vector(1)), VarType::String, std::nullopt,
                     kMismatch},
        CoercionCase{"OpaqueToI4", Variant::Opaque(36), VarType::I4, std::nullopt, kMismatch}),
    [](const ::testing::TestParamInfo<CoercionCase>& p) { return p.param.name; });

TEST(CoercionLocaleTest, RussianLocaleReadsAndWritesTheDecimalComma) {
  auto locale = testing::RussianLocale();
  EXPECT_EQ(Variant(u"1,5").ToDouble(), 1.5);
  EXPECT_EQ(Variant(2.75).ToString(), u"2,75");
  EXPECT_EQ(Variant(Currency{12500}).ToString(), u"1,25");
  EXPECT_THROW(Variant(u"1.5").ToDouble(), EVariantError);
  EXPECT_EQ(Variant(u"1\u00A0234,5").ToDouble(), 1234.5);
}

TEST(CoercionTest, ByReferenceValueConvertsWhatItRefersTo) {
  auto locale = testing::EnglishLocale();
  Variant target(u"12");
  EXPECT_EQ(Variant::ReferenceTo(target).ToInt32(), 12);
  EXPECT_EQ(Variant::TypedReferenceTo(target).ToInt32(), 12);
}

TEST(CoercionTest, TypedGettersCoverTheSettingTypes) {
  auto locale = testing::EnglishLocale();
  EXPECT_EQ(Variant(u"120").ToInt32(), 120);
  EXPECT_TRUE(Variant(u"True").ToBool());
  EXPECT_EQ(Variant(u"0.5").ToCurrency(), Currency{5000});
  EXPECT_EQ(Variant(60).ToString(), u"60");
  EXPECT_EQ(Variant(u"12.05.2024").ToDate(), Date{45424});
}

}  // namespace
}  // namespace equ

#include <gtest/gtest.h>

#include <memory>

#include "LocaleFixture.h"
#include "equipment/common/SafeArray.h"
#include "equipment/common/VariantText.h"
#include "platform/AutomationObject.h"

namespace equ {
namespace {

class FixedAddressObject : public DispatchPort {
 public:
  explicit FixedAddressObject(std::uintptr_t address) : address_(address) {}
  std::uintptr_t Address() const override { return address_; }
  Variant CallMethod(std::u16string_view, std::span<DispatchArgument>) override { return {}; }
  std::optional<Variant> GetProperty(std::u16string_view) override { return std::nullopt; }

 private:
  std::uintptr_t address_;
};

class VariantTextTest : public ::testing::Test {
 protected:
  testing::LocaleScope locale_ = testing::EnglishLocale();
};

TEST_F(VariantTextTest, SimpleValues) {
  EXPECT_EQ(VariantToText(Variant()), u"EMPTY");
  EXPECT_EQ(VariantToText(Variant::Null()), u"NULL");
  EXPECT_EQ(VariantToText(Variant(-42)), u"-42");
  EXPECT_EQ(VariantToText(Variant::Int(VarType::I2, 7)), u"7");
  EXPECT_EQ(VariantToText(Variant(true)), u"True");
  EXPECT_EQ(VariantToText(Variant(false)), u"False");
  EXPECT_EQ(VariantToText(Variant(2.5)), u"2.5");
  EXPECT_EQ(VariantToText(Variant(Currency{12345})), u"1.2345");
  EXPECT_EQ(VariantToText(Variant::UInt(VarType::UI1, 65)), u"A");
  EXPECT_EQ(VariantToText(Variant(Date{45000.5})), u"15.03.2023 12:00:00");
}

TEST_F(VariantTextTest, TypesWithoutATraceFormPrintNothing) {
  EXPECT_EQ(VariantToText(Variant::Int(VarType::I8, 5)), u"");
  EXPECT_EQ(VariantToText(Variant::UInt(VarType::UI4, 5)), u"");
  EXPECT_EQ(VariantToText(Variant::Int(VarType::I1, 5)), u"");
  EXPECT_EQ(VariantToText(Variant::ErrorCode(1)), u"");
  EXPECT_EQ(VariantToText(Variant(Decimal{0, false, 0, 5})), u"");
  EXPECT_EQ(VariantToText(Variant::Opaque(36)), u"");
  EXPECT_EQ(VariantToText(Variant::Unknown(std::make_shared<FixedAddressObject>(1))), u"");
}

TEST_F(VariantTextTest, StringsAreQuotedWithCrLfEscaped) {
  EXPECT_EQ(VariantToText(Variant(u"line1\r\nline2")), u"'line1\\nline2'");
  EXPECT_EQ(VariantToText(Variant(u"a\rb\nc")), u"'a\rb\nc'");
  EXPECT_EQ(VariantToText(Variant(u"")), u"''");
}

TEST_F(VariantTextTest, DispatchPrintsItsReferenceInHex) {
  EXPECT_EQ(VariantToText(Variant(std::make_shared<FixedAddressObject>(0xABCDEF))), u"$00ABCDEF");
  EXPECT_EQ(VariantToText(Variant(std::shared_ptr<DispatchPort>())), u"$00000000");
}

TEST_F(VariantTextTest, ReferencesPrintTheirTarget) {
  Variant text(u"abc");
  Variant nothing;
  Variant number(3);
  EXPECT_EQ(VariantToText(Variant::ReferenceTo(text)), u"abc");
  EXPECT_EQ(VariantToText(Variant::ReferenceTo(nothing)), u"");
  EXPECT_EQ(VariantToText(Variant::ReferenceTo(number)), u"3");
  EXPECT_EQ(VariantToText(Variant::TypedReferenceTo(text)), u"'abc'");
  EXPECT_EQ(VariantToText(Variant::TypedReferenceTo(number)), u"3");
}

TEST_F(VariantTextTest, OneDimensionalArray) {
  const Variant array(SafeArray::Vector({Variant(1), Variant(u"abc"), Variant()}));
  EXPECT_EQ(VariantToText(array), u"[(1; 'abc'; EMPTY)]");
}

TEST_F(VariantTextTest, EmptyArrayAndArrayWithoutData) {
  EXPECT_EQ(VariantToText(Variant(SafeArray(VarType::Variant, {{0, 0}}))), u"[()]");
  EXPECT_EQ(VariantToText(Variant(SafeArray(VarType::Variant, {{5, 0}}))), u"[()]");
  EXPECT_EQ(VariantToText(Variant::ArrayWithoutData(VarType::Variant)), u"EMPTY");
}

TEST_F(VariantTextTest, TwoDimensionalArrayRunsTheLastDimensionOutermost) {
  SafeArray array(VarType::Variant, {{1, 2}, {1, 2}});
  for (std::int32_t i = 1; i <= 2; ++i) {
    for (std::int32_t j = 1; j <= 2; ++j) {
      const std::int32_t index[] = {i, j};
      *array.Find(index) = Variant(u"e" + IntToWide(i) + IntToWide(j));
    }
  }
  EXPECT_EQ(VariantToText(Variant(array)), u"[(('e11'; 'e21')('e12'; 'e22'))]");
}

TEST_F(VariantTextTest, NestedArraysUseTheirOwnForm) {
  const Variant inner(SafeArray::Vector({Variant(1), Variant(2)}));
  const Variant outer(SafeArray::Vector({inner, Variant(u"x")}));
  EXPECT_EQ(VariantToText(outer), u"[([(1; 2)]; 'x')]");
}

TEST_F(VariantTextTest, TypedStringArray) {
  SafeArray strings(VarType::String, {{0, 2}});
  strings.At(0) = Variant(u"a");
  EXPECT_EQ(VariantToText(Variant(strings)), u"[('a'; '')]");
}

TEST(VariantTextLocaleTest, RealsUseTheLocaleDecimalSeparator) {
  auto locale = testing::RussianLocale();
  EXPECT_EQ(VariantToText(Variant(2.5)), u"2,5");
  EXPECT_EQ(VariantToText(Variant::Single(0.5f)), u"0,5");
}

}  // namespace
}  // namespace equ

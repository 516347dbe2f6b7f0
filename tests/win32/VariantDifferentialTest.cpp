// The core's automation coercions against oleaut32's VariantChangeType, case by case, in
// whatever locale the process runs in (the suite runs in the default and the Russian one).
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cmath>
#include <string>

#include "equipment/common/Exceptions.h"
#include "equipment/common/VariantCoercion.h"
#include "equipment/common/VariantText.h"
#include "platform/win32/ComVariant.h"
#include "platform/win32/WinText.h"

namespace equ::win32 {
namespace {

struct DifferentialCase {
  std::string name;
  Variant source;
  VarType target;
  // Conversion flags for oleaut32. One difference is intended: the driver writes a Boolean as
  // True/False (what its settings texts and trace show, and what reads back as a Boolean),
  // where plain VariantChangeType writes -1/0; those cases compare with VARIANT_ALPHABOOL.
  USHORT flags = 0;
  // Wine writes the scientific form of a real with a '.' whatever the locale; Windows, like the
  // core, uses the locale's separator there too. Such cases compare after localising Wine's.
  bool scientific = false;
};

void PrintTo(const DifferentialCase& c, std::ostream* os) {
  *os << c.name;
}

// What a conversion gave: a value, or the status of its failure.
struct Outcome {
  bool ok = false;
  Variant value;
  std::int32_t error = 0;
};

Outcome CoreOutcome(const DifferentialCase& c) {
  try {
    return Outcome{true, ChangeVariantType(c.source, c.target), 0};
  } catch (const EVariantError& e) {
    return Outcome{false, Variant(), e.ErrorCode()};
  }
}

Outcome PlatformOutcome(const DifferentialCase& c) {
  ScopedVariant in;
  ToVariant(c.source, in.get());
  ScopedVariant out;
  const HRESULT hr =
      VariantChangeType(out.get(), in.get(), c.flags, static_cast<VARTYPE>(c.target));
  if (FAILED(hr)) return Outcome{false, Variant(), hr};
  return Outcome{true, FromVariant(*out.get()), 0};
}

WideString LocaliseDecimalPoint(WideString text) {
  wchar_t separator[4] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 4);
  for (char16_t& c : text) {
    if (c == u'.') c = static_cast<char16_t>(separator[0]);
  }
  return text;
}

std::string Describe(const Outcome& o) {
  if (!o.ok) return "error 0x" + WideToUtf8(UIntToHex(static_cast<std::uint32_t>(o.error), 8));
  const WideString text =
      o.value.Type() == VarType::String ? o.value.RawString() : VariantToText(o.value);
  return "type " + std::to_string(o.value.TypeCode()) + " " + WideToUtf8(text);
}

class VariantDifferentialTest : public ::testing::TestWithParam<DifferentialCase> {};

TEST_P(VariantDifferentialTest, CoreAgreesWithOleaut32) {
  const Outcome core = CoreOutcome(GetParam());
  Outcome platform = PlatformOutcome(GetParam());
  if (GetParam().scientific && platform.ok) {
    platform.value = Variant(LocaliseDecimalPoint(platform.value.RawString()));
  }
  EXPECT_EQ(Describe(core), Describe(platform));
}

// A number written with the running locale's decimal separator.
Variant Text(const wchar_t* text) {
  return Variant(LocaliseDecimalPoint(FromWide(text)));
}

INSTANTIATE_TEST_SUITE_P(
    Table, VariantDifferentialTest,
    ::testing::Values(
        DifferentialCase{"IntText", Variant(u"42"), VarType::I4},
        DifferentialCase{"BlankSignText", Variant(u" -17 "), VarType::I4},
        DifferentialCase{"HalfToEvenText", Text(L"2.5"), VarType::I4},
        DifferentialCase{"HalfUpText", Text(L"3.5"), VarType::I4},
        DifferentialCase{"RealText", Text(L"1.25"), VarType::R8},
        DifferentialCase{"ExponentText", Text(L"1.5E3"), VarType::R8},
        DifferentialCase{"HexText", Variant(u"&H1F"), VarType::I4},
        DifferentialCase{"NotANumber", Variant(u"12a"), VarType::I4},
        DifferentialCase{"EmptyText", Variant(u""), VarType::R8},
        DifferentialCase{"TooBigText", Variant(u"3000000000"), VarType::I4},
        DifferentialCase{"CurrencyText", Text(L"12.34567"), VarType::Currency},
        DifferentialCase{"IntToText", Variant(-5), VarType::String},
        DifferentialCase{"TenthToText", Variant(0.1), VarType::String},
        DifferentialCase{"ThirdToText", Variant(1.0 / 3), VarType::String},
        DifferentialCase{"BigToText", Variant(1e20), VarType::String},
        DifferentialCase{"SmallToText", Variant(1.5e-7), VarType::String, 0, true},
        DifferentialCase{"HalfToText", Variant(-0.5), VarType::String},
        DifferentialCase{"SingleToText", Variant::Single(0.1f), VarType::String},
        DifferentialCase{"CurrencyToText", Variant(Currency{15000}), VarType::String},
        DifferentialCase{"TinyCurrencyToText", Variant(Currency{-1}), VarType::String},
        DifferentialCase{"TrueToText", Variant(true), VarType::String, VARIANT_ALPHABOOL},
        DifferentialCase{"FalseToText", Variant(false), VarType::String, VARIANT_ALPHABOOL},
        DifferentialCase{"EmptyToText", Variant(), VarType::String},
        DifferentialCase{"NullToText", Variant::Null(), VarType::String},
        DifferentialCase{"IntToBool", Variant(2), VarType::Bool},
        DifferentialCase{"ZeroToBool", Variant(0.0), VarType::Bool},
        DifferentialCase{"TrueText", Variant(u"True"), VarType::Bool},
        DifferentialCase{"FalseTextLower", Variant(u"false"), VarType::Bool},
        DifferentialCase{"OneText", Variant(u"1"), VarType::Bool},
        DifferentialCase{"WordToBool", Variant(u"yes"), VarType::Bool},
        DifferentialCase{"TrueToInt", Variant(true), VarType::I4},
        DifferentialCase{"TrueToShort", Variant(true), VarType::I2},
        DifferentialCase{"EmptyToBool", Variant(), VarType::Bool},
        DifferentialCase{"EmptyToInt", Variant(), VarType::I4},
        DifferentialCase{"NullToInt", Variant::Null(), VarType::I4},
        DifferentialCase{"ShortToInt", Variant::Int(VarType::I2, -3), VarType::I4},
        DifferentialCase{"IntToShortOverflow", Variant(40000), VarType::I2},
        DifferentialCase{"NegativeToByte", Variant(-1), VarType::UI1},
        DifferentialCase{"RealToIntHalfEven", Variant(-2.5), VarType::I4},
        DifferentialCase{"RealToSingleOverflow", Variant(1e300), VarType::R4},
        DifferentialCase{"RealToCurrency", Variant(1.23456), VarType::Currency},
        DifferentialCase{"CurrencyToIntHalfEven", Variant(Currency{25000}), VarType::I4},
        DifferentialCase{"CurrencyToIntUp", Variant(Currency{25001}), VarType::I4},
        DifferentialCase{"IntToCurrency", Variant(7), VarType::Currency},
        DifferentialCase{"CurrencyOverflow", Variant(1e18), VarType::Currency},
        DifferentialCase{"CurrencyToBool", Variant(Currency{1}), VarType::Bool},
        DifferentialCase{"RealToDate", Variant(45000.5), VarType::Date},
        DifferentialCase{"DateToReal", Variant(Date{2.25}), VarType::R8},
        DifferentialCase{"DateOutOfRange", Variant(3e6), VarType::Date},
        DifferentialCase{"DateToText", Variant(Date{45000.75}), VarType::String},
        DifferentialCase{"DateOnlyToText", Variant(Date{45000}), VarType::String},
        DifferentialCase{"TimeOnlyToText", Variant(Date{0.5}), VarType::String},
        DifferentialCase{"TrueToDate", Variant(true), VarType::Date}),
    [](const ::testing::TestParamInfo<DifferentialCase>& p) { return p.param.name; });

}  // namespace
}  // namespace equ::win32

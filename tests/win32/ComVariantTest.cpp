// VARIANT and SAFEARRAY against the core's values, both ways.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include "FakeDispatch.h"
#include "equipment/common/Exceptions.h"
#include "platform/AutomationObject.h"
#include "platform/win32/ComDispatchPort.h"
#include "platform/win32/ComVariant.h"
#include "platform/win32/WinText.h"

namespace equ::win32 {
namespace {

Variant RoundTrip(const Variant& value) {
  ScopedVariant platform;
  ToVariant(value, platform.get());
  return FromVariant(*platform.get());
}

TEST(ComVariantTest, SimpleValuesRoundTrip) {
  const Variant values[] = {Variant(),
                            Variant::Null(),
                            Variant(-5),
                            Variant::Int(VarType::I2, -3),
                            Variant::Int(VarType::I1, -1),
                            Variant::UInt(VarType::UI1, 200),
                            Variant::UInt(VarType::UI4, 4000000000u),
                            Variant::Int(VarType::I8, -(1LL << 40)),
                            Variant::Single(1.5f),
                            Variant(2.25),
                            Variant(Currency{123456}),
                            Variant(Date{45000.5}),
                            Variant(u"Сканер\r\nштрихкода"),
                            Variant(true),
                            Variant(false),
                            Variant::ErrorCode(static_cast<std::int32_t>(DISP_E_PARAMNOTFOUND)),
                            Variant(Decimal{2, true, 0, 12345})};
  for (const Variant& value : values) {
    EXPECT_EQ(RoundTrip(value), value) << value.TypeCode();
  }
}

TEST(ComVariantTest, BooleansAreAutomationBooleans) {
  ScopedVariant platform;
  ToVariant(Variant(true), platform.get());
  EXPECT_EQ(V_VT(platform.get()), VT_BOOL);
  EXPECT_EQ(V_BOOL(platform.get()), VARIANT_TRUE);
}

TEST(ComVariantTest, TwoDimensionalArrayKeepsItsIndexOrder) {
  SafeArray table(VarType::Variant, {{0, 7}, {0, 2}});
  const std::int32_t cell[] = {6, 1};
  *table.Find(cell) = Variant(u"last row, second column");
  ScopedVariant platform;
  ToVariant(Variant(table), platform.get());
  SAFEARRAY* array = V_ARRAY(platform.get());
  ASSERT_EQ(SafeArrayGetDim(array), 2u);
  LONG upper1 = 0, upper2 = 0;
  SafeArrayGetUBound(array, 1, &upper1);
  SafeArrayGetUBound(array, 2, &upper2);
  EXPECT_EQ(upper1, 6);
  EXPECT_EQ(upper2, 1);
  LONG index[] = {6, 1};
  ScopedVariant element;
  ASSERT_EQ(SafeArrayGetElement(array, index, element.get()), S_OK);
  EXPECT_EQ(FromBstr(V_BSTR(element.get())), u"last row, second column");
  EXPECT_EQ(FromVariant(*platform.get()), Variant(table));
}

TEST(ComVariantTest, TypedArraysAndArraysWithoutData) {
  SafeArray strings(VarType::String, {{1, 2}});
  strings.At(1) = Variant(u"a");
  strings.At(2) = Variant(u"б");
  EXPECT_EQ(RoundTrip(Variant(strings)), Variant(strings));
  SafeArray bytes(VarType::UI1, {{0, 3}});
  bytes.At(2) = Variant::UInt(VarType::UI1, 9);
  EXPECT_EQ(RoundTrip(Variant(bytes)), Variant(bytes));
  EXPECT_EQ(RoundTrip(Variant::ArrayWithoutData(VarType::Variant)),
            Variant::ArrayWithoutData(VarType::Variant));
  EXPECT_EQ(RoundTrip(Variant(SafeArray(VarType::Variant, {{0, 0}}))),
            Variant(SafeArray(VarType::Variant, {{0, 0}})));
}

TEST(ComVariantTest, ReferenceChainsAreFollowedToTheirValue) {
  LONG number = 42;
  VARIANT typed;
  VariantInit(&typed);
  V_VT(&typed) = VT_BYREF | VT_I4;
  V_I4REF(&typed) = &number;
  VARIANT middle;
  VariantInit(&middle);
  V_VT(&middle) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&middle) = &typed;
  VARIANT outer;
  VariantInit(&outer);
  V_VT(&outer) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&outer) = &middle;
  EXPECT_EQ(FromVariant(outer), Variant(42));
}

TEST(ComVariantTest, UnmodelledTypesStayOpaque) {
  VARIANT record;
  VariantInit(&record);
  V_VT(&record) = VT_RECORD;
  const Variant value = FromVariant(record);
  EXPECT_TRUE(value.IsOpaque());
  EXPECT_EQ(value.TypeCode(), VT_RECORD);
}

TEST(ComVariantTest, DispatchReferencesAreSharedAndReleased) {
  auto* object = new testing::FakeDispatch();
  {
    VARIANT source;
    VariantInit(&source);
    V_VT(&source) = VT_DISPATCH;
    V_DISPATCH(&source) = object;
    object->AddRef();
    const Variant value = FromVariant(source);
    VariantClear(&source);
    ASSERT_EQ(value.Type(), VarType::Dispatch);
    EXPECT_EQ(value.Object()->Address(), reinterpret_cast<std::uintptr_t>(object));
    EXPECT_EQ(object->References(), 2u) << "the core value holds one reference";
    ScopedVariant back;
    ToVariant(value, back.get());
    EXPECT_EQ(V_DISPATCH(back.get()), object);
  }
  EXPECT_EQ(object->References(), 1u);
  object->Release();
}

TEST(ComDispatchPortTest, ReadsPropertiesAndCallsWithByReferenceArguments) {
  auto* object = new testing::FakeDispatch();
  VARIANT folder;
  VariantInit(&folder);
  V_VT(&folder) = VT_BSTR;
  V_BSTR(&folder) = SysAllocString(L"C:\\Модели\\");
  object->properties[L"ModelsFolder"] = folder;
  ComDispatchPort port(object);
  object->Release();
  EXPECT_EQ(port.GetProperty(u"ModelsFolder"), Variant(u"C:\\Модели\\"));
  EXPECT_FALSE(port.GetProperty(u"Missing").has_value());
  DispatchArgument args[] = {{Variant(), true}, {Variant(u"значение"), false}};
  EXPECT_EQ(port.CallMethod(u"Store", args), Variant(2));
  EXPECT_EQ(args[0].value, Variant(u"значение"));
  DispatchArgument one[] = {{Variant(1), false}};
  try {
    port.CallMethod(u"Store", one);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find(u"нужно два аргумента"), WideString::npos);
  }
  EXPECT_THROW(port.CallMethod(u"NoSuchMethod", one), Exception);
}

struct StoreCase {
  const char* name;
  VARTYPE referenced;
  Variant value;
};

class SetByRefValueTest : public ::testing::TestWithParam<StoreCase> {};

TEST_P(SetByRefValueTest, StoresTheValueAsTheReferencedType) {
  const StoreCase& c = GetParam();
  alignas(16) unsigned char storage[32] = {};
  VARIANT target;
  VariantInit(&target);
  V_VT(&target) = static_cast<VARTYPE>(VT_BYREF | c.referenced);
  V_BYREF(&target) = storage;
  SetByRefValue(&target, c.value);
  ScopedVariant stored;
  V_VT(stored.get()) = VT_EMPTY;
  ASSERT_EQ(VariantCopyInd(stored.get(), &target), S_OK);
  EXPECT_EQ(V_VT(stored.get()), c.referenced);
  if (c.referenced == VT_BSTR) SysFreeString(*reinterpret_cast<BSTR*>(storage));
}

INSTANTIATE_TEST_SUITE_P(
    Table, SetByRefValueTest,
    ::testing::Values(StoreCase{"I2", VT_I2, Variant(12)}, StoreCase{"UI2", VT_UI2, Variant(12)},
                      StoreCase{"I4", VT_I4, Variant(u"34")}, StoreCase{"UI4", VT_UI4, Variant(5)},
                      StoreCase{"R4", VT_R4, Variant(1.5)}, StoreCase{"R8", VT_R8, Variant(7)},
                      StoreCase{"Date", VT_DATE, Variant(Date{3})},
                      StoreCase{"Currency", VT_CY, Variant(2.5)},
                      StoreCase{"String", VT_BSTR, Variant(17)},
                      StoreCase{"Bool", VT_BOOL, Variant(1)},
                      StoreCase{"Byte", VT_UI1, Variant(200)}),
    [](const ::testing::TestParamInfo<StoreCase>& p) { return p.param.name; });

TEST(SetByRefValueTest, BooleanTrueIsMinusOne) {
  VARIANT_BOOL flag = 0;
  VARIANT target;
  VariantInit(&target);
  V_VT(&target) = VT_BYREF | VT_BOOL;
  V_BOOLREF(&target) = &flag;
  SetByRefValue(&target, Variant(true));
  EXPECT_EQ(flag, -1);
}

TEST(SetByRefValueTest, StringReplacesTheOldOne) {
  BSTR text = SysAllocString(L"old");
  VARIANT target;
  VariantInit(&target);
  V_VT(&target) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&target) = &text;
  SetByRefValue(&target, Variant(u"новое"));
  EXPECT_EQ(FromBstr(text), u"новое");
  SysFreeString(text);
}

TEST(SetByRefValueTest, VariantReferenceIsReplacedByACopy) {
  VARIANT holder;
  VariantInit(&holder);
  V_VT(&holder) = VT_BSTR;
  V_BSTR(&holder) = SysAllocString(L"old");
  VARIANT target;
  VariantInit(&target);
  V_VT(&target) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&target) = &holder;
  SetByRefValue(&target, Variant(SafeArray::Vector({Variant(1011), Variant(u"Порт недоступен")})));
  ASSERT_EQ(V_VT(&holder), VT_ARRAY | VT_VARIANT);
  EXPECT_EQ(FromVariant(holder),
            Variant(SafeArray::Vector({Variant(1011), Variant(u"Порт недоступен")})));
  VariantClear(&holder);
}

TEST(SetByRefValueTest, UnsupportedReferencedTypeFailsWithBadParameters) {
  LONGLONG wide = 0;
  VARIANT target;
  VariantInit(&target);
  V_VT(&target) = VT_BYREF | VT_I8;
  V_I8REF(&target) = &wide;
  try {
    SetByRefValue(&target, Variant(5));
    ADD_FAILURE() << "stored";
  } catch (const EquException& e) {
    EXPECT_EQ(e.Code(), 1004);
    EXPECT_EQ(e.Message(), u"Ошибка входных параметров команды");
  }
}

TEST(SetByRefValueTest, ValueThatDoesNotConvertFailsWithTheConversionError) {
  LONG number = 3;
  VARIANT target;
  VariantInit(&target);
  V_VT(&target) = VT_BYREF | VT_I4;
  V_I4REF(&target) = &number;
  EXPECT_THROW(SetByRefValue(&target, Variant(u"не число")), EVariantError);
  EXPECT_EQ(number, 3);
}

}  // namespace
}  // namespace equ::win32

#include <gtest/gtest.h>

#include "LocaleFixture.h"
#include "equipment/common/BaseObject.h"
#include "equipment/common/Exceptions.h"

namespace equ {
namespace {

class TSettingsObject : public TBaseObject {
 public:
  void Initialize() override {
    TBaseObject::Initialize();
    RegisterSetting(u"DefaultTimeOut", TDataType::dtNumber, Variant(120), false,
                    u"Таймаут по умолчанию", u"Таймаут");
    RegisterSetting(u"PortNumber", TDataType::dtNumber, Variant(1), false, u"Порт", u"Номер порта");
    RegisterSetting(u"Prefix", TDataType::dtString, Variant(u""), true, u"Префикс", u"");
    RegisterSetting(u"DebugLogEnabled", TDataType::dtBoolean, Variant(false), false, u"Лог", u"");
  }
  using TBaseObject::RegisterSetting;
};

class SettingsTableTest : public ::testing::Test {
 protected:
  SettingsTableTest() { object_.Initialize(); }
  testing::LocaleScope locale_ = testing::EnglishLocale();
  TSettingsObject object_;
};

TEST_F(SettingsTableTest, ReRegistrationKeepsPositionTypeAndFirstCaption) {
  object_.SetSettingValue(u"DefaultTimeOut", Variant(5));
  object_.RegisterSetting(u"DEFAULTTIMEOUT", TDataType::dtString, Variant(60), true, u"Другое",
                          u"Новое описание");
  const TSettingArray& rows = object_.SettingList();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].ID, u"DefaultTimeOut");
  EXPECT_EQ(rows[0].Name, u"Таймаут по умолчанию");
  EXPECT_EQ(rows[0].ValueType, TDataType::dtNumber);
  EXPECT_EQ(rows[0].Value, Variant(60));
  EXPECT_EQ(rows[0].Default, Variant(60));
  EXPECT_TRUE(rows[0].ReadOnly);
  EXPECT_EQ(rows[0].Description, u"Новое описание");
}

TEST_F(SettingsTableTest, LookupsFoldOnlyAsciiLetters) {
  EXPECT_EQ(object_.GetSettingValueInt(u"portnumber"), 1);
  EXPECT_EQ(object_.GetSettingValueInt(u"PORTNUMBER"), 1);
  object_.RegisterSetting(u"Порт", TDataType::dtNumber, Variant(7), false, u"", u"");
  EXPECT_EQ(object_.GetSettingValueInt(u"Порт"), 7);
  EXPECT_TRUE(object_.GetSettingValue(u"порт").IsEmpty());
}

TEST_F(SettingsTableTest, UnknownIdentifiersReadAsEmptyZeroBlankFalse) {
  EXPECT_TRUE(object_.GetSettingValue(u"Missing").IsEmpty());
  EXPECT_EQ(object_.GetSettingValueInt(u"Missing"), 0);
  EXPECT_EQ(object_.GetSettingValueDbl(u"Missing"), 0.0);
  EXPECT_EQ(object_.GetSettingValueStr(u"Missing"), u"");
  EXPECT_FALSE(object_.GetSettingValueBool(u"Missing"));
  EXPECT_EQ(object_.GetSettingValueCurr(u"Missing"), Currency{});
  EXPECT_FALSE(object_.GetSettingReadOnly(u"Missing"));
  object_.SetSettingValue(u"Missing", Variant(1));
  EXPECT_EQ(object_.SettingList().size(), 4u);
}

TEST_F(SettingsTableTest, StoresAsPassedAndConvertsOnRead) {
  object_.SetSettingValue(u"PortNumber", Variant(u"12"));
  EXPECT_EQ(object_.GetSettingValue(u"PortNumber"), Variant(u"12"));
  EXPECT_EQ(object_.GetSettingValueInt(u"PortNumber"), 12);
  EXPECT_EQ(object_.GetSettingValueDbl(u"PortNumber"), 12.0);
  object_.SetSettingValue(u"PortNumber", Variant(u"COM3"));
  EXPECT_THROW(object_.GetSettingValueInt(u"PortNumber"), EVariantError);
  EXPECT_EQ(object_.GetSettingValueStr(u"PortNumber"), u"COM3");
  object_.SetSettingValue(u"Prefix", Variant(5));
  EXPECT_EQ(object_.GetSettingValueStr(u"Prefix"), u"5") << "read-only is the editors' business";
  EXPECT_TRUE(object_.GetSettingReadOnly(u"prefix"));
}

TEST_F(SettingsTableTest, DefaultsAreKeptApartAndRestoredForEveryRow) {
  object_.SetSettingValue(u"PortNumber", Variant(9));
  object_.SetSettingValue(u"Prefix", Variant(u"%"));
  EXPECT_EQ(object_.GetSettingValue(u"PortNumber", true), Variant(1));
  object_.SetAllSettingsDefault();
  EXPECT_EQ(object_.GetSettingValue(u"PortNumber"), Variant(1));
  EXPECT_EQ(object_.GetSettingValue(u"Prefix"), Variant(u"")) << "read-only rows too";
}

TEST(DataTypeNameTest, NamesTheFourTypes) {
  EXPECT_EQ(DataTypeName(TDataType::dtNumber), u"Number");
  EXPECT_EQ(DataTypeName(TDataType::dtString), u"String");
  EXPECT_EQ(DataTypeName(TDataType::dtDateTime), u"Date");
  EXPECT_EQ(DataTypeName(TDataType::dtBoolean), u"Boolean");
  EXPECT_EQ(DataTypeName(static_cast<TDataType>(9)), u"");
}

struct EditedTextCase {
  const char* name;
  TDataType type;
  const char16_t* text;
  Variant expected;
};

class StrToSettingValueTest : public ::testing::TestWithParam<EditedTextCase> {
 protected:
  testing::LocaleScope locale_ = testing::RussianLocale();
};

TEST_P(StrToSettingValueTest, TypedValueFromEditedText) {
  EXPECT_EQ(StrToSettingValue(GetParam().type, GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StrToSettingValueTest,
    ::testing::Values(
        EditedTextCase{"Number", TDataType::dtNumber, u"9600", Variant(9600.0)},
        EditedTextCase{"LocaleDecimal", TDataType::dtNumber, u"1,5", Variant(1.5)},
        EditedTextCase{"NotANumber", TDataType::dtNumber, u"abc", Variant(0.0)},
        EditedTextCase{"EmptyNumber", TDataType::dtNumber, u"", Variant(0.0)},
        EditedTextCase{"String", TDataType::dtString, u" как есть ", Variant(u" как есть ")},
        EditedTextCase{"Date", TDataType::dtDateTime, u"31.12.1899", Variant(Date{1})},
        EditedTextCase{"NotADate", TDataType::dtDateTime, u"завтра", Variant(u"завтра")},
        EditedTextCase{"True", TDataType::dtBoolean, u"True", Variant(true)},
        EditedTextCase{"MixedCaseTrue", TDataType::dtBoolean, u"tRUE", Variant(true)},
        EditedTextCase{"Yes", TDataType::dtBoolean, u"Да", Variant(false)},
        EditedTextCase{"One", TDataType::dtBoolean, u"1", Variant(false)},
        EditedTextCase{"EmptyBoolean", TDataType::dtBoolean, u"", Variant(false)}),
    [](const ::testing::TestParamInfo<EditedTextCase>& p) { return p.param.name; });

}  // namespace
}  // namespace equ

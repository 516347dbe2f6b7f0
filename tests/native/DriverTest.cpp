#include <gtest/gtest.h>

#include "DeviceFixture.h"
#include "equipment/common/DeviceTexts.h"
#include "scanner/Driver.h"

namespace equ {
namespace {

class DriverTest : public testing::DeviceFixture {
 protected:
  ObjectPtr<TDriver> driver_ = MakeObject<TDriver>();
};

TEST_F(DriverTest, DeviceInformationOfTheScannerDriver) {
  const TDeviceInfoStruct& info = driver_->DeviceInfo();
  EXPECT_EQ(info.TypeName, u"Scanner");
  EXPECT_EQ(info.ModelID, u"5C3E9A71-2B4D-4F86-9E1A-7D20C4B8E613");
  EXPECT_EQ(info.ModelName, u"Мовак: сканер штрихкода универсальный");
  EXPECT_EQ(info.ProcessorName, u"Ovex.MorvanelV41");
  EXPECT_EQ(info.ProcessorType, 1);
  EXPECT_TRUE(info.IsSettingsDlgExist);
  EXPECT_EQ(info.Description, u"Драйвер сканера штрихкода универсальный");
  EXPECT_EQ(info.DeveloperName, u"ООО \"МОВАК\"");
  EXPECT_EQ(VersionText(info), u"1.1.2");
}

TEST_F(DriverTest, EighteenSettingsInOrderWithTheirDefaults) {
  struct Expected {
    const char16_t* id;
    TDataType type;
    Variant value;
  };
  const Expected expected[] = {
      {u"DefaultTimeOut", TDataType::dtNumber, Variant(120)},
      {u"EventLogEnabled", TDataType::dtBoolean, Variant(false)},
      {u"DebugLogEnabled", TDataType::dtBoolean, Variant(false)},
      {u"Prefix", TDataType::dtString, Variant(u"")},
      {u"Postfix", TDataType::dtString, Variant(u"")},
      {u"AutoDisableDataEvent", TDataType::dtBoolean, Variant(false)},
      {u"InterfaceType", TDataType::dtNumber, Variant(0)},
      {u"PortNumber", TDataType::dtNumber, Variant(1)},
      {u"Baud", TDataType::dtNumber, Variant(9600)},
      {u"InterCharIntervalRS232", TDataType::dtNumber, Variant(0)},
      {u"PrefixKbd", TDataType::dtString, Variant(u"")},
      {u"PostfixKbd", TDataType::dtString, Variant(u"")},
      {u"InterCharIntervalKbd", TDataType::dtNumber, Variant(60)},
      {u"MinDataLen", TDataType::dtNumber, Variant(3)},
      {u"KeyboardLayout", TDataType::dtNumber, Variant(1033)},
      {u"IgnoreModificators", TDataType::dtBoolean, Variant(false)},
      {u"UpperCaseData", TDataType::dtBoolean, Variant(false)},
      {u"DeleteCRLFPostfix", TDataType::dtBoolean, Variant(true)},
  };
  const TSettingArray& rows = driver_->SettingList();
  ASSERT_EQ(rows.size(), std::size(expected));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].ID, expected[i].id) << i;
    EXPECT_EQ(rows[i].ValueType, expected[i].type) << i;
    EXPECT_EQ(rows[i].Value, expected[i].value) << i;
    EXPECT_EQ(rows[i].Default, expected[i].value) << i;
    EXPECT_FALSE(rows[i].ReadOnly) << i;
    EXPECT_FALSE(rows[i].Name.empty()) << i;
  }
  EXPECT_EQ(driver_->FindSetting(u"DeleteCRLFPostfix")->Name, u"Удалять перенос строки в конце");
}

}  // namespace
}  // namespace equ

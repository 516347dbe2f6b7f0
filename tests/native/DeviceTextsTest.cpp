#include <gtest/gtest.h>

#include "equipment/common/DeviceTexts.h"

namespace equ {
namespace {

TEST(EquipmentTypeCaptionTest, KnownIdentifiersAreCaptionedExactly) {
  EXPECT_EQ(EquipmentTypeCaption(u"Scanner"), u"Сканер штрихкодов");
  EXPECT_EQ(EquipmentTypeCaption(u"Unknown"), u"Неизвестный тип");
  EXPECT_EQ(EquipmentTypeCaption(u"Thermometer"), u"Термометр");
  EXPECT_EQ(EquipmentTypeCaption(u"TimePhasedServicesController"), u"Контроллер временных услуг");
}

TEST(EquipmentTypeCaptionTest, OtherTextsComeBackUnchanged) {
  EXPECT_EQ(EquipmentTypeCaption(u"scanner"), u"scanner");
  EXPECT_EQ(EquipmentTypeCaption(u"Printer"), u"Printer");
  EXPECT_EQ(EquipmentTypeCaption(u""), u"");
}

TEST(DeviceTextsTest, VersionAndContacts) {
  TDeviceInfoStruct info;
  info.MajorVersion = 1;
  info.MinorVersion = 1;
  info.BuildVersion = 2;
  info.CI_email = u"support@example.com";
  info.CI_www = u"www.example.com";
  info.CI_Phones = u"+7 000 000-00-00";
  info.CI_address = u"г. Москва";
  EXPECT_EQ(VersionText(info), u"1.1.2");
  EXPECT_EQ(ContactsText(info),
            u"E-mail:\tsupport@example.com\r\nWeb:\twww.example.com\r\nТел:\t+7 000 000-00-00\r\n"
            u"Адрес:\tг. Москва\r\n");
}

}  // namespace
}  // namespace equ

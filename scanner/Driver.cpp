#include "Driver.h"

namespace equ {

void TDriver::OnSetDeviceInfo() {
  TBaseScanner::OnSetDeviceInfo();
  TDeviceInfoStruct& info = MutableDeviceInfo();
  info.ModelID = u"5C3E9A71-2B4D-4F86-9E1A-7D20C4B8E613";
  info.ModelName = u"Мовак: сканер штрихкода универсальный";
  info.ProcessorName = u"Ovex.MorvanelV41";
  info.IsSettingsDlgExist = true;
  info.Description = u"Драйвер сканера штрихкода универсальный";
}

void TDriver::RegisterSettings() {
  TBaseScanner::RegisterSettings();
  const auto number = [this](const char16_t* id, std::int32_t value, const char16_t* name,
                             const char16_t* description) {
    RegisterSetting(id, TDataType::dtNumber, Variant(value), false, name, description);
  };
  const auto text = [this](const char16_t* id, const char16_t* name, const char16_t* description) {
    RegisterSetting(id, TDataType::dtString, Variant(WideString()), false, name, description);
  };
  const auto flag = [this](const char16_t* id, bool value, const char16_t* name,
                           const char16_t* description) {
    RegisterSetting(id, TDataType::dtBoolean, Variant(value), false, name, description);
  };
  number(u"InterfaceType", 0, u"Тип интерфейса", u"Интерфейс подключения сканера (RS232/Keyboard)");
  number(u"PortNumber", 1, u"Порт", u"Порт сканера");
  number(u"Baud", 9600, u"Скорость", u"Скорость порта RS232");
  number(u"InterCharIntervalRS232", 0, u"Определение окончания штрихкода",
         u"Способ определения окончания штрихкода");
  text(u"PrefixKbd", u"Префикс", u"Префикс клавиатурного сканера");
  text(u"PostfixKbd", u"Постфикс", u"Постфикс клавиатурного сканера");
  number(u"InterCharIntervalKbd", 60, u"Межсимвольный интервал",
         u"Межсимвольный интервал клавиатурного сканера");
  number(u"MinDataLen", 3, u"Минимальная длина штрихкода",
         u"Минимальная длина штрихкода в символах");
  number(u"KeyboardLayout", 1033, u"Идентификатор локали", u"Идентификатор локали (язык)");
  flag(u"IgnoreModificators", false, u"Игнорировать клавиши-модификаторы",
       u"Игнорировать клавиши-модификаторы (Ctrl/Shift/Alt)");
  flag(u"UpperCaseData", false, u"Верхний регистр", u"Перобразовывать символы в верхний регистр");
  flag(u"DeleteCRLFPostfix", true, u"Удалять перенос строки в конце",
       u"Удалять символы переноса строки в конце");
}

}  // namespace equ

#include "DeviceTexts.h"

namespace equ {

namespace {

struct TypeCaption {
  const char16_t* typeName;
  const char16_t* caption;
};

constexpr TypeCaption kTypeCaptions[] = {
    {u"Unknown", u"Неизвестный тип"},
    {u"Template", u"Шаблон"},
    {u"Scanner", u"Сканер штрихкодов"},
    {u"FiscalPrinter", u"Фискальный регистратор"},
    {u"EcrOnline", u"ККТ с функцией передачи в ОФД"},
    {u"AcquiringTerminal", u"Эквайринг-терминал"},
    {u"DataCollectionTerminal", u"Терминал сбора данных"},
    {u"LineDisplay", u"Дисплей покупателя"},
    {u"CardReader", u"Считыватель карт"},
    {u"Scale", u"Электронные весы"},
    {u"ScaleOffline", u"Электронные весы с печатью этикеток"},
    {u"ServicePrinter", u"Сервисный принтер"},
    {u"AccessController", u"Контроллер доступа"},
    {u"LabelPrinter", u"Принтер этикеток"},
    {u"BiometricReader", u"Биометрический считыватель"},
    {u"ElectronicLocks", u"Электронные замки"},
    {u"SMSCommunicator", u"СМС-коммуникатор"},
    {u"EventLogger", u"Регистратор событий"},
    {u"TimePhasedServicesController", u"Контроллер временных услуг"},
    {u"CustomerFeedbackTerminal", u"Терминал опроса клиентов"},
    {u"BillValidator", u"Купюроприемник"},
    {u"CoffeeMachine", u"Кофемашина"},
    {u"ServiceTerminal", u"Терминал услуг"},
    {u"BloodPressureMonitor", u"Тонометр"},
    {u"AlcoTester", u"Алкотестер"},
    {u"VideoCamera", u"Видеокамера"},
    {u"LoyaltySystem", u"Система лояльности"},
    {u"Thermometer", u"Термометр"},
};

// Labels of the contact block.
constexpr char16_t kLabelEmail[] = u"E-mail";
constexpr char16_t kLabelWeb[] = u"Web";
constexpr char16_t kLabelPhone[] = u"Тел";
constexpr char16_t kLabelAddress[] = u"Адрес";

WideString ContactLine(const char16_t* label, const WideString& value) {
  return WideString(label) + u":\t" + value + u"\r\n";
}

}  // namespace

WideString EquipmentTypeCaption(const WideString& typeName) {
  for (const TypeCaption& row : kTypeCaptions) {
    if (typeName == row.typeName) return row.caption;
  }
  return typeName;
}

WideString VersionText(const TDeviceInfoStruct& info) {
  return IntToWide(info.MajorVersion) + u"." + IntToWide(info.MinorVersion) + u"." +
         IntToWide(info.BuildVersion);
}

WideString ContactsText(const TDeviceInfoStruct& info) {
  return ContactLine(kLabelEmail, info.CI_email) + ContactLine(kLabelWeb, info.CI_www) +
         ContactLine(kLabelPhone, info.CI_Phones) + ContactLine(kLabelAddress, info.CI_address);
}

}  // namespace equ

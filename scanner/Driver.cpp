#include "Driver.h"

#include "scanner/KbdSettings.h"
#include "scanner/MainSettings.h"
#include "scanner/RS232Settings.h"

#include "equipment/common/AppLog.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/ResultCodes.h"
#include "equipment/common/a_vorn/VornDriver.h"
#include "platform/RequiredPort.h"

namespace equ {

namespace {

constexpr std::int32_t kKeyboardInterface = 1;
// The keyboard channel always runs with this minimum length; the setting MinDataLen is only
// stored and exchanged.
constexpr std::uint8_t kKeyboardMinDataLen = 3;

// The code and text of a failure caught while enabling.
std::int32_t GetExceptionResult(const std::exception& e, WideString& resultDescription) {
  resultDescription = ExceptionMessage(e);
  if (const auto* equ = dynamic_cast<const EquException*>(&e)) return equ->Code();
  return kResultUnknownError;
}

}  // namespace

TDriver::TDriver(TDriverPorts ports) : FPorts(std::move(ports)) {
  RequirePort(FPorts.mutexes, "TDriver", "named mutexes");
  RequirePort(FPorts.testWindow, "TDriver", "test window");
  RequirePort(FPorts.settingsDialog.desktop, "TDriver", "dialog desktop");
  RequirePort(FPorts.settingsDialog.views, "TDriver", "settings views");
  RequirePort(FPorts.settingsDialog.module, "TDriver", "module information");
  RequirePort(FPorts.settingsDialog.clock, "TDriver", "clock");
  RequirePort(FPorts.settingsDialog.folders, "TDriver", "folders");
}

std::unique_ptr<TScannerKeyboard> TDriver::CreateKeyboardChannel() {
  return std::make_unique<TScannerKeyboard>(FPorts.keyboard);
}

std::unique_ptr<TScannerRS232> TDriver::CreateSerialChannel() {
  return std::make_unique<TScannerRS232>(FPorts.serial);
}

void TDriver::OnInitialize() {
  TBaseScanner::OnInitialize();
  FDeviceKeyboard = CreateKeyboardChannel();
  FDeviceRS232 = CreateSerialChannel();
}

void TDriver::OnDestroy() {
  TBaseScanner::OnDestroy();
  ReleaseKbdMutex();
  if (FDeviceKeyboard) FDeviceKeyboard->Disable();
  if (FDeviceRS232) FDeviceRS232->Disable();
  FDeviceKeyboard.reset();
  FDeviceRS232.reset();
}

void TDriver::ReleaseKbdMutex() {
  FMutex.reset();
}

std::int32_t TDriver::OnEnable(WideString& resultDescription) {
  try {
    return GetSettingValueInt(u"InterfaceType") == kKeyboardInterface
               ? EnableKeyboard(resultDescription)
               : EnableSerial(resultDescription);
  } catch (const std::exception& e) {
    return GetExceptionResult(e, resultDescription);
  }
}

std::int32_t TDriver::EnableKeyboard(WideString& resultDescription) {
  FDeviceKeyboard->Disable();
  ReleaseKbdMutex();
  NamedMutexes::Claim mutex = FPorts.mutexes->CreateOwned(kKeyboardMutexName);
  if (!mutex) throw Exception(mutex.error());
  if (!*mutex) throw Exception(kSecondKeyboardScanner);
  FMutex = std::move(*mutex);
  // A keyboard channel that did not start must not keep another driver from starting,
  // whatever stopped it (a setting that does not read as a number, the channel's refusal).
  try {
    const std::int32_t code = ConfigureAndEnableKeyboard();
    if (code != kResultOk) {
      resultDescription = FDeviceKeyboard->ResultDescription();
      ReleaseKbdMutex();
    }
    return code;
  } catch (...) {
    ReleaseKbdMutex();
    throw;
  }
}

std::int32_t TDriver::ConfigureAndEnableKeyboard() {
  TScannerKeyboard& channel = *FDeviceKeyboard;
  channel.SetOnGetData(
      [this](const WideString& value, const WideString&) { ProcessScanData(value); });
  channel.SetOnHookLost(
      [this](const WideString& description) { ReportKeyboardHookLost(description); });
  channel.SetInterCharInterval(
      static_cast<std::uint32_t>(GetSettingValueInt(u"InterCharIntervalKbd")));
  channel.SetMinDataLen(kKeyboardMinDataLen);
  // Only the definition of this enabling: one left from an earlier enabling would go on
  // matching prefixes that are no longer set.
  channel.Clear();
  channel.Add(GetSettingValueStr(u"PrefixKbd"), GetSettingValueStr(u"PostfixKbd"));
  channel.SetUpperCaseData(GetSettingValueBool(u"UpperCaseData"));
  channel.SetIgnoreModificators(false);
  channel.SetKeyboardLayout(static_cast<std::uint32_t>(GetSettingValueInt(u"KeyboardLayout")));
  channel.SetDeleteCRLFPostfix(GetSettingValueBool(u"DeleteCRLFPostfix"));
  return channel.Enable();
}

std::int32_t TDriver::EnableSerial(WideString& resultDescription) {
  TScannerRS232& channel = *FDeviceRS232;
  channel.Disable();
  channel.SetPortNumber(static_cast<std::uint8_t>(GetSettingValueInt(u"PortNumber")));
  channel.SetBaudRate(static_cast<std::uint32_t>(GetSettingValueInt(u"Baud")));
  channel.SetInterCharInterval(
      static_cast<std::uint32_t>(GetSettingValueInt(u"InterCharIntervalRS232")));
  channel.SetPostfix(std::string());
  channel.SetOnGetScanData([this](const WideString& scanData) { ProcessScanData(scanData); });
  channel.SetOnPortState([this](bool lost, const WideString& text) {
    const TDestructionHold hold(*this);
    NotifyErrorEvent(lost ? kSerialPortLost : kSerialPortRestored, text);
  });
  const std::int32_t code = channel.Enable();
  if (code != kResultOk) resultDescription = channel.ResultDescription();
  return code;
}

std::int32_t TDriver::OnDisable(WideString&) {
  if (FDeviceKeyboard) FDeviceKeyboard->Disable();
  if (FDeviceRS232) FDeviceRS232->Disable();
  // A disabled driver gives the keyboard back to any other driver.
  ReleaseKbdMutex();
  return kResultOk;
}

bool TDriver::DeviceTest(WideString&) {
  TfmTestForm form(*this, *FPorts.testWindow);
  FTestForm = &form;
  try {
    form.ShowModal();
  } catch (...) {
    FTestForm = nullptr;
    throw;
  }
  FTestForm = nullptr;
  return true;
}

const TSettingsDialogPorts& TDriver::DialogPorts() {
  return FPorts.settingsDialog;
}

bool TDriver::OnShowSettingsDlg() {
  TBaseScanner::OnShowSettingsDlg();
  const TPageClass pages[] = {PageClassOf<TfrmMainSettings>(), PageClassOf<TfrmRS232Settings>(),
                              PageClassOf<TfrmKbdSettings>()};
  return ShowSettingsDialog(pages, false, DialogPorts());
}

void TDriver::ProcessScanData(const WideString& data) {
  // The host may release the driver inside the data event this scan raises.
  const TDestructionHold hold(*this);
  if (FTestForm != nullptr) {
    FTestForm->DoScanData(data);
    return;
  }
  if (TVornDriver::SendMsgToAcquiring(FPorts.acquiring, data)) return;
  try {
    AddScanData(data, data, 0);
  } catch (const std::exception& e) {
    // The scan stays queued for GetScanData; the channel's hook or window procedure, which
    // called us, must not see the failure.
    AppLog(u"TDriver.ProcessScanData", ExceptionMessage(e), kLogError);
  }
}

void TDriver::ReportKeyboardHookLost(const WideString& description) {
  try {
    Variant extData;
    ErrorEvent(u"KeyboardHookLost", description, extData);
  } catch (const std::exception& e) {
    // No manager, or a manager that failed: the application log already has the loss.
    AppLog(u"TDriver.ReportKeyboardHookLost", ExceptionMessage(e), kLogError);
  }
}

std::int32_t TDriver::OnCheckHealth(WideString& resultDescription) {
  std::int32_t code = TBaseScanner::OnCheckHealth(resultDescription);
  if (code != kResultOk) return code;
  if (FDeviceRS232 && FDeviceRS232->PortLost()) {
    resultDescription = u"Связь со сканером потеряна: порт COM" +
                        IntToWide(FDeviceRS232->PortNumber()) + u" недоступен";
    return kResultPortUnavailable;
  }
  if (GetSettingValueInt(u"InterfaceType") != kKeyboardInterface) return code;
  resultDescription = FDeviceKeyboard->HookStateText();
  return FDeviceKeyboard->IsHookInstalled() ? kResultOk : kResultUnknownError;
}

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

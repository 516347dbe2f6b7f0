// What a device tells its equipment manager and asks of it, and the host windows around a
// driver window.
#include "AppLog.h"
#include "BaseDevice.h"
#include "Exceptions.h"
#include "VariantText.h"
#include "platform/PlatformPorts.h"
#include "platform/WindowFocus.h"

namespace equ {

namespace {

DispatchArgument ByValue(Variant value) {
  return DispatchArgument{std::move(value), false};
}
DispatchArgument ByRef(Variant value) {
  return DispatchArgument{std::move(value), true};
}

}  // namespace

Variant TBaseDevice::CallManager(std::u16string_view operation, std::span<DispatchArgument> args) {
  const std::shared_ptr<DispatchPort> manager = FEqManager.Dispatch();
  if (!manager) throw Exception(kManagerUnavailable);
  return manager->CallMethod(operation, args);
}

bool TBaseDevice::DataEvent(const WideString& event, const WideString& data, Variant& extData) {
  DispatchArgument args[] = {ByValue(FDeviceID), ByValue(event), ByValue(data), ByRef(extData)};
  const bool accepted = CallManager(u"DataEvent", args).ToBool();
  WideString text = u"Event=" + event + u"; Data: " + data;
  if (!extData.IsEmpty()) text += u"; ExtData: " + VariantToText(extData);
  WriteDebugLog(u"<-DataEvent", text);
  return accepted;
}

bool TBaseDevice::DataEvent(const WideString& event, const WideString& data) {
  Variant none;
  return DataEvent(event, data, none);
}

bool TBaseDevice::ErrorEvent(const WideString& errorName, const WideString& description,
                             Variant& extData) {
  DispatchArgument args[] = {ByValue(FDeviceID), ByValue(errorName), ByValue(description),
                             ByRef(extData)};
  return CallManager(u"ErrorEvent", args).ToBool();
}

bool TBaseDevice::NotifyErrorEvent(const WideString& errorName, const WideString& description) {
  WriteDebugLog(u"<-ErrorEvent", u"ErrorName=" + errorName + u"; Description=" + description);
  if (!FEqManager.Dispatch()) return false;
  try {
    Variant extData;
    return ErrorEvent(errorName, description, extData);
  } catch (const std::exception& e) {
    AppLog(u"TBaseDevice.ErrorEvent", ExceptionMessage(e), kLogError);
    return false;
  }
}

bool TBaseDevice::TaskState(std::int32_t percent, const WideString& description) {
  DispatchArgument args[] = {ByValue(FDeviceID), ByRef(Variant(percent)), ByValue(description)};
  const bool result = CallManager(u"TaskState", args).ToBool();
  WriteLog(u"TaskState",
           u"Percent=" + IntToWide(percent) + u"; Description=" + description + u"; Result=" +
               (result ? u"True" : u"False"),
           1);
  return result;
}

bool TBaseDevice::WriteLog(const WideString& name, const WideString& text, std::int32_t eventType) {
  WriteDebugLog(name, text);
  if (!EventLogEnabled() || !FEqManager.Dispatch()) return false;
  DispatchArgument args[] = {ByValue(FDeviceID), ByValue(name), ByValue(text),
                             ByRef(Variant(eventType))};
  return CallManager(u"WriteLog", args).ToBool();
}

std::int32_t TBaseDevice::ShowMessageDlg(const WideString& text, std::int32_t type,
                                         std::int32_t buttons, std::int32_t timeout) {
  DispatchArgument args[] = {ByValue(FDeviceID), ByValue(text), ByRef(Variant(type)),
                             ByRef(Variant(buttons)), ByRef(Variant(timeout))};
  return CallManager(u"MessageDlg", args).ToInt32();
}

WideString TBaseDevice::InputDataDlg(const WideString& caption, const WideString& defaultData,
                                     const WideString& description, const WideString& mask,
                                     bool password, std::int32_t timeOut) {
  DispatchArgument args[] = {ByValue(FDeviceID),     ByValue(caption), ByValue(defaultData),
                             ByValue(description),   ByValue(mask),    ByValue(Variant(password)),
                             ByRef(Variant(timeOut))};
  return CallManager(u"InputDataDlg", args).ToString();
}

WideString TBaseDevice::GetAppProperty(const WideString& propName) {
  DispatchArgument args[] = {ByRef(FDeviceID), ByRef(propName), ByRef(WideString())};
  if (!CallManager(u"GetAppProperty", args).ToBool()) return WideString();
  return args[2].value.ToString();
}

WideString TBaseDevice::GetDeviceFolder() {
  const WideString devices = GetAppProperty(u"DevicesFolder");
  if (devices.empty() || FDeviceID.empty()) return WideString();
  return WithTrailingDelimiter(WithTrailingDelimiter(devices) + FDeviceID);
}

WideString TBaseDevice::GetLanguage() {
  return GetAppProperty(u"Language");
}

void TBaseDevice::StoreFocus() {
  const WindowFocus& focus = *Platform().windowFocus;
  TDisabledWindows frame{focus.ForegroundWindow(), focus.EnabledThreadWindows()};
  for (const std::uintptr_t window : frame.disabled) focus.EnableInput(window, false);
  FWindows.push_back(std::move(frame));
}

void TBaseDevice::RestoreFocus() {
  if (FWindows.empty()) return;
  const WindowFocus& focus = *Platform().windowFocus;
  const TDisabledWindows frame = std::move(FWindows.back());
  FWindows.pop_back();
  // Only the windows this pair switched off: one the host had switched off itself stays so.
  for (const std::uintptr_t window : frame.disabled) focus.EnableInput(window, true);
  if (frame.foreground != 0 && focus.ForegroundWindow() != frame.foreground) {
    focus.BringToFront(frame.foreground);
  }
}

}  // namespace equ

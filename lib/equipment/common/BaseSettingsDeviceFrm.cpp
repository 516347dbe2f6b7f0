#include "BaseSettingsDeviceFrm.h"

#include <limits>

#include "BaseDevice.h"
#include "CommonSettings.h"
#include "Exceptions.h"
#include "ResultCodes.h"

namespace equ {

namespace {

constexpr std::int32_t kResultBadDeviceParameters = 1020;

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

void ShowBusyCursor(DialogDesktop* desktop) {
  if (desktop != nullptr) desktop->SetBusyCursor(true);
}

}  // namespace

std::int32_t StrToInt(const WideString& text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  const std::size_t digitsStart = i;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) break;
  }
  std::size_t end = i;
  while (end < text.size() && IsBlank(text[end])) ++end;
  if (negative) value = -value;
  if (i == digitsStart || end != text.size() || value > std::numeric_limits<std::int32_t>::max() ||
      value < std::numeric_limits<std::int32_t>::min()) {
    throw Exception(u"\"" + text + u"\" не является целым числом");
  }
  return static_cast<std::int32_t>(value);
}

TfrmBaseSettings::TfrmBaseSettings(TfrmCommonSettings* owner, TBaseDevice& deviceManager,
                                   const TSettingsDialogPorts& ports)
    : FDeviceManager(deviceManager), FOwnerFrm(owner), FPorts(ports) {}

void TfrmBaseSettings::OnSaveSettings(bool& allowColse) {
  allowColse = true;
}

void TfrmBaseSettings::NotifyOwner(const WideString& msg, const WideString& data) {
  if (FOwnerFrm != nullptr) FOwnerFrm->NotifyPages(msg, data);
}

std::int32_t TfrmBaseSettings::EnableDevice(std::span<const WideString> settings,
                                            WideString& resultDescription) {
  resultDescription.clear();
  ShowBusyCursor(FPorts.desktop.get());
  FDeviceManager.StoreSettings(settings);
  OnSaveSettings();
  return FDeviceManager.Enable(resultDescription);
}

std::int32_t TfrmBaseSettings::EnableDevice(WideString& resultDescription) {
  resultDescription.clear();
  ShowBusyCursor(FPorts.desktop.get());
  FDeviceManager.StoreSettings();
  bool allowColse = true;
  OnSaveSettings(allowColse);
  if (!allowColse) return kResultBadDeviceParameters;
  OnSaveSettings();
  return FDeviceManager.Enable(resultDescription);
}

std::int32_t TfrmBaseSettings::EnableDevice(std::span<const WideString> settings) {
  WideString dropped;
  return EnableDevice(settings, dropped);
}

std::int32_t TfrmBaseSettings::EnableDevice() {
  WideString dropped;
  return EnableDevice(dropped);
}

void TfrmBaseSettings::DisableDevice() {
  FDeviceManager.Disable();
  FDeviceManager.RestoreSettings();
  if (FPorts.desktop) FPorts.desktop->SetBusyCursor(false);
}

TPageControl& TfrmBaseSettings::Control(std::u16string_view name) {
  for (TPageControl& control : FControls) {
    if (control.Name == name) return control;
  }
  throw Exception(u"Нет элемента " + WideString(name));
}

void TfrmBaseSettings::SetDesign(WideString caption, int clientWidth, int clientHeight) {
  FCaption = std::move(caption);
  FClientWidth = clientWidth;
  FClientHeight = clientHeight;
}

TPageControl& TfrmBaseSettings::AddControl(TPageControl control) {
  FControls.push_back(std::move(control));
  return FControls.back();
}

}  // namespace equ

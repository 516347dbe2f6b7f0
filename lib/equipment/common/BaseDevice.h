#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "BaseObject.h"
#include "CommonSettings.h"
#include "DeviceInfo.h"
#include "platform/AutomationObject.h"
#include "platform/MessageWindow.h"

namespace equ {

enum class TDeviceState : std::uint8_t {
  dsCreated = 0,
  dsInited = 1,
  dsEnabled = 2,
  dsUnknown = 3
};

// One value of the settings snapshot.
struct TShortSettingStruct {
  WideString ID;
  Variant Value;
};

// An action the settings dialog offers in its menu and runs through the device.
struct TAdditionalAction {
  WideString ID;
  WideString Caption;
};
using PAdditionalAction = TAdditionalAction*;

// The base of every device driver: a life cycle of four states, the ten host methods common
// to all devices, the device information, three base settings, the host's equipment manager
// and the call-trace header. A device changes behaviour only through the On... steps,
// RegisterMethods, RegisterSettings and DeviceTest; an override calls the inherited step first.
class TBaseDevice : public TBaseObject {
 public:
  static constexpr const char16_t* kManagerUnavailable = u"Менеджер оборудования недоступен";

  TBaseDevice() = default;
  ~TBaseDevice() override;

  void Initialize() override;
  void BeforeDestruction() noexcept override;
  void BeginDebugLog() override;

  TDeviceState DeviceState() const { return FDeviceState; }
  const TDeviceInfoStruct& DeviceInfo() const { return FDeviceInfo; }
  const Variant& EqManager() const { return FEqManager; }
  const WideString& DeviceID() const { return FDeviceID; }
  const WideString& DeviceFolder() const { return FDeviceFolder; }
  const WideString& Language() const { return FLanguage; }
  const WideString& ModelsFolder() const { return FModelsFolder; }
  WideString ModelFolder() const;
  // The platform handle of the device's hidden message window; 0 when the build has none.
  std::uintptr_t DeviceHandle() const;

  bool Enabled() const { return FDeviceState == TDeviceState::dsEnabled; }
  void SetEnabled(bool value);
  std::int32_t DefaultTimeOut() const { return GetSettingValueInt(u"DefaultTimeOut"); }
  void SetDefaultTimeOut(std::int32_t value) { SetSettingValue(u"DefaultTimeOut", Variant(value)); }
  bool EventLogEnabled() const { return GetSettingValueBool(u"EventLogEnabled"); }
  void SetEventLogEnabled(bool value) { SetSettingValue(u"EventLogEnabled", Variant(value)); }
  std::int32_t SettingsCount() const { return static_cast<std::int32_t>(SettingList().size()); }

  // Life cycle, also used by the settings dialog and the test window.
  std::int32_t Enable(WideString& resultDescription);
  std::int32_t Enable();
  std::int32_t Disable();
  std::int32_t DoDisable(WideString& resultDescription);
  std::int32_t DoCheckHealth(WideString& resultDescription);
  virtual WideString GetDeviceVersion() const;
  virtual bool DeviceTest(WideString& resultDescription);

  // Services of the equipment manager. All but WriteLog raise "Менеджер оборудования
  // недоступен" when there is no manager; failures of the manager travel to the caller.
  bool DataEvent(const WideString& event, const WideString& data, Variant& extData);
  bool DataEvent(const WideString& event, const WideString& data);
  bool ErrorEvent(const WideString& errorName, const WideString& description, Variant& extData);
  // ErrorEvent for a fault of a channel (or its end) found outside a host call: answers whether
  // the manager took it and raises nothing. Without a manager nothing is sent; a failing manager
  // is written to the application log.
  bool NotifyErrorEvent(const WideString& errorName, const WideString& description);
  bool TaskState(std::int32_t percent, const WideString& description);
  bool WriteLog(const WideString& name, const WideString& text, std::int32_t eventType);
  std::int32_t ShowMessageDlg(const WideString& text, std::int32_t type, std::int32_t buttons,
                              std::int32_t timeout);
  WideString InputDataDlg(const WideString& caption, const WideString& defaultData,
                          const WideString& description, const WideString& mask, bool password,
                          std::int32_t timeOut);
  WideString GetAppProperty(const WideString& propName);
  WideString GetDeviceFolder();
  WideString GetLanguage();
  // Around a modal window of the driver, used in pairs (ModalHostWindows does it for a scope):
  // StoreFocus switches off every enabled top-level window of the host thread and remembers
  // them with the foreground window; RestoreFocus switches exactly those on again and brings
  // the foreground window back. Pairs nest.
  void StoreFocus();
  void RestoreFocus();

  // The settings snapshot (for Cancel and the device test) and indexed access to the table.
  void StoreSettings();
  void StoreSettings(std::span<const WideString> settings);
  void RestoreSettings();
  PSettingStruct GetSetting(std::int32_t index);
  void SetSetting(std::int32_t index, PSettingStruct value);
  using TBaseObject::FindSetting;
  PAdditionalAction GetAddAction(std::int32_t index);
  std::int32_t AddActionsCount() const {
    return static_cast<std::int32_t>(FAdditionalActions.size());
  }
  virtual std::int32_t RunAdditionalAction(const WideString& id, WideString& resultDescription);

  // Runs the settings dialog with these pages modally, the host's window switched off around
  // it; OnSettingsChanged follows whatever the outcome. True when it closed with OK.
  bool ShowSettingsDialog(std::span<const TPageClass> pageClasses, bool hideDeviceTest,
                          const TSettingsDialogPorts& ports);

 protected:
  virtual void RegisterMethods();
  virtual void RegisterSettings();
  virtual void OnInitialize() {}
  virtual void OnSetDeviceInfo() {}
  virtual void OnSettingsChanged() {}
  virtual std::int32_t OnEnable(WideString& /*resultDescription*/) { return 0; }
  virtual std::int32_t OnDisable(WideString& /*resultDescription*/) { return 0; }
  // What CheckHealth answers for an enabled device: 0 and no description unless a device tells
  // more (a description given here reaches the host as it is).
  virtual std::int32_t OnCheckHealth(WideString& resultDescription);
  virtual bool OnShowSettingsDlg() { return false; }
  virtual void OnDestroy() {}
  virtual std::int32_t OnInit(WideString& /*resultDescription*/) { return 0; }
  virtual std::int32_t OnOpen(WideString& /*resultDescription*/) { return 0; }
  virtual void OnClose() {}
  virtual void OnAfterClose() {}
  // Messages of the hidden window; nothing in the base.
  virtual std::intptr_t WndProc(const WindowMessage& /*message*/) { return 0; }

  // Host method handlers.
  Variant HostInit(SafeArray& params);
  Variant HostOpen(SafeArray& params);
  Variant HostClose(SafeArray& params);
  std::int32_t HostShowSettingsDlg(Variant& inData, Variant& outData, std::int32_t timeOut,
                                   WideString& resultDescription);
  std::int32_t HostGetDeviceInfo(Variant& inData, Variant& outData, std::int32_t timeOut,
                                 WideString& resultDescription);
  std::int32_t HostEnable(Variant& inData, Variant& outData, std::int32_t timeOut,
                          WideString& resultDescription);
  std::int32_t HostDisable(Variant& inData, Variant& outData, std::int32_t timeOut,
                           WideString& resultDescription);
  std::int32_t HostGetSettings(Variant& inData, Variant& outData, std::int32_t timeOut,
                               WideString& resultDescription);
  std::int32_t HostSetSettings(Variant& inData, Variant& outData, std::int32_t timeOut,
                               WideString& resultDescription);
  std::int32_t HostCheckHealth(Variant& inData, Variant& outData, std::int32_t timeOut,
                               WideString& resultDescription);

  TDeviceInfoStruct& MutableDeviceInfo() { return FDeviceInfo; }
  std::vector<TAdditionalAction>& AdditionalActions() { return FAdditionalActions; }

 private:
  void SetDefaultDeviceInfo();
  // Calls an operation of the manager, after the manager check.
  Variant CallManager(std::u16string_view operation, std::span<DispatchArgument> args);
  WideString WithTrailingDelimiter(WideString folder) const;
  Variant GetSettingsArray() const;
  Variant GetDeviceInfoArray() const;

  // The host windows one StoreFocus switched off, and the window that was in front.
  struct TDisabledWindows {
    std::uintptr_t foreground = 0;
    std::vector<std::uintptr_t> disabled;
  };

  TDeviceState FDeviceState = TDeviceState::dsCreated;
  std::vector<TDisabledWindows> FWindows;
  WideString FModelsFolder;
  std::vector<TShortSettingStruct> FBufSettings;
  std::vector<TAdditionalAction> FAdditionalActions;
  Variant FEqManager;
  WideString FDeviceID;
  TDeviceInfoStruct FDeviceInfo;
  WideString FDeviceFolder;
  WideString FLanguage;
  std::unique_ptr<MessageWindow> FDeviceWindow;
};

// The host's windows switched off for one scope: the modal loop of a driver window.
class ModalHostWindows {
 public:
  explicit ModalHostWindows(TBaseDevice& device) : device_(device) { device_.StoreFocus(); }
  ~ModalHostWindows() { device_.RestoreFocus(); }
  ModalHostWindows(const ModalHostWindows&) = delete;
  ModalHostWindows& operator=(const ModalHostWindows&) = delete;

 private:
  TBaseDevice& device_;
};

}  // namespace equ

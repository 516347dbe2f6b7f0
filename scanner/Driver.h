#pragma once

#include <memory>
#include <optional>

#include "equipment/common/BaseScanner.h"
#include "platform/NamedMutex.h"
#include "scanner/DriverPorts.h"
#include "scanner/TestForm.h"
#include "scanner/keyboard/ScannerKeyboard.h"
#include "scanner/serial/ScannerRS232.h"

namespace equ {

// The barcode-scanner driver object the host creates by "Ovex.MorvanelV41": its device
// information and settings, the choice between the keyboard-wedge and the RS232 channel, the
// rule of one keyboard scanner per user logon, and the routing of every barcode read: to a
// payment driver of this process that waits for a code, else into the scan queue.
class TDriver : public TBaseScanner {
 public:
  static constexpr const char16_t* kKeyboardMutexName = u"KBScannerV41Mutex";
  static constexpr const char16_t* kSecondKeyboardScanner =
      u"Нельзя использовать более одного клавиатурного сканера одновременно";
  // The names of the manager's ErrorEvent when the serial scanner's port is lost and back.
  static constexpr const char16_t* kSerialPortLost = u"ScannerPortLost";
  static constexpr const char16_t* kSerialPortRestored = u"ScannerPortRestored";

  // Raises std::logic_error naming a missing port of its own; the channels check theirs when
  // they are made (at Initialize).
  explicit TDriver(TDriverPorts ports);

  TScannerKeyboard* DeviceKeyboard() const { return FDeviceKeyboard.get(); }
  TScannerRS232* DeviceRS232() const { return FDeviceRS232.get(); }
  bool HoldsKeyboardMutex() const { return FMutex != nullptr; }

  // Where a barcode of either channel goes: the open test window, else a waiting payment
  // driver, else the scan queue.
  void ProcessScanData(const WideString& data);
  // Shows the test window (the driver enabled while it is open); raises the enabling's
  // description when the driver does not enable.
  bool DeviceTest(WideString& resultDescription) override;
  TfmTestForm* TestForm() const { return FTestForm; }

 protected:
  void OnInitialize() override;
  void OnDestroy() override;
  void OnSetDeviceInfo() override;
  void RegisterSettings() override;
  std::int32_t OnEnable(WideString& resultDescription) override;
  std::int32_t OnDisable(WideString& resultDescription) override;
  // An enabled serial driver fails with 1011 and the port's name while its port is lost; an
  // enabled keyboard driver answers how its keyboard hook is.
  std::int32_t OnCheckHealth(WideString& resultDescription) override;
  // The settings dialog with the pages "Основные настройки", "Сканер RS232" and "Сканер
  // клавиатурный", the device test offered.
  bool OnShowSettingsDlg() override;
  // The windows of the settings dialog, made on first use; tests give their own.
  virtual const TSettingsDialogPorts& DialogPorts();

  const TDriverPorts& Ports() const { return FPorts; }
  // The channels, made once with the object from the ports; tests may make their own.
  virtual std::unique_ptr<TScannerKeyboard> CreateKeyboardChannel();
  virtual std::unique_ptr<TScannerRS232> CreateSerialChannel();

 private:
  std::int32_t EnableKeyboard(WideString& resultDescription);
  // Through the manager's ErrorEvent; a failure there is only logged.
  void ReportKeyboardHookLost(const WideString& description);
  std::int32_t ConfigureAndEnableKeyboard();
  std::int32_t EnableSerial(WideString& resultDescription);
  void ReleaseKbdMutex();

  TDriverPorts FPorts;
  std::unique_ptr<NamedMutexHold> FMutex;
  std::unique_ptr<TScannerKeyboard> FDeviceKeyboard;
  std::unique_ptr<TScannerRS232> FDeviceRS232;
  TfmTestForm* FTestForm = nullptr;
};

}  // namespace equ

#pragma once

#include <memory>

#include "equipment/common/BaseDevice.h"
#include "platform/TextLogWindow.h"

namespace equ {

// The device test window: while it is open the driver is enabled and every barcode read
// becomes one line of its text instead of going to the host.
class TfmTestForm {
 public:
  static constexpr const char16_t* kCaption = u"Тестирование устройства";
  static constexpr const char16_t* kClearCaption = u"Очистить";

  // Enables the driver; raises the enabling's description when it fails (no window then).
  // The window is one of `windows`.
  TfmTestForm(TBaseDevice& driver, TextLogWindows& windows);
  TfmTestForm(const TfmTestForm&) = delete;
  TfmTestForm& operator=(const TfmTestForm&) = delete;

  void ShowModal();
  // Appends a barcode as a new line.
  void DoScanData(const WideString& data);
  void btnClearClick();
  // Closing the window disables the driver.
  void FormClose();
  const WideString& memTest() const { return FText; }

 private:
  TBaseDevice& FDriver;
  std::unique_ptr<TextLogWindow> FWindow;
  WideString FText;
};

}  // namespace equ

#include "TestForm.h"

#include "equipment/common/Exceptions.h"
#include "equipment/common/ResultCodes.h"

namespace equ {

namespace {

TextLogWindowDesign TestFormDesign() {
  return TextLogWindowDesign{TfmTestForm::kCaption,      594, 268, 47,
                             TfmTestForm::kClearCaption, 115, 23};
}

}  // namespace

TfmTestForm::TfmTestForm(TBaseDevice& driver, TextLogWindows& windows) : FDriver(driver) {
  WideString description;
  if (FDriver.Enable(description) != kResultOk) throw Exception(description);
  FWindow = windows.Create(TestFormDesign());
}

void TfmTestForm::ShowModal() {
  // Modal for the whole host: its windows take no input until the test window is closed.
  const ModalHostWindows modal(FDriver);
  FWindow->ShowModal({[this] { btnClearClick(); }, [this] { FormClose(); }});
}

void TfmTestForm::DoScanData(const WideString& data) {
  if (!FText.empty()) FText += u"\r\n";
  FText += data;
  FWindow->SetText(FText);
}

void TfmTestForm::btnClearClick() {
  FText.clear();
  FWindow->SetText(FText);
}

void TfmTestForm::FormClose() {
  FDriver.Disable();
}

}  // namespace equ

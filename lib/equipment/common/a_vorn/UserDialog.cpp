#include "UserDialog.h"

#include <stdexcept>

#include "VornDriver.h"
#include "platform/RequiredPort.h"

namespace equ {

namespace {

constexpr char16_t kDefaultInfo[] = u"Ожидание чтения QR-кода ...";
constexpr char16_t kConfirmCancel[] = u"Подтвердить отмену?";
constexpr char16_t kConfirmCaption[] = u"Подтверждение";

TfmUserDialog* gUserDialog = nullptr;

bool IsBlank(const WideString& text) {
  for (char16_t c : text) {
    if (c > u' ') return false;
  }
  return true;
}

const TUserDialogPorts& RequireDialogPorts(const TUserDialogPorts& ports) {
  RequirePort(ports.views, "TfmUserDialog", "user dialog views");
  RequirePort(ports.windows, "TfmUserDialog", "message windows");
  return ports;
}

}  // namespace

TfmUserDialog::TfmUserDialog(TUserDialogPorts ports, bool AShowTimerSeconds,
                             const WideString& AUserText, std::uintptr_t AHandleDlg,
                             int ABarcodeReadTimeout)
    : FPorts(RequireDialogPorts(ports)), FHandleDlg(AHandleDlg), FInfoCaption(kDefaultInfo) {
  if (gUserDialog != nullptr) throw std::logic_error("TfmUserDialog: one is open already");
  if (AShowTimerSeconds) {
    FTimerSeconds = ABarcodeReadTimeout;
    FTimerCaption = IntToWide(FTimerSeconds);
    FTimerVisible = true;
  }
  if (!IsBlank(AUserText)) FInfoCaption = AUserText;
  FormCreate();
  gUserDialog = this;
}

TfmUserDialog::~TfmUserDialog() {
  FWindow.reset();
  if (gUserDialog == this) gUserDialog = nullptr;
}

TfmUserDialog* TfmUserDialog::Current() {
  return gUserDialog;
}

// The countdown shows nothing until the first tick, which shows the start value less one.
void TfmUserDialog::FormCreate() {
  FTimerCaption.clear();
  FWindow = FPorts.views->Show(*this);
}

void TfmUserDialog::TimerTimer() {
  if (FTimerSeconds > 0) --FTimerSeconds;
  FTimerCaption = IntToWide(FTimerSeconds);
  Refresh();
}

// The dialog stays open: the waiting operation closes it once its window has the message.
void TfmUserDialog::btnCancelClick() {
  if (!FPorts.views->AskYesNo(kConfirmCancel, kConfirmCaption)) return;
  (void)FPorts.windows->SendToWindow(FHandleDlg, WindowMessage{kAcquiringMessage, 0, 0});
}

void TfmUserDialog::Refresh() {
  if (FWindow) FWindow->Refresh();
}

}  // namespace equ

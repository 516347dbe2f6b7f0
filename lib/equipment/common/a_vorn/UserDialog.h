#pragma once

#include <cstdint>
#include <memory>

#include "equipment/common/WideString.h"
#include "platform/MessageWindow.h"
#include "platform/UserDialogViews.h"

namespace equ {

struct TUserDialogPorts {
  std::shared_ptr<UserDialogViews> views;
  std::shared_ptr<MessageWindows> windows;
};

// The small always-on-top window shown while a payment waits for the customer: a text, an
// optional countdown of seconds and "Отмена", which after a confirmation hands the waiting
// driver's window the empty code (message 1036 with both parameters 0). At most one exists
// in the process; the window is shown from construction to destruction.
class TfmUserDialog final : public UserDialogModel {
 public:
  static constexpr int kClientWidth = 469;
  static constexpr int kClientHeight = 148;
  static constexpr int kBottomPanelHeight = 41;
  static constexpr int kOpacity = 240;
  static constexpr int kShadowOpacity = 38;
  static constexpr int kShadowOffsetX = 4;
  static constexpr int kShadowOffsetY = -20;
  static constexpr int kTimerIntervalMs = 1000;

  TfmUserDialog(TUserDialogPorts ports, bool AShowTimerSeconds, const WideString& AUserText,
                std::uintptr_t AHandleDlg, int ABarcodeReadTimeout);
  virtual ~TfmUserDialog();
  TfmUserDialog(const TfmUserDialog&) = delete;
  TfmUserDialog& operator=(const TfmUserDialog&) = delete;

  // The dialog open in this process, if any.
  static TfmUserDialog* Current();

  void TimerTimer() override;
  void btnCancelClick() override;

  const WideString& InfoCaption() const override { return FInfoCaption; }
  const WideString& TimerCaption() const override { return FTimerCaption; }
  bool TimerVisible() const override { return FTimerVisible; }
  int TimerSeconds() const { return FTimerSeconds; }
  std::uintptr_t HandleDlg() const { return FHandleDlg; }

 private:
  void FormCreate();
  void Refresh();

  TUserDialogPorts FPorts;
  int FTimerSeconds = 0;
  std::uintptr_t FHandleDlg = 0;
  WideString FInfoCaption;
  WideString FTimerCaption;
  bool FTimerVisible = false;
  std::unique_ptr<UserDialogWindow> FWindow;
};

}  // namespace equ

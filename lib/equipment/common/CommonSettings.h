#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "BaseSettingsDeviceFrm.h"
#include "WideString.h"
#include "platform/SettingsDialogPorts.h"

namespace equ {

class TBaseDevice;

// How a page class is named to the dialog: it makes one page for a dialog and a device.
using TPageClass = std::function<std::unique_ptr<TfrmBaseSettings>(
    TfrmCommonSettings& owner, TBaseDevice& device, const TSettingsDialogPorts& ports)>;

template <class TPage>
TPageClass PageClassOf() {
  return [](TfrmCommonSettings& owner, TBaseDevice& device, const TSettingsDialogPorts& ports) {
    auto page = std::make_unique<TPage>(&owner, device, ports);
    page->Create();
    return std::unique_ptr<TfrmBaseSettings>(std::move(page));
  };
}

enum class TModalResult : std::uint8_t { mrNone, mrOk, mrCancel };

// One item of the "Дополнительно" menu; Visible also stands for Enabled.
struct TMenuItem {
  WideString Name;
  WideString Caption;  // "-" is a separator
  bool Visible = true;
  int ImageIndex = -1;
  std::int32_t Tag = 0;
  std::vector<TMenuItem> Items;
  std::function<void()> OnClick;
};

// One row of the information tab.
struct TInfoRow {
  WideString Caption;
  WideString Name;
  WideString Value;
};

// The two kinds of help request the dialog answers.
enum class THelpCommand : std::uint8_t { hcSetPopupPos, hcContextPopup };

// The modal settings dialog every device shows for ShowSettingsDlg: the device's pages in
// tabs, an information tab last, and a menu of additional functions. It edits the device's
// settings table in place; the device's snapshot makes Cancel and the device test leave no
// trace. It knows nothing of any particular device.
class TfrmCommonSettings {
 public:
  static constexpr const char16_t* kCaption = u"Настройки";
  static constexpr const char16_t* kInfoCaption = u"Информация";
  static constexpr std::uint32_t kHeaderColor = 50943;
  static constexpr int kClientWidth = 324;
  static constexpr int kClientHeight = 375;
  static constexpr int kMinWidth = 320;
  static constexpr int kMinHeight = 400;
  static constexpr int kHeaderHeight = 49;
  static constexpr int kFooterHeight = 53;
  static constexpr int kContentBorderWidth = 0;
  static constexpr int kTabSheetBorderWidth = 4;
  static constexpr int kTabHeightSetting = 0;
  static constexpr std::int32_t kPageControlHelpID = 10000;
  static constexpr const char16_t* kWriteSettingsFailed = u"Не удалось записать текущие настройки";
  static constexpr const char16_t* kDebugLogNotFound = u"Отладочный лог не найден!";
  static constexpr const char16_t* kErrorCaption = u"Ошибка";

  TfrmCommonSettings(TBaseDevice& deviceManager, std::span<const TPageClass> pageClasses,
                     TSettingsDialogPorts ports);
  ~TfrmCommonSettings();
  TfrmCommonSettings(const TfrmCommonSettings&) = delete;
  TfrmCommonSettings& operator=(const TfrmCommonSettings&) = delete;

  void AddPage(std::unique_ptr<TfrmBaseSettings> pageFrm);
  void AddPage(const TPageClass& pageClass);
  void AddPages(std::span<const TPageClass> pageClasses);
  void NotifyPages(const WideString& msg, const WideString& data);

  // The tabs: one per page in page order, "Информация" last.
  std::vector<WideString> TabCaptions() const;
  int ActivePage() const { return FActivePage; }
  void SetActivePage(int index) { FActivePage = index; }
  const std::vector<std::unique_ptr<TfrmBaseSettings>>& Pages() const { return FPages; }
  const std::vector<TInfoRow>& InfoRows() const { return FInfoRows; }
  const WideString& ModelNameText() const { return FModelName; }
  const WideString& DriverVersionText() const { return FDriverVersion; }
  const WideString& PageControlHint() const { return FPageControlHint; }
  int ClientWidth() const { return FClientWidth; }
  int ClientHeight() const { return FClientHeight; }
  TBaseDevice& DeviceManager() const { return FDeviceManager; }
  const TSettingsDialogPorts& Ports() const { return FPorts; }

  // The "Дополнительно" menu and its switches.
  std::vector<TMenuItem>& mAdditionaly() { return FMenu; }
  TMenuItem* FindMenuItem(std::u16string_view name);
  bool CapDeviceTest() const;
  void SetCapDeviceTest(bool value);
  bool CapSetDefault() const;
  void SetCapSetDefault(bool value);
  bool CapShowHelp() const;
  void SetCapShowHelp(bool value);
  bool CapOpenDebugLog() const;
  void SetCapOpenDebugLog(bool value);

  // Closing: requested is mrOk for OK, mrCancel for Cancel and the close box. Answers the
  // result the dialog closes with, mrNone when it stays open (a page refused or failed).
  TModalResult FormClose(TModalResult requested);

  void mAdditionalyPopup();
  void miResetClick();
  void miDeviceTestClick();
  void miSettingsListClick();
  void miHelpClick();
  void miOpenCurrentDebugLogClick();
  void miOpenDebugLogDirectoryClick();
  void miAdditionalActionClick(std::int32_t tag);
  void imgLogoClick();
  // The file the call trace writes today.
  WideString CurrentDebugLogFileName() const;

  // Context help: a packed point (x low 16 bits, y high, each signed) or a help context ID.
  void FormHelp(THelpCommand command, std::int32_t data);
  static WideString GetHelpByID(std::int32_t id);
  bool HelpFileExists();
  const WideString& HelpFile() const { return FHelpFile; }
  bool HelpEnabled() const { return FHelpEnabled; }
  static TScreenPoint PopupPosition();
  static void SetPopupPosition(TScreenPoint position);
  // The view answers what GetControlHintByPos needs: the hint of the control asked about,
  // with pos moved to its top-left corner.
  void SetControlHintByPos(std::function<WideString(TScreenPoint& pos)> handler) {
    FControlHintByPos = std::move(handler);
  }
  // The view redraws the pages' controls when the pages have read the settings anew.
  void SetOnPagesRead(std::function<void()> handler) { FOnPagesRead = std::move(handler); }

 private:
  void ReadPages();
  bool SavePages();
  void BuildAdditionalActionsMenu();
  void BuildMenu();
  void FillInformation();
  void SetItemVisible(std::u16string_view name, bool value);
  bool ItemVisible(std::u16string_view name) const;
  void ShowError(const WideString& text);
  bool DeviceTestSteps(WideString& description);
  void SettingsListSteps();

  TBaseDevice& FDeviceManager;
  TSettingsDialogPorts FPorts;
  std::vector<std::unique_ptr<TfrmBaseSettings>> FPages;
  std::vector<TInfoRow> FInfoRows;
  std::vector<TMenuItem> FMenu;
  WideString FModelName;
  WideString FDriverVersion;
  WideString FCI_www;
  WideString FPageControlHint;
  bool FHelpEnabled = false;
  WideString FHelpFile;
  int FActivePage = 0;
  int FClientWidth = kClientWidth;
  int FClientHeight = kClientHeight;
  std::function<WideString(TScreenPoint&)> FControlHintByPos;
  std::function<void()> FOnPagesRead;
};

}  // namespace equ

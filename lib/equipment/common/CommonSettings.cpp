#include "CommonSettings.h"

#include <exception>

#include "BaseDevice.h"
#include "DeviceTexts.h"
#include "Exceptions.h"
#include "LogTimeStamp.h"
#include "ResultCodes.h"
#include "SettingsList.h"

namespace equ {

namespace {

constexpr const char16_t* kPageControlHintText =
    u"Настройка параметров и подробная информация о драйвере";
constexpr int kHelpImage = 0;
constexpr int kAdditionalActionImage = 1;
constexpr std::int32_t kFirstTextHelpID = 1000;

// Shared by every dialog of the module: the last position a help request named.
TScreenPoint gPopupPosition;

std::int16_t SignedHalf(std::uint32_t bits) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(bits & 0xFFFFu));
}

}  // namespace

TfrmCommonSettings::TfrmCommonSettings(TBaseDevice& deviceManager,
                                       std::span<const TPageClass> pageClasses,
                                       TSettingsDialogPorts ports)
    : FDeviceManager(deviceManager), FPorts(std::move(ports)) {
  BuildMenu();
  for (const TPageClass& pageClass : pageClasses) AddPage(pageClass(*this, deviceManager, FPorts));
  FillInformation();
  ReadPages();
  FActivePage = 0;
  if (FPages.empty()) SetCapSetDefault(false);
  FHelpEnabled = HelpFileExists();
  SetCapShowHelp(FHelpEnabled);
  FPageControlHint = kPageControlHintText;
  BuildAdditionalActionsMenu();
}

TfrmCommonSettings::~TfrmCommonSettings() = default;

void TfrmCommonSettings::BuildMenu() {
  const auto item = [](const char16_t* name, const char16_t* caption, std::function<void()> click) {
    TMenuItem menuItem;
    menuItem.Name = name;
    menuItem.Caption = caption;
    menuItem.OnClick = std::move(click);
    return menuItem;
  };
  FMenu.push_back(
      item(u"miReset", u"Установить значения по-умолчанию", [this] { miResetClick(); }));
  FMenu.push_back(
      item(u"miDeviceTest", u"Выполнить тест устройства", [this] { miDeviceTestClick(); }));
  FMenu.push_back(item(u"miSettingsList", u"Показать полный список настроек",
                       [this] { miSettingsListClick(); }));
  TMenuItem logs = item(u"miOpenDebugLog", u"Просмотр отладочных логов", nullptr);
  logs.Visible = false;
  logs.Items.push_back(item(u"miOpenCurrentDebugLog", u"Открыть текущий отладочный лог",
                            [this] { miOpenCurrentDebugLogClick(); }));
  logs.Items.push_back(item(u"miOpenDebugLogDirectory", u"Открыть папку с файлами отладочных логов",
                            [this] { miOpenDebugLogDirectoryClick(); }));
  FMenu.push_back(std::move(logs));
  FMenu.push_back(item(u"N1", u"-", nullptr));
  TMenuItem help = item(u"miHelp", u"Справка", [this] { miHelpClick(); });
  help.ImageIndex = kHelpImage;
  FMenu.push_back(std::move(help));
}

void TfrmCommonSettings::FillInformation() {
  const TDeviceInfoStruct& info = FDeviceManager.DeviceInfo();
  FModelName = info.ModelName;
  FDriverVersion = FDeviceManager.GetDeviceVersion();
  FCI_www = info.CI_www;
  FInfoRows = {
      {u"Тип:", u"lbTypeInfo", EquipmentTypeCaption(info.TypeName)},
      {u"Модель:", u"lbModelInfo", info.ModelName},
      {u"Версия:", u"lbVerInfo", FDeviceManager.GetDeviceVersion()},
      {u"Разработчик:", u"lbDeveloperInfo", info.DeveloperName},
      {u"Описание:", u"lbDescriptionInfo", info.Description},
      {u"Контактная информация:", u"lbContactinfo", ContactsText(info)},
  };
}

void TfrmCommonSettings::AddPage(std::unique_ptr<TfrmBaseSettings> pageFrm) {
  TfrmBaseSettings& page = *pageFrm;
  FPages.push_back(std::move(pageFrm));
  page.SetOwnerFrm(this);
  const int width = page.ClientWidth() + 2 * kContentBorderWidth + 2 * kTabSheetBorderWidth;
  const int height = page.ClientHeight() + kHeaderHeight + kFooterHeight + kTabHeightSetting +
                     2 * kTabSheetBorderWidth;
  if (FClientWidth < width) FClientWidth = width;
  if (FClientHeight < height) FClientHeight = height;
}

void TfrmCommonSettings::AddPage(const TPageClass& pageClass) {
  AddPage(pageClass(*this, FDeviceManager, FPorts));
  ReadPages();
}

void TfrmCommonSettings::AddPages(std::span<const TPageClass> pageClasses) {
  for (const TPageClass& pageClass : pageClasses) AddPage(pageClass(*this, FDeviceManager, FPorts));
  ReadPages();
  FActivePage = 0;
  if (FPages.empty()) SetCapSetDefault(false);
}

void TfrmCommonSettings::NotifyPages(const WideString& msg, const WideString& data) {
  for (const auto& page : FPages) page->OnNotify(msg, data);
}

std::vector<WideString> TfrmCommonSettings::TabCaptions() const {
  std::vector<WideString> captions;
  for (const auto& page : FPages) captions.push_back(page->Caption());
  captions.emplace_back(kInfoCaption);
  return captions;
}

void TfrmCommonSettings::ReadPages() {
  for (const auto& page : FPages) page->OnReadSettings();
  if (FOnPagesRead) FOnPagesRead();
}

bool TfrmCommonSettings::SavePages() {
  for (const auto& page : FPages) {
    bool allowColse = true;
    page->OnSaveSettings(allowColse);
    if (!allowColse) return false;
    page->OnSaveSettings();
  }
  return true;
}

TMenuItem* TfrmCommonSettings::FindMenuItem(std::u16string_view name) {
  for (TMenuItem& item : FMenu) {
    if (item.Name == name) return &item;
    for (TMenuItem& child : item.Items) {
      if (child.Name == name) return &child;
    }
  }
  return nullptr;
}

void TfrmCommonSettings::SetItemVisible(std::u16string_view name, bool value) {
  if (TMenuItem* item = FindMenuItem(name)) item->Visible = value;
}

bool TfrmCommonSettings::ItemVisible(std::u16string_view name) const {
  return const_cast<TfrmCommonSettings*>(this)->FindMenuItem(name)->Visible;
}

bool TfrmCommonSettings::CapDeviceTest() const {
  return ItemVisible(u"miDeviceTest");
}
void TfrmCommonSettings::SetCapDeviceTest(bool value) {
  SetItemVisible(u"miDeviceTest", value);
}
bool TfrmCommonSettings::CapSetDefault() const {
  return ItemVisible(u"miReset");
}
void TfrmCommonSettings::SetCapSetDefault(bool value) {
  SetItemVisible(u"miReset", value);
}
bool TfrmCommonSettings::CapShowHelp() const {
  return ItemVisible(u"miHelp");
}
void TfrmCommonSettings::SetCapShowHelp(bool value) {
  SetItemVisible(u"miHelp", value);
}
bool TfrmCommonSettings::CapOpenDebugLog() const {
  return ItemVisible(u"miOpenDebugLog");
}
void TfrmCommonSettings::SetCapOpenDebugLog(bool value) {
  SetItemVisible(u"miOpenDebugLog", value);
}

void TfrmCommonSettings::BuildAdditionalActionsMenu() {
  const std::int32_t count = FDeviceManager.AddActionsCount();
  if (count == 0) return;
  TMenuItem separator;
  separator.Caption = u"-";
  FMenu.push_back(std::move(separator));
  for (std::int32_t i = 0; i < count; ++i) {
    TMenuItem item;
    item.Caption = FDeviceManager.GetAddAction(i)->Caption;
    item.ImageIndex = kAdditionalActionImage;
    item.Tag = i;
    item.OnClick = [this, i] { miAdditionalActionClick(i); };
    FMenu.push_back(std::move(item));
  }
}

void TfrmCommonSettings::miAdditionalActionClick(std::int32_t tag) {
  if (tag < 0 || tag >= FDeviceManager.AddActionsCount()) return;
  WideString description;
  const std::int32_t code =
      FDeviceManager.RunAdditionalAction(FDeviceManager.GetAddAction(tag)->ID, description);
  if (code != kResultOk) ShowError(description);
}

void TfrmCommonSettings::ShowError(const WideString& text) {
  if (FPorts.desktop) FPorts.desktop->ShowMessage(text, kErrorCaption, TMessageIcon::miError);
}

TModalResult TfrmCommonSettings::FormClose(TModalResult requested) {
  if (requested != TModalResult::mrOk) {
    FDeviceManager.RestoreSettings();
    return TModalResult::mrCancel;
  }
  try {
    return SavePages() ? TModalResult::mrOk : TModalResult::mrNone;
  } catch (const std::exception& e) {
    ShowError(ExceptionMessage(e));
    return TModalResult::mrNone;
  }
}

void TfrmCommonSettings::mAdditionalyPopup() {
  SetCapOpenDebugLog(FDeviceManager.GetSettingValueBool(u"DebugLogEnabled"));
}

void TfrmCommonSettings::miResetClick() {
  FDeviceManager.SetAllSettingsDefault();
  ReadPages();
}

bool TfrmCommonSettings::DeviceTestSteps(WideString& description) {
  if (!SavePages()) {
    description = kWriteSettingsFailed;
    return false;
  }
  WideString enableDescription;
  const std::int32_t code = FDeviceManager.Enable(enableDescription);
  description = GetResultDescription(code, enableDescription, u"");
  if (code != kResultOk) return false;
  description.clear();
  return FDeviceManager.DeviceTest(description);
}

void TfrmCommonSettings::miDeviceTestClick() {
  FDeviceManager.StoreSettings();
  if (FPorts.desktop) FPorts.desktop->SetBusyCursor(true);
  bool passed = false;
  WideString description;
  std::exception_ptr failure;
  try {
    passed = DeviceTestSteps(description);
  } catch (...) {
    failure = std::current_exception();
  }
  // Whatever the test did, the device goes down and the table comes back as it was.
  try {
    FDeviceManager.Disable();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  FDeviceManager.RestoreSettings();
  if (FPorts.desktop) FPorts.desktop->SetBusyCursor(false);
  if (failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const std::exception& e) {
      ShowError(ExceptionMessage(e));
    } catch (...) {
      ShowError(GetResultDescription(kResultUnknownError, u"", u""));
    }
    return;
  }
  if (!passed) ShowError(description);
}

void TfrmCommonSettings::SettingsListSteps() {
  TfrmSettingsList list(FDeviceManager);
  if (FPorts.views && FPorts.views->ShowSettingsList(list)) {
    ReadPages();
  } else {
    FDeviceManager.RestoreSettings();
  }
}

void TfrmCommonSettings::miSettingsListClick() {
  FDeviceManager.StoreSettings();
  try {
    SettingsListSteps();
  } catch (const std::exception& e) {
    FDeviceManager.RestoreSettings();
    ShowError(ExceptionMessage(e));
  }
}

WideString TfrmCommonSettings::CurrentDebugLogFileName() const {
  WideString folder = FDeviceManager.DeviceFolder();
  const char16_t delimiter = FPorts.folders ? FPorts.folders->PathDelimiter() : u'\\';
  if (!folder.empty() && folder.back() != delimiter) folder += delimiter;
  const LocalDateTime today = FPorts.clock ? FPorts.clock->Now() : LocalDateTime{};
  return folder + u"Debug_" + LogFileDate(today) + u".log";
}

void TfrmCommonSettings::miOpenCurrentDebugLogClick() {
  if (!FPorts.desktop) return;
  const WideString file = CurrentDebugLogFileName();
  if (FPorts.desktop->FileExists(file)) {
    FPorts.desktop->ShellOpen(file, TShowMode::smRestored);
  } else {
    ShowError(kDebugLogNotFound);
  }
}

void TfrmCommonSettings::miOpenDebugLogDirectoryClick() {
  if (!FPorts.desktop) return;
  const std::optional<WideString> file =
      FPorts.desktop->PickFile(FDeviceManager.DeviceFolder(), u"Файлы log|*.log;");
  if (file) FPorts.desktop->ShellOpen(*file, TShowMode::smRestored);
}

void TfrmCommonSettings::miHelpClick() {
  if (FPorts.desktop && FHelpEnabled) FPorts.desktop->ShowHelpFile(FHelpFile);
}

void TfrmCommonSettings::imgLogoClick() {
  if (!FPorts.desktop) return;
  FPorts.desktop->SetBusyCursor(true);
  FPorts.desktop->ShellOpen(FCI_www, TShowMode::smMaximized);
  FPorts.desktop->SetBusyCursor(false);
}

bool TfrmCommonSettings::HelpFileExists() {
  FHelpFile.clear();
  if (!FPorts.module) return false;
  const WideString path = FPorts.module->ModulePath();
  const std::size_t slash = path.find_last_of(u"\\/");
  const WideString folder = slash == WideString::npos ? WideString() : path.substr(0, slash + 1);
  FHelpFile = folder + u"help" + u".chm";
  return FPorts.desktop && FPorts.desktop->FileExists(FHelpFile);
}

TScreenPoint TfrmCommonSettings::PopupPosition() {
  return gPopupPosition;
}

void TfrmCommonSettings::SetPopupPosition(TScreenPoint position) {
  gPopupPosition = position;
}

WideString TfrmCommonSettings::GetHelpByID(std::int32_t id) {
  switch (id) {
    case 1000:
      return u"Дополнительные функции: \r\n - Установка параметров в значегие по умолчанию\r\n"
             u" - Тест работоспособности устройства\r\n - Отображение полного списка настроек\r\n"
             u" - Справка";
    case 1001:
      return u"Сохранить настройки и закрыть окно";
    case 1002:
      return u"Закрыть окно без сохранения настроек";
    case 1003:
      return kPageControlHintText;
    default:
      return WideString();
  }
}

void TfrmCommonSettings::FormHelp(THelpCommand command, std::int32_t data) {
  if (command == THelpCommand::hcSetPopupPos) {
    const auto bits = static_cast<std::uint32_t>(data);
    gPopupPosition = TScreenPoint{SignedHalf(bits), SignedHalf(bits >> 16)};
    return;
  }
  THelpPopup popup;
  if (data == kPageControlHelpID) {
    TScreenPoint position = gPopupPosition;
    if (FControlHintByPos) popup.Text = FControlHintByPos(position);
    gPopupPosition = position;
  } else if (data >= kFirstTextHelpID) {
    popup.Text = GetHelpByID(data);
  } else if (data >= 1 && FHelpEnabled) {
    popup.StringID = data;
  }
  popup.Position = gPopupPosition;
  if (data < kFirstTextHelpID && FHelpEnabled) popup.Location = FHelpFile + u"::/popups.txt";
  if (FPorts.desktop) FPorts.desktop->ShowHelpPopup(popup);
}

}  // namespace equ

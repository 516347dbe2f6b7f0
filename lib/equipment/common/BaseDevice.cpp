// The life cycle and the host methods common to all devices.
#include "BaseDevice.h"

#include "DataFolders.h"
#include "DeviceTexts.h"
#include "Exceptions.h"
#include "ResultCodes.h"
#include "VariantText.h"
#include "platform/Folders.h"
#include "platform/PlatformPorts.h"

namespace equ {

namespace {

constexpr std::int32_t kSettingsRows = 7;

// The maker's contact data shown in the settings dialog's information tab.
constexpr char16_t kDeveloperName[] = u"ООО \"МОВАК\"";
constexpr char16_t kContactEmail[] = u"support@movak.ru";
constexpr char16_t kContactWeb[] = u"www.movak.ru";
constexpr char16_t kContactPhones[] = u"+7 (800) 000-00-00";
constexpr char16_t kContactAddress[] = u"Россия, Москва";

// Element 0 of an array argument, when the argument holds a one-dimensional array (or a
// script array) with at least one element.
std::optional<Variant> FirstElement(const Variant& argument) {
  const Variant& value = argument.Dereferenced();
  if (value.IsArray() && (value.Array() == nullptr || value.Array()->ElementCount() == 0)) {
    return std::nullopt;
  }
  Variant first;
  try {
    TBaseObject::GetArrayElements(value, {&first});
  } catch (const EquException&) {
    return std::nullopt;
  }
  return first;
}

}  // namespace

TBaseDevice::~TBaseDevice() = default;

void TBaseDevice::Initialize() {
  TBaseObject::Initialize();
  SetDebugLogEnabled(false);
  FEqManager.Clear();
  FDeviceID.clear();
  FWindows.clear();
  SetDebugLogDir(WideString());
  FModelsFolder.clear();
  if (const auto& windows = Platform().messageWindows) {
    MessageWindows::WindowResult window =
        windows->Create([this](const WindowMessage& m) { return WndProc(m); });
    FDeviceWindow = window ? std::move(*window) : nullptr;
  }
  OnInitialize();
  SetDefaultDeviceInfo();
  RegisterMethods();
  RegisterSettings();
  FDeviceState = TDeviceState::dsCreated;
}

void TBaseDevice::BeforeDestruction() noexcept {
  try {
    Disable();
  } catch (...) {
    // Destruction goes on whatever the device answers.
  }
  FDeviceWindow.reset();
  try {
    OnDestroy();
  } catch (...) {
  }
  FEqManager.Clear();
  FWindows.clear();
}

std::uintptr_t TBaseDevice::DeviceHandle() const {
  return FDeviceWindow ? FDeviceWindow->Handle() : 0;
}

void TBaseDevice::SetDefaultDeviceInfo() {
  const FileVersion version = GetFileVersion(u"");
  FDeviceInfo = TDeviceInfoStruct{};
  FDeviceInfo.TypeName = u"Unknown";
  FDeviceInfo.MajorVersion = version.major;
  FDeviceInfo.MinorVersion = version.minor;
  FDeviceInfo.BuildVersion = version.build;
  FDeviceInfo.ProcessorType = 1;
  FDeviceInfo.IsSettingsDlgExist = false;
  FDeviceInfo.DeveloperName = kDeveloperName;
  FDeviceInfo.CI_email = kContactEmail;
  FDeviceInfo.CI_www = kContactWeb;
  FDeviceInfo.CI_Phones = kContactPhones;
  FDeviceInfo.CI_address = kContactAddress;
  OnSetDeviceInfo();
}

void TBaseDevice::RegisterMethods() {
  RegisterPrivateMethod(u"Init", Bind(&TBaseDevice::HostInit));
  RegisterPrivateMethod(u"Open", Bind(&TBaseDevice::HostOpen));
  RegisterPrivateMethod(u"Close", Bind(&TBaseDevice::HostClose));
  RegisterPublicMethod(u"ShowSettingsDlg", Bind(&TBaseDevice::HostShowSettingsDlg));
  RegisterPublicMethod(u"GetDeviceInfo", Bind(&TBaseDevice::HostGetDeviceInfo));
  RegisterPublicMethod(u"Enable", Bind(&TBaseDevice::HostEnable));
  RegisterPublicMethod(u"Disable", Bind(&TBaseDevice::HostDisable));
  RegisterPublicMethod(u"GetSettings", Bind(&TBaseDevice::HostGetSettings));
  RegisterPublicMethod(u"SetSettings", Bind(&TBaseDevice::HostSetSettings));
  RegisterPublicMethod(u"CheckHealth", Bind(&TBaseDevice::HostCheckHealth));
}

void TBaseDevice::RegisterSettings() {
  RegisterSetting(u"DefaultTimeOut", TDataType::dtNumber, Variant(120), false,
                  u"Таймаут по умолчанию",
                  u"Таймаут по умолчанию. Используется в случае, если при вызове метода параметр "
                  u"Timeout равен 0");
  RegisterSetting(u"EventLogEnabled", TDataType::dtBoolean, Variant(false), false,
                  u"Журнал событий",
                  u"Если равно True, ведется журнал критических событий и ошибок");
  RegisterSetting(u"DebugLogEnabled", TDataType::dtBoolean, Variant(false), false,
                  u"Отладочный лог", u"Если равно True, ведется отладочный лог");
}

WideString TBaseDevice::WithTrailingDelimiter(WideString folder) const {
  const char16_t delimiter = Platform().folders->PathDelimiter();
  if (!folder.empty() && folder.back() != delimiter) folder += delimiter;
  return folder;
}

WideString TBaseDevice::ModelFolder() const {
  return FModelsFolder + FDeviceInfo.ModelID + Platform().folders->PathDelimiter();
}

void TBaseDevice::SetEnabled(bool value) {
  if (value && !Enabled()) {
    Enable();
  } else if (!value && Enabled()) {
    Disable();
  }
}

std::int32_t TBaseDevice::Enable(WideString& resultDescription) {
  SetDebugLogDir(FDeviceFolder);
  SetDebugLogEnabled(GetSettingValueBool(u"DebugLogEnabled"));
  const std::int32_t code = OnEnable(resultDescription);
  if (code == kResultOk) {
    FDeviceState = TDeviceState::dsEnabled;
  } else if (resultDescription.empty()) {
    resultDescription = GetDriverResultDescription(code);
  }
  return code;
}

std::int32_t TBaseDevice::Enable() {
  WideString ignored;
  return Enable(ignored);
}

std::int32_t TBaseDevice::DoDisable(WideString& resultDescription) {
  const std::int32_t code = OnDisable(resultDescription);
  if (code == kResultOk) FDeviceState = TDeviceState::dsInited;
  SetDebugLogEnabled(false);
  return code;
}

std::int32_t TBaseDevice::Disable() {
  WideString ignored;
  return DoDisable(ignored);
}

std::int32_t TBaseDevice::DoCheckHealth(WideString& resultDescription) {
  if (Enabled()) {
    WideString told;
    const std::int32_t code = OnCheckHealth(told);
    resultDescription = told.empty() ? GetDriverResultDescription(code) : told;
    return code;
  }
  const std::int32_t code = Enable(resultDescription);
  resultDescription = GetDriverResultDescription(code);
  Disable();
  return code;
}

std::int32_t TBaseDevice::OnCheckHealth(WideString&) {
  return kResultOk;
}

WideString TBaseDevice::GetDeviceVersion() const {
  return VersionText(FDeviceInfo);
}

bool TBaseDevice::DeviceTest(WideString& resultDescription) {
  resultDescription = FindResultText(kResultNotSupported);
  return false;
}

void TBaseDevice::BeginDebugLog() {
  const FileVersion version = GetFileVersion(u"");
  WriteDebugLog(WideString(40, u' '), u"", true);
  WriteDebugLog(u"============Begin debug log=============", u"", true);
  WriteDebugLog(u"driver ver.", IntToWide(version.major) + u"." + IntToWide(version.minor) + u"." +
                                    IntToWide(version.build));
  WriteDebugLog(u"device ID", FDeviceID);
  WriteDebugLog(u"----------------Settings----------------", u"", true);
  for (const TSettingStruct& row : SettingList()) WriteDebugLog(row.ID, VariantToText(row.Value));
  WriteDebugLog(u"----------------------------------------", u"", true);
}

Variant TBaseDevice::HostInit(SafeArray& params) {
  FEqManager.Clear();
  Variant manager;
  GetArrayElements(params, {&manager});
  WideString description;
  std::int32_t code = kResultBadParameters;
  if (manager.Type() == VarType::Dispatch && !manager.IsArray() && manager.Dispatch()) {
    FEqManager = manager;
    code = OnInit(description);
  }
  const bool ok = code == kResultOk;
  PutArrayElement(params, 1, Variant(GetResultDescription(code, description, u"")));
  if (ok) {
    FDeviceState = TDeviceState::dsInited;
    FModelsFolder = WithTrailingDelimiter(GetAppProperty(u"ModelsFolder"));
    FLanguage = GetAppProperty(u"Language");
  }
  return Variant(ok);
}

Variant TBaseDevice::HostOpen(SafeArray& params) {
  FDeviceID.clear();
  Variant id;
  GetArrayElements(params, {&id});
  WideString description;
  std::int32_t code = kResultBadParameters;
  if (id.Type() == VarType::String && !id.IsArray()) {
    FDeviceID = id.RawString();
    FDeviceFolder = GetDeviceFolder();
    code = OnOpen(description);
  }
  PutArrayElement(params, 1, Variant(GetResultDescription(code, description, u"")));
  return Variant(code == kResultOk);
}

Variant TBaseDevice::HostClose(SafeArray&) {
  OnClose();
  FDeviceID.clear();
  FEqManager.Clear();
  OnAfterClose();
  return Variant(true);
}

std::int32_t TBaseDevice::HostShowSettingsDlg(Variant&, Variant&, std::int32_t, WideString&) {
  if (!FDeviceInfo.IsSettingsDlgExist) return kResultNotSupported;
  return OnShowSettingsDlg() ? kResultOk : kResultCancelledByUser;
}

Variant TBaseDevice::GetDeviceInfoArray() const {
  const TDeviceInfoStruct& i = FDeviceInfo;
  return Variant(SafeArray::Vector(
      {Variant(i.TypeName), Variant(i.ModelID), Variant(i.ModelName), Variant(i.MajorVersion),
       Variant(i.MinorVersion), Variant(i.BuildVersion), Variant(i.ProcessorName),
       Variant(i.ProcessorType), Variant(i.IsSettingsDlgExist), Variant(i.Description),
       Variant(i.DeveloperName), Variant(i.CI_email), Variant(i.CI_www), Variant(i.CI_Phones),
       Variant(i.CI_address)}));
}

std::int32_t TBaseDevice::HostGetDeviceInfo(Variant&, Variant& outData, std::int32_t, WideString&) {
  outData = GetDeviceInfoArray();
  return kResultOk;
}

std::int32_t TBaseDevice::HostEnable(Variant&, Variant&, std::int32_t,
                                     WideString& resultDescription) {
  return Enable(resultDescription);
}

std::int32_t TBaseDevice::HostDisable(Variant&, Variant&, std::int32_t,
                                      WideString& resultDescription) {
  return DoDisable(resultDescription);
}

Variant TBaseDevice::GetSettingsArray() const {
  const TSettingArray& rows = SettingList();
  SafeArray table(VarType::Variant,
                  {{0, kSettingsRows}, {0, static_cast<std::uint32_t>(rows.size())}});
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TSettingStruct& row = rows[i];
    const Variant columns[kSettingsRows] = {Variant(row.ID),
                                            row.Value,
                                            Variant(DataTypeName(row.ValueType)),
                                            row.Default,
                                            Variant(row.ReadOnly),
                                            Variant(row.Name),
                                            Variant(row.Description)};
    for (std::int32_t r = 0; r < kSettingsRows; ++r) {
      const std::int32_t index[] = {r, static_cast<std::int32_t>(i)};
      *table.Find(index) = columns[r];
    }
  }
  return Variant(SafeArray::Vector({Variant(std::move(table))}));
}

std::int32_t TBaseDevice::HostGetSettings(Variant&, Variant& outData, std::int32_t, WideString&) {
  outData = GetSettingsArray();
  return kResultOk;
}

namespace {

// One column of a settings array: an identifier and the value to store under it.
struct SettingUpdate {
  WideString id;
  Variant value;
};

constexpr char16_t kSettingsShapeError[] =
    u"Ошибка входных параметров команды: массив настроек должен быть двумерным, со строкой "
    u"идентификаторов и строкой значений";

WideString UnreadableIdText(std::int32_t column) {
  return u"Ошибка входных параметров команды: идентификатор настройки в столбце " +
         IntToWide(column) + u" не является текстом";
}

// Reads every column before anything is applied; answers the code (and text) of the first
// reason the array cannot be taken whole.
std::int32_t ReadSettingUpdates(const SafeArray& table, std::vector<SettingUpdate>& updates,
                                WideString& resultDescription) {
  if (table.Dimensions() != 2 || table.Bounds()[0].count < 2) {
    resultDescription = kSettingsShapeError;
    return kResultBadParameters;
  }
  const ArrayBound& rows = table.Bounds()[0];
  const ArrayBound& columns = table.Bounds()[1];
  for (std::int64_t j = columns.lower; j <= columns.Upper(); ++j) {
    const auto column = static_cast<std::int32_t>(j);
    const std::int32_t idIndex[] = {rows.lower, column};
    const std::int32_t valueIndex[] = {rows.lower + 1, column};
    SettingUpdate update;
    try {
      update.id = table.Find(idIndex)->ToString();
    } catch (const std::exception&) {
      resultDescription = UnreadableIdText(column);
      return kResultBadParameters;
    }
    update.value = table.Find(valueIndex)->Dereferenced();
    updates.push_back(std::move(update));
  }
  return kResultOk;
}

}  // namespace

// The array is read whole first: an identifier that cannot be read leaves every setting as
// it was. Unknown identifiers are skipped, and values are stored as given.
std::int32_t TBaseDevice::HostSetSettings(Variant& inData, Variant&, std::int32_t,
                                          WideString& resultDescription) {
  const std::optional<Variant> first = FirstElement(inData);
  if (!first || !first->Dereferenced().IsArray() || first->Dereferenced().Array() == nullptr) {
    return kResultBadParameters;
  }
  std::vector<SettingUpdate> updates;
  const std::int32_t code =
      ReadSettingUpdates(*first->Dereferenced().Array(), updates, resultDescription);
  if (code != kResultOk) return code;
  for (SettingUpdate& update : updates) {
    if (TSettingStruct* row = FindSetting(update.id)) row->Value = std::move(update.value);
  }
  OnSettingsChanged();
  return kResultOk;
}

std::int32_t TBaseDevice::HostCheckHealth(Variant&, Variant&, std::int32_t,
                                          WideString& resultDescription) {
  return DoCheckHealth(resultDescription);
}

}  // namespace equ

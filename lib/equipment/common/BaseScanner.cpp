#include "BaseScanner.h"

#include "Exceptions.h"
#include "ResultCodes.h"

namespace equ {

void TBaseScanner::OnInitialize() {
  TBaseDevice::OnInitialize();
  FScanDataList = std::make_unique<TScanDataList>();
  FEventEnabled = false;
}

void TBaseScanner::OnDestroy() {
  TBaseDevice::OnDestroy();
  FScanDataList->Clear();
}

void TBaseScanner::OnSetDeviceInfo() {
  TBaseDevice::OnSetDeviceInfo();
  MutableDeviceInfo().TypeName = u"Scanner";
}

void TBaseScanner::RegisterMethods() {
  TBaseDevice::RegisterMethods();
  RegisterSpecificMethod(u"EnableDataEvents", Bind(&TBaseScanner::HostEnableDataEvents));
  RegisterSpecificMethod(u"GetDataCount", Bind(&TBaseScanner::HostGetDataCount));
  RegisterSpecificMethod(u"GetScanData", Bind(&TBaseScanner::HostGetScanData));
}

void TBaseScanner::RegisterSettings() {
  TBaseDevice::RegisterSettings();
  RegisterSetting(u"Prefix", TDataType::dtString, Variant(WideString()), false, u"Префикс",
                  u"Символы, добавляемые сканером перед штрихкодом при сканировании");
  RegisterSetting(u"Postfix", TDataType::dtString, Variant(WideString()), false, u"Постфикс",
                  u"Символы, добавляемые сканером после штрихкода при сканировании");
  RegisterSetting(u"AutoDisableDataEvent", TDataType::dtBoolean, Variant(false), false,
                  u"Автоматическое отключение",
                  u"Автоматическая приостановка посылки событий после считывания данных");
}

void TBaseScanner::OnSettingsChanged() {
  TBaseDevice::OnSettingsChanged();
  if (!AutoDisableDataEvent()) SetEventEnabled(true);
}

std::int32_t TBaseScanner::OnEnable(WideString& resultDescription) {
  const std::int32_t code = TBaseDevice::OnEnable(resultDescription);
  FEventEnabled = true;
  return code;
}

std::int32_t TBaseScanner::OnDisable(WideString&) {
  FEventEnabled = false;
  return kResultOk;
}

void TBaseScanner::SetEventEnabled(bool value) {
  FEventEnabled = value;
  if (value) SendDataEvents();
}

void TBaseScanner::AddScanData(const WideString& scanData, const WideString& scanDataLabel,
                               std::int32_t scanDataType) {
  FScanDataList->AddDataItem(scanData, scanDataLabel, scanDataType);
  if (FSending) {
    // The offering going on reaches this item too; it applies the auto-disable when done.
    if (AutoDisableDataEvent()) FDisableAfterSending = true;
    return;
  }
  SendDataEvents();
  if (AutoDisableDataEvent()) FEventEnabled = false;
}

namespace {

// Gives a field a value for one scope and puts the old one back, also when a failing data
// event leaves the scope by an exception.
template <class T>
class ScopedAssignment {
 public:
  ScopedAssignment(T& target, T value) : target_(target), old_(target) { target_ = value; }
  ~ScopedAssignment() { target_ = old_; }
  ScopedAssignment(const ScopedAssignment&) = delete;
  ScopedAssignment& operator=(const ScopedAssignment&) = delete;

 private:
  T& target_;
  T old_;
};

}  // namespace

void TBaseScanner::SendDataEvents() {
  if (FSending) return;
  try {
    const ScopedAssignment<bool> sending(FSending, true);
    while (FScanDataList->Count() > 0 && FEventEnabled) {
      if (!SendFirstDataEvent()) break;
    }
  } catch (...) {
    // A failed event skips the auto-disable, of the scans that came meanwhile too.
    FDisableAfterSending = false;
    throw;
  }
  if (FDisableAfterSending) FEventEnabled = false;
  FDisableAfterSending = false;
}

bool TBaseScanner::IsUnderOffer(const TScanDataItem& item) const {
  return FOfferedItem != 0 && item.Id() == FOfferedItem;
}

TScanDataItem* TBaseScanner::FirstFetchableItem() {
  for (std::int32_t i = 0; i < FScanDataList->Count(); ++i) {
    TScanDataItem* item = FScanDataList->GetDataItem(i);
    if (!IsUnderOffer(*item)) return item;
  }
  return nullptr;
}

bool TBaseScanner::SendFirstDataEvent() {
  TScanDataItem* item = FScanDataList->GetFirstDataItem();
  if (item == nullptr) return false;
  Variant extData(SafeArray::Vector(
      {Variant(item->ScanData()), Variant(item->ScanDataLabel()), Variant(item->ScanDataType())}));
  // Copied first: during the event the list may change under the item (the host's calls, a
  // new scan), so the item is found again by its Id afterwards.
  const WideString label = item->ScanDataLabel();
  const std::uint64_t id = item->Id();
  bool accepted = false;
  {
    const ScopedAssignment<std::uint64_t> offered(FOfferedItem, id);
    accepted = DataEvent(u"ScanData", label, extData);
  }
  if (accepted) FScanDataList->DeleteDataItem(FScanDataList->IndexOfId(id));
  return accepted;
}

std::int32_t TBaseScanner::EnableDataEvents(bool enable, std::int32_t, WideString&) {
  SetEventEnabled(enable);
  return kResultOk;
}

std::int32_t TBaseScanner::GetDataCount(std::int32_t& count, std::int32_t, WideString&) {
  count = FScanDataList->Count();
  if (FOfferedItem != 0 && FScanDataList->IndexOfId(FOfferedItem) >= 0) --count;
  return kResultOk;
}

std::int32_t TBaseScanner::GetScanData(WideString& scanData, WideString& scanDataLabel,
                                       std::int32_t& scanDataType, std::int32_t, WideString&) {
  scanData.clear();
  scanDataLabel.clear();
  scanDataType = 0;
  TScanDataItem* item = FirstFetchableItem();
  if (item == nullptr) return kResultBufferEmpty;
  scanData = item->ScanData();
  scanDataLabel = item->ScanDataLabel();
  scanDataType = item->ScanDataType();
  FScanDataList->DeleteDataItem(FScanDataList->IndexOfId(item->Id()));
  return kResultOk;
}

std::int32_t TBaseScanner::HostEnableDataEvents(Variant& inData, Variant&, std::int32_t timeOut,
                                                WideString& resultDescription) {
  const Variant& value = inData.Dereferenced();
  const bool holdsArray =
      (value.IsArray() && value.Array() != nullptr && value.Array()->ElementCount() > 0) ||
      value.Dispatch() != nullptr;
  if (!holdsArray) return kResultBadParameters;
  Variant first;
  try {
    GetArrayElements(value, {&first});
  } catch (const EquException&) {
    return kResultBadParameters;
  }
  return EnableDataEvents(first.ToBool(), timeOut, resultDescription);
}

std::int32_t TBaseScanner::HostGetDataCount(Variant&, Variant& outData, std::int32_t timeOut,
                                            WideString& resultDescription) {
  std::int32_t count = 0;
  const std::int32_t code = GetDataCount(count, timeOut, resultDescription);
  outData = Variant(SafeArray::Vector({Variant(count)}));
  return code;
}

std::int32_t TBaseScanner::HostGetScanData(Variant&, Variant& outData, std::int32_t timeOut,
                                           WideString& resultDescription) {
  WideString scanData;
  WideString scanDataLabel;
  std::int32_t scanDataType = 0;
  const std::int32_t code =
      GetScanData(scanData, scanDataLabel, scanDataType, timeOut, resultDescription);
  outData = Variant(
      SafeArray::Vector({Variant(scanData), Variant(scanDataLabel), Variant(scanDataType)}));
  return code;
}

}  // namespace equ

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
  SendDataEvents();
  if (AutoDisableDataEvent()) FEventEnabled = false;
}

void TBaseScanner::SendDataEvents() {
  while (FScanDataList->Count() > 0 && FEventEnabled) {
    if (!SendFirstDataEvent()) break;
  }
}

bool TBaseScanner::SendFirstDataEvent() {
  TScanDataItem* item = FScanDataList->GetFirstDataItem();
  if (item == nullptr) return false;
  Variant extData(SafeArray::Vector(
      {Variant(item->ScanData()), Variant(item->ScanDataLabel()), Variant(item->ScanDataType())}));
  // The label is copied first: the event may end with the item gone (GetScanData from the host).
  const WideString label = item->ScanDataLabel();
  const bool accepted = DataEvent(u"ScanData", label, extData);
  if (accepted) FScanDataList->DeleteFirstDataItem();
  return accepted;
}

std::int32_t TBaseScanner::EnableDataEvents(bool enable, std::int32_t, WideString&) {
  SetEventEnabled(enable);
  return kResultOk;
}

std::int32_t TBaseScanner::GetDataCount(std::int32_t& count, std::int32_t, WideString&) {
  count = FScanDataList->Count();
  return kResultOk;
}

std::int32_t TBaseScanner::GetScanData(WideString& scanData, WideString& scanDataLabel,
                                       std::int32_t& scanDataType, std::int32_t, WideString&) {
  scanData.clear();
  scanDataLabel.clear();
  scanDataType = 0;
  TScanDataItem* item = FScanDataList->GetFirstDataItem();
  if (item == nullptr) return kResultBufferEmpty;
  scanData = item->ScanData();
  scanDataLabel = item->ScanDataLabel();
  scanDataType = item->ScanDataType();
  FScanDataList->DeleteFirstDataItem();
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

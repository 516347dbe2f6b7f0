#include "HostManager.h"

#include "equipment/common/VariantText.h"

namespace equ::tools {

THostManager::THostManager(std::map<WideString, WideString> properties,
                           std::function<void(const WideString&)> print)
    : properties_(std::move(properties)), print_(std::move(print)) {}

void THostManager::Initialize() {
  TBaseObject::Initialize();
  RegisterPrivateMethod(u"DataEvent", Bind(&THostManager::HostDataEvent));
  RegisterPrivateMethod(u"ErrorEvent", Bind(&THostManager::HostErrorEvent));
  RegisterPrivateMethod(u"GetAppProperty", Bind(&THostManager::HostGetAppProperty));
  RegisterPrivateMethod(u"MessageDlg", Bind(&THostManager::HostMessageDlg));
  RegisterPrivateMethod(u"InputDataDlg", Bind(&THostManager::HostInputDataDlg));
  RegisterPrivateMethod(u"TaskState", Bind(&THostManager::HostTaskState));
  RegisterPrivateMethod(u"WriteLog", Bind(&THostManager::HostWriteLog));
}

void THostManager::PrintCall(const WideString& name, const SafeArray& params) {
  WideString line = name;
  for (const Variant& arg : params.Elements()) line += u" " + VariantToText(arg);
  print_(line);
}

Variant THostManager::HostDataEvent(SafeArray& params) {
  PrintCall(u"DataEvent", params);
  if (insideDataEvent) insideDataEvent();
  const Variant* event = params.Find(1);
  const Variant* data = params.Find(2);
  if (acceptEvents && onScan && event != nullptr && data != nullptr &&
      event->ToString() == u"ScanData") {
    onScan(data->ToString());
  }
  return Variant(acceptEvents);
}

Variant THostManager::HostErrorEvent(SafeArray& params) {
  PrintCall(u"ErrorEvent", params);
  return Variant(true);
}

Variant THostManager::HostGetAppProperty(SafeArray& params) {
  PrintCall(u"GetAppProperty", params);
  const Variant* name = params.Find(1);
  if (name == nullptr || params.Find(2) == nullptr) return Variant(false);
  const auto it = properties_.find(name->ToString());
  if (it == properties_.end()) return Variant(false);
  params.At(2) = Variant(it->second);
  return Variant(true);
}

Variant THostManager::HostMessageDlg(SafeArray& params) {
  PrintCall(u"MessageDlg", params);
  return Variant(1);
}

Variant THostManager::HostInputDataDlg(SafeArray& params) {
  PrintCall(u"InputDataDlg", params);
  const Variant* defaultText = params.Find(2);
  return defaultText != nullptr ? *defaultText : Variant(WideString());
}

Variant THostManager::HostTaskState(SafeArray& params) {
  PrintCall(u"TaskState", params);
  return Variant(true);
}

Variant THostManager::HostWriteLog(SafeArray& params) {
  PrintCall(u"WriteLog", params);
  return Variant(true);
}

}  // namespace equ::tools

#pragma once

#include <cstdio>
#include <functional>
#include <map>

#include "equipment/common/BaseObject.h"

namespace equ::tools {

// The test host's equipment manager: an automation object the driver calls back. It prints
// every call as one line and answers the application properties it was given.
class THostManager : public TBaseObject {
 public:
  THostManager(std::map<WideString, WideString> properties,
               std::function<void(const WideString&)> print);
  void Initialize() override;

  // Called for every accepted "ScanData" event with the event's data.
  std::function<void(const WideString& data)> onScan;
  // Called inside every "DataEvent" before it is answered (a manager that calls the driver
  // back from its event handler).
  std::function<void()> insideDataEvent;
  bool acceptEvents = true;

 private:
  Variant HostDataEvent(SafeArray& params);
  Variant HostErrorEvent(SafeArray& params);
  Variant HostGetAppProperty(SafeArray& params);
  Variant HostMessageDlg(SafeArray& params);
  Variant HostInputDataDlg(SafeArray& params);
  Variant HostTaskState(SafeArray& params);
  Variant HostWriteLog(SafeArray& params);
  void PrintCall(const WideString& name, const SafeArray& params);

  std::map<WideString, WideString> properties_;
  std::function<void(const WideString&)> print_;
};

}  // namespace equ::tools

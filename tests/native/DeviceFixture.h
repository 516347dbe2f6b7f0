#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "FakeManager.h"
#include "FakePorts.h"
#include "LocaleFixture.h"
#include "equipment/common/BaseScanner.h"
#include "equipment/common/TraceWriter.h"
#include "platform/PlatformPorts.h"

namespace equ::testing {

class RecordingTrace : public TraceWriter {
 public:
  std::vector<TraceLine> lines;
  void WriteLine(const TraceLine& line) override { lines.push_back(line); }
  bool Has(std::u16string_view name, std::u16string_view text) const {
    for (const TraceLine& line : lines) {
      if (line.name == name && line.text == text) return true;
    }
    return false;
  }
};

// A scanner device that counts its steps and answers as told.
class TProbeScanner : public TBaseScanner {
 public:
  int enables = 0;
  int disables = 0;
  int settingsChanged = 0;
  std::int32_t enableCode = 0;
  WideString enableDescription;
  bool hasSettingsDialog = false;
  bool dialogAnswer = true;

  using TBaseDevice::StoreFocus;

 protected:
  void OnSetDeviceInfo() override {
    TBaseScanner::OnSetDeviceInfo();
    MutableDeviceInfo().IsSettingsDlgExist = hasSettingsDialog;
  }
  std::int32_t OnEnable(WideString& description) override {
    TBaseScanner::OnEnable(description);
    ++enables;
    description = enableDescription;
    return enableCode;
  }
  std::int32_t OnDisable(WideString& description) override {
    ++disables;
    return TBaseScanner::OnDisable(description);
  }
  void OnSettingsChanged() override {
    ++settingsChanged;
    TBaseScanner::OnSettingsChanged();
  }
  bool OnShowSettingsDlg() override { return dialogAnswer; }
};

// A device with fake platform ports and a fake manager, called the way the host calls it.
class DeviceFixture : public ::testing::Test {
 protected:
  DeviceFixture()
      : ports_(PlatformPorts{.module = std::make_shared<FakeModuleInfo>(),
                             .folders = std::make_shared<FakeFolders>(),
                             .guids = std::make_shared<SequentialGuidSource>(),
                             .callTrace = trace_}) {
    device_ = MakeObject<TProbeScanner>();
  }

  // A host call by name; answers the invocation status.
  HResult Invoke(std::u16string_view name, SafeArray& params, Variant& result,
                 InvokeExceptionInfo* info = nullptr) {
    std::int32_t id = -1;
    EXPECT_EQ(device_->GetIDsOfNames(name, id), hresult::kOk) << WideToUtf8(name);
    return device_->Invoke(id, kDispatchMethod, params, result, info);
  }

  // A public host call: answers its Boolean result and leaves OutData in outData.
  bool CallPublic(std::u16string_view name, const Variant& inData, Variant* outData = nullptr) {
    SafeArray params = SafeArray::Vector({inData, Variant(), Variant(0)});
    Variant result;
    EXPECT_EQ(Invoke(name, params, result), hresult::kOk) << WideToUtf8(name);
    if (outData != nullptr) *outData = params.At(1);
    return result.ToBool();
  }

  // Init with the fake manager; answers argument 2.
  WideString InitWithManager() {
    SafeArray params =
        SafeArray::Vector({Variant(std::shared_ptr<DispatchPort>(manager_)), Variant()});
    Variant result;
    EXPECT_EQ(Invoke(u"Init", params, result), hresult::kOk);
    EXPECT_EQ(result, Variant(true));
    return params.At(1).ToString();
  }

  void OpenDevice(const WideString& id) {
    SafeArray params = SafeArray::Vector({Variant(id), Variant()});
    Variant result;
    ASSERT_EQ(Invoke(u"Open", params, result), hresult::kOk);
    ASSERT_EQ(result, Variant(true));
  }

  static Variant ErrorArray(std::int32_t code, const WideString& text) {
    return Variant(SafeArray::Vector({Variant(code), Variant(text)}));
  }

  LocaleScope locale_ = EnglishLocale();
  std::shared_ptr<RecordingTrace> trace_ = std::make_shared<RecordingTrace>();
  ScopedPlatformPorts ports_;
  std::shared_ptr<FakeManager> manager_ = std::make_shared<FakeManager>();
  ObjectPtr<TProbeScanner> device_;
};

}  // namespace equ::testing

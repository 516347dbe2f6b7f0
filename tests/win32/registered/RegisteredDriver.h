#pragma once

// The built module registered with regsvr32 from a folder with a blank in its name, the way an
// installer under "Program Files" leaves it, and created through COM by its programmatic
// identifier. The registration is made when the test program starts and undone (with the
// copy of the module) when it ends; a registration found at the start is made again, so the
// prefix is left as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "equipment/common/SafeArray.h"
#include "equipment/common/Variant.h"
#include "platform/win32/ComDispatchPort.h"

namespace equ::win32::testing {

// Where the registered copy of the module lives (a folder with a blank in its name).
const std::wstring& RegisteredModulePath();
// The default value of the class's InprocServer32 key as the registry holds it.
std::wstring RegisteredServerPath();

// A new driver object created through COM.
class RegisteredDriver {
 public:
  RegisteredDriver();
  bool Created() const { return port_ != nullptr; }
  // The answer of the creation (CLSIDFromProgID, then CoCreateInstance).
  HRESULT CreationResult() const { return result_; }

  // A public method: InData, OutData by reference, TimeOut 0; answers its Boolean result.
  bool CallPublic(const char16_t* name, Variant inData, Variant* outData = nullptr);
  // Init or Open: one argument and the description variable.
  bool CallPrivate(const char16_t* name, Variant argument, WideString* description = nullptr);
  // GetSettings' table (element 0 of its OutData).
  SafeArray Settings();
  // Writes one setting through GetSettings/SetSettings; answers SetSettings' result.
  bool SetSetting(const WideString& id, Variant value);
  IDispatch* Get() const { return port_ ? port_->Get() : nullptr; }

 private:
  std::shared_ptr<ComDispatchPort> port_;
  HRESULT result_ = E_FAIL;
};

// Registers the module when the program starts and unregisters it at its end.
class RegistrationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace equ::win32::testing

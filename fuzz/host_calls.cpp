// The host's calls: method names and argument trees decoded from the bytes, invoked through
// the driver object's named invocation as the COM boundary invokes it, on a driver with fake
// ports (an equipment manager whose answers come from the bytes too, serial ports that play
// the bytes, no keyboard hook). The calls that open modal windows (ShowSettingsDlg,
// DeviceTest) are left out.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FakeManager.h"
#include "FuzzInput.h"
#include "FuzzPorts.h"
#include "FuzzVariants.h"
#include "equipment/common/BaseObject.h"
#include "platform/PlatformPorts.h"
#include "scanner/Driver.h"
#include "scanner/DriverPorts.h"
#include "serial/SerialTestSupport.h"

namespace {

using equ::Variant;
using equ::fuzz::FuzzInput;
using equ::fuzz::VariantMaker;

// Not a method: the host's message loop runs for a moment, so that a barcode the serial reader
// has read reaches the driver (and with it the manager's data event).
constexpr const char16_t kServeMessages[] = u"(message loop)";

constexpr const char16_t* kMethods[] = {
    u"Init",         u"Open",        u"Close",       u"GetDeviceInfo", u"Enable",
    u"Disable",      u"GetSettings", u"SetSettings", u"CheckHealth",   u"EnableDataEvents",
    u"GetDataCount", u"GetScanData", u"init",        u"GETSCANDATA",   u"Unknown",
    kServeMessages,
};

bool Excluded(const std::u16string& name) {
  for (const char16_t* modal : {u"showsettingsdlg", u"devicetest"}) {
    std::u16string lower;
    for (char16_t c : name) lower.push_back(c >= u'A' && c <= u'Z' ? c + 32 : c);
    if (lower == modal) return true;
  }
  return false;
}

std::u16string MethodName(FuzzInput& in) {
  if (in.Below(16) == 0) return in.Text(20);
  return kMethods[in.Below(std::size(kMethods))];
}

equ::TDriverPorts DriverPorts(const std::shared_ptr<equ::testing::FakeSerialPort::Script>& script) {
  equ::TDriverPorts ports = equ::DriverPortsOf(equ::Platform());
  ports.serial.serialPorts = std::make_shared<equ::testing::FunctionSerialPorts>(
      [script] { return std::make_unique<equ::testing::FakeSerialPort>(script); });
  return ports;
}

// The arguments of one call: the public methods' InData, OutData, TimeOut, or anything.
equ::SafeArray Arguments(FuzzInput& in, VariantMaker& values, const std::u16string& name,
                         const std::shared_ptr<equ::testing::FakeManager>& manager) {
  std::vector<Variant> args;
  if (name == u"Init" && in.Below(4) != 0) {
    args = {Variant(std::shared_ptr<equ::DispatchPort>(manager)), Variant()};
  } else if (name == u"SetSettings" && in.Below(4) != 0) {
    args = {values.MakeSettingsArray(), Variant(), Variant(in.Integral<std::int32_t>())};
  } else {
    const std::size_t count = in.Below(5);
    for (std::size_t i = 0; i < count; ++i) args.push_back(values.Make());
  }
  return equ::SafeArray::Vector(std::move(args));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static equ::fuzz::FuzzPlatform platform;
  FuzzInput in(data, size);
  VariantMaker values(in);
  platform.UseLocale(in.Bool());
  auto script = std::make_shared<equ::testing::FakeSerialPort::Script>();
  script->openFails = in.Below(8) == 0;
  script->reads.push_back(in.Bytes(64) + "\r\n");
  auto manager = std::make_shared<equ::testing::FakeManager>();
  if (in.Bool()) {
    // The manager answers what the bytes say.
    manager->answer = [&values](equ::testing::FakeManager::Call&) { return values.MakeSimple(); };
  }
  {
    auto driver = equ::MakeObject<equ::TDriver>(DriverPorts(script));
    const std::size_t calls = 1 + in.Below(12);
    for (std::size_t i = 0; i < calls && !in.Empty(); ++i) {
      const std::u16string name = MethodName(in);
      if (Excluded(name)) continue;
      if (name == kServeMessages) {
        const std::int32_t queued = driver->ScanDataList().Count();
        equ::Platform().messageWindows->ServeMessagesUntil(
            [&] { return driver->ScanDataList().Count() != queued; }, 30);
        continue;
      }
      std::int32_t dispId = -1;
      driver->GetIDsOfNames(name, dispId);
      if (in.Below(16) == 0) dispId = in.Integral<std::int32_t>();
      if (dispId == driver->FindMethodID(u"ShowSettingsDlg")) continue;
      equ::SafeArray params = Arguments(in, values, name, manager);
      Variant result;
      equ::InvokeExceptionInfo info;
      const std::uint16_t flags = in.Below(8) == 0 ? in.Byte() : equ::kDispatchMethod;
      driver->Invoke(dispId, flags, params, result, &info);
    }
  }
  manager->answer = nullptr;
  return 0;
}

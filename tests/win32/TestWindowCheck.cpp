// Opens the driver's device test window the way the settings dialog does (DeviceTest) with
// the keyboard channel, for e2e/test_window.sh to type into and photograph. The script asks
// for the close by creating the file named by the first argument; the window then gets
// WM_CLOSE, as from its close box (there is no window manager to press it). Prints the
// driver's state after the window closed.
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "equipment/common/Exceptions.h"
#include "platform/PlatformPorts.h"
#include "scanner/Driver.h"

namespace {

void Print(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

}  // namespace

// Waits for the close request, then closes the test window like its close box does.
void CloseWhenAsked(std::wstring requestFile) {
  while (GetFileAttributesW(requestFile.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(50);
  HWND window = nullptr;
  for (int i = 0; i < 100 && window == nullptr; ++i, Sleep(50)) {
    window = FindWindowW(nullptr, L"Тестирование устройства");
  }
  if (window != nullptr) PostMessageW(window, WM_CLOSE, 0, 0);
}

int wmain(int argc, wchar_t** argv) {
  if (argc > 1) std::thread(CloseWhenAsked, std::wstring(argv[1])).detach();
  auto driver = equ::MakeObject<equ::TDriver>(equ::DriverPortsOf(equ::Platform()));
  driver->SetSettingValue(u"InterfaceType", equ::Variant(1));
  equ::WideString description;
  Print("opening");
  try {
    driver->DeviceTest(description);
  } catch (const std::exception& e) {
    Print("DeviceTest failed: " + std::string(e.what()));
    return 1;
  }
  Print("closed; enabled=" + std::string(driver->Enabled() ? "True" : "False") +
        "; queued=" + std::to_string(driver->ScanDataList().Count()));
  Print("DONE");
  return 0;
}

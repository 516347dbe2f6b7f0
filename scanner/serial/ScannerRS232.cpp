#include "scanner/serial/ScannerRS232.h"

#include <string_view>

#include "equipment/common/ResultCodes.h"
#include "platform/CodePage.h"
#include "platform/RequiredPort.h"
#include "scanner/serial/TickCount.h"

namespace equ {

namespace {

// Disable waits for the reader in slices so that the wait also ends a thread that has just
// finished without a message to wake the host.
constexpr int kServeSliceMs = 100;

const TSerialChannelPorts& RequireSerialPorts(const TSerialChannelPorts& ports) {
  constexpr const char* kChannel = "TScannerRS232";
  RequirePort(ports.windows, kChannel, "message windows");
  RequirePort(ports.serialPorts, kChannel, "serial ports");
  RequirePort(ports.codePage, kChannel, "code page");
  return ports;
}

}  // namespace

TScannerRS232::TScannerRS232(TSerialChannelPorts ports) : FPorts(RequireSerialPorts(ports)) {
  MessageWindows::WindowResult window =
      FPorts.windows->Create([this](const WindowMessage& message) { return WndProc(message); });
  if (window) FHWnd = std::move(*window);
}

TScannerRS232::~TScannerRS232() {
  Disable();
  FHWnd.reset();
}

std::int32_t TScannerRS232::Enable() {
  Disable();
  FResultDescription.clear();
  if (!FHWnd) {
    FResultDescription = u"Не удалось создать окно сообщений";
    return kResultPortUnavailable;
  }
  std::unique_ptr<SerialPort> port = FPorts.serialPorts->Create();
  if (!port) {
    FResultDescription = FindResultText(kResultPortUnavailable);
    return kResultPortUnavailable;
  }
  FReadThread = std::make_unique<TReadThread>(
      std::make_unique<rs232::TScanner>(std::move(port), FPorts.codePage), *FHWnd);
  rs232::TScanner& scanner = FReadThread->Scanner();
  scanner.SetPortNumber(FPortNumber);
  scanner.SetBaudRateAsInt(FBaudRate);
  scanner.SetPostfix(FPostfix);
  scanner.SetTestMode(FTestMode);
  scanner.SetInterCharInterval(FInterCharInterval);
  scanner.SetLastScanTime(TickCountMs());
  const std::int32_t result = scanner.Enable();
  if (result != kResultOk) {
    // The thread object stays, unstarted, until Disable.
    FResultDescription = scanner.ExtResultDescription();
    return result;
  }
  scanner.SetCommDTR(false);
  scanner.SetCommDTR(true);
  FReadThread->Start();
  return kResultOk;
}

void TScannerRS232::Disable() {
  if (!FReadThread) return;
  std::unique_ptr<TReadThread> thread = std::move(FReadThread);
  thread->RequestStop();
  while (!thread->Finished()) {
    FPorts.windows->ServeMessagesUntil([&thread] { return thread->Finished(); }, kServeSliceMs);
  }
  thread.reset();
}

std::intptr_t TScannerRS232::WndProc(const WindowMessage& message) {
  if (message.message != kSerialScanDataMessage) return 0;
  auto* block = reinterpret_cast<char*>(message.lParam);
  if (block == nullptr) return 0;
  const std::string bytes(block);
  delete[] block;
  try {
    if (FOnGetScanData) FOnGetScanData(FPorts.codePage->FromAnsi(bytes));
  } catch (...) {
    // A failing receiver must not take the host thread's message loop down with it.
  }
  return 0;
}

}  // namespace equ

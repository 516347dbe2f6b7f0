#include "scanner/serial/ScannerRS232.h"

#include <string_view>

#include "platform/CodePage.h"
#include "platform/PlatformPorts.h"
#include "scanner/serial/ChannelPorts.h"
#include "scanner/serial/TickCount.h"

namespace equ {

namespace {

// Disable waits for the reader in slices so that the wait also ends a thread that has just
// finished without a message to wake the host.
constexpr int kServeSliceMs = 100;

}  // namespace

TScannerRS232::TScannerRS232(std::shared_ptr<MessageWindows> windows, SerialPortFactory ports)
    : FWindows(std::move(windows)), FPorts(std::move(ports)) {
  FHWnd = FWindows->Create([this](const WindowMessage& message) { return WndProc(message); });
}

TScannerRS232::TScannerRS232()
    : TScannerRS232(std::shared_ptr<MessageWindows>(CreatePlatformMessageWindows()),
                    [] { return CreatePlatformSerialPort(); }) {}

TScannerRS232::~TScannerRS232() {
  Disable();
  FHWnd.reset();
}

std::int32_t TScannerRS232::Enable() {
  Disable();
  FResultDescription.clear();
  if (!FHWnd) {
    FResultDescription = u"Не удалось создать окно сообщений";
    return 1011;
  }
  std::unique_ptr<SerialPort> port = FPorts ? FPorts() : nullptr;
  if (!port) {
    FResultDescription = u"Порт недоступен";
    return 1011;
  }
  FReadThread =
      std::make_unique<TReadThread>(std::make_unique<rs232::TScanner>(std::move(port)), *FHWnd);
  rs232::TScanner& scanner = FReadThread->Scanner();
  scanner.SetPortNumber(FPortNumber);
  scanner.SetBaudRateAsInt(FBaudRate);
  scanner.SetPostfix(FPostfix);
  scanner.SetTestMode(FTestMode);
  scanner.SetInterCharInterval(FInterCharInterval);
  scanner.SetLastScanTime(TickCountMs());
  const std::int32_t result = scanner.Enable();
  if (result != 0) {
    // The thread object stays, unstarted, until Disable.
    FResultDescription = scanner.ExtResultDescription();
    return result;
  }
  scanner.SetCommDTR(false);
  scanner.SetCommDTR(true);
  FReadThread->Start();
  return 0;
}

void TScannerRS232::Disable() {
  if (!FReadThread) return;
  std::unique_ptr<TReadThread> thread = std::move(FReadThread);
  thread->RequestStop();
  while (!thread->Finished()) {
    FWindows->ServeMessagesUntil([&thread] { return thread->Finished(); }, kServeSliceMs);
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
    if (FOnGetScanData) FOnGetScanData(Platform().codePage->FromAnsi(bytes));
  } catch (...) {
    // A failing receiver must not take the host thread's message loop down with it.
  }
  return 0;
}

}  // namespace equ

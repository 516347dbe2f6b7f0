#include "scanner/serial/ScannerRS232.h"

#include <string_view>

#include "equipment/common/ResultCodes.h"
#include "platform/CodePage.h"
#include "platform/RequiredPort.h"
#include "scanner/serial/TickCount.h"

namespace equ {

namespace {

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
  if (window) {
    FHWnd = std::move(*window);
    FHandOff = std::make_unique<TSerialHandOff>(*FHWnd);
  }
}

TScannerRS232::~TScannerRS232() {
  *FAlive = false;
  // What the reader cut but the host thread has not taken goes with the channel.
  FDelivering = true;
  Disable();
  FReadThread.reset();
  FHandOff.reset();
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
  FHandOff->SetPortLost(false);
  FReadThread = std::make_unique<TReadThread>(
      std::make_unique<rs232::TScanner>(std::move(port), FPorts.codePage), *FHandOff);
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
  // Taken out first: a callback run below may enable the channel again.
  std::unique_ptr<TReadThread> thread = std::move(FReadThread);
  thread.reset();
  DeliverQueued();
}

std::intptr_t TScannerRS232::WndProc(const WindowMessage& message) {
  if (message.message == kSerialScanDataMessage) DeliverQueued();
  return 0;
}

void TScannerRS232::DeliverQueued() {
  if (FDelivering || !FHandOff) return;
  const std::shared_ptr<bool> alive = FAlive;
  FDelivering = true;
  while (std::optional<TSerialEvent> event = FHandOff->Take()) {
    Deliver(*event);
    if (!*alive) return;
  }
  FDelivering = false;
}

void TScannerRS232::Deliver(const TSerialEvent& event) {
  try {
    if (event.kind == TSerialEvent::Kind::Barcode) {
      // The barcode is a zero-terminated text: a NUL inside ends what is handed over.
      const std::string_view bytes(event.barcode.c_str());
      // Copies: a callback that destroys the channel must not destroy the function it runs in.
      const TGetScanData callback = FOnGetScanData;
      if (callback) callback(FPorts.codePage->FromAnsi(bytes));
    } else if (const TSerialPortState callback = FOnPortState) {
      callback(event.kind == TSerialEvent::Kind::PortLost, event.text);
    }
  } catch (...) {
    // A failing receiver must not take the host thread's message loop down with it.
  }
}

}  // namespace equ

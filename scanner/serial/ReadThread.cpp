#include "scanner/serial/ReadThread.h"

#include <chrono>

#include "equipment/common/AppLog.h"
#include "scanner/serial/SerialText.h"

namespace equ {

namespace {

constexpr std::uint32_t kPollMs = 5;

}  // namespace

void TSerialHandOff::Push(TSerialEvent event) {
  {
    const std::lock_guard<std::mutex> guard(FLock);
    FEvents.push_back(std::move(event));
  }
  // A wake-up that cannot be queued is made up for by the next one, or by the stop.
  FWindow->Post(WindowMessage{kSerialScanDataMessage, 0, 0});
}

std::optional<TSerialEvent> TSerialHandOff::Take() {
  const std::lock_guard<std::mutex> guard(FLock);
  if (FEvents.empty()) return std::nullopt;
  TSerialEvent event = std::move(FEvents.front());
  FEvents.pop_front();
  return event;
}

TReadThread::TReadThread(std::unique_ptr<rs232::TScanner> scanner, TSerialHandOff& handOff)
    : FScanner(std::move(scanner)), FHandOff(&handOff) {}

TReadThread::~TReadThread() {
  RequestStop();
  if (FThread.joinable()) FThread.join();
  FScanner.reset();
}

void TReadThread::Start() {
  if (FStarted) return;
  FStarted = true;
  FThread = std::thread([this] { Execute(); });
}

void TReadThread::RequestStop() {
  {
    const std::lock_guard<std::mutex> guard(FStopLock);
    FStop = true;
  }
  FStopWake.notify_all();
}

bool TReadThread::WaitForStop(std::uint32_t ms) {
  std::unique_lock<std::mutex> lock(FStopLock);
  return FStopWake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return FStop; });
}

void TReadThread::Execute() {
  bool stop = false;
  while (!stop) {
    if (FHandOff->PortLost()) {
      stop = WaitForStop(kReopenPeriodMs);
      if (!stop) TryReopen();
      continue;
    }
    ReadStep();
    if (FScanner->ConsecutiveReadFailures() >= kReadFailuresForLoss) {
      ReportLoss();
      continue;
    }
    stop = WaitForStop(kPollMs);
  }
  FScanner->Disable();
  FFinished = true;
}

void TReadThread::ReadStep() {
  if (!FScanner->ReadData()) return;
  // Every barcode loses the blanks and control bytes at both ends (a trailing line end of a
  // chunk in interval or test mode, stray bytes around a code). An empty piece (a postfix at
  // the very start) does not end the step while the buffer still holds bytes.
  for (;;) {
    std::string barcode = TrimControl(FScanner->GetNextBarcode());
    if (!barcode.empty()) {
      FHandOff->Push(TSerialEvent{TSerialEvent::Kind::Barcode, std::move(barcode), {}});
    } else if (FScanner->ScanBuffer().empty()) {
      break;
    }
  }
  PulseDtr();
}

void TReadThread::PulseDtr() {
  FScanner->SetCommDTR(false);
  FScanner->SetCommDTR(true);
}

WideString TReadThread::PortName() const {
  return u"COM" + IntToWide(FScanner->PortNumber());
}

void TReadThread::ReportLoss() {
  WideString reason = FScanner->ExtResultDescription();
  FScanner->Close();
  FHandOff->SetPortLost(true);
  WideString text = u"Связь со сканером потеряна: порт " + PortName() + u" недоступен";
  AppLog(u"TScannerRS232.ReadData", reason.empty() ? text : text + u". " + reason, kLogError);
  FHandOff->Push(TSerialEvent{TSerialEvent::Kind::PortLost, {}, std::move(text)});
}

void TReadThread::TryReopen() {
  // Enable starts on an empty buffer: the bytes of a code cut short by the loss are dropped.
  if (FScanner->Enable() != 0) return;
  PulseDtr();
  FHandOff->SetPortLost(false);
  WideString text = u"Связь со сканером восстановлена: порт " + PortName() + u" открыт";
  AppLog(u"TScannerRS232.ReadData", text, kLogInfo);
  FHandOff->Push(TSerialEvent{TSerialEvent::Kind::PortRestored, {}, std::move(text)});
}

}  // namespace equ

#include "scanner/serial/ReadThread.h"

#include <cstring>

#include "scanner/serial/SerialText.h"
#include "scanner/serial/TickCount.h"

namespace equ {

namespace {

constexpr std::uint32_t kPollMs = 5;

}  // namespace

TReadThread::TReadThread(std::unique_ptr<rs232::TScanner> scanner, MessageWindow& window)
    : FScanner(std::move(scanner)), FMsgWnd(&window) {}

TReadThread::~TReadThread() {
  FStop = true;
  if (FThread.joinable()) FThread.join();
  FScanner.reset();
}

void TReadThread::Start() {
  if (FStarted) return;
  FStarted = true;
  FThread = std::thread([this] { Execute(); });
}

void TReadThread::Execute() {
  while (!FStop) {
    ReadStep();
    SleepMs(kPollMs);
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
    const std::string barcode = TrimControl(FScanner->GetNextBarcode());
    if (!barcode.empty()) {
      HandOff(barcode);
    } else if (FScanner->ScanBuffer().empty()) {
      break;
    }
  }
  FScanner->SetCommDTR(false);
  FScanner->SetCommDTR(true);
}

void TReadThread::HandOff(const std::string& barcode) {
  char* block = new char[barcode.size() + 1]();
  std::memcpy(block, barcode.data(), barcode.size());
  FMsgWnd->Send(WindowMessage{kSerialScanDataMessage, 0, reinterpret_cast<std::intptr_t>(block)});
}

}  // namespace equ

#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/MessageWindow.h"
#include "scanner/serial/ScanBuffer.h"

namespace equ {

// The hand-off of one serial barcode to the host thread: lParam points at the barcode's bytes
// and a zero byte, in a block the reader allocates with new[] and the window procedure frees
// with delete[]; wParam is 0 and the answer is 0.
inline constexpr std::uint32_t kSerialScanDataMessage = 0x0400 + 11;

// The RS232 reader thread: polls its scanner every 5 ms and sends each barcode to the window,
// waiting until the window's thread has handled it. Made stopped; Start runs it.
//
// The destructor stops the thread, waits for its loop to end and frees the scanner. While the
// loop may be inside a hand-off, the window's thread must keep serving sent messages until
// Finished() (MessageWindows::ServeMessagesUntil) before it destroys the object.
class TReadThread {
 public:
  TReadThread(std::unique_ptr<rs232::TScanner> scanner, MessageWindow& window);
  ~TReadThread();
  TReadThread(const TReadThread&) = delete;
  TReadThread& operator=(const TReadThread&) = delete;

  void Start();
  void RequestStop() { FStop = true; }
  // True once the loop has ended, or when the thread was never started.
  bool Finished() const { return !FStarted || FFinished; }
  rs232::TScanner& Scanner() { return *FScanner; }

 private:
  void Execute();
  void ReadStep();
  void HandOff(const std::string& barcode);

  std::unique_ptr<rs232::TScanner> FScanner;
  MessageWindow* FMsgWnd;
  std::atomic<bool> FStop{false};
  std::atomic<bool> FFinished{false};
  bool FStarted = false;
  std::thread FThread;
};

}  // namespace equ

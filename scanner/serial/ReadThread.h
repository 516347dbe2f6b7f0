#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "equipment/common/WideString.h"
#include "platform/MessageWindow.h"
#include "scanner/serial/ScanBuffer.h"

namespace equ {

// The wake-up of the host thread: the reader has queued something in its TSerialHandOff.
// wParam and lParam are 0; the answer is 0.
inline constexpr std::uint32_t kSerialScanDataMessage = 0x0400 + 11;

// What the reader hands the host thread, in the order it happened.
struct TSerialEvent {
  enum class Kind { Barcode, PortLost, PortRestored };
  Kind kind = Kind::Barcode;
  std::string barcode;  // Barcode: the bytes as read (ANSI code page)
  WideString text;      // PortLost, PortRestored: the user's text of the change
};

// The queue between the reader thread and the host thread. The reader pushes and posts the
// wake-up message to the window, never waiting for the host thread; the host thread takes the
// events when it handles that message, or when it stops the reader. Thread-safe.
class TSerialHandOff {
 public:
  explicit TSerialHandOff(MessageWindow& window) : FWindow(&window) {}

  void Push(TSerialEvent event);
  std::optional<TSerialEvent> Take();
  // Set by the reader from the moment it finds the port lost until it has it open again.
  bool PortLost() const { return FPortLost; }
  void SetPortLost(bool value) { FPortLost = value; }

 private:
  MessageWindow* FWindow;
  std::mutex FLock;
  std::deque<TSerialEvent> FEvents;
  std::atomic<bool> FPortLost{false};
};

// The RS232 reader thread: polls its scanner every 5 ms and pushes each barcode into the
// hand-off. After kReadFailuresForLoss failed reads in a row it closes the port, reports the
// loss once and tries to reopen the port about once a second; once it opens, it reports the
// recovery and reads on. Made stopped; Start runs it.
//
// The destructor stops the thread, waits for its loop to end (at most one poll and one read
// time-out: the reader never waits for the host thread) and frees the scanner.
class TReadThread {
 public:
  static constexpr std::uint32_t kReadFailuresForLoss = 3;
  static constexpr std::uint32_t kReopenPeriodMs = 1000;

  TReadThread(std::unique_ptr<rs232::TScanner> scanner, TSerialHandOff& handOff);
  ~TReadThread();
  TReadThread(const TReadThread&) = delete;
  TReadThread& operator=(const TReadThread&) = delete;

  void Start();
  void RequestStop();
  // True once the loop has ended, or when the thread was never started.
  bool Finished() const { return !FStarted || FFinished; }
  rs232::TScanner& Scanner() { return *FScanner; }

 private:
  void Execute();
  void ReadStep();
  void PulseDtr();
  void ReportLoss();
  void TryReopen();
  // Sleeps up to ms; true when a stop was asked meanwhile.
  bool WaitForStop(std::uint32_t ms);
  WideString PortName() const;

  std::unique_ptr<rs232::TScanner> FScanner;
  TSerialHandOff* FHandOff;
  std::mutex FStopLock;
  std::condition_variable FStopWake;
  bool FStop = false;
  std::atomic<bool> FFinished{false};
  bool FStarted = false;
  std::thread FThread;
};

}  // namespace equ

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "equipment/common/WideString.h"
#include "platform/MessageWindow.h"
#include "platform/SerialPort.h"
#include "scanner/serial/ReadThread.h"
#include "scanner/serial/SerialChannelPorts.h"

namespace equ {

// The data callback of the serial channel: one barcode, converted from the ANSI code page.
using TGetScanData = std::function<void(const WideString& scanData)>;

// The channel's report of its port: lost (true) or open again (false), with the user's text.
using TSerialPortState = std::function<void(bool lost, const WideString& text)>;

// The RS232 scanner channel as the driver sees it.
//
// Make it on the host thread (the thread whose messages are served: the driver's apartment),
// set PortNumber, BaudRate, InterCharInterval, Postfix and TestMode, bind OnGetScanData, then
// Enable. A reader thread then polls the port every 5 ms and queues each barcode for the host
// thread, waking it with the message 1035 to a hidden window of the creating thread; the
// window procedure, on the host thread, calls OnGetScanData for each queued barcode in order.
// The reader never waits for the host thread, so no stop can deadlock with a hand-off. New
// settings take effect at the next Enable.
//
// Enable answers 0 or 1011 (the port does not open); ResultDescription then holds the reason.
// Disable stops the reader and closes the port, waiting for the reader thread only and running
// none of the host thread's messages; the barcodes already cut then still go to OnGetScanData,
// at once or, when Disable comes from inside a callback of this channel, right after that
// callback. Enable disables a running reader first. Every stop, and the destruction, is safe
// from inside the channel's own callbacks. When the port stops answering the reader reports
// its loss and later its recovery through OnPortState (also in order with the barcodes), and
// PortLost() answers true meanwhile. Nothing here raises.
class TScannerRS232 {
 public:
  // Makes the hidden window on the calling thread. Raises std::logic_error naming the port
  // when one is missing.
  explicit TScannerRS232(TSerialChannelPorts ports);
  virtual ~TScannerRS232();
  TScannerRS232(const TScannerRS232&) = delete;
  TScannerRS232& operator=(const TScannerRS232&) = delete;

  std::int32_t Enable();
  void Disable();
  // The reason of the last failed Enable; empty after a successful one.
  const WideString& ResultDescription() const { return FResultDescription; }
  bool Enabled() const { return FReadThread && !FReadThread->Finished(); }
  // The port of an enabled channel stopped answering and has not been reopened yet.
  bool PortLost() const { return Enabled() && FHandOff->PortLost(); }

  std::uintptr_t HandleWnd() const { return FHWnd ? FHWnd->Handle() : 0; }
  bool TestMode() const { return FTestMode; }
  void SetTestMode(bool value) { FTestMode = value; }
  const TGetScanData& OnGetScanData() const { return FOnGetScanData; }
  void SetOnGetScanData(TGetScanData value) { FOnGetScanData = std::move(value); }
  const TSerialPortState& OnPortState() const { return FOnPortState; }
  void SetOnPortState(TSerialPortState value) { FOnPortState = std::move(value); }
  std::uint32_t InterCharInterval() const { return FInterCharInterval; }
  void SetInterCharInterval(std::uint32_t value) { FInterCharInterval = value; }
  std::uint8_t PortNumber() const { return FPortNumber; }
  void SetPortNumber(std::uint8_t value) { FPortNumber = value; }
  // Bits per second; a speed outside 110 ... 115200 of the port's table opens at 9600.
  std::uint32_t BaudRate() const { return FBaudRate; }
  void SetBaudRate(std::uint32_t value) { FBaudRate = value; }
  // Single-byte terminator of a barcode; empty: a line end (CR LF, CR or LF) ends it.
  const std::string& Postfix() const { return FPostfix; }
  void SetPostfix(const std::string& value) { FPostfix = value; }

 protected:
  // Message 1035: hands every queued event to its callback.
  virtual std::intptr_t WndProc(const WindowMessage& message);

 private:
  // Hands the queued events to the callbacks in order; a call from inside one of them leaves
  // the rest to the delivery already under way.
  void DeliverQueued();
  void Deliver(const TSerialEvent& event);

  TSerialChannelPorts FPorts;
  std::unique_ptr<MessageWindow> FHWnd;
  std::unique_ptr<TSerialHandOff> FHandOff;
  bool FTestMode = false;
  std::unique_ptr<TReadThread> FReadThread;
  TGetScanData FOnGetScanData;
  TSerialPortState FOnPortState;
  bool FDelivering = false;
  // False once the destructor has begun: a callback that destroyed the channel stops the
  // delivery that called it.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
  std::uint32_t FInterCharInterval = 0;
  std::uint8_t FPortNumber = 1;
  std::uint32_t FBaudRate = 9600;
  std::string FPostfix = "\r\n";
  WideString FResultDescription;
};

}  // namespace equ

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "equipment/common/WideString.h"
#include "platform/CodePage.h"
#include "platform/MessageWindow.h"
#include "platform/ProcessHeap.h"
#include "platform/SharedMemory.h"

namespace equ {

struct PlatformPorts;

// The hand-off of a scanned code to a payment driver of this process that waits for a
// customer's QR code: a named mailbox holds the waiting driver's window handle, and the code
// travels to that window as message 1036 with a block of ANSI bytes.
inline constexpr char16_t kAcquiringMailboxName[] = u"3F6B1C92-7A04-4E5D-B8C3-1E9D2A6F4B70";
inline constexpr std::size_t kAcquiringMailboxSize = 4096;
inline constexpr std::uint32_t kAcquiringMessage = 1036;  // WM_USER + 12

// What both sides of the hand-off use of the platform, all required (std::logic_error naming
// the missing one).
struct TVornPorts {
  std::shared_ptr<MessageWindows> windows;
  std::shared_ptr<SharedMemory> sharedMemory;
  std::shared_ptr<ProcessHeap> heap;
  std::shared_ptr<const CodePage> codePage;
};

// The hand-off's ports taken from the platform's.
TVornPorts VornPortsOf(const PlatformPorts& platform);

// The payment driver's side of the hand-off (the receiver) and the sender any driver calls.
class TVornDriver {
 public:
  explicit TVornDriver(TVornPorts ports);
  ~TVornDriver();
  TVornDriver(const TVornDriver&) = delete;
  TVornDriver& operator=(const TVornDriver&) = delete;

  // Hands a code to a waiting payment driver; True when one took it. A mailbox that names no
  // window of this process answers False, so the code takes its normal way.
  static bool SendMsgToAcquiring(const TVornPorts& ports, const WideString& data);

  // Opens the mailbox with this driver's window in it; raises "Отсутствуют права доступа на
  // создание объекта файлового отображения" when it cannot.
  void CreateMailbox();
  void CloseMailbox();

  bool IsScannedOrCancel() const { return FIsScannedOrCancel; }
  const WideString& ScanData() const { return FScanData; }
  void ResetScan();
  std::uintptr_t WindowHandle() const { return FHWnd ? FHWnd->Handle() : 0; }

 private:
  // The window named in the mailbox, when there is a mailbox and it names one.
  static bool FindAcquiringWindow(SharedMemory& memory, std::uintptr_t& window);
  std::intptr_t WndProc(const WindowMessage& message);

  TVornPorts FPorts;
  std::unique_ptr<MessageWindow> FHWnd;
  std::unique_ptr<SharedMemoryView> FMailbox;
  bool FIsScannedOrCancel = false;
  WideString FScanData;
};

}  // namespace equ

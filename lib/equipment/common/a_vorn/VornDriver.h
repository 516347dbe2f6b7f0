#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "HTTPRest.h"
#include "VornSocket.h"
#include "equipment/common/Variant.h"
#include "equipment/common/WideString.h"
#include "platform/CodePage.h"
#include "platform/GuidSource.h"
#include "platform/MessageWindow.h"
#include "platform/ProcessHeap.h"
#include "platform/SharedMemory.h"
#include "platform/StreamSocket.h"
#include "platform/TickClock.h"
#include "platform/UserDialogViews.h"

namespace equ {

struct PlatformPorts;

// The hand-off of a scanned code to a payment driver of this process that waits for a
// customer's QR code: a named mailbox holds the waiting driver's window handle, and the code
// travels to that window as message 1036 with a block of ANSI bytes.
inline constexpr char16_t kAcquiringMailboxName[] = u"3F6B1C92-7A04-4E5D-B8C3-1E9D2A6F4B70";
inline constexpr std::size_t kAcquiringMailboxSize = 4096;
inline constexpr std::uint32_t kAcquiringMessage = 1036;  // WM_USER + 12

class TDevice;
class TfmUserDialog;

// What the payment driver uses of the platform. The first four serve the hand-off and are
// required by both of its sides; the others serve the acquiring operations and are required by
// Open and by each operation (std::logic_error naming the missing one), so a driver made for
// the hand-off alone needs only the first four.
struct TVornPorts {
  std::shared_ptr<MessageWindows> windows;
  std::shared_ptr<SharedMemory> sharedMemory;
  std::shared_ptr<ProcessHeap> heap;
  std::shared_ptr<const CodePage> codePage;

  THTTPRestPorts rest = {};
  std::shared_ptr<GuidSource> guids = nullptr;
  std::shared_ptr<const TickClock> ticks = nullptr;
  std::shared_ptr<UserDialogViews> userDialogs = nullptr;
  std::shared_ptr<StreamSockets> sockets = nullptr;
};

// The hand-off's ports taken from the platform's.
TVornPorts VornPortsOf(const PlatformPorts& platform);
// All the payment driver's ports taken from the platform's; `caFile` as for
// PlatformHTTPRestPorts.
TVornPorts AcquiringPortsOf(const PlatformPorts& platform, const std::string& caFile = {});

enum class FOperationType { otNone, otPayment, otRefund, otCancelPayment, otCancelRefund };

// What Open configures.
struct TVornConfiguration {
  WideString AServerAddress;  // ends with "/": request paths are appended to it
  WideString AApplicationToken;
  WideString ATerminalKey;
  WideString AAuthorizationToken;
  WideString ACurrency;
  WideString ACutString;
  std::int32_t AReceiptRowLength = 0;
  WideString ADisplayAddress;
  WideString ACheckHeader;
  std::int32_t ADisplayPort = 0;
  std::int32_t ADuration = 0;
  std::int32_t AInvoiceTimeout = 0;      // seconds
  std::int32_t ABarcodeReadTimeout = 0;  // seconds
  WideString AHTTPLogDir;
};

// The amount in minor units: x 100, rounded to the nearest integer, halves to even.
std::int64_t AmountInMinorUnits(Currency amount);

// A card-less acquiring terminal on the payment service: payment by the customer's wallet QR
// code (scanned by the scanner driver of this process and handed over through the mailbox) or
// by the shop's QR code on the customer display, return, cancel, emergency reversal of the
// last operation and the terminal's token. Each payment operation answers the transaction
// identifier (RRN), the receipt number and the receipt text. Everything runs on the thread that
// made the object; the waits handle that thread's window messages.
//
// It is also the receiving side of the mailbox hand-off, and SendMsgToAcquiring the sender any
// driver calls.
class TVornDriver {
 public:
  static constexpr int kInvoicePollIntervalMs = 1000;

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

  void Open(const TVornConfiguration& configuration);
  void Close();

  // AMode 0: the customer's wallet code is scanned; any other: the invoice is shown as a QR
  // code on the customer display and paid from the customer's phone. The in-out texts come
  // back as the charge identifier (ARRN), the receipt number (kept when not blank) and the
  // receipt text.
  void PayByPaymentCard(std::int32_t AMode, Currency AAmount, WideString& ARRN,
                        WideString& AReceiptNum, WideString& AReceiptText);
  // ARRN names the charge to return money of; it comes back as the refund's identifier.
  void ReturnPaymantByPaymantCard(Currency AAmount, WideString& ARRN, WideString& AReceiptNum,
                                  WideString& AReceiptText);
  // An ARRN naming a refund (it holds "refund" in any letter case) voids that refund;
  // otherwise the payment it names is returned.
  void CancelPaymentByPaymentCard(Currency AAmount, WideString& ARRN, WideString& AReceiptNum,
                                  WideString& AReceiptText);
  // Undoes the last completed payment or return.
  void EmergencyReversal();
  void AuthenticationRequest(WideString& AAuthorizationToken);
  void AuthenticationRevoke(const WideString& AAuthorizationToken);

  // Waits for the customer's code through the mailbox, at most FBarcodeReadTimeout seconds,
  // with the waiting dialog and its countdown shown. The code comes back untrimmed; none, a
  // cancel or a blank one raise "Ошибка получения QR-кода клиента".
  void ReadQRCode(WideString& AQRCode);
  // Polls the invoice about once a second until it is paid, the user cancels or
  // FInvoiceTimeout seconds have passed; answers the charge identifier of a paid invoice.
  void WaitInvoicePaid(const WideString& AInvoiceID, WideString& AChargeID);

  // Replaces the display link's waits (5 s to connect, 10 s for the reply).
  void SetDisplayTimeouts(const TDisplayTimeouts& timeouts) { FDisplayTimeouts = timeouts; }

  TDevice& Device() const { return *FDevice; }
  const WideString& Response() const { return FResponse; }
  FOperationType LastOperationType() const { return FLastOperationType; }
  const WideString& LastOperationID() const { return FLastOperationID; }
  Currency LastOperationAmount() const { return FLastOperationAmount; }

 private:
  // The window named in the mailbox, when there is a mailbox and it names one.
  static bool FindAcquiringWindow(SharedMemory& memory, std::uintptr_t& window);
  std::intptr_t WndProc(const WindowMessage& message);

  const TVornPorts& AcquiringPorts() const;
  // The module carries no TLS libraries of its own (the platform's HTTPS stack is used), so
  // there is nothing to extract.
  void ExtractSSLLibraries() {}
  void NewIdempotencyKey();
  void VoidInvoiceQuietly(const WideString& invoiceId);
  WideString ReceiptText(const WideString& operation, const WideString& rrn, Currency amount) const;
  void ShowUserDialog(bool AShowTimerSeconds, const WideString& AUserText);
  void CloseUserDialog();
  void HandlePendingMessages();
  // Handles window messages until stop() answers true or the tick clock reaches `until`.
  void HandleMessagesUntil(std::uint64_t until, const std::function<bool()>& stop);

  TVornPorts FPorts;
  std::unique_ptr<TDevice> FDevice;
  WideString FCutString;
  WideString FDisplayAddress;
  std::int32_t FDisplayPort = 0;
  WideString FCheckHeader;
  std::int32_t FDuration = 0;
  std::int32_t FInvoiceTimeout = 0;
  std::int32_t FBarcodeReadTimeout = 0;
  WideString FResponse;
  bool FIsScannedOrCancel = false;
  std::unique_ptr<MessageWindow> FHWnd;
  WideString FScanData;
  FOperationType FLastOperationType = FOperationType::otNone;
  WideString FLastOperationID;
  Currency FLastOperationAmount;
  std::unique_ptr<SharedMemoryView> FMailbox;
  std::unique_ptr<TfmUserDialog> FUserDialog;
  TDisplayTimeouts FDisplayTimeouts;
};

}  // namespace equ

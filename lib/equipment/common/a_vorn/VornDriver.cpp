#include "VornDriver.h"

#include <cstring>
#include <string>

#include "Device.h"
#include "UserDialog.h"
#include "equipment/common/Exceptions.h"
#include "platform/CodePage.h"
#include "platform/PlatformPorts.h"
#include "platform/RequiredPort.h"

namespace equ {

namespace {

constexpr char16_t kMailboxError[] =
    u"Отсутствуют права доступа на создание объекта файлового отображения";

// The zero-terminated 16-bit text at the start of the mailbox.
WideString MailboxText(std::span<const std::byte> bytes) {
  WideString text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t c = 0;
    std::memcpy(&c, bytes.data() + i, sizeof c);
    if (c == 0) break;
    text += c;
  }
  return text;
}

// A window handle written as the decimal text of its unsigned 32-bit value.
std::optional<std::uintptr_t> ParseWindowHandle(const WideString& text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - u'0');
  }
  if (value > UINT32_MAX) return std::nullopt;
  return static_cast<std::uintptr_t>(value);
}

const TVornPorts& RequireVornPorts(const TVornPorts& ports) {
  constexpr const char* kHandOff = "TVornDriver";
  RequirePort(ports.windows, kHandOff, "message windows");
  RequirePort(ports.sharedMemory, kHandOff, "shared memory");
  RequirePort(ports.heap, kHandOff, "process heap");
  RequirePort(ports.codePage, kHandOff, "code page");
  return ports;
}

}  // namespace

TVornPorts VornPortsOf(const PlatformPorts& platform) {
  return TVornPorts{platform.messageWindows, platform.sharedMemory, platform.processHeap,
                    platform.codePage};
}

TVornDriver::TVornDriver(TVornPorts ports)
    : FPorts(RequireVornPorts(ports)), FDevice(std::make_unique<TDevice>(FPorts.rest)) {
  MessageWindows::WindowResult window =
      FPorts.windows->Create([this](const WindowMessage& m) { return WndProc(m); });
  if (window) FHWnd = std::move(*window);
  ExtractSSLLibraries();
}

TVornDriver::~TVornDriver() {
  CloseUserDialog();
  CloseMailbox();
}

bool TVornDriver::FindAcquiringWindow(SharedMemory& memory, std::uintptr_t& window) {
  // No mailbox (or none that opens) means no payment driver waits.
  const SharedMemory::ViewResult mailbox = memory.Open(kAcquiringMailboxName);
  if (!mailbox) return false;
  const auto handle = ParseWindowHandle(MailboxText((*mailbox)->Bytes()));
  if (!handle || *handle == 0) return false;
  window = *handle;
  return true;
}

bool TVornDriver::SendMsgToAcquiring(const TVornPorts& ports, const WideString& data) {
  RequireVornPorts(ports);
  std::uintptr_t window = 0;
  if (!FindAcquiringWindow(*ports.sharedMemory, window)) return false;
  const std::string bytes = ports.codePage->ToAnsi(data);
  ProcessHeap& heap = *ports.heap;
  void* block = nullptr;
  if (!bytes.empty()) {
    block = heap.Allocate(bytes.size());
    if (block == nullptr) return false;
    std::memcpy(block, bytes.data(), bytes.size());
  }
  const WindowMessage message{kAcquiringMessage, bytes.size(),
                              reinterpret_cast<std::intptr_t>(block)};
  if (!ports.windows->SendToWindow(window, message)) {
    // No receiver took the block: it is ours to free, and the code goes its normal way.
    heap.Free(block);
    return false;
  }
  return true;
}

void TVornDriver::CreateMailbox() {
  CloseMailbox();
  SharedMemory::ViewResult created =
      FPorts.sharedMemory->Create(kAcquiringMailboxName, kAcquiringMailboxSize);
  const std::string digits = std::to_string(static_cast<std::uint32_t>(WindowHandle()));
  const std::size_t needed = (digits.size() + 1) * 2;
  if (!created || FHWnd == nullptr || (*created)->Bytes().size() < needed) {
    throw Exception(kMailboxError);
  }
  FMailbox = std::move(*created);
  std::span<std::byte> bytes = FMailbox->Bytes();
  std::memset(bytes.data(), 0, needed);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const char16_t c = static_cast<char16_t>(digits[i]);
    std::memcpy(bytes.data() + i * 2, &c, sizeof c);
  }
}

void TVornDriver::CloseMailbox() {
  FMailbox.reset();
}

void TVornDriver::ResetScan() {
  FIsScannedOrCancel = false;
  FScanData.clear();
}

std::intptr_t TVornDriver::WndProc(const WindowMessage& message) {
  if (message.message != kAcquiringMessage) return 0;
  FIsScannedOrCancel = true;
  auto* block = reinterpret_cast<char*>(message.lParam);
  FScanData = block != nullptr && message.wParam != 0
                  ? FPorts.codePage->FromAnsi(std::string_view(block, message.wParam))
                  : WideString();
  if (block != nullptr) FPorts.heap->Free(block);
  return 0;
}

}  // namespace equ

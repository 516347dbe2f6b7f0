#include "VornDriver.h"

#include <cstring>
#include <string>

#include "equipment/common/Exceptions.h"
#include "platform/CodePage.h"
#include "platform/PlatformPorts.h"

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

}  // namespace

TVornDriver::TVornDriver() {
  if (const auto& windows = Platform().messageWindows) {
    FHWnd = windows->Create([this](const WindowMessage& m) { return WndProc(m); });
  }
}

TVornDriver::~TVornDriver() {
  CloseMailbox();
}

bool TVornDriver::FindAcquiringWindow(std::uintptr_t& window) {
  const auto mailbox = Platform().sharedMemory->Open(kAcquiringMailboxName);
  if (!mailbox) return false;
  const auto handle = ParseWindowHandle(MailboxText(mailbox->Bytes()));
  if (!handle || *handle == 0) return false;
  window = *handle;
  return true;
}

bool TVornDriver::SendMsgToAcquiring(const WideString& data) {
  std::uintptr_t window = 0;
  const auto& windows = Platform().messageWindows;
  if (!windows || !FindAcquiringWindow(window)) return false;
  const std::string bytes = Platform().codePage->ToAnsi(data);
  ProcessHeap& heap = *Platform().processHeap;
  void* block = nullptr;
  if (!bytes.empty()) {
    block = heap.Allocate(bytes.size());
    if (block == nullptr) return false;
    std::memcpy(block, bytes.data(), bytes.size());
  }
  const WindowMessage message{kAcquiringMessage, bytes.size(),
                              reinterpret_cast<std::intptr_t>(block)};
  if (!windows->SendToWindow(window, message)) {
    // No receiver took the block: it is ours to free, and the code goes its normal way.
    heap.Free(block);
    return false;
  }
  return true;
}

void TVornDriver::CreateMailbox() {
  CloseMailbox();
  try {
    FMailbox = Platform().sharedMemory->Create(kAcquiringMailboxName, kAcquiringMailboxSize);
    const std::string digits = std::to_string(static_cast<std::uint32_t>(WindowHandle()));
    std::span<std::byte> bytes = FMailbox->Bytes();
    if (FHWnd == nullptr || bytes.size() < (digits.size() + 1) * 2) throw Exception(kMailboxError);
    std::memset(bytes.data(), 0, (digits.size() + 1) * 2);
    for (std::size_t i = 0; i < digits.size(); ++i) {
      const char16_t c = static_cast<char16_t>(digits[i]);
      std::memcpy(bytes.data() + i * 2, &c, sizeof c);
    }
  } catch (...) {
    CloseMailbox();
    throw Exception(kMailboxError);
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
                  ? Platform().codePage->FromAnsi(std::string_view(block, message.wParam))
                  : WideString();
  if (block != nullptr) Platform().processHeap->Free(block);
  return 0;
}

}  // namespace equ

// The hand-off mailbox from both sides: the text a sender reads from the mapping (which should
// name the waiting payment driver's window) and the block of message 1036 the receiver reads.
// The mapping's size and bytes, and the code and block, come from the bytes.
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "FuzzInput.h"
#include "FuzzPorts.h"
#include "equipment/common/a_vorn/VornDriver.h"
#include "platform/PlatformPorts.h"

namespace {

using equ::fuzz::FuzzInput;

// Fills the mapping with the bytes, or with the receiver's handle in some odd form.
void WriteMailbox(FuzzInput& in, std::span<std::byte> bytes, std::uintptr_t receiver) {
  std::string text;
  switch (in.Below(4)) {
    case 0:
      text = std::to_string(receiver);
      break;
    case 1:
      text = in.Bytes(12) + std::to_string(receiver) + in.Bytes(12);
      break;
    default:
      text = in.Bytes(4096);
  }
  if (bytes.empty()) return;
  std::memset(bytes.data(), 0, bytes.size());
  // Mostly as 16-bit characters, as the receiver writes it; sometimes the raw bytes.
  const bool wide = in.Bool();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t at = wide ? i * 2 : i;
    if (at >= bytes.size()) break;
    bytes[at] = static_cast<std::byte>(text[i]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static equ::fuzz::FuzzPlatform platform;
  FuzzInput in(data, size);
  const equ::TVornPorts ports = equ::VornPortsOf(equ::Platform());
  std::optional<equ::TVornDriver> receiver;
  if (in.Bool()) {
    receiver.emplace(ports);
    receiver->CreateMailbox();
  }
  const std::uintptr_t handle = receiver ? receiver->WindowHandle() : 0;
  {
    // The mapping as someone else left it: any size, any bytes.
    const std::size_t mappingSize = in.Below(4) == 0 ? in.Below(8) : equ::kAcquiringMailboxSize;
    auto view = ports.sharedMemory->Create(equ::kAcquiringMailboxName, mappingSize);
    if (view) WriteMailbox(in, (*view)->Bytes(), handle);
    (void)equ::TVornDriver::SendMsgToAcquiring(ports, in.Text(64));
    if (receiver) receiver->ResetScan();
  }
  if (receiver && receiver->WindowHandle() != 0) {
    // A 1036 block as a sender of this process allocates it, any length, any bytes.
    const std::string bytes = in.Bytes(1024);
    void* block = bytes.empty() || in.Below(8) == 0 ? nullptr : ports.heap->Allocate(bytes.size());
    if (block != nullptr) std::memcpy(block, bytes.data(), bytes.size());
    const std::uintptr_t length = block == nullptr ? in.Below(3) : bytes.size();
    const std::uint32_t message =
        in.Below(8) == 0 ? in.Integral<std::uint16_t>() : equ::kAcquiringMessage;
    const auto answer = ports.windows->SendToWindow(
        receiver->WindowHandle(),
        equ::WindowMessage{message, length, reinterpret_cast<std::intptr_t>(block)});
    if (!answer || message != equ::kAcquiringMessage) ports.heap->Free(block);
  }
  return 0;
}

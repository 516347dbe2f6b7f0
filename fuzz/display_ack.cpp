// The customer display's side of a QR code: a header, a code, a duration and an address from
// the bytes go out through TVornSocket to a display whose connection, replies (any bytes, the
// peer closing, a failed receive) and failures also come from the bytes. A display that does
// not acknowledge raises the protocol error: an answer, not a fault. The rest of the bytes are
// decoded as a message the display receives.
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzInput.h"
#include "FuzzPorts.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/a_vorn/DisplayMessage.h"
#include "equipment/common/a_vorn/VornSocket.h"
#include "platform/StreamSocket.h"

namespace {

using equ::fuzz::FuzzInput;

class ScriptedDisplay : public equ::StreamSocket {
 public:
  explicit ScriptedDisplay(FuzzInput& in) : in_(in) {}
  equ::PortStatus Connect(const equ::Ipv4Endpoint&, int) override { return Answer(); }
  equ::PortStatus SetReceiveTimeout(int) override { return Answer(); }
  equ::PortStatus Send(std::string_view) override { return Answer(); }
  equ::PortResult<std::string> Receive(std::size_t maxBytes) override {
    if (in_.Below(16) == 0) return equ::PortFailure(u"Превышен таймаут");
    std::string reply = in_.Bytes(in_.Below(4));
    if (reply.size() > maxBytes) reply.resize(maxBytes);
    return reply;
  }
  void Shutdown() override {}

 private:
  equ::PortStatus Answer() {
    if (in_.Below(32) == 0) return equ::PortFailure(u"Подключение не установлено");
    return {};
  }
  FuzzInput& in_;
};

class ScriptedSockets : public equ::StreamSockets {
 public:
  explicit ScriptedSockets(FuzzInput& in) : in_(in) {}
  SocketResult Create() override {
    if (in_.Below(32) == 0) return equ::PortFailure(u"Нет сокетов");
    return std::unique_ptr<equ::StreamSocket>(std::make_unique<ScriptedDisplay>(in_));
  }

 private:
  FuzzInput& in_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static equ::fuzz::FuzzPlatform platform;
  FuzzInput in(data, size);
  auto sockets = std::make_shared<ScriptedSockets>(in);
  const equ::WideString address = in.Below(4) == 0 ? in.Text(24) : u"127.0.0.1";
  const int port = in.Below(4) == 0 ? in.Integral<std::int32_t>() : 9100;
  const equ::WideString header = in.Text(40);
  const equ::WideString code = in.Text(200);
  const std::int32_t duration = in.Integral<std::int32_t>();
  try {
    equ::SendQRCodeToDisplay(sockets, equ::TDisplayTimeouts{}, address, port, header, code,
                             duration);
  } catch (const equ::Exception&) {
    // No display, or one that did not acknowledge: raised to the caller.
  }
  (void)equ::ParseIpv4Address(address);
  // What is left is read as a message a display receives.
  std::size_t consumed = 0;
  std::string error;
  (void)equ::DecodeDisplayMessage(in.Rest(), consumed, error);
  return 0;
}

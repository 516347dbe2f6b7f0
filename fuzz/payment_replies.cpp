// The payment service's replies: whatever status, headers and body come back, into each of
// the client's operations (TDevice over THTTPRest with its traffic log on), and the receipt
// text made from what the reply gave.
#include <cstdint>
#include <memory>
#include <string>

#include "FakePorts.h"
#include "FuzzInput.h"
#include "FuzzPorts.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/a_vorn/Device.h"
#include "platform/PlatformPorts.h"
#include "serial/SerialTestSupport.h"

namespace {

using equ::WideString;
using equ::fuzz::FuzzInput;

// A transport that answers every request with the next reply of the bytes, and shows the
// watcher the head and body of it as a real exchange would.
class ScriptedTransport : public equ::HttpTransport {
 public:
  explicit ScriptedTransport(FuzzInput& in) : in_(in) {}

  equ::HttpResponse Send(const equ::HttpRequest& request,
                         equ::HttpTrafficWatcher* watcher) const override {
    equ::HttpResponse response;
    response.delivered = in_.Below(8) != 0;
    if (!response.delivered) {
      response.error = in_.Text(40);
      return response;
    }
    const std::uint8_t statusChoice = in_.Byte();
    response.status = statusChoice < 128 ? 200 + statusChoice % 5 : in_.Integral<std::int16_t>();
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " X\r\n" + in_.Bytes(200);
    response.body = in_.Bytes(2000);
    if (watcher != nullptr) {
      watcher->Sent("POST " + request.url + " HTTP/1.1\r\n", request.body);
      watcher->Received(head, response.body);
    }
    return response;
  }

 private:
  FuzzInput& in_;
};

template <class F>
void Tolerating(F&& operation) {
  try {
    operation();
  } catch (const equ::Exception&) {
    // A failed request or a reply without what was asked is raised to the caller: an answer.
  }
}

void RunOperation(equ::TDevice& device, FuzzInput& in) {
  WideString response, id, token;
  switch (in.Below(12)) {
    case 0:
      return Tolerating([&] { device.AuthenticationRequest(token, response); });
    case 1:
      return Tolerating([&] { device.AuthenticationStatus(response); });
    case 2:
      return Tolerating([&] { device.AuthenticationRevoke(response); });
    case 3:
      return Tolerating([&] { device.GetServiceState(response); });
    case 4:
      return Tolerating([&] { device.CreateInvoice(in.Integral<std::int64_t>(), id, response); });
    case 5:
      return Tolerating([&] { device.GetInvoice(in.Text(40), response); });
    case 6:
      return Tolerating([&] { device.PayInvoice(in.Text(40), in.Text(40), id, response); });
    case 7:
      return Tolerating([&] { device.VoidInvoice(in.Text(40), response); });
    case 8:
      return Tolerating(
          [&] { device.CreateRefund(in.Integral<std::int32_t>(), in.Text(40), id, response); });
    case 9:
      return Tolerating([&] { device.VoidRefund(in.Text(40), response); });
    case 10:
      return Tolerating([&] { device.GetRefundList(response); });
    default:
      return Tolerating([&] { device.GetUnitsList(response); });
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static equ::fuzz::FuzzPlatform platform;
  FuzzInput in(data, size);
  equ::THTTPRestPorts ports{
      std::make_shared<ScriptedTransport>(in), std::make_shared<equ::testing::MemoryFolders>(),
      equ::Platform().logFiles,
      std::make_shared<equ::testing::FakeClock>(equ::LocalDateTime{2026, 12, 11, 10, 0, 0, 0})};
  equ::TDevice device(ports);
  device.SetApplicationToken(u"app-token-0001");
  device.SetTerminalKey(u"T1");
  device.SetCurrencyCode(u"RUB");
  device.SetReceiptRowLength(static_cast<std::int32_t>(in.Below(64)));
  device.Enable();
  device.HTTPRest()->SetServerAddress(u"https://localhost:8443");
  while (!in.Empty()) RunOperation(device, in);
  Tolerating([&] {
    (void)device.GetReceiptText(equ::LocalDateTime{2026, 12, 11, 10, 0, 0, 0}, u"Оплата",
                                device.Data(), equ::Currency{12345600});
  });
  Tolerating([&] { (void)device.AsJSON(true, true); });
  return 0;
}

#include "VornSocket.h"

#include <utility>

#include "DisplayMessage.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/ResultCodes.h"

namespace equ {

namespace {

constexpr char16_t kBadAddress[] = u"Синтаксическая ошибка в IP-адресе";
constexpr char16_t kBadPort[] = u"Номер порта должен лежать в диапазоне 1-65535";
constexpr char16_t kNoSocket[] = u"Ошибка при создании сокета";
constexpr char16_t kNoConnection[] = u"Ошибка при установлении подключения к дисплею покупателя";
constexpr char16_t kSendFailed[] = u"Ошибка при отправке данных серверу";
constexpr char16_t kReceiveFailed[] = u"Ошибка при получении ответа от сервера";
constexpr char16_t kProtocolError[] = u"Ошибка протокола обмена";

[[noreturn]] void Fail(const char16_t* message) {
  throw EquException(kResultUnknownError, message);
}

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<std::uint32_t> ParseIpv4Address(std::u16string_view text) {
  std::uint32_t address = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (text.empty() || text.front() != u'.') return std::nullopt;
      text.remove_prefix(1);
    }
    std::uint32_t value = 0;
    std::size_t digits = 0;
    while (!text.empty() && text.front() >= u'0' && text.front() <= u'9' && digits < 4) {
      value = value * 10 + static_cast<std::uint32_t>(text.front() - u'0');
      text.remove_prefix(1);
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
    address = (address << 8) | value;
  }
  if (!text.empty()) return std::nullopt;
  return address;
}

TVornSocket::TVornSocket(std::shared_ptr<StreamSockets> sockets, TDisplayTimeouts timeouts)
    : FSockets(std::move(sockets)), FTimeouts(timeouts) {}

TVornSocket::~TVornSocket() {
  CloseConnection();
}

void TVornSocket::SetConnection(const WideString& AIPAddress, int APort) {
  CloseConnection();
  const std::optional<std::uint32_t> address = ParseIpv4Address(Trimmed(AIPAddress));
  if (!address) Fail(kBadAddress);
  if (APort < 1 || APort > 65535) Fail(kBadPort);
  if (PortStatus started = FSockets->LibraryStarted(); !started) {
    throw EquException(kResultUnknownError, started.error());
  }
  StreamSockets::SocketResult socket = FSockets->Create();
  if (!socket) Fail(kNoSocket);
  const Ipv4Endpoint endpoint{*address, static_cast<std::uint16_t>(APort)};
  if (!(*socket)->Connect(endpoint, FTimeouts.connectMs)) Fail(kNoConnection);
  if (!(*socket)->SetReceiveTimeout(FTimeouts.receiveMs)) Fail(kNoConnection);
  FSocket = std::move(*socket);
}

void TVornSocket::WriteStr(std::string_view APacket) {
  if (FSocket == nullptr || !FSocket->Send(APacket)) Fail(kSendFailed);
}

void TVornSocket::ReadChar(std::uint8_t& AByte) {
  AByte = 0;
  if (FSocket == nullptr) Fail(kReceiveFailed);
  PortResult<std::string> received = FSocket->Receive(1);
  if (!received) Fail(kReceiveFailed);
  if (!received->empty()) AByte = static_cast<std::uint8_t>((*received)[0]);
}

void TVornSocket::ReadStr(std::size_t ALen, std::string& ABytes) {
  ABytes.assign(ALen, '\0');
  if (FSocket == nullptr) Fail(kReceiveFailed);
  PortResult<std::string> received = FSocket->Receive(ALen);
  if (!received) Fail(kReceiveFailed);
  ABytes.replace(0, received->size(), *received);
}

void TVornSocket::CloseConnection() {
  if (FSocket == nullptr) return;
  FSocket->Shutdown();
  FSocket.reset();
}

void SendQRCodeToDisplay(const std::shared_ptr<StreamSockets>& sockets,
                         const TDisplayTimeouts& timeouts, const WideString& AAddress, int APort,
                         const WideString& AHeader, const WideString& AQRData,
                         std::int32_t ADuration) {
  const std::string message = FrameDisplayMessage(DisplayPayload(AHeader, ADuration, AQRData));
  TVornSocket socket(sockets, timeouts);
  socket.SetConnection(AAddress, APort);
  socket.WriteStr(message);
  std::uint8_t reply = 0;
  socket.ReadChar(reply);
  if (!IsDisplayAcknowledgement(std::string(1, static_cast<char>(reply)))) Fail(kProtocolError);
  socket.CloseConnection();
}

}  // namespace equ

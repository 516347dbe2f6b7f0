#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "equipment/common/WideString.h"
#include "platform/StreamSocket.h"

namespace equ {

// How long the customer display link waits: for the connection and for the reply byte.
struct TDisplayTimeouts {
  int connectMs = 5000;
  int receiveMs = 10000;
};

// A minimal blocking TCP client with a bounded connect, one connection per object. Every
// failure is EquException 1001 with the message of its kind; the connection is closed when
// the object goes.
class TVornSocket {
 public:
  explicit TVornSocket(std::shared_ptr<StreamSockets> sockets, TDisplayTimeouts timeouts = {});
  ~TVornSocket();
  TVornSocket(const TVornSocket&) = delete;
  TVornSocket& operator=(const TVornSocket&) = delete;

  // AIPAddress is a dotted IPv4 address, blanks around it allowed.
  void SetConnection(const WideString& AIPAddress, int APort);
  void WriteStr(std::string_view APacket);
  // A connection the peer closed reads as byte 0.
  void ReadChar(std::uint8_t& AByte);
  // Up to ALen bytes in one receive; ABytes gets ALen bytes, those not received being zero.
  void ReadStr(std::size_t ALen, std::string& ABytes);
  void CloseConnection();
  bool Connected() const { return FSocket != nullptr; }

 private:
  std::shared_ptr<StreamSockets> FSockets;
  TDisplayTimeouts FTimeouts;
  std::unique_ptr<StreamSocket> FSocket;
};

// The dotted IPv4 address in host byte order; nothing when the text is not one.
std::optional<std::uint32_t> ParseIpv4Address(std::u16string_view text);

// Shows a QR code on the customer display: one "receipt_qrcode" message on a connection of
// its own, answered by the acknowledgement byte. The connection is closed in every case.
void SendQRCodeToDisplay(const std::shared_ptr<StreamSockets>& sockets,
                         const TDisplayTimeouts& timeouts, const WideString& AAddress, int APort,
                         const WideString& AHeader, const WideString& AQRData,
                         std::int32_t ADuration);

}  // namespace equ

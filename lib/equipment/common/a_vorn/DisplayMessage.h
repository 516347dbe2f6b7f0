#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "equipment/common/WideString.h"

namespace equ {

// The customer display's message: 0x02 0x05, the payload's length in four bytes (least
// significant first), then the payload "receipt_qrcode|" + compact JSON {"header", "duration",
// "qr_data"} in UTF-8.
inline constexpr std::uint8_t kDisplayMessageStart = 0x02;
inline constexpr std::uint8_t kDisplayMessageKind = 0x05;
inline constexpr std::size_t kDisplayMessageHeadSize = 6;
inline constexpr char kDisplayPayloadPrefix[] = "receipt_qrcode|";
inline constexpr std::uint8_t kDisplayAcknowledged = 0x06;

std::string DisplayPayload(const WideString& header, std::int32_t duration,
                           const WideString& qrData);
std::string FrameDisplayMessage(std::string_view payload);

// What the display answered, as the bytes of one receive (none when the display closed the
// connection, which reads as byte 0): true only for the acknowledgement.
bool IsDisplayAcknowledgement(std::string_view reply);

// One message as the display reads it.
struct TDisplayMessage {
  std::uint32_t announcedLength = 0;
  std::string payload;
  // From the payload's JSON; empty when the payload is not what it should be.
  std::string header;
  std::int64_t duration = 0;
  std::string qrData;
  bool wellFormed = false;
};

// The message at the start of `bytes` and how many bytes it took; nothing while the bytes do
// not yet hold a whole message. `error` tells why bytes that can never become one are refused.
std::optional<TDisplayMessage> DecodeDisplayMessage(std::string_view bytes, std::size_t& consumed,
                                                    std::string& error);

}  // namespace equ

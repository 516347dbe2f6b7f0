#include "DisplayMessage.h"

#include <nlohmann/json.hpp>

#include "Device.h"

namespace equ {

namespace {

using Json = nlohmann::ordered_json;

// Larger than any receipt header and invoice id: a longer announcement is not a message.
constexpr std::uint32_t kLongestPayload = 1u << 20;

std::uint32_t LittleEndian32(std::string_view bytes) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[i]);
  return value;
}

void ReadPayloadJson(TDisplayMessage& message) {
  const std::string_view prefix = kDisplayPayloadPrefix;
  if (message.payload.compare(0, prefix.size(), prefix) != 0) return;
  const Json object =
      Json::parse(message.payload.substr(prefix.size()), nullptr, /*allow_exceptions=*/false);
  if (!object.is_object()) return;
  const auto header = object.find("header");
  const auto duration = object.find("duration");
  const auto qrData = object.find("qr_data");
  if (header == object.end() || !header->is_string() || duration == object.end() ||
      !duration->is_number_integer() || qrData == object.end() || !qrData->is_string()) {
    return;
  }
  message.header = header->get<std::string>();
  message.duration = duration->get<std::int64_t>();
  message.qrData = qrData->get<std::string>();
  message.wellFormed = true;
}

}  // namespace

std::string DisplayPayload(const WideString& header, std::int32_t duration,
                           const WideString& qrData) {
  const Json object{
      {"header", WideToUtf8(header)}, {"duration", duration}, {"qr_data", WideToUtf8(qrData)}};
  return kDisplayPayloadPrefix + CompactJson(object);
}

std::string FrameDisplayMessage(std::string_view payload) {
  const auto length = static_cast<std::uint32_t>(payload.size());
  std::string message;
  message.reserve(kDisplayMessageHeadSize + payload.size());
  message += static_cast<char>(kDisplayMessageStart);
  message += static_cast<char>(kDisplayMessageKind);
  for (int i = 0; i < 4; ++i) message += static_cast<char>((length >> (8 * i)) & 0xFF);
  message += payload;
  return message;
}

bool IsDisplayAcknowledgement(std::string_view reply) {
  const std::uint8_t byte = reply.empty() ? 0 : static_cast<std::uint8_t>(reply.front());
  return byte == kDisplayAcknowledged;
}

std::optional<TDisplayMessage> DecodeDisplayMessage(std::string_view bytes, std::size_t& consumed,
                                                    std::string& error) {
  consumed = 0;
  error.clear();
  if (!bytes.empty() && static_cast<std::uint8_t>(bytes[0]) != kDisplayMessageStart) {
    error = "the message does not start with 0x02";
    return std::nullopt;
  }
  if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[1]) != kDisplayMessageKind) {
    error = "the message kind is not 0x05";
    return std::nullopt;
  }
  if (bytes.size() < kDisplayMessageHeadSize) return std::nullopt;
  TDisplayMessage message;
  message.announcedLength = LittleEndian32(bytes.substr(2, 4));
  if (message.announcedLength > kLongestPayload) {
    error = "the announced length " + std::to_string(message.announcedLength) + " is too large";
    return std::nullopt;
  }
  if (bytes.size() - kDisplayMessageHeadSize < message.announcedLength) return std::nullopt;
  message.payload = std::string(bytes.substr(kDisplayMessageHeadSize, message.announcedLength));
  consumed = kDisplayMessageHeadSize + message.announcedLength;
  ReadPayloadJson(message);
  return message;
}

}  // namespace equ

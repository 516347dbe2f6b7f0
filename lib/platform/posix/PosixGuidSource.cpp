#include "PosixGuidSource.h"

#include <array>
#include <cstdint>
#include <random>

namespace equ::posix {

PortResult<WideString> PosixGuidSource::NewGuidText() {
  static thread_local std::random_device device;
  std::array<std::uint8_t, 16> bytes{};
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    const std::uint32_t word = device();
    for (std::size_t k = 0; k < 4; ++k) bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
  }
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
  WideString text = u"{";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += u'-';
    text += UIntToHex(bytes[i], 2);
  }
  return text + u"}";
}

}  // namespace equ::posix

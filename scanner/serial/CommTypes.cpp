#include "scanner/serial/CommTypes.h"

#include <array>

namespace equ {

namespace {

constexpr std::array<std::uint32_t, 13> kBitsPerSecond = {
    110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};

}  // namespace

std::uint32_t BaudRateToInt(TBaudRate rate) {
  const auto index = static_cast<std::size_t>(rate);
  return index < kBitsPerSecond.size() ? kBitsPerSecond[index] : 0;
}

bool BaudRateFromInt(std::uint32_t bitsPerSecond, TBaudRate& rate) {
  for (std::size_t i = 0; i < kBitsPerSecond.size(); ++i) {
    if (kBitsPerSecond[i] == bitsPerSecond) {
      rate = static_cast<TBaudRate>(i);
      return true;
    }
  }
  return false;
}

}  // namespace equ

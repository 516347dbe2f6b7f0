#pragma once

#include <cstdint>

namespace equ {

// Speeds of the serial line; BaudRateToInt gives the bits per second each one stands for.
enum class TBaudRate : std::uint8_t {
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
};

// The ordinals are the platform's parity and stop-bit codes.
enum class TParity : std::uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum class TStopBits : std::uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };

enum class TControlDtr : std::uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum class TControlRts : std::uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };

struct TFlowControl {
  bool FOutCtsFlow = false;
  bool FOutDsrFlow = false;
  TControlDtr FControlDtr = TControlDtr::dtrDisable;
  TControlRts FControlRts = TControlRts::rtsDisable;
  bool FXonXoffOut = false;
  bool FXonXoffIn = false;
};

// Bits per second of a speed; 0 for a value outside the enumeration.
std::uint32_t BaudRateToInt(TBaudRate rate);
// The speed of the given bits per second; false when no enumeration value has it.
bool BaudRateFromInt(std::uint32_t bitsPerSecond, TBaudRate& rate);

}  // namespace equ

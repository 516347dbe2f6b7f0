#pragma once

#include <cstdint>

namespace equ {

// Status codes of the automation interface, as the invocation answers the host.
using HResult = std::int32_t;

namespace hresult {
inline constexpr HResult kOk = 0;
inline constexpr HResult kFalse = 1;
inline constexpr HResult kNotImpl = static_cast<HResult>(0x80004001);
inline constexpr HResult kNoInterface = static_cast<HResult>(0x80004002);
inline constexpr HResult kPointer = static_cast<HResult>(0x80004003);
inline constexpr HResult kFail = static_cast<HResult>(0x80004005);
inline constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057);
inline constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000E);
inline constexpr HResult kMemberNotFound = static_cast<HResult>(0x80020003);
inline constexpr HResult kDispException = static_cast<HResult>(0x80020009);
}  // namespace hresult

// Bits of the invocation flags.
inline constexpr std::uint16_t kDispatchMethod = 1;
inline constexpr std::uint16_t kDispatchPropertyGet = 2;

}  // namespace equ

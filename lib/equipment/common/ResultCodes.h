#pragma once

#include <cstdint>
#include <string_view>

#include "WideString.h"

namespace equ {

// Result codes that the driver's own code names.
inline constexpr std::int32_t kResultOk = 0;
inline constexpr std::int32_t kResultDeviceNotEnabled = 70;
inline constexpr std::int32_t kResultTimeout = 74;
inline constexpr std::int32_t kResultCancelledByUser = 201;
inline constexpr std::int32_t kResultUnknownError = 1001;
inline constexpr std::int32_t kResultNotSupported = 1003;
inline constexpr std::int32_t kResultBadParameters = 1004;
inline constexpr std::int32_t kResultDeviceNotInitialized = 1005;
inline constexpr std::int32_t kResultNoAnswer = 1007;
inline constexpr std::int32_t kResultPortUnavailable = 1011;
inline constexpr std::int32_t kResultPortBusy = 1012;
inline constexpr std::int32_t kResultProtocolError = 1014;
inline constexpr std::int32_t kResultWriteError = 1016;
inline constexpr std::int32_t kResultReadError = 1017;
inline constexpr std::int32_t kResultSingleInstanceOnly = 1019;
inline constexpr std::int32_t kResultBufferEmpty = 2001;

// The Russian text of a row of the result-code table, or nullptr when the code is no row.
const char16_t* FindResultText(std::int32_t code);

// The description of a result: the caller's own text wins for a failure, else the table's
// text, else the caller's fallback, else the text of 1001. Never fails.
WideString GetResultDescription(std::int32_t code, std::u16string_view ownDescription,
                                std::u16string_view fallbackDescription);

}  // namespace equ

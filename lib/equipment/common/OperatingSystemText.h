#pragma once

#include <optional>

#include "WideString.h"
#include "platform/SystemInfo.h"

namespace equ {

// "Windows 10 (10.0.19045)": the version's name, the service pack when there is one, and
// major.minor.build; "Unknown" names a version outside the table or a failed query.
WideString OperatingSystemText(const std::optional<OsVersion>& version);

// The text of the system this module runs on.
WideString OperatingSystemText();

}  // namespace equ

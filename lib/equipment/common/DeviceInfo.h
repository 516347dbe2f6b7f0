#pragma once

#include <cstdint>

#include "WideString.h"

namespace equ {

// What a device says about itself (GetDeviceInfo, the settings dialog's information tab).
struct TDeviceInfoStruct {
  WideString TypeName;
  WideString ModelID;
  WideString ModelName;
  std::int32_t MajorVersion = 0;
  std::int32_t MinorVersion = 0;
  std::int32_t BuildVersion = 0;
  WideString ProcessorName;
  std::int32_t ProcessorType = 0;
  bool IsSettingsDlgExist = false;
  WideString Description;
  WideString DeveloperName;
  WideString CI_email;
  WideString CI_www;
  WideString CI_Phones;
  WideString CI_address;
  WideString DriverURL;
  WideString DriverDescription;
};

}  // namespace equ

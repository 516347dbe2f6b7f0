#pragma once

#include "DeviceInfo.h"
#include "WideString.h"

namespace equ {

// Russian caption of an equipment type identifier (compared case-sensitively); an unknown
// identifier comes back unchanged.
WideString EquipmentTypeCaption(const WideString& typeName);

// "major.minor.build" of the device's version numbers.
WideString VersionText(const TDeviceInfoStruct& info);

// Four lines "label:\tvalue" CR LF: e-mail, web, telephone, address.
WideString ContactsText(const TDeviceInfoStruct& info);

}  // namespace equ

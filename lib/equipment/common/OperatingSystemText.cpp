#include "OperatingSystemText.h"

#include "platform/PlatformPorts.h"

namespace equ {

namespace {

const char16_t* VersionName(const OsVersion& v) {
  if (v.major == 3) return u"Windows NT 3";
  if (v.major == 4 && v.minor == 0) return v.ntPlatform ? u"Windows NT 4" : u"Windows 95";
  if (v.major == 4 && v.minor == 10) return u"Windows 98";
  if (v.major == 4 && v.minor == 90) return u"Windows ME";
  if (v.major == 5 && v.minor == 0) return u"Windows 2000";
  if (v.major == 5 && v.minor == 1) return u"Windows XP";
  if (v.major == 5 && v.minor == 2) return u"Windows 2003";
  if (v.major == 6 && v.minor == 0) return u"Windows Vista";
  if (v.major == 6 && v.minor == 1) return u"Windows 7";
  if (v.major == 6 && v.minor == 2) return u"Windows 8.0";
  if (v.major == 6 && v.minor == 3) return u"Windows 8.1";
  if (v.major == 10 && v.minor == 0) return u"Windows 10";
  return u"Unknown";
}

}  // namespace

WideString OperatingSystemText(const std::optional<OsVersion>& version) {
  const OsVersion v = version.value_or(OsVersion{});
  WideString text = version ? VersionName(v) : u"Unknown";
  text += u" ";
  if (!v.servicePack.empty()) text += v.servicePack + u" ";
  return text + u"(" + IntToWide(v.major) + u"." + IntToWide(v.minor) + u"." + IntToWide(v.build) +
         u")";
}

WideString OperatingSystemText() {
  const PortResult<OsVersion> version = Platform().system->OperatingSystemVersion();
  return OperatingSystemText(version ? std::optional<OsVersion>(*version) : std::nullopt);
}

}  // namespace equ

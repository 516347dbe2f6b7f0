#include "RegistryKey.h"

#include "WinText.h"

namespace equ::win32 {

RegistryKey RegistryKey::Create(HKEY parent, const WideString& subKey) {
  HKEY key = nullptr;
  const LSTATUS status =
      RegCreateKeyExW(parent, WidePtr(subKey), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  return RegistryKey(status == ERROR_SUCCESS ? key : nullptr, status);
}

RegistryKey RegistryKey::OpenForReading(HKEY parent, const WideString& subKey, REGSAM view) {
  HKEY key = nullptr;
  const LSTATUS status = RegOpenKeyExW(parent, WidePtr(subKey), 0, KEY_READ | view, &key);
  return RegistryKey(status == ERROR_SUCCESS ? key : nullptr, status);
}

RegistryKey::~RegistryKey() {
  if (key_ != nullptr) RegCloseKey(key_);
}

LSTATUS RegistryKey::SetString(const WideString& name, const WideString& value) const {
  return RegSetValueExW(key_, name.empty() ? nullptr : WidePtr(name), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(WidePtr(value)),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace equ::win32

#pragma once

#include <windows.h>

#include "equipment/common/WideString.h"

namespace equ::win32 {

// An open registry key, closed on destruction.
class RegistryKey {
 public:
  // Creates (or opens) a key below a parent for writing; check IsOpen.
  static RegistryKey Create(HKEY parent, const WideString& subKey);
  // Opens an existing key for reading, in the registry view `view` (0: the module's own, or
  // KEY_WOW64_32KEY / KEY_WOW64_64KEY); check IsOpen.
  static RegistryKey OpenForReading(HKEY parent, const WideString& subKey, REGSAM view = 0);
  RegistryKey(RegistryKey&& other) noexcept : key_(other.key_), status_(other.status_) {
    other.key_ = nullptr;
  }
  RegistryKey& operator=(RegistryKey&&) = delete;
  RegistryKey(const RegistryKey&) = delete;
  ~RegistryKey();

  bool IsOpen() const { return key_ != nullptr; }
  LSTATUS Status() const { return status_; }
  HKEY get() const { return key_; }
  // Writes a string value; an empty name is the key's default value.
  LSTATUS SetString(const WideString& name, const WideString& value) const;

 private:
  RegistryKey(HKEY key, LSTATUS status) : key_(key), status_(status) {}
  HKEY key_;
  LSTATUS status_;
};

}  // namespace equ::win32

#include "ServerRegistry.h"

#include <vector>

#include "RegistryKey.h"
#include "WinText.h"

namespace equ::win32 {

namespace {

// The classes root of a scope, opened for writing.
RegistryKey ClassesRoot(RegistryScope scope) {
  return RegistryKey::Create(
      scope == RegistryScope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
      u"Software\\Classes");
}

struct Entry {
  WideString key;
  WideString valueName;
  WideString data;
};

std::vector<Entry> EntriesOf(const ServerClassInfo& info, const WideString& modulePath) {
  const WideString clsidKey = u"CLSID\\" + info.ClassID;
  return {
      {clsidKey, u"", info.Description},
      {clsidKey + u"\\InprocServer32", u"", RegistryModulePath(modulePath)},
      {clsidKey + u"\\InprocServer32", u"ThreadingModel", info.ThreadingModel},
      {clsidKey + u"\\ProgID", u"", info.ProgID()},
      {info.ProgID(), u"", info.Description},
      {info.ProgID() + u"\\Clsid", u"", info.ClassID},
  };
}

HRESULT FromStatus(LSTATUS status) {
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

}  // namespace

WideString RegistryModulePath(const WideString& modulePath) {
  if (modulePath.find(u' ') == WideString::npos) return modulePath;
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = GetShortPathNameW(WidePtr(modulePath), buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return modulePath;
  return FromWide(buffer, length);
}

HRESULT RegisterServerClass(const ServerClassInfo& info, const WideString& modulePath,
                            RegistryScope scope) {
  const RegistryKey root = ClassesRoot(scope);
  if (!root.IsOpen()) return FromStatus(root.Status());
  for (const Entry& entry : EntriesOf(info, modulePath)) {
    const RegistryKey key = RegistryKey::Create(root.get(), entry.key);
    if (!key.IsOpen()) return FromStatus(key.Status());
    const LSTATUS status = key.SetString(entry.valueName, entry.data);
    if (status != ERROR_SUCCESS) return FromStatus(status);
  }
  return S_OK;
}

HRESULT UnregisterServerClass(const ServerClassInfo& info, RegistryScope scope) {
  const RegistryKey root = ClassesRoot(scope);
  if (!root.IsOpen()) return FromStatus(root.Status());
  const WideString clsidKey = u"CLSID\\" + info.ClassID;
  const WideString keys[] = {clsidKey + u"\\InprocServer32", clsidKey + u"\\ProgID", clsidKey,
                             info.ProgID() + u"\\Clsid", info.ProgID()};
  HRESULT result = S_OK;
  for (const WideString& key : keys) {
    const LSTATUS status = RegDeleteKeyW(root.get(), WidePtr(key));
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) result = FromStatus(status);
  }
  return result;
}

}  // namespace equ::win32

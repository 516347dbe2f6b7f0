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

// The registry view of the other bitness: a 64-bit module's other view is the 32-bit one and
// the other way round. Only the CLSID keys are kept apart per view; the ProgID key is shared.
REGSAM OtherBitnessView() {
  return sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

// Whether the module of the other bitness still has the class registered in this scope. On a
// system without WoW64 the other view is this one, whose CLSID key is already gone.
bool OtherBitnessHasClass(RegistryScope scope, const WideString& clsidKey) {
  const HKEY top = scope == RegistryScope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const WideString path = u"Software\\Classes\\" + clsidKey + u"\\InprocServer32";
  return RegistryKey::OpenForReading(top, path, OtherBitnessView()).IsOpen();
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
  HRESULT result = S_OK;
  const auto remove = [&](const WideString& key) {
    const LSTATUS status = RegDeleteKeyW(root.get(), WidePtr(key));
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) result = FromStatus(status);
  };
  for (const WideString& key : {clsidKey + u"\\InprocServer32", clsidKey + u"\\ProgID", clsidKey})
    remove(key);
  // The ProgID is shared by both bitnesses: it stays while the other one's class is registered.
  if (!OtherBitnessHasClass(scope, clsidKey)) {
    remove(info.ProgID() + u"\\Clsid");
    remove(info.ProgID());
  }
  return result;
}

}  // namespace equ::win32

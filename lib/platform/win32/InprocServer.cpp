// The in-process server entry points of the module. They serve the one class the product
// linked into the module declares (ModuleServerClass).
#include <windows.h>
#include <objbase.h>

#include "ComClassFactory.h"
#include "ComDispatchObject.h"
#include "ServerRegistry.h"
#include "WinHandles.h"
#include "WinText.h"
#include "equipment/common/DataFolders.h"
#include "equipment/common/ServerClass.h"

namespace {

using equ::ModuleServerClass;
using equ::win32::RegistryScope;

bool IsModuleClass(REFCLSID clsid) {
  CLSID own{};
  const equ::WideString text = ModuleServerClass().ClassID;
  return SUCCEEDED(CLSIDFromString(const_cast<wchar_t*>(equ::win32::WidePtr(text)), &own)) &&
         IsEqualCLSID(clsid, own);
}

HRESULT Register(RegistryScope scope) {
  try {
    return equ::win32::RegisterServerClass(ModuleServerClass(), equ::GetModulePath(), scope);
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT Unregister(RegistryScope scope) {
  try {
    return equ::win32::UnregisterServerClass(ModuleServerClass(), scope);
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT STDAPICALLTYPE
    DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (!IsModuleClass(rclsid)) return CLASS_E_CLASSNOTAVAILABLE;
  // The factory is made with one reference, which the pointer takes over.
  const auto factory = equ::win32::ComPtr<equ::win32::ComClassFactory>::Adopt(
      new (std::nothrow) equ::win32::ComClassFactory());
  if (!factory) return E_OUTOFMEMORY;
  return factory->QueryInterface(riid, ppv);
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return equ::win32::ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
  return Register(RegistryScope::Machine);
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return Unregister(RegistryScope::Machine);
}

// regsvr32 /i:user installs per user; a registration that fails is undone.
__declspec(dllexport) HRESULT STDAPICALLTYPE DllInstall(BOOL bInstall, LPCWSTR pszCmdLine) {
  const bool perUser = pszCmdLine != nullptr && lstrcmpiW(pszCmdLine, L"user") == 0;
  const RegistryScope scope = perUser ? RegistryScope::CurrentUser : RegistryScope::Machine;
  if (!bInstall) return Unregister(scope);
  const HRESULT hr = Register(scope);
  if (hr == E_FAIL) Unregister(scope);
  return hr;
}

}  // extern "C"

#pragma once

#include <windows.h>

#include "equipment/common/ServerClass.h"

namespace equ::win32 {

// Where a server's class entries go: the machine's class registry or the current user's.
enum class RegistryScope { Machine, CurrentUser };

// Writes the entries of an in-process automation class: its CLSID key with the description,
// InprocServer32 (module path, ThreadingModel) and ProgID, and the ProgID key with its Clsid.
HRESULT RegisterServerClass(const ServerClassInfo& info, const WideString& modulePath,
                            RegistryScope scope);
// Removes those entries, sub-keys first. The ProgID key, which both bitnesses share, is kept
// while the module of the other bitness still has its CLSID registered in the same scope.
HRESULT UnregisterServerClass(const ServerClassInfo& info, RegistryScope scope);

// The module path as the registry holds it: its short form when it contains a blank.
WideString RegistryModulePath(const WideString& modulePath);

}  // namespace equ::win32

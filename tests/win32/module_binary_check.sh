#!/usr/bin/env bash
# The built module as a host and regsvr32 meet it: its five entry points exported by their plain
# names (no stdcall @N decoration, which 32-bit builds add unless told otherwise), and only system
# DLLs imported (the MinGW runtime is linked in statically, so nothing has to be shipped beside it).
#
#   module_binary_check.sh OBJDUMP MODULE
set -euo pipefail
objdump=${1:?usage: module_binary_check.sh OBJDUMP MODULE}
module=${2:?usage: module_binary_check.sh OBJDUMP MODULE}

dump=$("$objdump" -p "$module")
status=0
names=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^\s*\[ *[0-9]*\] //p')
expected=$'DllCanUnloadNow\nDllGetClassObject\nDllInstall\nDllRegisterServer\nDllUnregisterServer'
if [[ $names == "$expected" ]]; then
  echo "PASS: exports by plain name: $(tr '\n' ' ' <<<"$names")"
else
  echo "FAIL: the exports are not the five entry points by plain name:"
  printf '%s\n' "$names"
  status=1
fi

# DLLs every Windows version the hosts run on has in its system folder.
system='^(ADVAPI32|COMCTL32|COMDLG32|CRYPT32|GDI32|KERNEL32|msvcrt|ole32|OLEAUT32|SHELL32|SHLWAPI|USER32|VERSION|WINHTTP|WS2_32|UXTHEME|bcrypt|api-ms-win-[a-z0-9-]+)\.dll$'
while read -r dll; do
  if grep -qiE "$system" <<<"$dll"; then
    echo "PASS: imports the system DLL $dll"
  else
    echo "FAIL: imports $dll, which is no system DLL"
    status=1
  fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")
exit "$status"

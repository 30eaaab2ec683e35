#!/usr/bin/env bash
# Fails when tidewell.exe imports a DLL that Windows might take from somewhere
# other than System32. The program runs elevated; a DLL it imports is looked for
# in the exe's own folder first, unless it is one of the system's KnownDLLs, which
# are always mapped from System32. Every other DLL is loaded at run time from
# System32 (common/win32/system_library.h). comctl32 comes through the manifest's
# side-by-side dependency on the common controls, never from the exe's folder.
#
#   check_imports.sh OBJDUMP EXE [OBJDUMP EXE ...]
#
# An EXE that does not exist (its preset was not built) skips the test (exit 77).
set -uo pipefail

# KnownDLLs of Windows 7 to 11 that the program may use, and ntdll, which the
# system loads into every process before the exe.
allowed=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll gdiplus.dll imm32.dll kernel32.dll msvcrt.dll ntdll.dll
  ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll ws2_32.dll "
allowed=" $(tr -s ' \n' ' ' <<<"$allowed") "

[ $# -ge 2 ] && [ $(($# % 2)) -eq 0 ] || { echo "usage: $0 OBJDUMP EXE [OBJDUMP EXE ...]" >&2; exit 2; }
status=0
while [ $# -gt 0 ]; do
  objdump=$1 exe=$2
  shift 2
  [ -f "$exe" ] || { echo "SKIP: $exe not built"; exit 77; }
  dump=$("$objdump" -p "$exe") || { echo "FAIL: $objdump could not read $exe"; status=1; continue; }
  imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u)
  [ -n "$imports" ] || { echo "FAIL: no import table found in $exe"; status=1; continue; }
  refused=0
  for dll in $imports; do
    if [[ "$allowed" != *" $dll "* ]]; then
      echo "FAIL: $exe imports $dll, which is not a KnownDLL: load it from System32 at run time"
      refused=1
    fi
  done
  if [ $refused -eq 0 ]; then echo "ok: $exe imports only" $imports; else status=1; fi
done
exit $status

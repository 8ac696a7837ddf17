#!/usr/bin/env bash
# Fails when an executable imports a DLL that is not on the list of the system's own DLLs below. Any other DLL
# is searched for beside the program first, where a planted copy (as in a Downloads folder) would be loaded.
# urlmon.dll and hhctrl.ocx are system DLLs too, but Lumora loads them at run time from the system directory
# only, so they are not on the list either.
set -euo pipefail
allowed=" kernel32.dll user32.dll gdi32.dll shell32.dll advapi32.dll comctl32.dll ole32.dll oleaut32.dll msvcrt.dll "

status=0
for exe in "$@"; do
  bad=0
  imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
  if [ -z "$imports" ]; then
    echo "$exe: no imports found (not a Windows executable?)"
    bad=1
  fi
  for dll in $imports; do
    case "$allowed" in
      *" $dll "*) ;;
      *) echo "$exe imports $dll, which is not one of the allowed system DLLs"; bad=1 ;;
    esac
  done
  if [ $bad -eq 0 ]; then echo "$exe imports only system DLLs: $(echo $imports)"; else status=1; fi
done
exit $status

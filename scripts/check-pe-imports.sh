#!/usr/bin/env bash
# Checks a built executable's PE header from the Linux side: the expected
# format (PE32 or PE32+), the GUI subsystem (2), and that it imports from
# Windows' own DLLs only, so that it runs on a bare system.
# Usage: check-pe-imports.sh OBJDUMP EXE PE32|PE32+
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: check-pe-imports.sh OBJDUMP EXE PE32|PE32+" >&2; exit 2; }
objdump=$1 exe=$2 format=$3

# Known DLLs: Windows loads them from its system folder whatever lies beside the program.
allowed=(kernel32 user32 gdi32 advapi32 shell32 shlwapi ole32 msvcrt)

header=$("$objdump" -p "$exe") || { echo "check-pe-imports: cannot read $exe" >&2; exit 1; }
failed=0

magic=$(awk '$1 == "Magic" { print $3 }' <<<"$header")
if [ "$magic" != "($format)" ]; then
  echo "check-pe-imports: $exe is ${magic:-not PE}, expected ($format)" >&2
  failed=1
fi

subsystem=$(awk '$1 == "Subsystem" { print $2 }' <<<"$header")
if [ "$subsystem" != 00000002 ]; then
  echo "check-pe-imports: subsystem ${subsystem:-missing}, expected 00000002 (Windows GUI)" >&2
  failed=1
fi

dlls=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$header")
if [ -z "$dlls" ]; then
  echo "check-pe-imports: no imports found in $exe" >&2
  failed=1
fi
for dll in $dlls; do
  name=${dll%.dll}
  ok=0
  for a in "${allowed[@]}"; do [ "$name" = "$a" ] && ok=1; done
  [ $ok = 1 ] || { echo "check-pe-imports: imports $dll, not one of Windows' own DLLs" >&2; failed=1; }
done

[ $failed = 0 ] && echo "check-pe-imports: $(basename "$exe") $format, GUI, imports:" $dlls
exit $failed

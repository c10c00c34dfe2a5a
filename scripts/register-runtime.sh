#!/usr/bin/env bash
# Marks the Visual C++ 2008 SP1 ATL runtime as installed in the Wine prefix
# named by WINEPREFIX, as Windows Installer records a machine-wide product:
# MsiQueryProductStateW then answers "installed" for its first product code,
# and the bootstrap never reaches for the network to fetch it.
# Usage: WINEPREFIX=/path/to/prefix [WINELOADER=wine] register-runtime.sh
set -euo pipefail
: "${WINEPREFIX:?set WINEPREFIX to the prefix to change}"
loader=${WINELOADER:-wine}
# Windows Installer reads its keys in the 64-bit view of a 64-bit prefix, which
# a 32-bit regedit would not write (its keys go to Wow6432Node).
source "$(dirname "$0")/lib.sh"
if grep -q '^#arch=win64' "$WINEPREFIX/system.reg" 2>/dev/null && [ -x "$(wine_loader x86_64)" ]; then
  loader=$(wine_loader x86_64)
fi
guid="1F1C2DFC-2D24-3E06-BCB8-725134ADF989"

# Windows Installer's packed form of a product code: the first three groups
# reversed, the rest with each byte's two digits swapped.
hex=${guid//-/}
reverse() { local out="" i; for ((i = ${#1} - 1; i >= 0; i--)); do out+="${1:i:1}"; done; echo "$out"; }
packed=$(reverse "${hex:0:8}")$(reverse "${hex:8:4}")$(reverse "${hex:12:4}")
for ((i = 16; i < 32; i += 2)); do packed+="${hex:i+1:1}${hex:i:1}"; done

reg=$(mktemp --suffix=.reg)
trap 'rm -f "$reg"' EXIT
cat >"$reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Classes\\Installer\\Products\\$packed]
"ProductName"="Microsoft Visual C++ 2008 Redistributable - x86"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products\\$packed\\InstallProperties]
"WindowsInstaller"=dword:00000001
REG
WINEDEBUG=-all "$loader" regedit /S "$(WINEDEBUG=-all "$loader" winepath -w "$reg")" >/dev/null 2>&1
WINEPREFIX=$WINEPREFIX wineserver -w

#!/usr/bin/env bash
# The window on a screen of another DPI, under Wine. Sets LogPixels (Wine 8 reads
# HKCU\Control Panel\Desktop first, then HKCC\Software\Fonts) in a prefix of the
# build tree's own, so that no other test sees it; on a display of its own runs the
# window's tests there, then the built program (a first install of the demo
# payload), and saves a screenshot of its window, which must be 350x65 scaled.
# Usage: dpi-run.sh ARCH DPI tests_ui.exe VorakSetup.exe
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
arch=$1 dpi=$2 tests=$3 setup=$4
build=$(dirname "$setup")
prefix="$build/wineprefix-dpi" run_dir="$build/dpi-run" shot="$build/screenshots/window-${dpi}dpi.png"
# Its own display and wine server, ended with each program.
unset VORAK_WINE_SESSION DISPLAY
xvfb_pid=""
trap '[ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true' EXIT
start_xvfb
wine() { bash "$root/scripts/wine-run.sh" --arch "$arch" --prefix "$prefix" "$@"; }
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
wine "$tests" --gtest_filter='Window.*'

rm -rf "$run_dir" "$shot"
mkdir -p "$run_dir/game" "$run_dir/temp" "$(dirname "$shot")"
cp "$setup" "$run_dir/game/"
to_windows() { echo "Z:${1//\//\\}"; }
export STANDIN_RECORD=$(to_windows "$run_dir/updater-record.txt") STANDIN_SLEEP_MS=3000 STANDIN_EXIT_CODE=0
temp=$(to_windows "$run_dir/temp")
( cd "$run_dir/game" && wine cmd /c "set TMP=$temp&& set TEMP=$temp&& VorakSetup.exe" ) >/dev/null 2>&1 &
program=$!
shoot_window "$shot"
wait "$program" || { echo "dpi-run: the program failed at $dpi DPI" >&2; exit 1; }
[ -f "$shot" ] || { echo "dpi-run: the window never showed at $dpi DPI" >&2; exit 1; }
size=$(identify -format %wx%h "$shot")
want="$(( (350 * dpi + 48) / 96 ))x$(( (65 * dpi + 48) / 96 ))"
[ "$size" = "$want" ] || { echo "dpi-run: the window is $size at $dpi DPI, not $want" >&2; exit 1; }
echo "Window at $dpi DPI: $size, saved as $shot"

#!/usr/bin/env bash
# What a start costs under Wine, side by side in one run: the installed game
# started through the built bootstrap (a configuration and the stand-in
# updater beside it), the floor (a bare launcher with the bootstrap's imports
# that only starts the same updater and waits for it), the updater started
# directly, a clean-up run that has nothing to do, the time from the start
# of an install to its window, and its floor (a bare program that registers
# the bootstrap's window class and shows the same window). Medians of RUNS alternating runs in one warm
# Wine prefix of its own. With BASE (another build of VorakSetup.exe) its
# installed start, clean-up run and install to window are measured beside
# this build's. Measures
# and prints; passes or fails nothing.
# usage: bench/start_bench.sh [RUNS] [BASE]   (RUNS defaults to 21; build first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
runs=${1:-21} base=${2:-}
if host_runs_32bit; then arch=i686 triple=i686-w64-mingw32; else arch=x86_64 triple=x86_64-w64-mingw32; fi
build=$root/build/$arch work=$root/build/start_bench
[ -f "$build/VorakSetup.exe" ] || { echo "build $arch first: cmake --build --preset $arch" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work/temp" "$work/install"

"$triple-gcc-posix" -O2 -municode -static "$root/bench/start_time.c" -o "$work/start_time.exe"
"$triple-gcc-posix" -O2 -municode -mwindows -static "$root/bench/bare_launcher.c" -o "$work/bare_launcher.exe" \
  -lshell32 -lshlwapi
"$triple-gcc-posix" -O2 -municode -mwindows -static "$root/bench/bare_window.c" -o "$work/bare_window.exe"
# game NAME SETUP: a game folder with SETUP, a configuration and the installed updater.
game() {
  mkdir -p "$work/$1/wayspanner"
  cp "$2" "$work/$1/VorakSetup.exe"
  touch "$work/$1/wayspanner.conf"
  cp "$build/payload/wayspanner.exe" "$work/$1/wayspanner/"
}
game game "$build/VorakSetup.exe"
cp "$build/VorakSetup.exe" "$work/install/"
[ -z "$base" ] || { game base "$base"; mkdir -p "$work/base_install"; cp "$base" "$work/base_install/VorakSetup.exe"; }

export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINELOADER; WINELOADER=$(wine_loader "$arch")
xvfb_pid=""
finish() {
  [ ! -d "$WINEPREFIX" ] || wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap finish EXIT
[ -n "${DISPLAY:-}" ] || start_xvfb
"$WINELOADER" wineboot -i >/dev/null 2>&1 || true
wineserver -w
# The install goes straight to its window: no runtime to fetch.
bash "$root/scripts/register-runtime.sh" >/dev/null
wineserver -p
w() { local p="Z:${1//\//\\}"; echo "\"$p\""; }
export TMP="Z:${work//\//\\}\\temp" TEMP="Z:${work//\//\\}\\temp"

lines=("$(w "$work/game/VorakSetup.exe")" "$(w "$work/bare_launcher.exe") $(w "$work/game/wayspanner/wayspanner.exe")"
  "$(w "$work/game/wayspanner/wayspanner.exe")" "$(w "$work/game/VorakSetup.exe") --cleanup 0 none none"
  "window:$(w "$work/install/VorakSetup.exe")" "window:$(w "$work/bare_window.exe")")
labels=("installed game, this build" "floor: bare launcher" "updater alone" "clean-up run, this build"
  "install, start to window" "floor: bare window")
if [ -n "$base" ]; then
  lines+=("$(w "$work/base/VorakSetup.exe")" "$(w "$work/base/VorakSetup.exe") --cleanup 0 none none"
    "window:$(w "$work/base_install/VorakSetup.exe")")
  labels+=("installed game, base" "clean-up run, base" "install to window, base")
fi
echo "$arch, medians of $runs alternating runs under one warm Wine (fastest in brackets):"
medians=()
while read -r median fastest _; do
  printf '  %-28s %8s ms  (%s ms)\n' "${labels[${#medians[@]}]}" "${median#ms=}" "${fastest#min=}"
  medians+=("${median#ms=}")
done < <("$WINELOADER" "$work/start_time.exe" "$runs" "Z:${work//\//\\}" "${lines[@]}" | tr -d '\r')
# Each against its floor: the installed start against the bare launcher, the install's window against the bare window.
awk -v a="${medians[0]}" -v b="${medians[1]}" -v c="${medians[4]}" -v d="${medians[5]}" 'BEGIN {
  printf "  installed game against its floor: %.2fx; install to window against the bare window: %.2fx\n", a / b, c / d }'

#!/usr/bin/env bash
# The bootstrap's own weight: for both architectures, the stripped size of the
# program with an empty payload, and the time from its start to its window
# being shown under Wine, for this tree and for a base commit built the same
# way (a clean export of that commit, same compilers and options), side by
# side. Measures and prints; passes or fails nothing.
# usage: bench/size_bench.sh [BASE] [RUNS]   (defaults: HEAD~1, 15)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
base=${1:-HEAD~1} runs=${2:-15}
base_id=$(git -C "$root" rev-parse --short "$base^{commit}")
work=$root/build/size_bench
rm -rf "$work/base-src" "$work/temp"
mkdir -p "$work/base-src" "$work/empty" "$work/temp"
git -C "$root" archive "$base_id" | tar -x -C "$work/base-src"

# build NAME SOURCE ARCH: the program of SOURCE with an empty payload, and its link map.
build() {
  local dir=$work/$1-$3
  cmake -S "$2" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$2/cmake/toolchain-$3.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DVORAK_BUILD_TESTS=OFF -DVORAK_PAYLOAD="$work/empty" -DVORAK_THIRD_PARTY="$root/third_party" \
    -DCMAKE_EXE_LINKER_FLAGS="-Wl,-Map=$dir/VorakSetup.map" >/dev/null
  cmake --build "$dir" --target VorakSetup -j2 >/dev/null
  "$(triple "$3")-strip" -o "$dir/stripped.exe" "$dir/VorakSetup.exe"
}
triple() { if [ "$1" = i686 ]; then echo i686-w64-mingw32; else echo x86_64-w64-mingw32; fi; }
# The C++ stream and locale objects of the runtime that the program links.
streams() { grep -oE 'libstdc\+\+\.a\([^)]*(locale|ios|stream|codecvt)[^)]*\)' "$1" | sort -u | wc -l; }

echo "base $base_id ($(git -C "$root" log -1 --format=%s "$base_id" | cut -c1-60)) against this tree; empty payload"
for arch in i686 x86_64; do
  build base "$work/base-src" "$arch"
  build this "$root" "$arch"
  b=$(stat -c %s "$work/base-$arch/stripped.exe") t=$(stat -c %s "$work/this-$arch/stripped.exe")
  printf '%-6s stripped size: base %8d bytes (%4d KB), this %8d bytes (%4d KB), %+d bytes\n' \
    "$arch" "$b" $((b / 1024)) "$t" $((t / 1024)) $((t - b))
  printf '%-6s C++ stream/locale objects linked: base %d, this %d\n' "$arch" \
    "$(streams "$work/base-$arch/VorakSetup.map")" "$(streams "$work/this-$arch/VorakSetup.map")"
done
echo "  target: i686 under 400 KB"

# One Wine prefix and server of our own for every run, so that no run pays their start.
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
xvfb_pid=""
cleanup() {
  [ ! -d "$WINEPREFIX" ] || wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
[ -n "${DISPLAY:-}" ] || start_xvfb
winpath() { echo "Z:${1//\//\\}"; }
for arch in i686 x86_64; do
  if [ "$arch" = i686 ] && ! host_runs_32bit; then
    echo "i686   start to window: not measured, this host cannot run 32-bit code"
    continue
  fi
  export WINELOADER; WINELOADER=$(wine_loader "$arch")
  [ -f "$WINEPREFIX/system.reg" ] || { "$WINELOADER" wineboot -i >/dev/null 2>&1 || true; wineserver -w; }
  wineserver -p
  "$(triple "$arch")-gcc-posix" -O2 -municode -static "$root/bench/start_time.c" -o "$work/start_time-$arch.exe"
  "$WINELOADER" "$work/start_time-$arch.exe" "$runs" "$(winpath "$work/temp")" \
    "window:\"$(winpath "$work/base-$arch/stripped.exe")\"" "window:\"$(winpath "$work/this-$arch/stripped.exe")\"" |
    tr -d '\r' |
    awk -v arch="$arch" -v runs="$runs" '{ split($1, m, "="); split($2, n, "="); t[NR] = m[2]; f[NR] = n[2] }
      END { printf "%-6s start to window, median of %d (fastest): base %s ms (%s), this %s ms (%s)\n",
            arch, runs, t[1], f[1], t[2], f[2] }'
  wineserver -k
done
rm -rf "$work/temp"

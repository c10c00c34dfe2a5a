#!/usr/bin/env bash
# Times the payload extraction against the LZMA SDK's own 7zDec, built from the
# same SDK sources with the same compiler and flags, on the same Wine, on a
# generated payload shaped like the shipped one. Prints medians, their ratio and
# the peak memory of each. Measures and prints; passes or fails nothing.
# usage: bench/extract_bench.sh [RUNS]   (default 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
runs=${1:-5}
arch=$(test_arch "$root")
build=$root/build/$arch
work=$build/bench/work
sdk=$root/third_party/lzma-9.22/C

cmake --preset "$arch" -DVORAK_BUILD_BENCH=ON >/dev/null
cmake --build --preset "$arch" --target extract_bench -j2 >/dev/null

# The reference extractor: the SDK's 7zMain.c, unchanged, wrapped only to print
# its peak memory; never committed.
triple=$([ "$arch" = i686 ] && echo i686-w64-mingw32 || echo x86_64-w64-mingw32)
cc="$triple-gcc-posix -O3 -DNDEBUG -w -O2"
mkdir -p "$work"
$cc -Dmain=sdk_7zdec_main -I"$sdk" -c "$sdk/Util/7z/7zMain.c" -o "$work/7zMain.o"
$cc -static -I"$sdk" -I"$root/bench" "$work/7zMain.o" "$root/bench/reference_main.c" "$root/bench/process_memory.c" \
  "$sdk"/{7zAlloc,7zBuf,7zBuf2,7zCrc,7zCrcOpt,7zDec,7zIn,CpuArch,LzmaDec,Lzma2Dec,Bra,Bra86,Bcj2,7zFile,7zStream}.c \
  -lpsapi -o "$work/7zDec.exe"

# The payload: generated once, packed like the shipped one.
archive=$work/payload.7z
if [ ! -f "$archive" ]; then
  rm -rf "$work/tree"
  python3 "$root/bench/make_bench_payload.py" "$work/tree"
  (cd "$work/tree" && 7zz a -t7z -m0=lzma2 -md=24 -mf=off -ms=on -mhc=on -bd -bso0 -bsp0 "$archive" .)
fi
unpacked=$(7zz l "$archive" | tail -n1 | awk '{print $3}')

# One Wine prefix and server of our own for every run, so that no run pays the start of either.
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINELOADER=$(wine_loader "$arch")
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
xvfb_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
[ -n "${DISPLAY:-}" ] || start_xvfb
[ -f "$WINEPREFIX/system.reg" ] || { "$WINELOADER" wineboot -i >/dev/null 2>&1 || true; wineserver -w; }
wineserver -p
winpath() { echo "Z:${1//\//\\}"; }

# run NAME PROGRAM ARGS...: one timed run; appends "ms rss_kb" to $work/NAME.times
# and the program's peak-memory line to $work/NAME.memory.
run() {
  local name=$1; shift
  local out=$work/out rm_dir
  rm -rf "$out" && mkdir -p "$out"
  local t0 t1
  t0=$(date +%s%N)
  (cd "$out" && TMP=$(winpath "$out") TEMP=$(winpath "$out") /usr/bin/time -f %M -o "$work/rss" \
    "$WINELOADER" "$@" >"$work/stdout" 2>/dev/null) || { echo "$name run failed" >&2; cat "$work/stdout" >&2; exit 1; }
  t1=$(date +%s%N)
  echo "$(( (t1 - t0) / 1000000 )) $(cat "$work/rss")" >>"$work/$name.times"
  tr -d '\r' <"$work/stdout" | grep '^peak_' >>"$work/$name.memory"
  tr -d '\r' <"$work/stdout" | grep -o 'extract_ms=[0-9.]*' | cut -d= -f2 >>"$work/$name.extract"
  rm -rf "$out"
}

# Baselines: each program with nothing to decode (7zDec printing its usage; ours
# with its window on an archive of one tiny file), so that the deltas are the
# extraction's own memory.
tiny=$work/tiny.7z
[ -f "$tiny" ] || { echo tiny >"$work/tiny.txt"; 7zz a -t7z -bd -bso0 -bsp0 "$tiny" "$work/tiny.txt"; }
rm -f "$work"/*.times "$work"/*.memory "$work"/*.extract
run sdk_base "$work/7zDec.exe"
run ours_base "$build/bench/extract_bench.exe" "$(winpath "$tiny")"
for i in $(seq "$runs"); do
  run ours "$build/bench/extract_bench.exe" "$(winpath "$archive")"
  run sdk "$work/7zDec.exe" x "$(winpath "$archive")"
done

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
field() { tr ' ' '\n' <"$work/$1.memory" | grep "^$2=" | cut -d= -f2 | median; }
rss() { echo $(( $(cut -d' ' -f2 "$work/$1.times" | median | cut -d. -f1) * 1024 )); }
mib() { awk -v b="$1" 'BEGIN {printf "%.1f MiB", b/1048576}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a/b}'; }
ours_x=$(median <"$work/ours.extract") sdk_x=$(median <"$work/sdk.extract")
ours_ms=$(cut -d' ' -f1 "$work/ours.times" | median) sdk_ms=$(cut -d' ' -f1 "$work/sdk.times" | median)
echo "payload: $(stat -c %s "$archive") bytes packed, $unpacked unpacked; $runs runs each, $arch build under $(basename "$WINELOADER")"
echo "extraction time, median: ours $ours_x ms, SDK 7zDec $sdk_x ms, ratio $(ratio "$ours_x" "$sdk_x") (target <= 1.05)"
echo "  ours: ExtractionThread::start to the completion message, with a window repainted per file;"
echo "  SDK: 7zDec's main from start to end (open, decode, write); both read the same file on the same Wine."
echo "whole process under Wine, median: ours $ours_ms ms, SDK $sdk_ms ms (ours also starts Wine's window system)"
limit=$(( unpacked + 4 * 1048576 ))
for name in ours sdk; do
  base=${name}_base
  echo "peak memory over its baseline, $name: resident +$(mib $(( $(rss $name) - $(rss $base) ))) (of $(mib "$(rss $name)")), Windows peak working set +$(mib $(( $(field $name peak_working_set) - $(field $base peak_working_set) )))"
done
echo "  target: at most the unpacked block plus 4 MiB = $(mib $limit)"
echo "  resident: the process's peak RSS from Linux (/usr/bin/time); working set: GetProcessMemoryInfo's PeakWorkingSetSize."
echo "  baseline: the same program with nothing to decode, so Wine's DLLs (and, for ours, the window system) fall out."
echo "  Ours maps the archive as the bootstrap maps its resource: those clean pages count in resident and working set."

#!/usr/bin/env bash
# Fuzzes the bootstrap's extraction (tools/archive_check: the same LZMA SDK
# files and MemInStream, in memory) natively with libFuzzer, ASan and UBSan,
# for a bounded time, from seeds packed by 7zz. Prints executions, coverage
# and findings; the crashing inputs stay in build/fuzz/findings.
# usage: bench/fuzz_archive.sh [SECONDS]   (default 120)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-120}
out=$root/build/fuzz
for p in clang libclang-rt-14-dev; do   # libFuzzer's runtime, where Debian splits it out
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' && continue
  apt-cache show "$p" >/dev/null 2>&1 || continue
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$p" >/dev/null
done
CC=clang CXX=clang++ cmake -S "$root/tools/archive_check" -B "$out/tools" -DCMAKE_BUILD_TYPE=Release \
  -DVORAK_FUZZ=ON >/dev/null
cmake --build "$out/tools" -j2 --target archive_fuzz archive_corpus >/dev/null
mkdir -p "$out/corpus" "$out/findings"
bash "$root/tools/archive_check/make_bases.sh" "$out/bases"
cp "$out"/bases/*.7z "$out/corpus/"
"$out/tools/archive_corpus" --write "$out/corpus" base
log=$out/fuzz.log
"$out/tools/archive_fuzz" "$out/corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$out/findings/" -print_final_stats=1 >"$log" 2>&1 || true
last=$(grep -E '^#[0-9]+' "$log" | tail -n1)
findings=$(find "$out/findings" -type f | wc -l)
echo "fuzzing the extraction for $seconds s ($(nproc) cores shared, one worker)"
stat() { awk -v key="stat::$1:" '$1 == key {print $2}' "$log"; }
echo "executions: $(stat number_of_executed_units), $(stat average_exec_per_sec)/s, peak RSS $(stat peak_rss_mb) MB"
echo "coverage: $(echo "$last" | grep -o 'cov: [0-9]*' | awk '{print $2}') edges," \
  "$(echo "$last" | grep -o 'ft: [0-9]*' | awk '{print $2}') features, corpus $(ls "$out/corpus" | wc -l) inputs"
echo "findings: $findings$( [ "$findings" = 0 ] || echo " (in $out/findings; see $log)")"

#!/usr/bin/env bash
# Writes the corpus's base archives into OUT_DIR with 7zz: a small tree packed
# with every method and filter the bootstrap decodes, headers plain and packed.
# Usage: make_bases.sh OUT_DIR
set -euo pipefail
mkdir -p "$1"; out=$(cd "$1" && pwd)
[ -f "$out/done" ] && exit 0
rm -rf "$out" && mkdir -p "$out/tree/sub/deeper"
seq 1 3000 >"$out/tree/sub/numbers.txt"
head -c 3000 /usr/bin/7zz >"$out/tree/sub/code.bin"   # machine code for the branch filters
: >"$out/tree/sub/deeper/empty.dat"
printf 'hello\n' >"$out/tree/hello.txt"
pack() {  # pack NAME 7zz-options...
  local name=$1; shift
  (cd "$out/tree" && 7zz a -t7z -bd -bso0 -bsp0 -mtm=off -mtc=off -mta=off "$@" "$out/$name.7z" .)
}
for header in off on; do
  pack "copy-$header" -mhc=$header -m0=copy
  pack "lzma-$header" -mhc=$header -m0=lzma -mf=off
  pack "lzma2-$header" -mhc=$header -m0=lzma2 -mf=off -ms=off
  pack "bcj-$header" -mhc=$header -m0=bcj -m1=lzma2
  pack "arm-$header" -mhc=$header -m0=arm -m1=lzma
  pack "bcj2-$header" -mhc=$header -mf=BCJ2 -m0=lzma
done
touch "$out/done"

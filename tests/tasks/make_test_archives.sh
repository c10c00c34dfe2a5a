#!/usr/bin/env bash
# Makes the extraction tests' archives with 7zz (and craft_7z.py for what 7zz
# will not write) from one tree of files. Usage: make_test_archives.sh OUT_DIR SAMPLE_EXE
set -euo pipefail
out=$1 exe=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out"
mkdir -p "$out/tree/nested/deeper/deepest" "$out/tree/Пример" "$out/tree/中文"
tree=$out/tree
# Machine code for the branch filters to work on, text, an empty file, and
# pseudo-random bytes that no filter or model shrinks.
cp "$exe" "$tree/nested/program.exe"
seq 1 20000 >"$tree/nested/deeper/numbers.txt"
: >"$tree/nested/deeper/deepest/empty.dat"
printf 'Привет\n' >"$tree/Пример/файл.txt"
printf '你好\n' >"$tree/中文/文件.txt"
python3 -c 'import random,sys; r=random.Random(7); sys.stdout.buffer.write(bytes(r.getrandbits(8) for _ in range(70000)))' \
  >"$tree/noise.bin"

pack() {  # pack NAME 7zz-options...
  local name=$1; shift
  (cd "$tree" && 7zz a -t7z -ms=on -mhc=on -bd -bso0 -bsp0 "$@" "$out/$name.7z" .)
}
pack copy -mf=off -m0=copy
pack lzma -mf=off -m0=lzma
pack lzma2 -mf=off -m0=lzma2 -md=24
pack bcj -m0=bcj -m1=lzma2
pack arm -m0=arm -m1=lzma2
pack bcj2 -mf=BCJ2 -m0=lzma
# Exactly the shipped payload's options.
pack payload -mf=off -m0=lzma2 -md=24 -mtm=off -mtc=off -mta=off

head -c 4096 "$tree/noise.bin" >"$out/not7z.bin"
printf 'one\n' >"$out/one.txt"
printf 'two\n' >"$out/two.txt"
printf 'three\n' >"$out/three.txt"
craft() { python3 "$here/craft_7z.py" "$@"; }
# Files first, their directories listed after them.
craft "$out/late_dirs.7z" "a/b/one.txt=$out/one.txt" "a/two.txt=$out/two.txt" "a/b/" "a/"
# The second file's stored CRC is wrong.
craft "$out/bad_crc.7z" --bad-crc two.txt "one.txt=$out/one.txt" "two.txt=$out/two.txt" "three.txt=$out/three.txt"
craft "$out/dotdot.7z" "safe.txt=$out/one.txt" "..\\escaped.txt=$out/two.txt" "after.txt=$out/three.txt"
craft "$out/drive.7z" "C:\\vorak_escaped.txt=$out/two.txt"
craft "$out/only_empty.7z" "empty.txt=$out/tree/nested/deeper/deepest/empty.dat"
# An empty file between two data files of one block (the decoder keeps the block).
craft "$out/empty_between.7z" "noise.bin=$tree/noise.bin" "gap.txt=$tree/nested/deeper/deepest/empty.dat" \
  "numbers.txt=$tree/nested/deeper/numbers.txt"

#!/usr/bin/env bash
# Makes the extraction tests' archives with 7zz. Usage: make_test_archives.sh OUT_DIR SAMPLE_EXE
set -euo pipefail
out=$1
rm -rf "$out"
mkdir -p "$out/tree/nested/deeper/deepest" "$out/tree/Пример" "$out/tree/中文" "$out/empty" "$out/plain/aa" "$out/plain/zz"
pack() { local name=$1; shift; 7zz a -t7z -bd -bso0 -bsp0 "$out/$name.7z" "$@"; }
cd "$out/tree"
cp "$2" nested/program.exe  # machine code for the branch filters
seq 1 20000 >nested/deeper/numbers.txt
: >nested/deeper/deepest/empty.dat
printf 'Привет\n' >Пример/файл.txt
printf '你好\n' >中文/文件.txt
head -c 70000 /dev/urandom >noise.bin  # bytes that no filter or model shrinks
for method in copy lzma lzma2; do pack $method -mf=off -m0=$method .; done
pack bcj -m0=bcj -m1=lzma2 .
pack arm -m0=arm -m1=lzma2 .
pack bcj2 -mf=BCJ2 -m0=lzma .
# As the build packs the payload.
pack payload -m0=lzma2 -md=24 -mf=off -ms=on -mhc=on -mtm=off -mtc=off -mta=off .
cd "$out/empty" && : >empty.txt && pack empty .
# Files without their folders' entries, and damaged or hostile copies.
cd "$out/plain" && printf 'one\n' >1.txt && printf 'two\n' >aa/2.txt && printf 'three\n' >zz/3.txt
pack plain -m0=copy 1.txt aa/2.txt zz/3.txt
LC_ALL=C sed 's/two/twO/' "$out/plain.7z" >"$out/bad_crc.7z"  # the second file's checksum is wrong
pack dotdot -m0=copy -spf ../plain/aa/2.txt 1.txt                 # a name leaving the folder, first
head -c 4096 "$out/tree/noise.bin" >"$out/not7z.7z"
# Payloads for whole runs: the stand-in beside 2000 stored files (slow to write), or 30 folders deep (~400 characters).
mkdir -p "$out/many/wayspanner" "$out/deep/wayspanner" && cp "$2" "$out/many/wayspanner/wayspanner.exe"
cp "$2" "$out/deep/wayspanner/wayspanner.exe" && mkdir -p "$out/deep/$(printf 'deep-folder-%d/' $(seq 0 29))data"
cd "$out/many" && mkdir data && for i in $(seq 0 1999); do printf "%300s\n" vlm >"data/$i"; done && pack many -mx=0 . && cd ..
echo vlm >"$out/deep/$(printf 'deep-folder-%d/' $(seq 0 29))data/0" && cd "$out/deep" && pack deep -mx=0 .

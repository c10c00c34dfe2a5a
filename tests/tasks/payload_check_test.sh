#!/usr/bin/env bash
# The build's payload check on a table of archives: how each is made, and what
# the refusal must name (nothing: accepted). usage: payload_check_test.sh PAYLOAD_CHECK WORK_DIR
set -euo pipefail
check=$(realpath "$1")
rm -rf "$2" && mkdir -p "$2/tree/sub" && cd "$2"
seq 1 5000 >tree/sub/numbers.txt && printf 'one\n' >one.txt
z() { (cd tree && 7zz a -t7z -bd -bso0 -bsp0 "$@" ../a.7z .); }
rows=(
  "LZMA2 with BCJ#z -m0=bcj -m1=lzma2#"
  "BZip2#z -m0=bzip2#uses BZip2, which the bootstrap's decoder lacks"
  "Delta filter#z -m0=delta -m1=lzma2#uses Delta"
  "encrypted data#z -psecret#encrypted (AES)"
  "encrypted header#z -psecret -mhe=on#header is encrypted"
  "wrong CRC#z -m0=copy -mhc=off && LC_ALL=C sed -i 's/4999/4989/' a.7z#CRC does not match"
  "damaged packed data#z -m0=lzma -mhc=off && printf '\\377' | dd of=a.7z bs=1 seek=40 conv=notrunc status=none#damaged"
  "name with ..#(cd tree && 7zz a -t7z -bd -bso0 -bsp0 -spf ../a.7z ../one.txt)#outside the extraction folder"
  "block over the memory limit#head -c 800M /dev/zero | 7zz a -bd -bso0 -bsp0 -mx1 -sizeros a.7z#more than a 32-bit process"
)
failed=0
for row in "${rows[@]}"; do
  IFS='#' read -r name make want <<<"$row"
  rm -f a.7z && eval "$make"
  said=$("$check" a.7z 2>&1) && status=0 || status=$?
  if [ -z "$want" ] && [ $status = 0 ]; then continue; fi
  if [ -n "$want" ] && [ $status = 1 ] && [[ $said == *"$want"* ]]; then continue; fi
  echo "FAIL $name: exit $status: $said" && failed=1
done
exit $failed

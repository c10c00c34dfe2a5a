#!/usr/bin/env bash
# Builds one program of a commit twice, from two exports in two different
# folders, the second with its files dated now and another time given to the
# tools (SOURCE_DATE_EPOCH), and compares the two programs byte for byte. With
# the signing variables in the environment (as scripts/release.sh takes them),
# the second is signed as a release is, and compared without its signature: a
# signed release is the reproducible program plus a signature.
# usage: check-reproducible.sh [ARCH] [COMMIT] [WORK] [PROGRAM]   (defaults:
# i686, HEAD, a temporary folder; a WORK given is kept, with the builds in
# WORK/first/out and WORK/second-folder/out). PROGRAM, a program already built
# from the same source elsewhere (a build tree's own, signed or not), stands
# for the first build, which is then not made.
# Prints nothing and exits 0 when they are identical; 1 and the differing
# bytes' count when not.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
arch=${1:-i686} commit=${2:-HEAD} work=${3:-} first=${4:-}
if [ -z "$work" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
rm -rf "$work/first" "$work/second-folder" "$work/first-unsigned.exe" "$work/second-unsigned.exe"
signing_options

# build FOLDER EPOCH [OPTION...]: the program, without tests.
build() {
  mkdir -p "$work/$1"
  git -C "$root" archive "$commit" | tar -x -C "$work/$1"
  [ "$2" = git ] || find "$work/$1" -exec touch {} +
  SOURCE_DATE_EPOCH=${2/git/1} cmake -S "$work/$1" -B "$work/$1/out" \
    -DCMAKE_TOOLCHAIN_FILE="$work/$1/cmake/toolchain-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DVORAK_BUILD_TESTS=OFF -DVORAK_THIRD_PARTY="$root/third_party" "${@:3}" >/dev/null
  SOURCE_DATE_EPOCH=${2/git/1} cmake --build "$work/$1/out" --target VorakSetup -j2 >/dev/null
}
if [ -z "$first" ]; then
  build first git
  first=$work/first/out/VorakSetup.exe
elif osslsigncode remove-signature -in "$first" -out "$work/first-unsigned.exe" >/dev/null 2>&1; then
  first=$work/first-unsigned.exe
fi
build second-folder "$(date +%s)" "${signing[@]}"
second=$work/second-folder/out/VorakSetup.exe
if [ ${#signing[@]} -gt 0 ]; then
  osslsigncode remove-signature -in "$second" -out "$work/second-unsigned.exe" >/dev/null
  second=$work/second-unsigned.exe
fi
if ! cmp -s "$first" "$second"; then
  echo "check-reproducible: $arch programs differ in $(cmp -l "$first" "$second" | wc -l) bytes" >&2
  exit 1
fi

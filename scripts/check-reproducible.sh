#!/usr/bin/env bash
# Builds one program of a commit twice, from two exports in two different
# folders, the second with its files dated now and another time given to the
# tools (SOURCE_DATE_EPOCH), and compares the two programs byte for byte.
# usage: check-reproducible.sh [ARCH] [COMMIT]   (defaults: i686, HEAD)
# Prints nothing and exits 0 when they are identical; 1 and the differing
# bytes' count when not.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-i686} commit=${2:-HEAD}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# build FOLDER EPOCH: the unsigned program, without tests.
build() {
  mkdir -p "$work/$1"
  git -C "$root" archive "$commit" | tar -x -C "$work/$1"
  [ "$2" = git ] || find "$work/$1" -exec touch {} +
  SOURCE_DATE_EPOCH=${2/git/1} cmake -S "$work/$1" -B "$work/$1/out" \
    -DCMAKE_TOOLCHAIN_FILE="$work/$1/cmake/toolchain-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DVORAK_BUILD_TESTS=OFF -DVORAK_THIRD_PARTY="$root/third_party" >/dev/null
  SOURCE_DATE_EPOCH=${2/git/1} cmake --build "$work/$1/out" --target VorakSetup -j2 >/dev/null
}
build first git
build second-folder "$(date +%s)"
if ! cmp -s "$work/first/out/VorakSetup.exe" "$work/second-folder/out/VorakSetup.exe"; then
  echo "check-reproducible: $arch programs differ in $(cmp -l "$work/first/out/VorakSetup.exe" \
    "$work/second-folder/out/VorakSetup.exe" | wc -l) bytes" >&2
  exit 1
fi

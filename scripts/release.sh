#!/usr/bin/env bash
# Builds both programs of the checked-out commit from a clean export (no tests,
# no earlier build), signs them when the signing variables are set in the
# environment (the build's cache variables of the same names: see README.md),
# and writes build/release/ with i686/VorakSetup.exe, x86_64/VorakSetup.exe and
# SHA256SUMS.
# usage: [VORAK_SIGN_PKCS11_MODULE=... VORAK_SIGN_PKCS11_KEY=... VORAK_SIGN_PKCS11_CERT=...
#         | VORAK_SIGN_PKCS12=file.p12] [VORAK_SIGN_PASSWORD_FILE=file]
#        VORAK_SIGN_TIMESTAMP_URLS="url1;url2" scripts/release.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] ||
  { echo "release: commit your changes first: a release is built from a commit" >&2; exit 1; }
bash "$root/scripts/setup.sh"
out=$root/build/release
source "$root/scripts/lib.sh"
signing_options
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git -C "$root" archive HEAD | tar -x -C "$work"
rm -rf "$out" && mkdir -p "$out"
for arch in i686 x86_64; do
  cmake -S "$work" -B "$work/build/$arch" -DCMAKE_TOOLCHAIN_FILE="$work/cmake/toolchain-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVORAK_BUILD_TESTS=OFF -DVORAK_THIRD_PARTY="$root/third_party" \
    "${signing[@]}" | grep 'not signed' || true
  cmake --build "$work/build/$arch" --target VorakSetup -j2 >/dev/null
  mkdir -p "$out/$arch"
  cp "$work/build/$arch/VorakSetup.exe" "$out/$arch/"
done
(cd "$out" && sha256sum i686/VorakSetup.exe x86_64/VorakSetup.exe >SHA256SUMS)
echo "release: $(git -C "$root" rev-parse --short HEAD) in $out"
cat "$out/SHA256SUMS"

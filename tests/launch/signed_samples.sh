#!/usr/bin/env bash
# The signature tests' files, made from one program: signed by a root that the
# tests' Wine prefix trusts, by one it does not (its root left out of the
# signature, and carried in it), not signed, and signed then
# altered by one byte. Usage: signed_samples.sh OUT_DIR SAMPLE_EXE WINEPREFIX ARCH
set -euo pipefail
out=$1 exe=$2 prefix=$3 arch=$4
sign=$(dirname "$0")/../support/test_signing.sh
mkdir -p "$out"
bash "$sign" ca "$out/trusted_ca"
bash "$sign" ca "$out/untrusted_ca"
bash "$sign" trust "$out/trusted_ca" "$prefix" "$arch"
cp "$exe" "$out/unsigned.exe"
bash "$sign" sign "$out/trusted_ca" "$exe" "$out/signed.exe"
bash "$sign" sign "$out/untrusted_ca" "$exe" "$out/untrusted.exe"
rm -f "$out/untrusted_root.exe"
osslsigncode sign -h sha256 -certs "$out/untrusted_ca/signer.pem" -ac "$out/untrusted_ca/root.pem" \
  -key "$out/untrusted_ca/signer.key" -in "$exe" -out "$out/untrusted_root.exe" >/dev/null
# One byte of the code, which the signed hash covers, changed.
cp "$out/signed.exe" "$out/altered.exe"
printf '\x5a' | dd of="$out/altered.exe" bs=1 seek=$((0x1010)) conv=notrunc status=none

#!/usr/bin/env bash
# The built programs signed (SHA-256) under the test root that only the tests' prefix trusts, and each with one
# byte of code changed after: osslsigncode verify accepts the first and refuses the second. WinVerifyTrust and a
# whole run of the signed program follow on the Windows side. usage: signed_programs.sh DIR EXE...
set -euo pipefail
dir=$1 sign=$(dirname "$0")/../support/test_signing.sh
shift
for exe in "$@"; do
  name=$(basename "$(dirname "$exe")")  # the build tree's architecture
  bash "$sign" sign "$dir/trusted_ca" "$exe" "$dir/setup_$name.exe"
  cp "$dir/setup_$name.exe" "$dir/setup_${name}_altered.exe"
  printf '\x5a' | dd of="$dir/setup_${name}_altered.exe" bs=1 seek=$((0x1010)) conv=notrunc status=none
  osslsigncode verify -CAfile "$dir/trusted_ca/root.pem" -in "$dir/setup_$name.exe" >/dev/null
  ! osslsigncode verify -CAfile "$dir/trusted_ca/root.pem" -in "$dir/setup_${name}_altered.exe" >/dev/null 2>&1
done

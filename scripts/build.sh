#!/usr/bin/env bash
# Builds the shipping i686 program and its x86_64 twin (set-up included).
# Outputs: build/i686/VorakSetup.exe and build/x86_64/VorakSetup.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
for arch in i686 x86_64; do
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch" -j2 >/dev/null
done

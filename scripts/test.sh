#!/usr/bin/env bash
# Sets up, builds both architectures and runs the whole test suite under Wine,
# on the i686 build where this host runs it, else on the x86_64 twin.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/lib.sh
# One display and one wine server for the whole run.
prepare_wine_run "$root"
echo "Tests run the $arch build (build/$arch/VorakSetup.exe)."
export VORAK_WINE_SESSION=1

rc=0
start=$(date +%s)
ctest --test-dir "build/$arch" --output-on-failure -j2 || rc=$?
echo "Test time: $(( $(date +%s) - start )) s on $(nproc) cores ($arch build)."
bash scripts/count-lines.sh

# Every test's processes end by themselves; the wine server then exits.
WINEPREFIX="$root/build/$arch/wineprefix" timeout 120 wineserver -w || true
exit $rc

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
# The session's wine server and Wine's own background processes, started here
# with no test's output: a test whose output they held open would wait for them.
# The prefix is made first: making it waits for its server to end, which a
# persistent one never does.
prefix="$root/build/$arch/wineprefix"
bash scripts/wine-run.sh --arch "$arch" --prefix "$prefix" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
WINEPREFIX="$prefix" timeout 60 wineserver -w || true
WINEPREFIX="$prefix" wineserver -p </dev/null >/dev/null 2>&1
bash scripts/wine-run.sh --arch "$arch" --prefix "$prefix" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true

rc=0
start=$(date +%s)
ctest --test-dir "build/$arch" --output-on-failure -j4 || rc=$?
echo "Test time: $(( $(date +%s) - start )) s on $(nproc) cores ($arch build)."
bash scripts/count-lines.sh

# Every test's processes end by themselves; then the session's server goes.
WINEPREFIX="$prefix" timeout 120 wineserver -k || true
exit $rc

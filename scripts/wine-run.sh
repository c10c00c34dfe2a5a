#!/usr/bin/env bash
# Runs one Windows program of a build tree under Wine: the tests' emulator.
# Usage: wine-run.sh --arch i686|x86_64 --prefix DIR [--no-runtime] program.exe [args...]
# A private Wine prefix per build tree, created once, where the runtime counts
# as installed unless --no-runtime made it (the download's tests); no Wine debug output; a
# headless X display when none is set; the wine server is waited for at the end
# unless an outer script (VORAK_WINE_SESSION) owns it. VORAK_DLL_OVERRIDES adds load
# orders (groups separated by spaces) for the whole run: Wine reads them from the
# environment it started with, never from a Windows process's environment. No proxy comes from
# the environment (Wine's WinHTTP would use http_proxy where Windows never does).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"

arch=x86_64 prefix="" runtime=1
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) arch=$2; shift 2 ;;
    --prefix) prefix=$2; shift 2 ;;
    --no-runtime) runtime=0; shift ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: wine-run.sh --arch A --prefix DIR program.exe [args]" >&2; exit 2; }
[ -n "$prefix" ] || prefix="$root/build/$arch/wineprefix"

loader=$(wine_loader "$arch")
[ -x "$loader" ] || { echo "wine-run: no Wine for $arch ($loader)" >&2; exit 2; }
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
export WINEPREFIX=$prefix WINEDEBUG=-all WINELOADER=$loader WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${VORAK_DLL_OVERRIDES:+;${VORAK_DLL_OVERRIDES// /;}}"
echo "wine-run: $arch build under $(basename "$loader")" >&2

xvfb_pid=""
cleanup() { [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb
fi

# Create the prefix once; concurrent runners wait for the first one.
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    "$loader" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    [ $runtime = 0 ] || bash "$root/scripts/register-runtime.sh"
  fi
) 9>"$prefix.lock"

rc=0
"$loader" "$@" || rc=$?
[ -n "${VORAK_WINE_SESSION:-}" ] || timeout 60 wineserver -w || true
exit $rc

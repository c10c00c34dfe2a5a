#!/usr/bin/env bash
# The program's main job, under Wine: a real install of the demo payload.
# Builds both architectures, then runs the bootstrap (x86_64 twin, or i686 where
# the host runs it) from a fresh folder with its own temporary folder, shows the
# window on a headless display when none is set, and reports what the stand-in
# updater received, the exit code and where a screenshot of the window is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/lib.sh
prepare_wine_run "$root"

run_dir="$root/build/$arch/demo-run"
rm -rf "$run_dir"
mkdir -p "$run_dir/game" "$run_dir/temp"
cp "build/$arch/VorakSetup.exe" "$run_dir/game/"
record="$run_dir/updater-record.txt"
shot="$root/build/$arch/screenshots/demo-run.png"
mkdir -p "$(dirname "$shot")"

export WINEPREFIX="$root/build/$arch/wineprefix" WINEDEBUG=-all WINELOADER=$(wine_loader "$arch")
to_windows() { echo "Z:${1//\//\\}"; }
export STANDIN_RECORD=$(to_windows "$record") STANDIN_SLEEP_MS=3000 STANDIN_EXIT_CODE=0
export TMP=$(to_windows "$run_dir/temp") TEMP=$(to_windows "$run_dir/temp")
WINEPREFIX="$WINEPREFIX" bash scripts/wine-run.sh --arch "$arch" --prefix "$WINEPREFIX" cmd /c exit 0 2>/dev/null || true
# The demo never fetches the runtime: mark it installed in this prefix.
bash scripts/register-runtime.sh

echo "Running build/$arch/VorakSetup.exe (a first install of the demo payload)..."
rc=0
# Wine sets TMP and TEMP from its registry for a program started from Linux:
# set them inside, so that the run uses its own temporary folder.
( cd "$run_dir/game" && "$WINELOADER" cmd /c "set TMP=$TMP&& set TEMP=$TEMP&& VorakSetup.exe" ) &
pid=$!
shoot_window "$shot"
wait $pid || rc=$?

echo "Exit code: $rc"
if [ -f "$record" ]; then
  echo "The updater received:"
  sed 's/^/  /' "$record"
else
  echo "The updater was not started."
fi
logs=("$run_dir"/temp/VorakSetup_*.log)
echo "Left in the temporary folder: $(ls -A "$run_dir/temp" | grep -cv '^VorakSetup_.*\.log$') entries besides the run's log"
if [ -f "${logs[0]}" ]; then
  echo "The run's log, ${logs[0]#"$root/"}:"
  sed 's/^/  /' "${logs[0]}"
fi
[ -f "$shot" ] && echo "Screenshot of the window: $shot" || echo "No screenshot was taken."
wineserver -w || true
exit $rc

#!/usr/bin/env bash
# Starts (start DIR [ROOT PORT]) or stops (stop DIR) the tests' loopback HTTP server; DIR
# holds its ports file (ports.txt) and its process id, by which it is stopped.
set -euo pipefail
cmd=$1 dir=$2
mkdir -p "$dir"
if [ "$cmd" = start ]; then
  rm -f "$dir/ports.txt"
  python3 "$(dirname "$0")/http_server.py" "$dir/ports.txt" "${@:3}" </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/server.pid"
  for _ in $(seq 50); do [ -s "$dir/ports.txt" ] && exit 0; sleep 0.1; done
  echo "http_server: did not start" >&2; exit 1
fi
[ ! -f "$dir/server.pid" ] || kill "$(cat "$dir/server.pid")" 2>/dev/null || true
rm -f "$dir/server.pid"

#!/usr/bin/env bash
# Counts non-blank lines: product (.c .cpp .h .rc under the subsystem folders)
# against tests (every file under tests/), and says whether the tests are
# within 25-35% of the product. Exit code 0 either way; it reports.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
nonblank() { grep -v -c '^[[:space:]]*$' "$@" /dev/null | awk -F: '{ n += $NF } END { print n + 0 }'; }
mapfile -d '' product < <(find app ui tasks launch fs resources -type f \
  \( -name '*.c' -o -name '*.cpp' -o -name '*.h' -o -name '*.rc' \) -print0)
mapfile -d '' tests < <(find tests -type f -print0)
p=$(nonblank "${product[@]}") t=$(nonblank "${tests[@]}")
pct=$(( t * 100 / p ))
verdict="outside"
[ "$pct" -ge 25 ] && [ $(( t * 100 )) -le $(( p * 35 )) ] && verdict="within"
echo "Lines: product $p, tests $t ($pct% of product; $verdict the 25-35% target)."

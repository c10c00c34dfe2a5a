#!/usr/bin/env bash
# The deterministic corpus run: COUNT mutants (seeded) of the built-in archive
# and of 7zz's archives through the sanitized host extraction; prints figures.
# usage: corpus_run.sh HOST_TOOLS_DIR COUNT SEED
set -euo pipefail
host=$1 count=$2 seed=$3
bash "$(dirname "$0")/make_bases.sh" "$host/bases"
"$host/archive_corpus" --count "$count" --seed "$seed" "$host"/bases/*.7z

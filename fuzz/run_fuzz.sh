#!/usr/bin/env bash
# Runs one fuzz target on its corpus for a bounded time: run_fuzz.sh TARGET CORPUS SECONDS.
# $FUZZ_SECONDS overrides SECONDS. New inputs go to a scratch corpus beside the seeds, so
# the seeds stay as made; a crash leaves its input in the working folder and fails.
set -euo pipefail
target=$1
corpus=$2
seconds=${FUZZ_SECONDS:-$3}
work="$corpus.new"
mkdir -p "$work" "$corpus"
xdg=$(mktemp -d)
trap 'rm -rf "$xdg"' EXIT
echo "fuzz: $(basename "$target") for ${seconds}s"
XDG_DATA_HOME="$xdg" "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=0 "$work" "$corpus" 2>&1 | tail -n 3
exit "${PIPESTATUS[0]}"

#!/usr/bin/env bash
# Runs every benchmark executable of the build and prints its figures.
set -euo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen
found=0
for b in "$build"/bench/*/bench_*; do
  [ -x "$b" ] && [ -f "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b"
done
[ $found -eq 1 ] || echo "no benchmarks built"

#!/usr/bin/env bash
# make fuzz: builds the libFuzzer targets with clang into their own folder,
# seeds each from the simulator's messages and runs it for its share of
# FUZZ_SECONDS. Prints executions and findings per target; exits 1 when any
# target found something (the inputs are kept under <folder>/findings/).
set -euo pipefail
BUILD_DIR=${1:-build-fuzz}
SECONDS_TOTAL=${FUZZ_SECONDS:-60}
cd "$(dirname "$0")/.."

CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESK_FUZZ=ON -DTESK_BUILD_TESTS=OFF -DTESK_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" --target fuzzers -j "$(nproc)"

targets=(fuzz_receive fuzz_calllist fuzz_dispatcher fuzz_settings fuzz_settings_file fuzz_texthelpers
  fuzz_update_reply)
share=$(( SECONDS_TOTAL / ${#targets[@]} ))
[ "$share" -ge 1 ] || share=1

rm -rf "$BUILD_DIR/seeds" "$BUILD_DIR/findings"
"$BUILD_DIR/fuzz/make_corpus" "$BUILD_DIR/seeds"
# Qt keeps some memory for the life of the process; that is not a leak.
# Whatever the caller sets, a report must end the run (the last value of an
# option wins): a sanitizer that reports and carries on leaves no crash file,
# and the target would count as clean.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}:halt_on_error=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen

status=0
printf '%-20s %12s %10s %8s\n' target executions "exec/s" findings
for t in "${targets[@]}"; do
  corpus="$BUILD_DIR/corpus/$t"
  findings="$BUILD_DIR/findings/$t"
  mkdir -p "$corpus" "$findings"
  cp -n "$BUILD_DIR/seeds/$t/"* "$corpus/" 2>/dev/null || true
  log="$BUILD_DIR/findings/$t.log"
  "$BUILD_DIR/fuzz/$t" "$corpus" -dict=fuzz/tesk.dict -max_total_time="$share" -max_len=8192 \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1 || true
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  found=$(find "$findings" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  printf '%-20s %12s %10s %8s\n' "$t" "${execs:-0}" "${rate:-0}" "$found"
  [ "$found" -eq 0 ] || { status=1; echo "  see $log"; }
  [ "${execs:-0}" -gt 0 ] || { status=1; echo "  $t did not run; see $log"; }
done
exit $status

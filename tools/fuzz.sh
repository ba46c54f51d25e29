#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time from the seed
# corpus, all at once. Fails on any finding: a crash, a sanitizer report, a
# check of the target, an input that runs longer than 10 s or takes more than
# 2 GiB. Prints executions per second, total executions and new inputs.
#
#   tools/fuzz.sh [SECONDS]   (default 60 per target)
#
# Inputs found so far stay in build/fuzz/corpus/<target>; a finding is kept
# in build/fuzz/findings/ and replays with build/fuzz/tests/fuzz/<target> FILE.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
targets=(tavro_fuzz_conversion tavro_fuzz_blockpath tavro_fuzz_robust)

tools/install-deps.sh

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]}" tavro-fuzz-seeds

out="$PWD/build/fuzz"  # absolute: the targets work in a folder of their own
rm -rf "$out/seeds" "$out/logs"
mkdir -p "$out/seeds" "$out/logs" "$out/findings"
"$out/tests/fuzz/tavro-fuzz-seeds" "$out/seeds"

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

pids=()
for target in "${targets[@]}"; do
  mkdir -p "$out/corpus/$target"
  "$out/tests/fuzz/$target" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/findings/$target-" \
    "$out/corpus/$target" "$out/seeds" >"$out/logs/$target.log" 2>&1 &
  pids+=($!)
done

failed=0
for k in "${!targets[@]}"; do
  target=${targets[$k]}
  log="$out/logs/$target.log"
  if wait "${pids[$k]}"; then
    stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
    echo "fuzz: $target: $(stat number_of_executed_units) executions in ${seconds} s," \
         "$(stat average_exec_per_sec) per second, $(stat new_units_added) new inputs," \
         "peak $(stat peak_rss_mb) MB; nothing found"
  else
    failed=1
    echo "fuzz: $target FOUND A FAULT; the end of $log:" >&2
    tail -n 60 "$log" >&2
  fi
done
exit "$failed"

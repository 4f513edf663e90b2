#!/bin/sh
# Builds the libFuzzer targets (fuzz/) with clang and runs each one for the
# given time on a copy of its seeds, each inside a private network namespace
# (scripts/in-netns), although no target opens a socket. Fails when a target
# crashes, leaks, trips a sanitizer or breaks one of its checks; the input
# that did it is kept as <build>/fuzz-runs/<target>/crash-* (or leak-*,
# timeout-*), and the run's output beside it. Inputs found along the way stay
# in the build folder too: the seeds in the tree are never written to.
#
# Usage: scripts/fuzz.sh [SECONDS-PER-TARGET] [TARGET...]
#   default 60 seconds each, every target of fuzz/CMakeLists.txt
# Environment: LUMIQ_FUZZ_BUILD, the build folder (default build-fuzz).
# Replay one input: scripts/in-netns build-fuzz/fuzz/<target> <file>
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
case $seconds in
  '' | *[!0-9]* | 0) echo "usage: scripts/fuzz.sh [SECONDS-PER-TARGET (1 or more)] [TARGET...]" >&2; exit 2 ;;
esac

sh scripts/install-deps.sh clang libclang-rt-14-dev
build=${LUMIQ_FUZZ_BUILD:-build-fuzz}
cmake -S . -B "$build" -G Ninja -DLUMIQ_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null
if [ $# -gt 0 ]; then
  targets=$*
  cmake --build "$build" --target $targets
else
  targets=$(cat "$build/fuzzers.txt")
  cmake --build "$build" --target lumiq_fuzzers
fi

failed=""
for target in $targets; do
  run=$build/fuzz-runs/$target
  rm -rf "$run/corpus"
  mkdir -p "$run/corpus"
  cp fuzz/corpus/"$target"/* "$run/corpus/"
  # -timeout: one input that takes this long is a hang, and a failure.
  if UBSAN_OPTIONS=print_stacktrace=1 scripts/in-netns "$build/fuzz/$target" \
       -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
       -artifact_prefix="$run/" "$run/corpus" >"$run/output.txt" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/output.txt")
    echo "fuzz $target: ${runs:-?} inputs in ${seconds} s, no fault"
  else
    echo "fuzz $target: FAULT, see $run/output.txt" >&2
    grep -E '^(==[0-9]+==ERROR|SUMMARY|broken promise|artifact_prefix|Test unit written)' "$run/output.txt" >&2 || tail -n 30 "$run/output.txt" >&2
    failed="$failed $target"
  fi
done
if [ -n "$failed" ]; then
  echo "Fuzz targets with a fault:$failed" >&2
  exit 1
fi

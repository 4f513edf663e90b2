#!/bin/sh
# The lumiq command against many simulated modules: read all of 1 to 256
# modules, searches that must list 256 of 256 on one adapter and on two, and
# the 256-module read with broadcast replies and with --parallel at its
# default and at 256; then `lumiq apply` of a profile and an identity table
# that change every parameter of 1, 16 and 64 modules, and its --check; then
# ("scale") 1,024 modules on four adapters, searched, read and applied.
# Beside each time: lumiq's peak memory and the frames a second each module
# had to look at that named another module; with --broadcast too where lumiq
# has it.
# Inside a private network namespace (scripts/in-netns; the bench builds its
# LANs inside), so nothing sent can leave the machine. It prints figures;
# BENCHMARKS.md records them.
# ("station") lumiq commission with 1 and 64 factory-fresh modules, verified
# after a power cycle.
# Usage: scripts/bench-fleet.sh [build-dir] [runs] [read|apply|scale|station|all]   (defaults: build, 5, all)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
what=${3:-all}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja
fi
cmake --build "$build" --target bench_fleet lumiq lumiq-sim
bin=$(cd "$build" && pwd)
LUMIQ_BINARY_DIR="$bin" scripts/in-netns "$bin/tests/bench/fleet/bench_fleet" "$runs" "$what"

#!/bin/sh
# Times the read-all chain over the serial link: the real main window against
# one simulated module on a pseudo-terminal, compared with its floor of
# 13 x (300 + 150) ms. The window binds its UDP socket, so the run happens
# inside a private network namespace (scripts/in-netns).
# Usage: scripts/bench-serial.sh [build-dir] [runs]   (defaults: build, 10)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-10}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja
fi
cmake --build "$build" --target bench_serial_readall lumiq-sim
QT_QPA_PLATFORM=offscreen LUMIQ_BINARY_DIR=$(cd "$build" && pwd) \
  exec scripts/in-netns "$build/tests/bench/serial/bench_serial_readall" "$runs"

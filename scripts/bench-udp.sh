#!/bin/sh
# The UDP benchmarks, each inside private network namespaces so that nothing
# the tool or the simulator broadcasts can leave the machine:
#   - the read-all chain against one simulated module, against its protocol
#     floor (scripts/in-netns, the test bed builds its LAN inside);
#   - 256 simulated modules answering one search (the same way);
#   - lumiq-config's start-up time and peak memory (scripts/netbed, so that
#     the program finds an adapter and a module as on a real LAN).
# They print figures; BENCHMARKS.md records them.
# Usage: scripts/bench-udp.sh [build-dir] [runs]   (defaults: build, 20)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-20}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja
fi
cmake --build "$build" --target bench_udp_readall bench_udp_search bench_udp_startup lumiq-config lumiq-sim
bin=$(cd "$build" && pwd)
export QT_QPA_PLATFORM=offscreen LUMIQ_BINARY_DIR="$bin"
scripts/in-netns "$bin/tests/bench/udp/bench_udp_readall" "$runs"
echo
scripts/in-netns "$bin/tests/bench/udp/bench_udp_search" 5
echo
scripts/netbed run --sim "$bin/sim/lumiq-sim" -- "$bin/tests/bench/udp/bench_udp_startup" "$bin/app/lumiq-config" "$runs"

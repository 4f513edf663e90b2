#!/bin/sh
# lumiq-config under a flood of datagrams: the real program against one
# simulated module, flooded from a second LAN with noise and reply-like
# datagrams of random lengths up to 65,507 bytes, by unicast and broadcast,
# once during an open search and once during read-alls. Everything runs in
# private network namespaces (scripts/in-netns; the benchmark builds both
# LANs inside and removes them), so nothing it sends leaves the machine.
# It prints figures (BENCHMARKS.md records them) and says plainly whether the
# program crashed; its exit status is 1 then. The program run is the test
# build lumiq-config-scripted: lumiq-config with the control socket the
# benchmark drives it by (tests/support/rigging).
# Usage: scripts/bench-flood.sh [build-dir] [datagrams per flood] [seconds watched after each flood]
#        (defaults: build, 50000, 3)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
datagrams=${2:-50000}
after=${3:-3}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja
fi
cmake --build "$build" --target bench_udp_flood lumiq-config-scripted lumiq-sim
bin=$(cd "$build" && pwd)
export QT_QPA_PLATFORM=offscreen LUMIQ_BINARY_DIR="$bin"
scripts/in-netns "$bin/tests/bench/udp/bench_udp_flood" "$bin/tests/support/rigging/lumiq-config-scripted" "$datagrams" "$after"

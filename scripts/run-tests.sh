#!/bin/sh
# Installs what the build needs, builds twice (plain, and with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs every test of both builds. The whole
# run happens inside a private network namespace, and every test inside one of
# its own, so no datagram can leave the machine. Last, the parsers that take
# outside bytes get a few seconds of fuzzing each (scripts/fuzz.sh, clang).
set -eu
cd "$(dirname "$0")/.."
# Beyond the build's: systemd-analyze verifies the audit's units, Prometheus's
# parser reads its metrics, and Ansible's own tools test the collection.
sh scripts/install-deps.sh systemd python3-prometheus-client ansible-core ansible-lint yamllint \
  python3-pytest python3-pytest-xdist python3-pytest-forked python3-pytest-mock shellcheck
jobs=$(nproc)
for variant in plain asan; do
  dir=build-$variant
  if [ "$variant" = asan ]; then flags="-DLUMIQ_SANITIZE=ON"; else flags=""; fi
  cmake -S . -B "$dir" -G Ninja $flags
  cmake --build "$dir" -j "$jobs"
  scripts/in-netns ctest --test-dir "$dir" --output-on-failure -j "$jobs"
done
sh scripts/fuzz.sh 4
echo "All tests passed in both builds."

#!/bin/sh
# Builds lumiq-config into build/ and opens it inside a private network
# namespace (scripts/in-netns), so that nothing it broadcasts can leave this
# machine. With no display it runs offscreen for a few seconds and saves a
# screenshot of the main window instead.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build -j "$(nproc)" --target lumiq-config
program=build/app/lumiq-config

if [ -n "${DISPLAY:-}" ]; then
  echo "lumiq-config runs in a private network namespace: it sees no module on your LAN. Close its window to end."
  exec scripts/in-netns env QT_QPA_PLATFORM=xcb "$program"
fi

shot="$(pwd)/build/demo-main-window.png"
rm -f "$shot"
scripts/in-netns env QT_QPA_PLATFORM=offscreen LUMIQ_SCREENSHOT="$shot" LUMIQ_QUIT_AFTER_MS=3000 "$program"
if [ ! -s "$shot" ]; then
  echo "demo: no screenshot was written" >&2
  exit 1
fi
echo "No display found: lumiq-config ran offscreen for 3 seconds."
echo "Screenshot of its main window: $shot"

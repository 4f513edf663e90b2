#!/bin/sh
# Takes the README's picture of the main window: runs an already built
# lumiq-config under a virtual X server (Xvfb) inside a private network
# namespace and saves the window as a PNG.
# Usage: scripts/screenshot.sh [build dir] [output.png]
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/images/main-window.png}
case "$out" in /*) ;; *) out="$(pwd)/$out" ;; esac
mkdir -p "$(dirname "$out")"
scripts/in-netns xvfb-run -a -s "-screen 0 1280x800x24" \
  env QT_QPA_PLATFORM=xcb LUMIQ_SCREENSHOT="$out" LUMIQ_QUIT_AFTER_MS=2000 "$build/app/lumiq-config"

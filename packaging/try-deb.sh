#!/bin/sh
# Tries a built package on a fresh Debian 12 without touching this machine's
# own system: bootstraps a minimal bookworm tree, installs the package there
# with apt (which must find every dependency), then runs the installed
# lumiq-config offscreen with the demo's tour inside the demo's private
# network (scripts/netbed, the packaged lumiq-sim playing the demo's modules).
# The tour must list them all and complete. The tree is removed afterwards.
#
# Usage (as root): sh packaging/try-deb.sh build-deb/lumiq-config_<version>_<arch>.deb
# The final window is saved beside the package as try-deb-tour.png.
set -eu
# Internal: runs a command in the tree given first, with /proc mounted (the
# program finds its own folder there) in a mount namespace of its own, so
# that nothing stays mounted on this machine.
if [ "${1:-}" = --in-tree ]; then
  shift
  exec unshare --mount --propagation private sh -c 'mount -t proc proc "$0/proc" && exec chroot "$0" "$@"' "$@"
fi
cd "$(dirname "$0")/.."
self=$(pwd)/packaging/try-deb.sh
[ $# = 1 ] && [ -f "$1" ] || { echo "usage: sh packaging/try-deb.sh <package.deb>" >&2; exit 2; }
[ "$(id -u)" = 0 ] || { echo "try-deb: needs root (chroot, network namespaces)" >&2; exit 2; }
deb=$(realpath "$1")
shot="$(dirname "$deb")/try-deb-tour.png"
modules=sim/example-modules.ini

command -v debootstrap >/dev/null || apt-get install -y -q debootstrap
root=$(mktemp -d /var/tmp/lumiq-try-deb.XXXXXX)
cleanup() { rm -rf --one-file-system "$root"; }
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >"$root.log" 2>&1 ||
  { tail -n 20 "$root.log" >&2; rm -f "$root.log"; exit 1; }
rm -f "$root.log"
cp "$deb" "$root/tmp/"
in_tree() { sh "$self" --in-tree "$root" "$@"; }
in_tree sh -c "apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q /tmp/$(basename "$deb")"
in_tree dpkg -L lumiq-config

status=0
scripts/netbed run --sim "$root/usr/bin/lumiq-sim" --config "$modules" -- \
  sh "$self" --in-tree "$root" env -i HOME=/root XDG_RUNTIME_DIR=/tmp QT_QPA_PLATFORM=offscreen \
    LUMIQ_DEMO_TOUR="$(grep -c '^\[module\]' "$modules")" LUMIQ_SCREENSHOT=/tmp/tour.png lumiq-config ||
  status=$?
[ -f "$root/tmp/tour.png" ] && cp "$root/tmp/tour.png" "$shot" && echo "Final window: $shot"
if [ "$status" != 0 ]; then
  echo "try-deb: the installed lumiq-config did not complete the tour (status $status)" >&2
  exit "$status"
fi
echo "try-deb: the package installed on a fresh Debian 12 and its lumiq-config completed the tour."

#!/bin/sh
# Installs the Debian 12 packages that building, testing and the demo need.
# Skips apt entirely when everything is already there.
# Usage: install-deps.sh [PACKAGE...]   more packages wanted along with these
# (scripts/fuzz.sh asks for clang and its libFuzzer).
set -eu
packages="build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libgtest-dev gettext \
iproute2 util-linux xvfb xauth fonts-wqy-microhei libcli11-dev nlohmann-json3-dev python3-jsonschema $*"
# Packet traces: libpcap writes them, tshark reads them back in the tests.
packages="$packages libpcap-dev tshark"
# lumiq doctor asks nft; its support bundle is written by libarchive.
packages="$packages nftables libarchive-dev"
# The layout check of the sources (scripts/check-format.sh).
packages="$packages clang-format"
packages="$packages qt6-translations-l10n" # Qt's own dialogs and buttons in the window's Chinese
missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "Missing packages:$missing. Install them as root (apt-get install$missing) or run this as root." >&2
    exit 2
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends $missing
fi

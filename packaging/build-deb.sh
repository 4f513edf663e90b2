#!/bin/sh
# Builds the Debian package lumiq-config_<version>_<arch>.deb into build-deb/:
# the programs without the tests, installed under /usr, stripped, with the
# library dependencies that dpkg-shlibdeps finds in them; the audit's systemd
# units (not enabled) and the Ansible collection.
# Usage: sh packaging/build-deb.sh
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh ansible-core # ansible-galaxy builds the Ansible collection
cmake -S . -B build-deb -G Ninja -DLUMIQ_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr -DLUMIQ_ANSIBLE_COLLECTION=ON
cmake --build build-deb -j "$(nproc)"
rm -f build-deb/lumiq-config_*.deb
(cd build-deb && cpack -G DEB)
ls -l build-deb/lumiq-config_*.deb

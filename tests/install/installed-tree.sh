#!/bin/sh
# Installs the build under a scratch prefix other than the configured one
# and checks what the installed programs rely on: every file in its place,
# the message catalogs found from the program's own folder, and CFG.ini in
# the user's configuration folder rather than in bin/ (which root could
# write to). The same probe, copied into a folder laid out like the build
# tree, must find the catalogs beside it and keep CFG.ini there.
# Usage: installed-tree.sh <cmake> <build dir> <probe program>
set -eu
cmake=$1
build=$2
probe=$3
scratch=$(mktemp -d /tmp/lumiq-install.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$scratch/opt/lumiq
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
for file in bin/lumiq-config bin/lumiq-sim bin/lumiq share/locale/zh_CN/LC_MESSAGES/cport.mo \
    share/applications/lumiq-config.desktop share/icons/hicolor/scalable/apps/lumiq-config.svg \
    share/lumiq-config/example-modules.ini share/lumiq-config/lumiq-output.schema.json \
    share/man/man1/lumiq.1.gz share/bash-completion/completions/lumiq \
    share/man/man1/lumiq-config.1.gz share/man/man1/lumiq-sim.1.gz share/lumiq-config/netbed \
    share/doc/lumiq-config/copyright share/doc/lumiq-config/changelog.Debian.gz \
    lib/systemd/system/lumiq-audit.service lib/systemd/system/lumiq-audit.timer \
    share/lumiq-config/audit.conf.example; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
[ -x "$prefix/share/lumiq-config/netbed" ] || fail "netbed is installed without its execute bit"
grep -q "^ExecStart=/.*/bin/lumiq apply --check " "$prefix/lib/systemd/system/lumiq-audit.service" ||
  fail "the audit's service does not start the installed lumiq"
# The Ansible collection, where the build made it: ansible-doc finds its
# modules where ansible-core looks for system collections.
if [ -f "$build/ansible-collection/installed.stamp" ]; then
  collections=$prefix/share/ansible/collections
  [ -f "$collections/ansible_collections/tevaro/lumiq/MANIFEST.json" ] || fail "the Ansible collection is not installed"
  for module in apply info factory_default; do
    HOME=$scratch ANSIBLE_COLLECTIONS_PATH=$collections ANSIBLE_LOCAL_TEMP=$scratch/ansible \
      ansible-doc -t module "tevaro.lumiq.$module" >/dev/null || fail "ansible-doc does not find tevaro.lumiq.$module"
  done
fi
# Relocations read-only and bound at start, as Debian's hardening has them.
for program in lumiq-config lumiq-sim lumiq; do
  readelf -d "$prefix/bin/$program" | grep -q 'BIND_NOW' || fail "$program is linked without -z now"
  readelf -l "$prefix/bin/$program" | grep -q 'GNU_RELRO' || fail "$program is linked without -z relro"
done
# lib/ or lib/<multiarch>/, as the configured prefix makes it.
ls "$prefix"/lib*/wireshark/plugins/lumiq.lua "$prefix"/lib/*/wireshark/plugins/lumiq.lua 2>/dev/null | grep -q . ||
  fail "the Wireshark dissector is not installed"

# Runs a copy of the probe as an operator would start it (a Chinese locale
# that need not be generated here) and compares its two lines.
check() {
  what=$1 program=$2 caption=$3 settings=$4
  output=$(env -i HOME="$scratch/home" LANG=zh_CN.UTF-8 ASAN_OPTIONS="${ASAN_OPTIONS:-}" \
    UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" "$program")
  expected=$(printf '%s\n%s' "$caption" "$settings")
  [ "$output" = "$expected" ] || fail "$what: printed [$output], expected [$expected]"
  echo "ok: $what"
}

cp "$probe" "$prefix/bin/probe"
check "installed copy" "$prefix/bin/probe" "设置" "$scratch/home/.config/lumiq-config/CFG.ini"

mkdir -p "$scratch/tree/app"
cp -R "$build/app/locale" "$scratch/tree/app/locale"
cp "$probe" "$scratch/tree/app/probe"
check "build tree" "$scratch/tree/app/probe" "设置" "$scratch/tree/app/CFG.ini"

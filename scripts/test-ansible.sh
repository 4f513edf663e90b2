#!/bin/sh
# Checks the Ansible collection tevaro.lumiq: builds its tarball, parses its
# module documentation, lints it, runs the sanity tests that work offline, its
# unit tests, and its integration target against lumiq-sim inside
# scripts/netbed.
#
# Usage (as root, since netbed builds network namespaces):
#   scripts/in-netns sh scripts/test-ansible.sh BUILD_DIR
# The collection is copied to a scratch folder under /tmp, where ansible-test
# writes its tests/output, removed at the end; the tarball goes to
# BUILD_DIR/ansible. lumiq and lumiq-sim are taken from $LUMIQ_BINARY_DIR
# (default BUILD_DIR): cli/lumiq and sim/lumiq-sim.
#
# Sanity tests left out: ansible-doc, import, pep8, pylint, runtime-metadata,
# validate-modules and yamllint. ansible-test runs each in a virtual
# environment of its own and downloads pip and pinned packages into it, which
# an offline machine cannot. ansible-doc and yamllint are run directly below
# instead, and ansible-lint checks the metadata.
set -u

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")

# Run as "test-ansible.sh --integration COLLECTION LUMIQ" by itself inside
# netbed, where LUMIQ_SIM, LUMIQ_SIM_CONTROL and LUMIQ_SIM_LOG are set.
if [ "${1:-}" = --integration ]; then
  collection=$2
  # ansible-test hands its tests only some of the environment: the paths go
  # in as variables.
  cat >"$collection/tests/integration/integration_config.yml" <<EOF
---
lumiq_executable: "$3"
lumiq_sim: "$LUMIQ_SIM"
lumiq_sim_control: "$LUMIQ_SIM_CONTROL"
lumiq_sim_log: "$LUMIQ_SIM_LOG"
EOF
  cd "$collection" && exec ansible-test integration --local --python 3.11 --allow-unsupported lumiq_apply
fi

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" 2>/dev/null && pwd) || { echo "test-ansible: no folder $1" >&2; exit 2; }
binaries=${LUMIQ_BINARY_DIR:-$build}
lumiq=$binaries/cli/lumiq
sim=$binaries/sim/lumiq-sim
out=$build/ansible
# ansible-test finds a collection's files with git when it lies in a
# repository, and a build folder is one the repository ignores: the copy it
# tests lives outside, in a scratch folder of this script's own.
scratch=$(mktemp -d /tmp/lumiq-ansible.XXXXXX) || exit 2
trap 'rm -rf "$scratch"' EXIT
collection=$scratch/ansible_collections/tevaro/lumiq

# Debian's ansible and Python first; everything ansible would keep in ~ stays
# in the build folder.
PATH=/usr/bin:/bin:$PATH
HOME=$out/home
ANSIBLE_LOCAL_TEMP=$out/home/tmp
ANSIBLE_COLLECTIONS_PATH=$scratch
XDG_CACHE_HOME=$out/home/cache
PYTHONDONTWRITEBYTECODE=1
export PATH HOME ANSIBLE_LOCAL_TEMP ANSIBLE_COLLECTIONS_PATH XDG_CACHE_HOME PYTHONDONTWRITEBYTECODE

started=$(date +%s)
failures=""

step() {
  name=$1
  shift
  echo "== $name: $*"
  if ! "$@"; then
    echo "== $name FAILED"
    failures="$failures $name"
  fi
}

in_collection() { (cd "$collection" && "$@"); }

mkdir -p "$collection" "$HOME/tmp" || exit 2
cp -R "$repo/ansible_collections/tevaro/lumiq/." "$collection/" || exit 2

step build ansible-galaxy collection build --force --output-path "$out" "$collection"
for module in apply info factory_default; do
  step "ansible-doc-$module" sh -c "ansible-doc -t module tevaro.lumiq.$module >/dev/null"
done
step yamllint in_collection yamllint --strict .
step ansible-lint in_collection ansible-lint --offline -q
step sanity in_collection ansible-test sanity --local --python 3.11 \
  --test action-plugin-docs --test changelog --test compile --test empty-init \
  --test future-import-boilerplate --test ignores --test line-endings --test metaclass-boilerplate \
  --test no-assert --test no-basestring --test no-dict-iteritems --test no-dict-iterkeys \
  --test no-dict-itervalues --test no-get-exception --test no-illegal-filenames --test no-main-display \
  --test no-smart-quotes --test no-unicode-literals --test replace-urlopen --test shebang \
  --test shellcheck --test symlinks --test use-argspec-type-path --test use-compat-six
echo "== sanity tests left out (each downloads into a virtual environment of its own): ansible-doc, import," \
  "pep8, pylint, runtime-metadata, validate-modules, yamllint; ansible-doc and yamllint run above instead"
step units in_collection ansible-test units --local --python 3.11
if [ -x "$lumiq" ] && [ -x "$sim" ]; then
  step integration "$repo/scripts/netbed" run --sim "$sim" \
    --config "$collection/tests/integration/targets/lumiq_apply/files/modules.ini" \
    -- sh "$here/test-ansible.sh" --integration "$collection" "$lumiq"
else
  echo "== integration FAILED: no $lumiq or $sim"
  failures="$failures integration"
fi

echo "== test-ansible took $(($(date +%s) - started)) s"
if [ -n "$failures" ]; then
  echo "== test-ansible: failed:$failures"
  exit 1
fi
echo "== test-ansible: all passed"

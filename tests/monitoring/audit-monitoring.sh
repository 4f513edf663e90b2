#!/bin/sh
# The scheduled audit as a site sets it up: its systemd units verify, and an
# audit's metrics and status line say what the modules hold
# (audit_metrics.py, against lumiq-sim in a private network).
# Usage: audit-monitoring.sh <source dir> <lumiq> <lumiq-sim>
set -eu
source=$1
lumiq=$2
sim=$3
scratch=$(mktemp -d /tmp/lumiq-audit.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

# The units as installed, with this build's lumiq; any complaint fails.
sed "s#@LUMIQ_PROGRAM@#$lumiq#" "$source/packaging/systemd/lumiq-audit.service" >"$scratch/lumiq-audit.service"
cp "$source/packaging/systemd/lumiq-audit.timer" "$scratch/"
(cd "$scratch" && systemd-analyze verify --man=no lumiq-audit.service lumiq-audit.timer) >"$scratch/verify" 2>&1 || {
  cat "$scratch/verify" >&2
  exit 1
}
if [ -s "$scratch/verify" ]; then
  cat "$scratch/verify" >&2
  echo "FAIL: systemd-analyze verify complains about the units" >&2
  exit 1
fi
echo "ok: the units verify"

"$source/scripts/netbed" run --sim "$sim" --config "$source/tests/monitoring/audit-modules.ini" -- \
  /usr/bin/python3 "$source/tests/monitoring/audit_metrics.py" "$lumiq"

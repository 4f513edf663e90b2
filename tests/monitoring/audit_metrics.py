"""lumiq apply --check as monitoring reads it: the metrics file through
Prometheus's own text-format parser, and the Nagios line, after an audit of
three modules of which one drifted and one is silent (audit-modules.ini).
Runs inside scripts/netbed. Usage: audit_metrics.py LUMIQ"""

import os
import subprocess
import sys
import tempfile

from prometheus_client.parser import text_string_to_metric_families

LUMIQ = sys.argv[1]
# The first name holds a quote and a backslash, which the labels must escape.
IDENTITIES = 'mac,name\n02:4c:51:0a:00:01,"P""r\\1"\n02:4c:51:0a:00:02,Press-2\n02:4c:51:0a:00:03,Press-3\n'


def audit(folder, *extra):
    run = subprocess.run(
        [LUMIQ, "apply", "--check", "--identities", os.path.join(folder, "modules.csv"),
         "--metrics", os.path.join(folder, "lumiq.prom"), "--wait", "500", "--timeout", "200", *extra],
        capture_output=True, text=True, check=False)
    with open(os.path.join(folder, "lumiq.prom"), encoding="utf-8") as metrics:
        samples = {}
        for family in text_string_to_metric_families(metrics.read()):
            for sample in family.samples:
                samples[(sample.name, tuple(sorted(sample.labels.items())))] = sample.value
    return run, samples


def expect(what, got, wanted):
    if got != wanted:
        sys.exit(f"FAIL: {what}: {got!r}, expected {wanted!r}")


def main():
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "modules.csv"), "w", encoding="utf-8") as table:
            table.write(IDENTITIES)

        run, samples = audit(folder, "--nagios")
        expect("exit status (CRITICAL: a module was not compared)", run.returncode, 2)
        expect("status line", run.stdout.split(" | ")[0],
               "LUMIQ CRITICAL - 1 module of 3 not compared: 02:4c:51:0a:00:03 missing; "
               "1 drifted: 02:4c:51:0a:00:02 (Press-2)")
        expect("performance data", run.stdout.split(" | ")[1].strip(),
               "in_sync=1;;;0 drifted=1;;;0 unreachable=1;;;0")
        for state, count in (("in_sync", 1), ("drifted", 1), ("unreachable", 1)):
            expect(state, samples[("lumiq_audit_modules", (("state", state),))], count)
        drifted = {labels: value for (name, labels), value in samples.items()
                   if name == "lumiq_audit_module_drifted"}
        expect("drift per module", drifted, {
            (("mac", "02:4c:51:0a:00:01"), ("name", 'P"r\\\\1')): 0,  # as lumiq shows it: \\ for a backslash
            (("mac", "02:4c:51:0a:00:02"), ("name", "Press-2")): 1})
        expect("the silent module",
               samples[("lumiq_audit_module_reachable", (("mac", "02:4c:51:0a:00:03"), ("name", "")))], 0)
        expect("success", samples[("lumiq_audit_success", ())], 0)
        versions = [dict(labels) for (name, labels) in samples if name == "lumiq_info"]
        expect("one version", len(versions), 1)
        if ("lumiq_audit_last_success_timestamp_seconds", ()) in samples:
            sys.exit("FAIL: a last success before any audit compared every module")

        # Two modules only: every one compared, drift is a success of the audit.
        with open(os.path.join(folder, "modules.csv"), "w", encoding="utf-8") as table:
            table.write("\n".join(IDENTITIES.splitlines()[:3]) + "\n")
        run, samples = audit(folder)
        expect("exit status (drift)", run.returncode, 1)
        expect("success", samples[("lumiq_audit_success", ())], 1)
        succeeded = samples[("lumiq_audit_last_success_timestamp_seconds", ())]
        expect("last success is the last run", succeeded,
               samples[("lumiq_audit_last_run_timestamp_seconds", ())])

        # An audit that cannot start keeps the last success and says it failed.
        os.remove(os.path.join(folder, "modules.csv"))
        run, samples = audit(folder)
        expect("exit status (no table)", run.returncode, 2)
        expect("success", samples[("lumiq_audit_success", ())], 0)
        expect("last success kept", samples[("lumiq_audit_last_success_timestamp_seconds", ())], succeeded)
    print("ok: metrics and status line of an audit with one drifted and one silent module")


main()

#!/usr/bin/env python3
"""Runs the fault scripts (tests/faults: killed anywhere, disk full, damaged installers) with the
small counts of the test suite and writes their added-up row counts as JSON. The scripts print
their tables; run them by hand for the full counts."""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.wine import mode_text  # noqa: E402

FAULTS = Path(__file__).resolve().parents[1] / "faults"
SUITE = [  # script, arguments of the suite's run
    ("kill-anywhere", ["--runs", os.environ.get("VL_KILL_RUNS", "3"),
                       "--upgrade-runs", os.environ.get("VL_KILL_UPGRADE_RUNS", "1"),
                       "--legacy-runs", os.environ.get("VL_KILL_LEGACY_RUNS", "1"),
                       "--sweep", os.environ.get("VL_KILL_SWEEP", "3")]),
    ("disk-full", ["--fill", os.environ.get("VL_DISK_FILL", "60")]),
    ("damaged-installers", ["--windowed", os.environ.get("VL_CORPUS_WINDOWED", "2")]),
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--json", required=True)
    parser.add_argument("-k", dest="only", action="append", help="only the scripts named")
    args = parser.parse_args()
    total = {"passed": 0, "failed": 0, "skipped": 0}
    print("fault scripts: %s" % mode_text())
    for script, script_args in SUITE:
        if args.only and script not in args.only:
            continue
        started = time.monotonic()
        with tempfile.NamedTemporaryFile(suffix=".json") as counts_file:
            result = subprocess.run([sys.executable, FAULTS / script, "--json", counts_file.name] + script_args)
            text = Path(counts_file.name).read_text()
        # A script that ended before writing its counts is one failure.
        counts = json.loads(text) if text else {"passed": 0, "failed": 1, "skipped": 0}
        if result.returncode != 0 and not counts["failed"]:
            counts["failed"] = 1
        # What each script took, for whoever weighs the suite's counts against its time.
        print("%s: %d passed, %d failed, %d skipped in %.0f s" % (
            script, counts.get("passed", 0), counts.get("failed", 0), counts.get("skipped", 0),
            time.monotonic() - started))
        sys.stdout.flush()
        for key in total:
            total[key] += counts.get(key, 0)
    Path(args.json).write_text(json.dumps(total))


if __name__ == "__main__":
    main()

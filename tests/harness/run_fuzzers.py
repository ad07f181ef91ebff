#!/usr/bin/env python3
"""Runs every libFuzzer target for a bounded number of runs; each target counts as one test."""
import argparse
import json
import os
import subprocess
import tempfile
from pathlib import Path

# Runs per target, and the longest input. Bounded so the whole layer takes a minute or two.
LIMITS = {"default": (100000, 4096), "command_line_fuzzer": (40000, 512),
          "payload_reader_fuzzer": (30000, 4096)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--json", required=True)
    args = parser.parse_args()
    fuzzers = sorted(p for p in (Path(args.build).resolve() / "tests" / "fuzz").glob("*_fuzzer")
                     if p.is_file() and os.access(p, os.X_OK))
    counts = {"passed": 0, "failed": 0, "skipped": 0}
    for fuzzer in fuzzers:
        runs, max_len = LIMITS.get(fuzzer.name, LIMITS["default"])
        with tempfile.TemporaryDirectory() as corpus:
            seeds = Path(__file__).resolve().parents[1] / "fuzz" / "seeds" / fuzzer.name
            dirs = [corpus] + ([str(seeds)] if seeds.is_dir() else [])
            result = subprocess.run([str(fuzzer), "-runs=%d" % runs, "-max_len=%d" % max_len,
                                     "-seed=1", "-print_final_stats=0"] + dirs,
                                    capture_output=True, text=True, errors="replace", cwd=corpus)
        ok = result.returncode == 0
        counts["passed" if ok else "failed"] += 1
        print("%s %s (%d runs)" % ("PASS" if ok else "FAIL", fuzzer.name, runs))
        if not ok:
            print(result.stderr[-4000:])
    Path(args.json).write_text(json.dumps(counts))


if __name__ == "__main__":
    main()

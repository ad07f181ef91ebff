#!/usr/bin/env python3
"""Runs every libFuzzer target; each target counts as one test.

    run_fuzzers.py --build DIR --json FILE [--seconds N --corpus DIR --findings DIR]

Without --seconds (scripts/test): a bounded number of runs per target from a fresh corpus.
With --seconds (scripts/fuzz): each target runs that long, growing a corpus kept in
CORPUS/<target> between runs; a crashing input is written to FINDINGS. Either way a table of
runs per target, executions per second, corpus size and result is printed."""
import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

# Runs per target, and the longest input. Bounded so the whole layer takes a minute or two.
LIMITS = {"default": (100000, 4096), "command_line_fuzzer": (40000, 512),
          # Each input is packed and decoded, in blocks on threads when it is large: about 90
          # inputs a second under the sanitizers, so the bounded run takes fewer.
          "payload_reader_fuzzer": (10000, 4096)}
SEEDS = Path(__file__).resolve().parents[1] / "fuzz" / "seeds"


def run_one(fuzzer, args, corpus):
    runs, max_len = LIMITS.get(fuzzer.name, LIMITS["default"])
    seeds = SEEDS / fuzzer.name
    dirs = [str(corpus)] + ([str(seeds)] if seeds.is_dir() else [])
    if args.seconds:
        bound = ["-max_total_time=%d" % args.seconds]
    else:
        bound = ["-runs=%d" % runs, "-seed=1"]
    findings = []
    if args.findings:
        Path(args.findings).mkdir(parents=True, exist_ok=True)
        findings = ["-artifact_prefix=%s/%s-" % (Path(args.findings).resolve(), fuzzer.name)]
    command = [str(fuzzer), "-max_len=%d" % max_len, "-print_final_stats=1"]
    command += bound + findings + dirs
    result = subprocess.run(command, capture_output=True, text=True, errors="replace", cwd=corpus)
    stats = dict(re.findall(r"^stat::(\w+):\s*(\d+)", result.stderr, re.M))
    executions = int(stats.get("number_of_executed_units", 0))
    return result, executions, int(stats.get("average_exec_per_sec", 0))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--json", required=True)
    parser.add_argument("--seconds", type=int, default=0, help="run each target this long")
    parser.add_argument("--corpus", help="kept corpus, one folder per target (with --seconds)")
    parser.add_argument("--findings", help="where crashing inputs are written")
    args = parser.parse_args()
    fuzzers = sorted(p for p in (Path(args.build).resolve() / "tests" / "fuzz").glob("*_fuzzer")
                     if p.is_file() and os.access(p, os.X_OK))
    counts = {"passed": 0, "failed": 0, "skipped": 0}
    rows = []
    for fuzzer in fuzzers:
        if args.corpus:
            corpus = Path(args.corpus).resolve() / fuzzer.name
            corpus.mkdir(parents=True, exist_ok=True)
            result, executions, per_second = run_one(fuzzer, args, corpus)
        else:
            with tempfile.TemporaryDirectory() as fresh:
                result, executions, per_second = run_one(fuzzer, args, Path(fresh))
                corpus = None
        ok = result.returncode == 0
        counts["passed" if ok else "failed"] += 1
        size = len(list(corpus.iterdir())) if corpus else "-"
        rows.append((fuzzer.name, executions, per_second, size, "PASS" if ok else "FAIL"))
        print("%s %s (%d executions)" % ("PASS" if ok else "FAIL", fuzzer.name, executions),
              flush=True)
        if not ok:
            print(result.stderr[-4000:])
    print("%-26s %12s %8s %8s  %s" % ("fuzzer", "executions", "exec/s", "corpus", "result"))
    for row in rows:
        print("%-26s %12d %8d %8s  %s" % row)
    Path(args.json).write_text(json.dumps(counts))
    sys.exit(1 if counts["failed"] else 0)


if __name__ == "__main__":
    main()

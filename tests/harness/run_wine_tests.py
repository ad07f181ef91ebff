#!/usr/bin/env python3
"""Runs the Windows test program (wine_tests.exe) in a fresh Wine prefix with an Xvfb display."""
import argparse
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.wine import Display, Prefix, build_dir  # noqa: E402


# Suites that need a prepared prefix (test MSIs, a desktop with a notification area) run from
# tests/e2e/test_legacy_removal.py instead.
PREPARED_PREFIX_SUITES = ("RunningApplication", "LegacyRemoval", "LinkedEntries")


def with_default_exclusions(gtest_args):
    """The arguments with the prepared-prefix suites excluded from any filter, unless the filter's
    positive part names such a suite itself."""
    rest = [arg for arg in gtest_args if not arg.startswith("--gtest_filter=")]
    given = [arg.split("=", 1)[1] for arg in gtest_args if arg.startswith("--gtest_filter=")]
    positive, _, negative = (given[-1] if given else "").partition("-")
    named = [suite for suite in PREPARED_PREFIX_SUITES
             if any(pattern.startswith(suite + ".") for pattern in positive.split(":"))]
    excluded = [pattern for pattern in negative.split(":") if pattern]
    excluded += [suite + ".*" for suite in PREPARED_PREFIX_SUITES if suite not in named]
    return rest + ["--gtest_filter=%s-%s" % (positive or "*", ":".join(excluded))]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--xml", required=True)
    parser.add_argument("gtest_args", nargs="*")
    args = parser.parse_args()
    args.gtest_args = with_default_exclusions(args.gtest_args)
    program = build_dir() / "tests" / "wine_tests.exe"
    xml = Path(args.xml).resolve()
    xml.unlink(missing_ok=True)
    # A run that dies without writing its results (Wine has crashed under us once in many runs,
    # in no test of ours that could be found) gets one more try in a fresh prefix. A run that
    # finished is never repeated: its failures stand.
    for attempt in (1, 2):
        with Display() as display, Prefix(display=display) as prefix:
            result = prefix.run([program, "--gtest_output=xml:" + Prefix.windows_path(xml)] + args.gtest_args,
                                timeout=1800)
        lines = result.stdout.splitlines()
        failed = [line for line in lines if line.startswith("[  FAILED  ]")]
        print("\n".join(lines[-3:]))
        if failed or result.returncode != 0:
            print(result.stdout[-20000:])
            print(result.stderr[-3000:])
        if xml.exists():
            break
        print("wine_tests.exe wrote no results (exit status %d, attempt %d)" % (result.returncode, attempt))


if __name__ == "__main__":
    main()

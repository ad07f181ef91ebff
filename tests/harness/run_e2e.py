#!/usr/bin/env python3
"""Runs the end-to-end tests (tests/e2e/test_*.py, unittest) and writes their counts as JSON."""
import argparse
import json
import sys
import unittest
from pathlib import Path

TESTS = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(TESTS))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--json", required=True)
    parser.add_argument("-k", dest="pattern", action="append", help="only tests matching")
    args = parser.parse_args()
    loader = unittest.TestLoader()
    if args.pattern:
        loader.testNamePatterns = ["*%s*" % p for p in args.pattern]
    suite = loader.discover(str(TESTS / "e2e"), pattern="test_*.py", top_level_dir=str(TESTS))
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    skipped = len(result.skipped)
    # A class or module whose set-up failed or skipped is reported as one error or skip with no
    # test run behind it: only outcomes of tests that ran come out of testsRun.
    def ran(test):
        return not isinstance(test, unittest.suite._ErrorHolder)
    not_passed = sum(ran(test) for test, _ in result.failures + result.errors + result.skipped)
    not_passed += sum(ran(test) for test in result.unexpectedSuccesses)
    counts = {"passed": result.testsRun - not_passed, "failed": failed, "skipped": skipped}
    Path(args.json).write_text(json.dumps(counts))


if __name__ == "__main__":
    main()

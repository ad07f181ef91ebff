#!/usr/bin/env python3
"""Runs the Windows test program (wine_tests.exe) in a fresh Wine prefix with an Xvfb display."""
import argparse
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.wine import Display, Prefix, build_dir  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--xml", required=True)
    parser.add_argument("gtest_args", nargs="*")
    args = parser.parse_args()
    program = build_dir() / "tests" / "wine_tests.exe"
    xml = Path(args.xml).resolve()
    with Display() as display, Prefix(display=display) as prefix:
        result = prefix.run([program, "--gtest_output=xml:" + Prefix.windows_path(xml)] + args.gtest_args,
                            timeout=1800)
    lines = result.stdout.splitlines()
    failed = [line for line in lines if line.startswith("[  FAILED  ]")]
    print("\n".join(lines[-3:]))
    if failed or result.returncode != 0:
        print(result.stdout[-20000:])
        print(result.stderr[-3000:])
    if not xml.exists():
        print("wine_tests.exe wrote no results (exit status %d)" % result.returncode)


if __name__ == "__main__":
    main()

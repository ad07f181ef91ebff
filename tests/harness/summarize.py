#!/usr/bin/env python3
"""Adds up the results of every test layer and prints "N passed, M failed[, K skipped]".

summarize.py RESULTS [LAYER...]: with layers named, only those are expected to have results."""
import json
import sys
import xml.etree.ElementTree as ET
from pathlib import Path


def gtest_counts(path):
    root = ET.parse(path).getroot()
    counts = {"passed": 0, "failed": 0, "skipped": 0}
    for case in root.iter("testcase"):
        if case.find("failure") is not None or case.find("error") is not None:
            counts["failed"] += 1
        elif case.get("result") == "skipped" or case.find("skipped") is not None or case.get("status") == "notrun":
            counts["skipped"] += 1
        else:
            counts["passed"] += 1
    return counts


def main():
    results = Path(sys.argv[1])
    total = {"passed": 0, "failed": 0, "skipped": 0}
    layers = []
    for path in sorted(results.glob("*.xml")):
        try:
            counts = gtest_counts(path)
        except ET.ParseError:
            counts = {"passed": 0, "failed": 1, "skipped": 0}
        layers.append((path.stem, counts))
    for path in sorted(results.glob("*.json")):
        layers.append((path.stem, json.loads(path.read_text())))
    # A layer that should have produced results but did not counts as one failure.
    windows = "build-windows64" if (results / "build-windows64.json").exists() else "build-windows"
    expected = {"native": "build-native", "gallery": "build-native",
                "native-asan": "build-native-asan", "native-x87": "build-native",
                "fuzz": "build-fuzz",
                "wine": windows, "e2e": windows, "faults": windows,
                "smoke": "build-installer-i686"}
    # The page gallery and the sanitizer run belong to the native layer.
    layer_of = {"gallery": "native", "native-asan": "native", "native-x87": "native"}
    if sys.argv[2:]:
        expected = {name: build for name, build in expected.items()
                    if layer_of.get(name, name) in sys.argv[2:]}
    seen = {name for name, _ in layers}
    for name, build in expected.items():
        if name not in seen and build not in seen:
            layers.append((name + " (no results)", {"passed": 0, "failed": 1, "skipped": 0}))
    mode = results / "mode.txt"
    if mode.exists() and any(layer_of.get(n, n) in ("wine", "e2e", "faults", "smoke")
                             for n in expected):
        print("  " + mode.read_text().strip())
    for name, counts in layers:
        print("  %-28s %4d passed, %d failed, %d skipped" % (name, counts["passed"], counts["failed"],
                                                            counts.get("skipped", 0)))
        for key in total:
            total[key] += counts.get(key, 0)
    line = "%d passed, %d failed" % (total["passed"], total["failed"])
    if total["skipped"]:
        line += ", %d skipped" % total["skipped"]
    print(line)
    sys.exit(1 if total["failed"] or total["passed"] == 0 else 0)


if __name__ == "__main__":
    main()

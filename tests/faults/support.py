"""Shared pieces of the fault scripts (tests/faults/*): the installers they run, one installer
run with its log read back, what a failed run may leave behind, and the table each script prints
(one row per case, a wrong row fails the script)."""
import argparse
import fcntl
import json
import subprocess
import sys
from pathlib import Path

TESTS = Path(__file__).resolve().parents[1]
REPO = TESTS.parent
sys.path.insert(0, str(TESTS))

from e2e.installer import harness_program, sample_installer  # noqa: E402
from e2e.silent_support import (LOCAL_DIR, PayloadInfo, installation_state,  # noqa: E402,F401
                                log_records, mark_webview2_present, state_differences)
from harness.wine import Prefix, build_dir, test_arch  # noqa: E402,F401

WORK = REPO / "build" / "faults"
LOG = r"C:\vl-fault.log"
BENCH_PAYLOAD = REPO / "build" / "bench" / "payload"
SIDE_SUFFIXES = (".vl-new", ".vl-old")


def bench_installer():
    """The installer carrying the 24 MB benchmark payload, built as bench/run-install-bench
    builds it for the arch the Wine layers run (test_arch) and kept under build/faults, one file
    per arch; built again when the sample installer of that arch is newer (the program may have
    changed since). The packed payload is kept too: packing takes half a minute and only a new
    packer changes it. It shares build-installer's trees with the sample installer, which are
    already compiled for that arch, so only the link is new (build-installer makes a second
    build in a tree wait for the first)."""
    arch = test_arch()
    out = WORK / ("VeriluneSetup-bench-%s.exe" % arch)
    blob = WORK / "bench-payload.bin"
    packer = REPO / "build" / "native" / "tools" / "packer" / "vl-packer"
    sample = sample_installer(arch)
    WORK.mkdir(parents=True, exist_ok=True)
    # Two fault scripts started at once would otherwise build into one tree together.
    with open(WORK / "bench-installer.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if out.exists() and not (sample.exists() and sample.stat().st_mtime > out.stat().st_mtime):
            return out
        if not (BENCH_PAYLOAD / "verilune.exe").exists():
            subprocess.run([REPO / "tools" / "make-bench-payload", BENCH_PAYLOAD], check=True,
                           stdout=subprocess.DEVNULL)
        if packer.exists() and (not blob.exists() or packer.stat().st_mtime > blob.stat().st_mtime):
            subprocess.run([packer, BENCH_PAYLOAD, blob], check=True, stdout=subprocess.DEVNULL)
        source = ["--blob", blob] if blob.exists() else ["--payload", BENCH_PAYLOAD]
        subprocess.run([REPO / "scripts" / "build-installer", "--arch", arch] + source + ["-o", out],
                       check=True, stdout=subprocess.DEVNULL)
    return out


LEGACY_FILES = ("Osmira.Security.KeyClient.exe", "Osmira.Security.KeyStarter.exe")


def plant_legacy_client(folder):
    """The predecessor client's two programs in `folder` (a Linux path): detection finds the
    client there when `folder` is the install folder's VeriluneClient."""
    folder.mkdir(parents=True, exist_ok=True)
    for name in LEGACY_FILES:
        (folder / name).write_bytes(b"MZ the predecessor")


def with_webview2(prefix):
    """Marks the runtime present, so that no run downloads anything."""
    mark_webview2_present(prefix)


def run_installer(prefix, program, *switches, log=LOG, timeout=300):
    """(full exit code, the log's failure text or None) of one installer run through the
    unelevated launcher, /LOG= first (a /D= switch takes the rest of the line); the log is
    removed first. The code is None when the system refuses to start the program."""
    prefix.unix_path(log).unlink(missing_ok=True)
    try:
        code, _ = prefix.run_exit_code([program, "/LOG=" + log] + list(switches), timeout=timeout)
    except RuntimeError as error:
        if "run_unelevated: CreateProcess" not in str(error):
            raise
        return None, None
    return code, failure_text(prefix, log)


def log_lines(prefix, log=LOG):
    """The texts of the log's records ([] while there is no log)."""
    path = prefix.unix_path(log)
    return [record[1] for record in log_records(path) if record] if path.exists() else []


def failure_text(prefix, log=LOG):
    failures = [line[len("failure: "):] for line in log_lines(prefix, log) if line.startswith("failure: ")]
    return failures[-1] if failures else None


def leftovers(prefix, install_dir, payload_entries):
    """What a failed run must never leave below install_dir: side files (.vl-new, .vl-old…) and
    files under a payload entry's final name whose bytes are not that entry's."""
    root = prefix.unix_path(install_dir)
    found = []
    if not root.exists():
        return found
    expected = dict(payload_entries)
    for path in root.rglob("*"):
        name = str(path.relative_to(root)).replace("/", "\\")
        if any(suffix in path.name for suffix in SIDE_SUFFIXES):
            found.append(name)
        elif path.is_file() and name in expected and path.read_bytes() != expected[name]:
            found.append(name + " (not the payload's bytes)")
    return sorted(found)


class Table:
    """Rows printed as they come, aligned on the header's column widths; a row whose check
    failed is marked and counted."""

    def __init__(self, title, columns, widths=()):
        self.columns = columns
        self.widths = [max(len(c), dict(widths).get(c, 6)) for c in columns]
        self.passed = self.failed = self.skipped = 0
        print("\n" + title)
        self._print(columns)
        sys.stdout.flush()

    def _print(self, cells, mark=""):
        print("  " + "  ".join(str(c).ljust(w) for c, w in zip(cells, self.widths)) + mark)

    def row(self, cells, ok, why=""):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
        self._print(cells, "" if ok else "  << WRONG" + (": " + why if why else ""))
        sys.stdout.flush()

    def skip(self, reason):
        self.skipped += 1
        print("  skipped: " + reason)


def arguments(description, **extra):
    """The options every fault script takes: --json (counts for the test summary) and the
    script's own."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--json", help="write the row counts here (for tests/harness/summarize.py)")
    for name, (kind, default, text) in extra.items():
        parser.add_argument("--" + name.replace("_", "-"), type=kind, default=default, help=text)
    return parser.parse_args()


def finish(tables, json_path):
    """Writes the counts of every table and returns the script's exit status."""
    counts = {"passed": sum(t.passed for t in tables), "failed": sum(t.failed for t in tables),
              "skipped": sum(t.skipped for t in tables)}
    if json_path:
        Path(json_path).write_text(json.dumps(counts))
    print("\n%d rows right, %d wrong, %d skipped" % (counts["passed"], counts["failed"], counts["skipped"]))
    return 1 if counts["failed"] else 0

#!/usr/bin/env python3
"""The smoke layer: the shipped 32-bit installer (build/e2e/VeriluneSetup.exe) run under Wine in
every scripts/test, natively where this machine runs 32-bit code and through qemu where it does
not. A silent per-user install checked as the end-to-end tests check it, and a damaged payload
that must fail with 2 and place nothing. Prints one line per case and writes the counts as JSON.

    python3 tests/harness/run_smoke.py [--json FILE] [-k CASE]

Each run is bounded. Under emulation a run that the emulator is shown to have broken is counted
as skipped with its reason, never as passed: the Wine process killed by a Linux signal (our own
faults reach Wine's handler and end the process with an exception code instead), a hang in
which the installer uses no processor time, a run still busy at the limit, or a wrong result
from a process that lost its wineserver connection ("wine client error"). Natively each is a
failure, as is any wrong result.
"""
import argparse
import concurrent.futures
import hashlib
import importlib.machinery
import importlib.util
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

TESTS = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(TESTS))
from e2e.installer import shipped_installer  # noqa: E402
from e2e.silent_support import (LOCAL_DIR, PRODUCT_KEY, UNINSTALL_KEY, PayloadInfo,  # noqa: E402
                                expected_uninstall_values, installation_state, mark_webview2_present)
from faults.support import failure_text  # noqa: E402
from harness.wine import PRESETS, Prefix, build_dir, i386_mode, mode_text  # noqa: E402

LOG = r"C:\vl-smoke.log"
# An emulated start of Wine's 32-bit loader alone takes minutes on a busy machine; a whole
# emulated install that worked took under a minute and a half.
RUN_LIMIT = {"native": 180, "emulated": 420}
# No processor time used by the installer's process for this long: nothing will move again.
IDLE_LIMIT = 60
DAMAGED_CASE = "stream-bytes-flipped"
CLIENT_ERROR = "wine client error"


def corpus_module():
    """tests/faults/make-damaged-corpus, whose damaged images the fault scripts run too."""
    path = TESTS / "faults" / "make-damaged-corpus"
    loader = importlib.machinery.SourceFileLoader("make_damaged_corpus", str(path))
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader(loader.name, loader))
    loader.exec_module(module)
    return module


def program_cpu_ticks(prefix_path, program):
    """User and system ticks of the processes of this prefix that run `program`. Wine's own
    services of the prefix are left out: their timers keep them and the wineserver ticking
    while the installer waits for ever."""
    wanted = b"WINEPREFIX=" + str(prefix_path).encode()
    name = Path(program).name.encode()
    ticks = 0
    for entry in os.scandir("/proc"):
        if not entry.name.isdigit():
            continue
        try:
            if name not in Path(entry.path, "cmdline").read_bytes():
                continue
            if wanted not in Path(entry.path, "environ").read_bytes().split(b"\0"):
                continue
            fields = Path(entry.path, "stat").read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue
        ticks += int(fields[11]) + int(fields[12])  # utime, stime
    return ticks


class Outcome:
    """How one bounded run ended: "exited" (with the low 8 bits of its code, all that reaches
    Linux), "signal" (the Linux process killed by `code`), "hung" or "timeout"."""

    def __init__(self, kind, code, seconds, stderr):
        self.kind, self.code, self.seconds, self.stderr = kind, code, seconds, stderr

    def describe(self):
        if self.kind == "exited":
            return "exit %d" % self.code
        if self.kind == "signal":
            return "the Wine process was killed by %s" % signal.Signals(self.code).name
        if self.kind == "hung":
            return "hung: the installer used no processor time for %d s" % IDLE_LIMIT
        return "still running after %d s" % self.seconds


def run_bounded(prefix, argv):
    """Runs the installer through the launcher with the limited token: a per-user install runs
    with the user's own rights (elevated, the installer refuses it). The launcher hands back the
    installer's exit code on its last line; how the Wine process itself ended (a Linux signal)
    shows as the launcher's, and a crash the launcher reports as an exit shows in the state the
    checks read."""
    limit = RUN_LIMIT[i386_mode()] if i386_mode() in RUN_LIMIT else RUN_LIMIT["native"]
    launcher = build_dir(PRESETS[prefix.arch]) / "tests" / "run_unelevated.exe"
    start = time.monotonic()
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        process = prefix.start([launcher] + list(argv), stdout=out, stderr=err)
        ticks, busy_at, kind = -1, start, None
        while process.poll() is None:
            time.sleep(1)
            now = time.monotonic()
            current = program_cpu_ticks(prefix.path, argv[0])
            if current != ticks:
                ticks, busy_at = current, now
            if now - busy_at > IDLE_LIMIT:
                kind = "hung"
            elif now - start > limit:
                kind = "timeout"
            if kind:
                prefix.kill()
                process.kill()
                process.wait()
                break
        seconds = time.monotonic() - start
        err.seek(0)
        stderr = err.read().decode("utf-8", errors="replace")
        out.seek(0)
        reported = re.findall(r"^exit code: (\d+)\r?$", out.read().decode("utf-8", errors="replace"),
                              re.MULTILINE)
    code = process.returncode
    if code == 0 and reported:
        code = int(reported[-1])
    if kind is None:
        kind = "signal" if code < 0 else "exited"
        code = -code if code < 0 else code
    # The run is over only when the prefix's processes have flushed the registry.
    if kind in ("exited", "signal"):
        prefix.wait_idle()
    return Outcome(kind, code, seconds, stderr)


def expected_files(payload):
    """installation_state's view of a folder holding exactly the payload: each file with its
    SHA-256, each folder below the install folder by name."""
    files = {}
    for name, data in payload.entries:
        parts = name.split("\\")
        for depth in range(1, len(parts)):
            files["/".join(parts[:depth])] = "folder"
        files["/".join(parts)] = hashlib.sha256(data).hexdigest()
    return files


def with_webview2(prefix):
    # No runtime in the prefix and no network: marked present, as the end-to-end tests do.
    mark_webview2_present(prefix)


def silent_per_user_install(prefix, installer):
    """/S /CURRENTUSER into a clean prefix: exit 0, the payload's files byte for byte, the
    product and Uninstall values, both links."""
    payload = PayloadInfo(installer)
    with_webview2(prefix)
    outcome = run_bounded(prefix, [installer, "/S", "/CURRENTUSER"])
    if outcome.kind != "exited":
        return outcome, []
    problems = [] if outcome.code == 0 else ["exit %d, not 0" % outcome.code]
    state = installation_state(prefix, LOCAL_DIR)
    want = expected_files(payload)
    found = state["files"]
    wrong = sorted(k for k in set(want) | set(found) if want.get(k) != found.get(k))
    if wrong:
        problems.append("files missing, extra or with other bytes: %s" % ", ".join(wrong[:5]))
    registry = state["registry"]
    product = registry["HKCU\\" + PRODUCT_KEY] or {}
    if product.get("") != ("REG_SZ", LOCAL_DIR):
        problems.append("product key's install folder is %r" % (product.get(""),))
    values = registry["HKCU\\" + UNINSTALL_KEY] or {}
    for name, value in expected_uninstall_values(LOCAL_DIR, "CurrentUser", payload).items():
        if values.get(name) != value:
            problems.append("Uninstall value %s is %r, not %r" % (name, values.get(name), value))
    for key in ("HKLM\\" + PRODUCT_KEY, "HKLM\\" + UNINSTALL_KEY):
        if registry[key] is not None:
            problems.append("a per-user install wrote " + key)
    for link, info in state["links"].items():
        target = (info or {}).get("target"), (info or {}).get("working_folder")
        if target != (LOCAL_DIR + "\\verilune.exe", LOCAL_DIR):
            problems.append("link %s points at %r" % (link, target))
    return outcome, problems


def damaged_payload(prefix, installer):
    """The corpus's image with bytes flipped inside the compressed data: exit 2, the damage
    logged, no file, value or link of the product anywhere."""
    corpus = corpus_module()
    case = next(c for c in corpus.cases(corpus.Image(installer)) if c[0] == DAMAGED_CASE)
    _, _, image, exit_code, text = case
    damaged = prefix.unix_path(r"C:\installer-under-test-%s.exe" % DAMAGED_CASE)
    damaged.write_bytes(image)
    with_webview2(prefix)
    outcome = run_bounded(prefix, [damaged, "/LOG=" + LOG, "/S", "/CURRENTUSER"])
    if outcome.kind != "exited":
        return outcome, []
    problems = [] if outcome.code == exit_code else ["exit %d, not %d" % (outcome.code, exit_code)]
    logged = failure_text(prefix, LOG)
    if logged is None or not re.search(text, logged):
        problems.append("logged failure %r does not match %r" % (logged, text))
    state = installation_state(prefix, LOCAL_DIR)
    if state["files"]:
        problems.append("placed: %s" % ", ".join(sorted(state["files"])[:5]))
    problems += ["wrote " + key for key, values in state["registry"].items() if values is not None]
    problems += ["made the link " + link for link, info in state["links"].items() if info]
    return outcome, problems


CASES = [
    ("silent per-user install", silent_per_user_install),
    ("damaged payload", damaged_payload),
]


def run_case(case, installer):
    """(outcome, problems, seconds) of one case in a fresh prefix of its own; no outcome when
    the case itself broke (a failure too)."""
    started = time.monotonic()
    try:
        with Prefix() as prefix:
            outcome, problems = case(prefix, installer)
    except Exception as error:  # noqa: BLE001 - reported as the case's failure
        outcome, problems = None, ["the case broke: %r" % error]
    return outcome, problems, time.monotonic() - started


def verdict(outcome, problems):
    """("passed" | "failed" | "skipped", why). Under emulation a signal or an idle hang is the
    emulator's: the same program ends properly natively and in its x86_64 twin."""
    emulated = i386_mode() == "emulated"
    if outcome is None:
        return "failed", "; ".join(problems)
    if outcome.kind == "exited":
        if not problems:
            return "passed", outcome.describe()
        # The 32-bit process lost its wineserver connection mid-run: Wine's client side broke
        # (the wineserver is the native one that every twin run uses), not a result of ours.
        if emulated and CLIENT_ERROR in outcome.stderr:
            return "skipped", "emulator at fault: %s (%s)" % (CLIENT_ERROR, outcome.describe())
        return "failed", "; ".join(problems)
    if emulated and outcome.kind in ("signal", "hung"):
        return "skipped", "emulator at fault: " + outcome.describe()
    # Threads spinning in the emulator's translated code past the limit: the same sources built
    # for x86_64 never hang natively, so this is counted as the emulator's too, and says so.
    if emulated and outcome.kind == "timeout":
        return "skipped", ("emulator at fault (likely): still busy at the limit under emulation, "
                           "where native runs of the same sources never hang: " + outcome.describe())
    return "failed", outcome.describe()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--json", help="where the counts go")
    parser.add_argument("-k", dest="only", action="append", help="only cases whose name holds this")
    args = parser.parse_args()
    counts = {"passed": 0, "failed": 0, "skipped": 0}
    installer = shipped_installer()
    print("smoke: %s, %s" % (installer, mode_text("i686")))
    chosen = [(name, case) for name, case in CASES
              if not args.only or any(part in name for part in args.only)]
    if not installer.exists():
        print("smoke: FAILED: no installer at %s (scripts/build-installer)" % installer)
        counts["failed"] += 1
    elif i386_mode() == "none":
        for name, _ in chosen:
            print("smoke: skipped %-24s this machine runs no 32-bit code, not even emulated" % name)
            counts["skipped"] += 1
    else:
        # Side by side, each in its own prefix: the layer takes as long as its slowest case.
        with concurrent.futures.ThreadPoolExecutor(max_workers=len(chosen) or 1) as pool:
            runs = [(name, pool.submit(run_case, case, installer)) for name, case in chosen]
            for name, future in runs:
                outcome, problems, seconds = future.result()
                result, why = verdict(outcome, problems)
                counts[result] += 1
                print("smoke: %-7s %-24s %6.1f s  %s" % (result, name, seconds, why))
                if result != "passed" and outcome and outcome.stderr.strip():
                    tail = outcome.stderr.strip()[-600:]
                    print("  stderr: " + tail.replace("\n", "\n  stderr: "))
                sys.stdout.flush()
    if args.json:
        Path(args.json).write_text(json.dumps(counts))
    return 1 if counts["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())

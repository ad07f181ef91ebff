"""The companion uninstaller end to end: the real installer with the sample payload, then the
installed uninstall.exe, under Wine. With no restart, once its processes have ended, the prefix
is as it was before the install, apart from what the user added; a per-user uninstall runs
without administrator rights, so no deletion scheduled for a restart can stand in."""
import os
import re
import subprocess
import threading
import time
import unittest

from e2e.installer import send_keys, wait_for_window
from e2e.silent_support import (UNINSTALL_KEY, installer, installer_command_lines, log_records, mark_webview2_present,
                                snapshot, snapshot_differences)
from e2e.test_silent_install import LOCAL_DIR, MACHINE_DIR, need_installer
from harness.wine import Display, Prefix, build_dir

LAUNCHER = build_dir() / "tests" / "run_unelevated.exe"
SESSION_MANAGER = r"HKLM\System\CurrentControlSet\Control\Session Manager"


def without(snap, *paths):
    """A snapshot without the files (and folders) named, given as paths below drive C."""
    hkcu, hklm, files = snap
    return hkcu, hklm, {k: v for k, v in files.items() if k not in paths}


class Uninstall(unittest.TestCase):
    def setUp(self):
        need_installer(self)

    def prepare(self, prefix, *switches):
        """The snapshot before the install, then the install; WebView2 counts as present and is
        written before the snapshot, since the uninstaller does not own it."""
        hive = "HKCU" if "/CURRENTUSER" in switches else "HKLM"
        mark_webview2_present(prefix, hive, None if hive == "HKCU" else 32)
        before = snapshot(prefix)
        # A per-user install runs with the user's own rights: elevated, it would be refused.
        code, _ = prefix.run_exit_code([installer()] + list(switches), elevated=hive == "HKLM", timeout=300)
        self.assertEqual(code, 0)
        return before

    def uninstall(self, prefix, install_dir, *switches, confirm_on=None):
        """Runs the installed uninstall.exe from the unelevated launcher with a process trace;
        pressing Enter on its confirmation box when a display is given. Returns (exit code,
        uninstall.exe command lines started, standard error)."""
        program = install_dir + "\\uninstall.exe"
        process = prefix.start([LAUNCHER, program] + list(switches), env={"WINEDEBUG": "trace+process"},
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, errors="replace")
        watchdog = threading.Timer(300, process.kill)
        watchdog.start()
        try:
            if confirm_on is not None:
                boxes = wait_for_window(confirm_on, "^Verilune$", timeout=60, process=process)
                self.assertTrue(boxes, "no confirmation box")
                send_keys(confirm_on, boxes[0], "Return")
            out, err = process.communicate()
        finally:
            watchdog.cancel()
        codes = re.findall(r"^exit code: (\d+)\r?$", out, re.MULTILINE)
        self.assertTrue(codes, out)
        return int(codes[-1]), installer_command_lines(err, ("uninstall.exe",)), err

    def start_application(self, prefix):
        app = prefix.start([LOCAL_DIR + "\\verilune.exe"], env={"VL_SAMPLE_RECORD": r"C:\runs.txt"},
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(app.kill)
        record = prefix.unix_path(r"C:\runs.txt")
        deadline = time.monotonic() + 30
        while not record.exists() and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertTrue(record.exists(), "the application did not start")
        return app, record

    def test_each_scope_leaves_nothing_of_the_product_without_a_restart(self):
        log = r"C:\u.log"
        cases = [  # install switches, uninstall switches, confirmed on screen, the application runs, the user's file
            (["/S", "/CURRENTUSER"], ["/S"], False, True, None),
            (["/S"], ["/S", "/LOG=" + log], False, False, "notes.txt"),
            (["/S"], [], True, False, "mine\\notes.txt"),
        ]
        for install, switches, confirm, app_runs, users_file in cases:
            per_user = "/CURRENTUSER" in install
            install_dir = LOCAL_DIR if per_user else MACHINE_DIR
            with self.subTest(install=install, switches=switches), Display() as display, \
                    Prefix(display=display) as prefix:
                before = self.prepare(prefix, *install)
                hive = "HKCU" if per_user else "HKLM"
                # An installed file in nested folders: the folders it emptied go too.
                nested = prefix.unix_path(install_dir + r"\drivers\x64\token.dll")
                nested.parent.mkdir(parents=True)
                nested.write_bytes(b"module")
                names = prefix.reg_query(hive + "\\" + UNINSTALL_KEY, view=None if per_user else 32)["VlFiles"][1]
                prefix.reg_set(hive + "\\" + UNINSTALL_KEY, "VlFiles", "REG_MULTI_SZ",
                               names.split("\\0") + [r"drivers\x64\token.dll"], view=None if per_user else 32)
                kept = None
                if users_file:
                    kept = prefix.unix_path(install_dir + "\\" + users_file)
                    kept.parent.mkdir(parents=True, exist_ok=True)
                    kept.write_text("mine")
                app, record = self.start_application(prefix) if app_runs else (None, None)

                code, started, _ = self.uninstall(prefix, install_dir, *switches,
                                                  confirm_on=display if confirm else None)
                self.assertEqual(code, 0)
                # Wine's command processor starts the copy through start.exe, whose line names it too.
                started = [line for line in started if "start.exe" not in line]
                # The user's start, the elevated relaunch of an all-users uninstall, then the copy
                # that removes the uninstaller's own file.
                self.assertEqual(len(started), 2 if per_user else 3, started)
                self.assertEqual(sum("--vl-resume" in line for line in started), 0 if per_user else 1, started)
                self.assertIn("--vl-from-temp", started[-1])
                if app:
                    try:  # the Linux-side wine process ends a moment after the application
                        app.wait(timeout=20)
                    except subprocess.TimeoutExpired:
                        self.fail("the application still runs")
                    record.unlink()
                after = snapshot(prefix)  # waits for every process of the prefix, the copy too
                if "/LOG=" + log in switches:
                    records = log_records(prefix.unix_path(log))
                    self.assertEqual(len({pid for pid, _ in records}), 2, records)  # the relaunch's lines relayed
                    self.assertIn("kept (not placed by the installer): " + install_dir + "\\" + users_file,
                                  [text for _, text in records])
                    self.assertEqual(records[-1][1], "exit code 0")
                    prefix.unix_path(log).unlink()
                    after = snapshot(prefix)
                if kept:
                    self.assertEqual(kept.read_text(), "mine")
                    folder = str(prefix.unix_path(install_dir).relative_to(prefix.path / "drive_c"))
                    paths = [folder] + ["%s/%s" % (folder, "/".join(users_file.split("\\")[:i + 1]))
                                        for i in range(users_file.count("\\") + 1)]
                    after = without(after, *paths)
                self.assertEqual(snapshot_differences(before, after), {})
                pending = (prefix.reg_query(SESSION_MANAGER) or {}).get("PendingFileRenameOperations")
                self.assertIn(pending, (None, ("REG_MULTI_SZ", "")), pending)
                # An elevated copy's folder lies in the Windows folder, outside the snapshot.
                leftovers = [p.name for p in prefix.unix_path(r"C:\windows\temp").iterdir()
                             if p.name.startswith("Verilune-")]
                self.assertEqual(leftovers, [])

    def test_unsafe_installed_names_delete_nothing_outside_the_folder(self):
        with Prefix() as prefix:
            self.prepare(prefix, "/S", "/CURRENTUSER")
            outside = [prefix.unix_path(LOCAL_DIR + "\\..\\x"), prefix.unix_path(r"C:\outside.txt")]
            for path in outside:
                path.write_text("keep")
            names = [r"..\x", r"C:\outside.txt", "verilune.exe"]
            prefix.reg_set("HKCU\\" + UNINSTALL_KEY, "VlFiles", "REG_MULTI_SZ", names)

            code, _, _ = self.uninstall(prefix, LOCAL_DIR, "/S")
            self.assertEqual(code, 0)
            for path in outside:
                self.assertTrue(path.exists(), path)
            self.assertFalse(prefix.unix_path(LOCAL_DIR + "\\verilune.exe").exists())

    def test_a_copy_outside_its_installation_refuses_and_removes_nothing(self):
        with Prefix() as prefix:
            self.prepare(prefix, "/S", "/CURRENTUSER")
            stray = prefix.unix_path(r"C:\elsewhere\uninstall.exe")
            stray.parent.mkdir()
            stray.write_bytes(prefix.unix_path(LOCAL_DIR + "\\uninstall.exe").read_bytes())
            installed = snapshot(prefix)

            code, _, err = self.uninstall(prefix, r"C:\elsewhere", "/S", r"/LOG=C:\u.log")
            self.assertEqual(code, 2)
            self.assertIn("C:\\elsewhere", err)
            self.assertIn("C:\\elsewhere", prefix.unix_path(r"C:\u.log").read_text(encoding="utf-8"))
            prefix.unix_path(r"C:\u.log").unlink()
            self.assertEqual(snapshot_differences(installed, snapshot(prefix)), {})

    def test_started_elevated_it_writes_its_log_only_to_a_new_file_reached_through_no_link(self):
        with Prefix() as prefix:
            self.prepare(prefix, "/S", "/CURRENTUSER")
            stray = prefix.unix_path(r"C:\elsewhere\uninstall.exe")
            stray.parent.mkdir()
            stray.write_bytes(prefix.unix_path(LOCAL_DIR + "\\uninstall.exe").read_bytes())
            target = prefix.unix_path(r"C:\target")
            target.mkdir()
            os.symlink(target, prefix.unix_path(r"C:\linked"))  # Wine shows it as a reparse point
            existing = prefix.unix_path(r"C:\existing.log")
            existing.write_text("theirs")
            cases = [(r"C:\linked\u.log", target / "u.log"), (r"C:\existing.log", existing),
                     (r"C:\new.log", None)]
            for log, untouched in cases:
                with self.subTest(log=log):
                    code, result = prefix.run_exit_code([r"C:\elsewhere\uninstall.exe", "/S", "/LOG=" + log],
                                                        elevated=True, timeout=120)
                    self.assertEqual(code, 2)  # refused: no installation there
                    if untouched is None:
                        self.assertIn("C:\\elsewhere", prefix.unix_path(log).read_text(encoding="utf-8"))
                        continue
                    self.assertIn(log, result.stderr)
                    self.assertEqual(untouched.read_text() if untouched.exists() else None,
                                     "theirs" if untouched == existing else None)


if __name__ == "__main__":
    unittest.main()

"""The companion uninstaller end to end: the real installer with the sample payload, then the
installed uninstall.exe, under Wine. After it (and the restart that takes its own file) the
prefix is as it was before the install, apart from what the user added."""
import os
import re
import subprocess
import threading
import time
import unittest

from e2e.installer import send_keys, wait_for_window
from e2e.silent_support import (UNINSTALL_KEY, installer, installer_command_lines, mark_webview2_present, snapshot,
                                snapshot_differences)
from e2e.test_silent_install import LOCAL_DIR, MACHINE_DIR, need_installer
from harness.wine import Display, Prefix, build_dir

LAUNCHER = build_dir() / "tests" / "run_unelevated.exe"


def restart(prefix):
    """What a restart does to a prefix: the deletions scheduled for it are carried out."""
    prefix.wait_idle()
    prefix.run(["wineboot", "-r"], timeout=300)
    prefix.wait_idle()


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

    def test_per_user_silent_closes_the_application_and_leaves_the_prefix_as_before(self):
        with Display() as display, Prefix(display=display) as prefix:
            before = self.prepare(prefix, "/S", "/CURRENTUSER")
            app = prefix.start([LOCAL_DIR + "\\verilune.exe"], env={"VL_SAMPLE_RECORD": r"C:\runs.txt"},
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.addCleanup(app.kill)
            record = prefix.unix_path(r"C:\runs.txt")
            deadline = time.monotonic() + 30
            while not record.exists() and time.monotonic() < deadline:
                time.sleep(0.2)
            self.assertTrue(record.exists(), "the application did not start")

            code, started, _ = self.uninstall(prefix, LOCAL_DIR, "/S")
            self.assertEqual(code, 0)
            self.assertEqual(len(started), 1, started)  # no relaunch for a per-user installation
            try:  # the Linux-side wine process ends a moment after the application
                app.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.fail("the application still runs")
            record.unlink()
            restart(prefix)
            self.assertEqual(snapshot_differences(before, snapshot(prefix)), {})

    def test_all_users_confirmed_by_keyboard_relaunches_once_and_keeps_the_users_file(self):
        with Display() as display, Prefix(display=display) as prefix:
            before = self.prepare(prefix, "/S")
            users_file = prefix.unix_path(MACHINE_DIR + "\\notes.txt")
            users_file.write_text("mine")

            code, started, _ = self.uninstall(prefix, MACHINE_DIR, confirm_on=display)
            self.assertEqual(code, 0)
            self.assertEqual(len(started), 2, started)  # the launcher's start, then one relaunch
            self.assertIn("--vl-resume", started[1])
            restart(prefix)
            self.assertEqual(users_file.read_text(), "mine")
            folder = str(users_file.parent.relative_to(prefix.path / "drive_c"))
            after = without(snapshot(prefix), folder, folder + "/notes.txt")
            self.assertEqual(snapshot_differences(before, after), {})

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


if __name__ == "__main__":
    unittest.main()

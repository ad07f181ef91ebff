"""Unattended installs end to end: the real installer with the sample payload under Wine, a fresh
prefix for each case, exit codes read through the non-elevated launcher."""
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time
import unittest
from pathlib import Path

from e2e.installer import harness_program
from harness.product import NEWER, OLDER, VERSION
from e2e.silent_support import (LOCAL_DIR, PRODUCT_KEY, UNINSTALL_KEY, PayloadInfo, expected_uninstall_values,
                                installer, installer_command_lines, mark_webview2_present,
                                installer_without_payload, log_records, patched_installer, read_link,
                                snapshot,
                                snapshot_differences)
from harness.wine import Display, Prefix

MACHINE_DIR = r"C:\Program Files (x86)\Verilune"
USER_PROGRAMS = r"C:\users\%s\AppData\Roaming\Microsoft\Windows\Start Menu\Programs" % os.environ.get("USER", "root")
USER_DESKTOP = r"C:\users\%s\Desktop" % os.environ.get("USER", "root")
COMMON_PROGRAMS = r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs"
PUBLIC_DESKTOP = r"C:\users\Public\Desktop"


def need_installer(test):
    if not installer().exists():
        test.skipTest("no installer with the sample payload at %s (scripts/build-installer)" % installer())


class SilentCase(unittest.TestCase):
    payload = None

    @classmethod
    def setUpClass(cls):
        if installer().exists() and SilentCase.payload is None:
            SilentCase.payload = PayloadInfo(installer())

    def setUp(self):
        need_installer(self)

    def with_webview2(self, prefix, hive="HKCU", view=None):
        mark_webview2_present(prefix, hive, view)

    def install(self, prefix, *switches, elevated=False, env=None, program=None):
        code, result = prefix.run_exit_code([program or installer()] + list(switches), elevated=elevated, env=env,
                                            timeout=300)
        return code

    def assert_files_installed(self, prefix, install_dir):
        for name, data in self.payload.entries:
            path = prefix.unix_path(install_dir + "\\" + name)
            self.assertTrue(path.is_file(), name)
            self.assertEqual(path.read_bytes(), data, name)

    def assert_registration(self, prefix, hive, install_dir, scope_value, view=None):
        self.assertEqual(prefix.reg_get(hive + "\\" + PRODUCT_KEY, None, view=view), ("REG_SZ", install_dir))
        values = prefix.reg_query(hive + "\\" + UNINSTALL_KEY, view=view)
        self.assertIsNotNone(values, "no Uninstall entry under " + hive)
        for name, expected in expected_uninstall_values(install_dir, scope_value, self.payload).items():
            self.assertEqual(values.get(name), expected, name)

    def assert_link(self, prefix, link, install_dir):
        info = read_link(prefix, link)
        self.assertIsNotNone(info, "no readable link " + link)
        self.assertEqual(info["target"], install_dir + "\\verilune.exe")
        self.assertEqual(info["working_folder"], install_dir)


class PerUserInstall(SilentCase):
    def test_clean_prefix_installs_registers_and_links_then_a_rerun_repairs_the_same(self):
        with Prefix() as prefix:
            self.with_webview2(prefix)
            self.assertEqual(self.install(prefix, "/S", "/CURRENTUSER"), 0)
            self.assert_files_installed(prefix, LOCAL_DIR)
            self.assert_registration(prefix, "HKCU", LOCAL_DIR, "CurrentUser")
            self.assertIsNone(prefix.reg_query("HKLM\\" + UNINSTALL_KEY, view=32))
            self.assert_link(prefix, USER_PROGRAMS + r"\Verilune.lnk", LOCAL_DIR)
            self.assert_link(prefix, USER_DESKTOP + r"\Verilune.lnk", LOCAL_DIR)
            before = prefix.reg_export("HKCU\\" + UNINSTALL_KEY)
            self.assertIn('"VlFiles"', before)

            # Detected as the same version (Reinstall): the same values again.
            self.assertEqual(self.install(prefix, "/S"), 0)
            self.assertEqual(prefix.reg_export("HKCU\\" + UNINSTALL_KEY), before)
            self.assert_files_installed(prefix, LOCAL_DIR)

    def test_no_shortcut_switch_makes_no_links(self):
        with Prefix() as prefix:
            self.with_webview2(prefix)
            self.assertEqual(self.install(prefix, "/S", "/CURRENTUSER", "/NS"), 0)
            self.assertFalse(prefix.unix_path(USER_PROGRAMS + r"\Verilune.lnk").exists())
            self.assertFalse(prefix.unix_path(USER_DESKTOP + r"\Verilune.lnk").exists())
            self.assert_files_installed(prefix, LOCAL_DIR)

    def test_update_switch_makes_no_links_and_skips_webview2(self):
        # No runtime and no network: only a run that skips the WebView2 step can succeed.
        with Prefix() as prefix:
            self.assertEqual(self.install(prefix, "/S", "/CURRENTUSER", "/UPDATE"), 0)
            self.assertFalse(prefix.unix_path(USER_PROGRAMS + r"\Verilune.lnk").exists())
            self.assertFalse(prefix.unix_path(USER_DESKTOP + r"\Verilune.lnk").exists())
            self.assert_registration(prefix, "HKCU", LOCAL_DIR, "CurrentUser")

    def test_a_shortcut_folder_that_is_a_file_does_not_fail_the_run(self):
        with Prefix() as prefix:
            self.with_webview2(prefix)
            programs = prefix.unix_path(USER_PROGRAMS)
            shutil.rmtree(programs, ignore_errors=True)
            programs.write_text("a file where the Programs folder belongs")
            self.assertEqual(self.install(prefix, "/S", "/CURRENTUSER"), 0)
            self.assert_registration(prefix, "HKCU", LOCAL_DIR, "CurrentUser")
            self.assert_link(prefix, USER_DESKTOP + r"\Verilune.lnk", LOCAL_DIR)

    def test_a_directory_written_with_slashes_gets_its_parents_and_is_stored_with_backslashes(self):
        with Prefix() as prefix:
            self.with_webview2(prefix)
            self.assertFalse(prefix.unix_path(r"C:\Tools").exists())
            self.assertEqual(self.install(prefix, "/S", "/CURRENTUSER", "/D=C:/Tools/Verilune"), 0)
            self.assert_files_installed(prefix, r"C:\Tools\Verilune")
            self.assert_registration(prefix, "HKCU", r"C:\Tools\Verilune", "CurrentUser")


class WebView2Presence(SilentCase):
    def test_a_usable_version_in_either_hive_skips_the_download(self):
        cases = [
            ("HKCU", None, "120.0.2210.91", 0),
            ("HKLM", 32, "120.0.2210.91", 0),
            ("HKLM", 32, "0.0.0.0", 2),   # zeros do not count: the download is attempted and fails
            (None, None, None, 2),        # absent, no network here
        ]
        for hive, view, version, expected in cases:
            with self.subTest(hive=hive, version=version), Prefix() as prefix:
                if hive:
                    mark_webview2_present(prefix, hive, view, version)
                self.assertEqual(self.install(prefix, "/S", "/CURRENTUSER", "/NS"), expected)
                registered = prefix.reg_query("HKCU\\" + UNINSTALL_KEY) is not None
                self.assertEqual(registered, expected == 0)


class AllUsersRelaunch(SilentCase):
    def run_traced(self, prefix, *switches, elevated=False):
        code, result = prefix.run_exit_code([installer()] + list(switches), elevated=elevated,
                                            env={"WINEDEBUG": "trace+process"}, timeout=300)
        return code, installer_command_lines(result.stderr)

    def test_unelevated_run_relaunches_once_through_runas_and_installs_for_all_users(self):
        with Prefix() as prefix:
            self.with_webview2(prefix, "HKLM", 32)
            code, started = self.run_traced(prefix, "/S")
            self.assertEqual(code, 0)
            self.assertEqual(len(started), 2, started)  # the launcher's start, then one relaunch
            child = started[1]
            for item in ("--vl-resume", "--vl-scope=machine", '"--vl-dir=%s"' % MACHINE_DIR, "--vl-desktop=1",
                         "--vl-legacy=1"):
                self.assertIn(item, child)
            self.assertTrue(child.endswith(" /S"), child)
            self.assert_files_installed(prefix, MACHINE_DIR)
            self.assert_registration(prefix, "HKLM", MACHINE_DIR, "AllUsers", view=32)
            self.assertIsNone(prefix.reg_query("HKLM\\" + UNINSTALL_KEY, view=64))
            self.assertIsNone(prefix.reg_query("HKCU\\" + UNINSTALL_KEY))
            self.assert_link(prefix, COMMON_PROGRAMS + r"\Verilune.lnk", MACHINE_DIR)
            self.assert_link(prefix, PUBLIC_DESKTOP + r"\Verilune.lnk", MACHINE_DIR)

    def test_elevated_run_installs_without_relaunching(self):
        with Prefix() as prefix:
            self.with_webview2(prefix, "HKLM", 32)
            code, started = self.run_traced(prefix, "/S", elevated=True)
            self.assertEqual(code, 0)
            self.assertEqual(len(started), 1, started)
            self.assert_registration(prefix, "HKLM", MACHINE_DIR, "AllUsers", view=32)

    def test_the_parent_exits_with_the_childs_failure_code(self):
        # The elevated copy cannot create the folder (its parent is a file) and fails with 2.
        with Prefix() as prefix:
            self.with_webview2(prefix, "HKLM", 32)
            prefix.unix_path(r"C:\blocker").write_text("file")
            code, started = self.run_traced(prefix, "/S", r"/D=C:\blocker\Verilune")
            self.assertEqual(code, 2)
            self.assertEqual(len(started), 2, started)

    def test_a_resumed_copy_left_unelevated_installs_itself_instead_of_relaunching(self):
        # What "runas" gives under Wine (and with UAC off for a standard user): still not elevated.
        with Prefix() as prefix:
            self.with_webview2(prefix, "HKLM", 32)
            code, started = self.run_traced(prefix, "--vl-resume", "--vl-scope=machine", "--vl-dir=" + MACHINE_DIR,
                                            "/S")
            self.assertEqual(len(started), 1, started)
            self.assertEqual(code, 0)

    def test_a_directory_with_spaces_reaches_the_elevated_copy_whole(self):
        with Prefix() as prefix:
            self.with_webview2(prefix, "HKLM", 32)
            # Written unquoted, as an administrator types it: /D= takes the rest of the line.
            code, started = self.run_traced(prefix, "/S", r"/D=C:\Program", r"Files\My", "App")
            self.assertEqual(code, 0)
            self.assertEqual(len(started), 2, started)
            self.assert_files_installed(prefix, r"C:\Program Files\My App")
            self.assert_registration(prefix, "HKLM", r"C:\Program Files\My App", "AllUsers", view=32)

    def test_folders_it_creates_outside_program_files_are_closed_to_other_users(self):
        # Wine keeps the protection the folders are created with only as Unix permissions (users
        # as the group: no writing; nothing for others), where a folder made without one would be
        # open to others like the drive's root.
        with Prefix() as prefix:
            self.with_webview2(prefix, "HKLM", 32)
            self.assertEqual(self.install(prefix, "/S", r"/D=C:\Apps\Verilune"), 0)
            self.assert_files_installed(prefix, r"C:\Apps\Verilune")
            self.assertNotEqual(prefix.unix_path("C:\\").stat().st_mode & 0o007, 0)
            for folder in (r"C:\Apps", r"C:\Apps\Verilune"):
                self.assertEqual(prefix.unix_path(folder).stat().st_mode & 0o027, 0, folder)


    def test_an_all_users_run_refuses_a_folder_others_may_change_and_rewrites_nothing(self):
        # Wine reports every folder a test makes as its user's own, so each of these is one a
        # non-administrator could change: the run stops before it writes, and what was there
        # stays as it was (a link inside leads nowhere either).
        cases = [  # name, /D= target, what the test makes first
            ("someone's non-empty folder", r"C:\Apps\Verilune", "folder"),
            ("with a link inside", r"C:\Apps\Verilune", "link"),
            ("a file", r"C:\Apps\Verilune", "file"),
            ("a drive root", "C:\\", None),
            ("swapped for a link to another folder", MACHINE_DIR, "swap"),
        ]
        for name, target, plant in cases:
            with self.subTest(case=name), Prefix() as prefix:
                self.with_webview2(prefix, "HKLM", 32)
                apps = prefix.unix_path(r"C:\Apps")
                apps.mkdir()
                folder = prefix.unix_path(target)
                if plant == "swap":
                    victim = prefix.unix_path(r"C:\Apps\victim")
                    victim.mkdir()
                    (victim / "verilune.exe").write_text("someone else's")
                    folder.symlink_to(victim)
                elif plant == "file":
                    folder.write_text("a file")
                elif plant:
                    (folder / "sub").mkdir(parents=True)
                    (folder / "sub" / "theirs.dll").write_text("someone's")
                    if plant == "link":
                        prefix.unix_path(r"C:\elsewhere").mkdir()
                        # A relative link, as tests/e2e/legacy_peer.py plants them.
                        (folder / "sub" / "link").symlink_to("../../../elsewhere")
                before = {p: p.read_bytes() if p.is_file() and not p.is_symlink() else None
                          for p in apps.rglob("*")}
                code = self.install(prefix, "/S", "/D=" + target, elevated=True)
                self.assertEqual(code, 2)
                self.assertEqual({p: p.read_bytes() if p.is_file() and not p.is_symlink() else None
                                  for p in apps.rglob("*")}, before)
                self.assertIsNone(prefix.reg_query("HKLM\\" + UNINSTALL_KEY, view=32))
                self.assertFalse(prefix.unix_path("C:\\verilune.exe").exists())

    def test_an_elevated_run_installs_nothing_for_one_user(self):
        # As administrator, the user's own folders, record and links could steer its writes and
        # deletions anywhere: it refuses (1) and leaves the user's tree as it was.
        for name, switches in [("/CURRENTUSER", ["/S", "/CURRENTUSER"]),
                               ("resumed for one user", ["--vl-resume", "--vl-scope=user",
                                                         "--vl-dir=" + LOCAL_DIR, "/S"])]:
            with self.subTest(case=name), Prefix() as prefix:
                self.with_webview2(prefix)
                self.assertEqual(self.install(prefix, *switches, elevated=True), 1)
                self.assertFalse(prefix.unix_path(LOCAL_DIR).exists())
                self.assertIsNone(prefix.reg_query("HKCU\\" + UNINSTALL_KEY))

class Upgrades(SilentCase):
    STALE = ["old.dll", "sub\\deeper\\gone.dll", "sub\\other.txt"]

    def seed_installation(self, prefix, version, files=None, hive="HKCU", install_dir=LOCAL_DIR,
                          main_binary="verilune.exe"):
        files = self.STALE + ["verilune.exe"] if files is None else files
        for name in files:
            path = prefix.unix_path(install_dir + "\\" + name)
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text("old " + name)
        lines = ["[%s\\%s]" % ("HKEY_CURRENT_USER" if hive == "HKCU" else "HKEY_LOCAL_MACHINE", PRODUCT_KEY),
                 '@="%s"' % install_dir.replace("\\", "\\\\"), "",
                 "[%s\\%s]" % ("HKEY_CURRENT_USER" if hive == "HKCU" else "HKEY_LOCAL_MACHINE", UNINSTALL_KEY),
                 '"DisplayVersion"="%s"' % version,
                 '"MainBinaryName"="%s"' % main_binary,
                 '"InstallLocation"="\\"%s\\""' % install_dir.replace("\\", "\\\\"),
                 '"VlFiles"=hex(7):' + ",".join("%02x" % b for b in
                                                ("\0".join(files) + "\0\0").encode("utf-16-le"))]
        prefix.reg_import(lines)

    def test_stale_files_and_their_emptied_folders_go_in_every_mode(self):
        for version in (OLDER, NEWER, VERSION):  # upgrade, downgrade, repair
            with self.subTest(version=version), Prefix() as prefix:
                self.with_webview2(prefix)
                self.seed_installation(prefix, version)
                keep = prefix.unix_path(LOCAL_DIR + r"\sub\kept-by-user.txt")
                if version == VERSION:
                    keep.write_text("not ours")
                self.assertEqual(self.install(prefix, "/S"), 0)
                for name in self.STALE:
                    self.assertFalse(prefix.unix_path(LOCAL_DIR + "\\" + name).exists(), name)
                self.assertFalse(prefix.unix_path(LOCAL_DIR + r"\sub\deeper").exists())
                self.assertEqual(prefix.unix_path(LOCAL_DIR + r"\sub").exists(), version == VERSION)
                self.assert_files_installed(prefix, LOCAL_DIR)
                self.assert_registration(prefix, "HKCU", LOCAL_DIR, "CurrentUser")

    def test_an_elevated_run_leaves_a_folder_a_rewritten_per_user_record_names_as_it_was(self):
        # The record names a folder outside the profile, or one reached through a link inside it,
        # or (for the resumed copy, handed an all-users folder) any folder at all.
        victim = r"C:\victim"
        handed = r"C:\Handed\Verilune"
        resume = ["--vl-resume", "--vl-scope=machine", "--vl-dir=" + handed]
        cases = [  # name, the record's location, a link from it to the victim, switches, where it installs
            ("outside the profile", victim, False, [], MACHINE_DIR),
            ("through a link", LOCAL_DIR, True, [], MACHINE_DIR),
            ("resumed copy", victim, False, resume, handed),
            ("resumed copy, inside the profile", LOCAL_DIR, False, resume, handed),
        ]
        for name, location, linked, switches, target in cases:
            with self.subTest(case=name), Prefix() as prefix:
                self.with_webview2(prefix, "HKLM", 32)
                folder = prefix.unix_path(location if not linked else victim)
                folder.mkdir(parents=True)
                if linked:
                    prefix.unix_path(LOCAL_DIR).parent.mkdir(parents=True, exist_ok=True)
                    prefix.unix_path(LOCAL_DIR).symlink_to(folder)
                self.seed_installation(prefix, OLDER, files=["keep.txt", "verilune.exe"], install_dir=location)
                before = {p: p.read_bytes() for p in folder.rglob("*")}
                self.assertEqual(self.install(prefix, "/S", *switches, elevated=True), 0)
                self.assertEqual({p: p.read_bytes() for p in folder.rglob("*")}, before)
                self.assert_files_installed(prefix, target)
                self.assert_registration(prefix, "HKLM", target, "AllUsers", view=32)

    def test_an_existing_per_user_install_wins_over_all_users_and_the_directory_switch(self):
        with Prefix() as prefix:
            self.with_webview2(prefix)
            self.seed_installation(prefix, OLDER)
            code, result = prefix.run_exit_code([installer(), "/S", "/ALLUSERS", r"/D=C:\Elsewhere"], timeout=300)
            self.assertEqual(code, 0)
            self.assert_registration(prefix, "HKCU", LOCAL_DIR, "CurrentUser")
            self.assertFalse(prefix.unix_path(r"C:\Elsewhere").exists())
            self.assertIsNone(prefix.reg_query("HKLM\\" + UNINSTALL_KEY, view=32))
            # An update keeps the user's choice of links: no desktop link by default.
            self.assertFalse(prefix.unix_path(USER_DESKTOP + r"\Verilune.lnk").exists())


class RunAfter(SilentCase):
    def install_leaving_the_app_running(self, prefix, *switches, env):
        """The exit code from the launcher's line. The started application keeps Wine's output
        pipes open, so the launcher's output is read line by line instead of to its end."""
        launcher = harness_program("run_unelevated")
        process = prefix.start([launcher, installer()] + list(switches), env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True, errors="replace")
        watchdog = threading.Timer(300, process.kill)
        watchdog.start()
        # Reaped after the test, once the prefix's wineserver (and with it the app) is gone.
        self.addCleanup(lambda: (process.kill(), process.wait(), process.stdout.close()))
        try:
            for line in process.stdout:
                match = re.match(r"exit code: (\d+)", line)
                if match:
                    return int(match.group(1))
            return None
        finally:
            watchdog.cancel()

    def record(self, prefix):
        path = prefix.unix_path(r"C:\sample-runs.txt")
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            if path.exists() and path.read_text(encoding="utf-8").strip():
                return path.read_text(encoding="utf-8").strip().splitlines()
            time.sleep(0.2)
        return []

    def test_r_starts_the_application_unelevated_with_exactly_the_args_text(self):
        with Display() as display, Prefix(display=display) as prefix:
            self.with_webview2(prefix)
            env = {"VL_SAMPLE_RECORD": r"C:\sample-runs.txt"}
            code = self.install_leaving_the_app_running(prefix, "/S", "/CURRENTUSER", "/R", "/ARGS", "--minimized",
                                                        env=env)
            self.assertEqual(code, 0)
            runs = self.record(prefix)
            self.assertEqual(len(runs), 1, runs)
            fields = dict(item.split("=", 1) for item in runs[0].split("\t"))
            self.assertEqual(fields["elevated"], "0")
            self.assertEqual(fields["cmdline"], '"%s\\verilune.exe" --minimized' % LOCAL_DIR)

    def test_without_r_nothing_starts(self):
        with Display() as display, Prefix(display=display) as prefix:
            self.with_webview2(prefix)
            env = {"VL_SAMPLE_RECORD": r"C:\sample-runs.txt"}
            self.assertEqual(self.install(prefix, "/S", "/CURRENTUSER", "/ARGS", "--minimized", env=env), 0)
            prefix.wait_idle()
            self.assertFalse(prefix.unix_path(r"C:\sample-runs.txt").exists())


class BadPayload(unittest.TestCase):
    def test_missing_foreign_or_version_2_payload_exits_2_and_changes_nothing(self):
        need_installer(self)
        work = Path(tempfile.mkdtemp(prefix="vl-badpayload-"))
        try:
            cases = [
                ("missing", installer_without_payload(installer(), work / "installer-under-test-none.exe")),
                ("foreign magic", patched_installer(installer(), work / "installer-under-test-foreign.exe", 0, b"VLPX")),
                ("version 2", patched_installer(installer(), work / "installer-under-test-v2.exe", 4,
                                                (2).to_bytes(4, "little"))),
            ]
            for name, program in cases:
                with self.subTest(payload=name), Prefix() as prefix:
                    mark_webview2_present(prefix, version="120.0")
                    before = snapshot(prefix)
                    self.assertIn("EdgeUpdate", before[0])
                    self.assertIn("Microsoft", before[1])
                    for switches in (["/S", "/CURRENTUSER"], ["/S"]):
                        code, _ = prefix.run_exit_code([program] + switches, timeout=300)
                        self.assertEqual(code, 2, switches)
                    after = snapshot(prefix)
                    self.assertEqual(snapshot_differences(before, after), {})
        finally:
            shutil.rmtree(work, ignore_errors=True)


class FailureLog(SilentCase):
    LOG = r"C:\setup logs\install.log"

    def test_a_damaged_payload_leaves_its_failure_text_in_the_log_of_each_process_that_ran(self):
        # The header is intact, so the run gets as far as the copy; the stream is not.
        work = Path(tempfile.mkdtemp(prefix="vl-damaged-"))
        self.addCleanup(shutil.rmtree, work, ignore_errors=True)
        damaged = patched_installer(installer(), work / "installer-under-test-damaged.exe", 4096, b"\x55" * 32)
        cases = [  # switches, the processes that write, whether the launcher's stderr is the failing run's
            (["/S", "/CURRENTUSER"], 1, True),
            (["/S"], 2, False),  # the all-users parent relaunches; the elevated copy fails
        ]
        for switches, writers, on_stderr in cases:
            with self.subTest(switches=switches), Prefix() as prefix:
                self.with_webview2(prefix, "HKCU")
                self.with_webview2(prefix, "HKLM", 32)
                log = prefix.unix_path(self.LOG)
                log.parent.mkdir()
                code, result = prefix.run_exit_code([damaged] + switches + ["/LOG=" + self.LOG], timeout=300)
                self.assertEqual(code, 2)
                records = log_records(log)
                lines = log.read_text(encoding="utf-8").splitlines()
                self.assertTrue(all(records), lines)
                pids = [pid for pid, _ in records]
                texts = [text for _, text in records]
                self.assertEqual(len(set(pids)), writers, lines)
                self.assertEqual(sum(text.startswith("Verilune Setup ") for text in texts), writers, lines)
                failures = [text[len("failure: "):] for text in texts if text.startswith("failure: ")]
                self.assertEqual(len(failures), 1, lines)
                self.assertTrue(failures[0], lines)
                self.assertTrue(any(re.fullmatch(r"step .+: \d+ ms", text) for text in texts), lines)
                self.assertEqual(texts[-1], "exit code 2")
                if on_stderr:
                    self.assertIn(failures[0], result.stderr)
                # The forwarded /LOG= lost its quotes; the copy used the quoted resume switch.
                self.assertFalse(prefix.unix_path(r"C:\setup").exists())


    def test_a_resumed_copy_opens_no_log_path_it_was_given(self):
        # What an elevated copy is handed by whoever starts it: a path, here one it could reach.
        with Prefix() as prefix:
            self.with_webview2(prefix, "HKLM", 32)
            code, _ = prefix.run_exit_code([installer(), "--vl-resume", "--vl-scope=machine", "--vl-log=C:\\a.log",
                                            "/S", "/LOG=C:\\b.log"], elevated=True, timeout=300)
            self.assertEqual(code, 0)
            self.assertFalse(prefix.unix_path(r"C:\a.log").exists())
            self.assertFalse(prefix.unix_path(r"C:\b.log").exists())

if __name__ == "__main__":
    unittest.main()

"""The real installer, silent, under Wine: the running application is closed (or terminated)
and replaced, the predecessor client VeriluneClient installed from its test MSI is found,
its programs ended, uninstalled through msiexec, its folder and autostart shortcuts removed,
and an earlier MSI installation of the product is uninstalled (kept with /UPDATE)."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from e2e import legacy_peer
from e2e.installer import REPO, sample_installer
from e2e.silent_support import mark_webview2_present
from harness.wine import Display, Prefix

UNINSTALL = r"HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall"
CLIENT_DIR = r"C:\Program Files (x86)\osmira\VeriluneClient"
MACHINE_DIR = r"C:\Program Files (x86)\Verilune"
COMMON_STARTUP = r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs\StartUp"
USER_STARTUP = r"C:\users\%s\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\StartUp" % os.environ.get(
    "USER", "root")
STARTUP_LINK = "Osmira.Security.KeyStarter.lnk"
CLIENT_PROGRAMS = ("Osmira.Security.KeyClient.exe", "Osmira.Security.KeyStarter.exe")

# An empty shell link: the header alone (size 0x4C, CLSID_ShellLink, no flags).
EMPTY_LINK = (bytes.fromhex("4c000000") + bytes.fromhex("0114020000000000c000000000000046") +
              bytes(0x4C - 20))


def silent_run_installs():
    """Whether this tree's unattended run runs the pipeline (it arrives with the unattended-install
    work; before that /S only exits with 1)."""
    source = REPO / "src" / "setup_app" / "silent_run_win.cpp"
    return source.exists() and "run_install(" in source.read_text(encoding="utf-8")


class LegacyRemovalBySilentInstall(unittest.TestCase):
    def setUp(self):
        if not silent_run_installs():
            self.skipTest("the unattended run does not run the install pipeline in this tree yet")
        if not sample_installer().exists():
            self.skipTest("no installer with the sample payload at %s (scripts/build-installer)"
                          % sample_installer())
        self.stack = []
        self.display = Display().__enter__()
        self.addCleanup(self.display.__exit__, None, None, None)
        self.prefix = Prefix(display=self.display).__enter__()
        self.addCleanup(self.prefix.__exit__, None, None, None)
        legacy_peer.use_virtual_desktop(self.prefix)
        # The WebView2 runtime counts as present: there is no network here.
        mark_webview2_present(self.prefix, "HKLM", 32)
        self.msi_dir = tempfile.mkdtemp(prefix="vl-peer-msi-")
        self.addCleanup(shutil.rmtree, self.msi_dir, True)
        legacy_peer.build_peer_msis(self.msi_dir)
        self.started = []
        self.addCleanup(self.stop_started)

    def stop_started(self):
        for process in self.started:
            if process.poll() is None:
                process.kill()
            process.wait()

    # ---- helpers ---------------------------------------------------------------------------
    def install_msi(self, name):
        msi = Prefix.windows_path(os.path.join(self.msi_dir, name + ".msi"))
        result = self.prefix.run(["msiexec", "/i", msi, "/qn"], timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])

    def start(self, windows_path, *args):
        process = self.prefix.start([windows_path] + list(args), stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        self.started.append(process)
        return process

    def installer(self, *switches):
        code, result = self.prefix.run_exit_code([sample_installer()] + list(switches), elevated=True,
                                                 timeout=300)
        return code

    def client_registered(self):
        return self.prefix.reg_query(UNINSTALL + "\\" + legacy_peer.CLIENT_PRODUCT_CODE) is not None

    def product_msi_registered(self):
        return self.prefix.reg_query(UNINSTALL + "\\" + legacy_peer.PRODUCT_MSI_CODE) is not None

    def place_startup_links(self):
        links = [self.prefix.unix_path(folder + "\\" + STARTUP_LINK) for folder in (COMMON_STARTUP, USER_STARTUP)]
        for link in links:
            # The folders exist in the prefix; a new one of another case would be another folder.
            self.assertTrue(link.parent.is_dir(), link.parent)
            link.write_bytes(EMPTY_LINK)
        return links

    def wait_exit(self, process, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline and process.poll() is None:
            time.sleep(0.05)
        return process.poll()

    # ---- cases -----------------------------------------------------------------------------
    def test_silent_install_removes_the_client_and_the_earlier_msi_install(self):
        self.install_msi("VeriluneClient")
        self.install_msi("Verilune")
        self.assertTrue(self.client_registered())
        self.assertTrue(self.product_msi_registered())
        client_dir = self.prefix.unix_path(CLIENT_DIR)
        (client_dir / "settings.dat").write_text("user data")  # keeps the folder after msiexec
        programs = [self.start(CLIENT_DIR + "\\" + name) for name in CLIENT_PROGRAMS]
        links = self.place_startup_links()
        time.sleep(1)
        self.assertTrue(all(p.poll() is None for p in programs))

        self.assertEqual(self.installer("/S", "/ALLUSERS"), 0)

        # (Wine hands a terminated console program's code to Linux as 0; the Wine tests read the
        # real code, 1, through GetExitCodeProcess.)
        self.assertNotIn(None, [self.wait_exit(p, 10) for p in programs], "the client still runs")
        self.assertFalse(self.client_registered(), "uninstalled through msiexec")
        self.assertFalse(client_dir.exists())
        for link in links:
            self.assertFalse(link.exists(), link)
        self.assertFalse(self.product_msi_registered(), "earlier MSI install removed")
        self.assertTrue(self.prefix.unix_path(MACHINE_DIR + "\\verilune.exe").is_file())

    def test_update_in_place_leaves_the_client_and_the_earlier_msi_install(self):
        self.install_msi("VeriluneClient")
        self.install_msi("Verilune")
        links = self.place_startup_links()

        self.assertEqual(self.installer("/S", "/ALLUSERS", "/UPDATE"), 0)

        self.assertTrue(self.client_registered())
        self.assertTrue(self.prefix.unix_path(CLIENT_DIR + "\\" + CLIENT_PROGRAMS[0]).is_file())
        for link in links:
            self.assertTrue(link.exists(), link)
        self.assertTrue(self.product_msi_registered())

    def running_app_case(self, update, *app_args):
        self.assertEqual(self.installer("/S", "/ALLUSERS"), 0)
        app = MACHINE_DIR + "\\verilune.exe"
        app_file = self.prefix.unix_path(app)
        before = app_file.stat().st_mtime_ns
        elsewhere = r"C:\Elsewhere\verilune.exe"
        self.prefix.unix_path(elsewhere).parent.mkdir(parents=True)
        shutil.copy2(app_file, self.prefix.unix_path(elsewhere))
        running = self.start(app, *app_args)
        other = self.start(elsewhere)
        time.sleep(2)
        self.assertIsNone(running.poll())

        started = time.monotonic()
        switches = ["/S", "/ALLUSERS"] + (["/UPDATE"] if update else [])
        self.assertEqual(self.installer(*switches), 0)
        elapsed = time.monotonic() - started

        code = self.wait_exit(running, 10)
        self.assertIsNone(other.poll(), "the copy in another folder was ended")
        self.assertGreater(app_file.stat().st_mtime_ns, before, "verilune.exe was not replaced")
        print("\n[ measured ] silent run%s with the application %s: %.2f s, application exit code %s"
              % (" /UPDATE" if update else "", "ignoring WM_CLOSE" if app_args else "running", elapsed, code))
        return code, elapsed

    def test_running_application_closes_politely_and_is_replaced(self):
        code, _ = self.running_app_case(False)
        self.assertEqual(code, 0)

    def test_application_ignoring_close_is_terminated_after_one_second(self):
        code, elapsed = self.running_app_case(False, "--ignore-close")
        self.assertEqual(code, 1)
        self.assertGreaterEqual(elapsed, 1.0)

    def test_update_gives_an_application_ignoring_close_eight_seconds(self):
        code, elapsed = self.running_app_case(True, "--ignore-close")
        self.assertEqual(code, 1)
        self.assertGreaterEqual(elapsed, 8.0)


if __name__ == "__main__":
    unittest.main()

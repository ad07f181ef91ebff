#!/usr/bin/env python3
"""The windowed installer end to end: the real installer with the sample payload under Wine and
Xvfb, driven with xdotool as a person would (clicks on the footer and prompt buttons, Tab and
Space through the page bodies), exit codes read through the non-elevated launcher.

Run: python3 -m unittest e2e.test_wizard (from tests/, after scripts/build-installer)
Screenshots are kept in build/windows/e2e/wizard/:
  welcome-fresh.png        Welcome of a fresh install (all users, desktop shortcut box)
  settings-current-user.png  Settings with "Зөвхөн надад" chosen and the per-user folder
  done-fresh.png           Done after the per-user install, "Verilune-г одоо нээх" ticked
  welcome-upgrade.png      Welcome in update mode over an installed older version
  prompt-open.png          the app-running prompt over the Reinstall Welcome page
  error-damaged.png        Error with the payload reader's failure text
  progress-elevated.png    the elevated copy's window on Progress at the parent's position
  welcome-144dpi.png       Welcome at 144 DPI (630 × 870 pixels)"""
import os
import re
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from e2e.installer import harness_program  # noqa: E402
from e2e.silent_support import (LOCAL_DIR, UNINSTALL_KEY, installer, log_records, mark_webview2_present,  # noqa: E402
                                patched_installer)
from harness.product import OLDER, VERSION  # noqa: E402
from harness.wine import Display, Prefix, build_dir, pixel  # noqa: E402

SHOTS = build_dir() / "e2e" / "wizard"
MACHINE_DIR = r"C:\Program Files (x86)\Verilune"
RECORD = r"C:\sample-runs.txt"
TITLE = "^Verilune Setup$"

# Fixed places (DIPs): the footer row and the prompt card's buttons.
FOOTER_FULL = (210, 530)
FOOTER_PRIMARY = (271, 530)
FOOTER_SECONDARY = (82, 530)
REINSTALL_PRIMARY = (210, 496)
PROMPT_CANCEL = (94, 366)
PROMPT_CONTINUE = (267, 366)
BADGE = (192, 238)  # inside the result badge's disc, off its glyph
MINIMISE = (357, 25)  # the caption's minimise button
# What Windows shows there, as a Direct2D gradient with translucent stops draws it.
HEADER_AND_GLOSS = [
    # GLOW at alpha 0.29 over HEADER_TOP: (24, 44, 92), a navy, not a light blue
    ("header glow", (5, 60), lambda c: all(abs(a - b) <= 8 for a, b in zip(c, (24, 44, 92)))),
    # the button's sky blue under a white of alpha 0.1 or less, not a white band
    ("button gloss", (40, 512), lambda c: c[0] < 130 and c[2] > 200),
]


class Wizard:
    """One installer run through the launcher, with its window on the display."""

    def __init__(self, test, prefix, display, program, *switches, dpi=96):
        self.test = test
        self.prefix = prefix
        self.display = display
        self.scale = dpi / 96.0
        self.exit_code = None
        launcher = harness_program("run_unelevated")
        self.process = prefix.start([launcher, program] + list(switches), env={"VL_SAMPLE_RECORD": RECORD},
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                    errors="replace")
        # The started application keeps Wine's output pipe open: read line by line.
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        test.addCleanup(self.process.kill)
        self.window = self.wait_window()

    def _read(self):
        for line in self.process.stdout:
            match = re.match(r"exit code: (\d+)", line)
            if match:
                self.exit_code = int(match.group(1))

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True,
                                timeout=30, env=dict(os.environ, DISPLAY=self.display.name))
        if check and result.returncode != 0:
            raise AssertionError("xdotool %s: %s" % (args, result.stderr))
        return result.stdout

    def visible_windows(self):
        return self.xdotool("search", "--onlyvisible", "--name", TITLE, check=False).split()

    def wait_window(self, timeout=90, other_than=None):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            ids = [i for i in self.visible_windows() if i != other_than]
            if ids:
                time.sleep(1.0)  # the first frames and the page entry
                return ids[0]
            if self.exit_code is not None:
                break
            time.sleep(0.2)
        raise AssertionError("no installer window (exit code %r)" % self.exit_code)

    def geometry(self, window=None):
        out = self.xdotool("getwindowgeometry", "--shell", window or self.window)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def screen_point(self, dips):
        x, y, _, _ = self.geometry()
        return x + round(dips[0] * self.scale), y + round(dips[1] * self.scale)

    def click(self, dips, settle=0.8):
        sx, sy = self.screen_point(dips)
        self.xdotool("mousemove", sx, sy)
        time.sleep(0.2)
        self.xdotool("click", "1")
        time.sleep(settle)

    def drag(self, dips, by):
        """Presses at `dips`, moves by `by` screen pixels in steps, releases, and waits until
        the window's new place is known."""
        before = self.geometry()
        sx, sy = self.screen_point(dips)
        self.xdotool("mousemove", sx, sy)
        time.sleep(0.3)
        self.xdotool("mousedown", "1")
        time.sleep(0.3)
        for k in range(1, 11):
            self.xdotool("mousemove", sx + by[0] * k // 10, sy + by[1] * k // 10)
            time.sleep(0.1)
        self.xdotool("mouseup", "1")
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and self.geometry() == before:
            time.sleep(0.2)
        time.sleep(0.5)

    def keys(self, *names):
        self.xdotool("windowfocus", "--sync", self.window, check=False)
        for name in names:
            self.xdotool("key", "--window", self.window, name)
            time.sleep(0.25)
        time.sleep(0.6)

    def window_pixels(self, path):
        x, y, w, h = self.geometry()
        return subprocess.run(["convert", str(path), "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                               "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout

    def screenshot(self, name, still=True, timeout=20):
        """The screen once the window shows content and, with `still`, two shots 0.4 s apart
        agree (software Direct2D under Wine lags behind the input on a busy machine)."""
        SHOTS.mkdir(parents=True, exist_ok=True)
        path = SHOTS / name
        previous = None
        deadline = time.monotonic() + timeout
        while True:
            subprocess.run(["import", "-window", "root", str(path)], check=True, timeout=30,
                           env=dict(os.environ, DISPLAY=self.display.name))
            painted = pixel(path, *self.screen_point((20, 470))) != (0, 0, 0)
            current = self.window_pixels(path) if still and painted else None
            if painted and (not still or current == previous) or time.monotonic() > deadline:
                return path
            previous = current
            time.sleep(0.4)

    def badge(self, timeout=120):
        """"success" or "failure" once a result page's badge shows, judged by its colour."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.exit_code is not None:
                break
            shot = self.screenshot("last-poll.png", still=False)
            time.sleep(0.5)
            r, g, b = pixel(shot, *self.screen_point(BADGE))
            if g > r + 60:
                return "success"
            if r > g + 60 and r > b + 60:
                return "failure"
        return None

    def wait_exit(self, timeout=60):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and self.exit_code is None:
            time.sleep(0.2)
        return self.exit_code


def runs(prefix, count=1, timeout=30):
    """The sample application's start records, once `count` are there."""
    path = prefix.unix_path(RECORD)
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if path.exists():
            lines = [line for line in path.read_text(encoding="utf-8").split("\n") if line]
            if len(lines) >= count:
                return [dict(item.split("=", 1) for item in line.split("\t")) for line in lines]
        time.sleep(0.2)
    return []


class WizardCase(unittest.TestCase):
    dpi = None

    def setUp(self):
        if not installer().exists():
            self.skipTest("no installer with the sample payload at %s (scripts/build-installer)" % installer())
        self.display = Display().__enter__()
        self.addCleanup(self.display.__exit__, None, None, None)
        self.prefix = Prefix(display=self.display).__enter__()
        self.addCleanup(self.prefix.__exit__, None, None, None)
        mark_webview2_present(self.prefix)
        mark_webview2_present(self.prefix, "HKLM", 32)
        if self.dpi:
            self.prefix.reg_set(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", self.dpi)

    def start(self, *switches, program=None):
        return Wizard(self, self.prefix, self.display, program or installer(), *switches,
                      dpi=self.dpi or 96)

    def installed_version(self, hive="HKCU"):
        values = self.prefix.reg_query(hive + "\\" + UNINSTALL_KEY, view=32 if hive == "HKLM" else None)
        return values and values.get("DisplayVersion", (None, None))[1]

    def silent_install(self):
        code, _ = self.prefix.run_exit_code([installer(), "/S", "/CURRENTUSER"], timeout=300)
        self.assertEqual(code, 0)


class FreshInstall(WizardCase):
    def test_per_user_through_settings_to_done_and_finish_starts_the_application(self):
        wizard = self.start()
        shot = wizard.screenshot("welcome-fresh.png")
        # Drawn from translucent gradient stops, which Wine's Direct2D blends wrongly: the
        # header's glow over its navy band, and the gloss over the upper half of the button.
        for what, dips, fits in HEADER_AND_GLOSS:
            colour = pixel(shot, *wizard.screen_point(dips))
            self.assertTrue(fits(colour), "%s at %s: %s" % (what, dips, colour))
        wizard.keys("Tab", "Return")              # "Өөрчлөх": the first target of the body
        wizard.keys("Tab", "Tab", "space")        # the second radio card, "Зөвхөн надад"
        wizard.screenshot("settings-current-user.png")
        wizard.click(FOOTER_PRIMARY)              # "Суулгах"
        self.assertEqual(wizard.badge(), "success")
        wizard.screenshot("done-fresh.png")
        self.assertEqual(self.installed_version(), VERSION)
        self.assertIsNone(self.installed_version("HKLM"))
        self.assertTrue(self.prefix.unix_path(LOCAL_DIR + r"\verilune.exe").is_file())
        wizard.click(FOOTER_FULL)                 # "Дуусгах"
        self.assertEqual(wizard.wait_exit(), 0)
        started = runs(self.prefix)
        self.assertEqual(len(started), 1, started)
        self.assertEqual(started[0]["cmdline"], '"%s\\verilune.exe" ' % LOCAL_DIR)


class Upgrade(WizardCase):
    def test_enter_updates_an_older_per_user_install_and_escape_on_done_keeps_success(self):
        self.silent_install()
        self.prefix.reg_set("HKCU\\" + UNINSTALL_KEY, "DisplayVersion", "REG_SZ", OLDER)
        wizard = self.start()
        wizard.screenshot("welcome-upgrade.png")
        wizard.keys("Return")                     # the default action: "Шинэчлэх"
        self.assertEqual(wizard.badge(), "success")
        self.assertEqual(self.installed_version(), VERSION)
        wizard.keys("Escape")
        self.assertEqual(wizard.wait_exit(), 0)
        self.assertEqual(runs(self.prefix, timeout=2), [])


class AppRunningPrompt(WizardCase):
    def test_cancel_then_close_and_continue(self):
        self.silent_install()
        app = self.prefix.start([LOCAL_DIR + r"\verilune.exe"], env={"VL_SAMPLE_RECORD": RECORD},
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(app.kill)
        self.assertEqual(len(runs(self.prefix)), 1)
        wizard = self.start()                     # Reinstall: the button sits higher
        wizard.click(REINSTALL_PRIMARY)
        wizard.screenshot("prompt-open.png")
        wizard.click(PROMPT_CANCEL)
        self.assertIsNone(wizard.badge(timeout=4))  # still on Welcome
        self.assertIsNone(app.poll())
        wizard.click(REINSTALL_PRIMARY)
        wizard.click(PROMPT_CONTINUE)
        self.assertEqual(wizard.badge(), "success")
        app.wait(timeout=30)                      # terminated to let the files be replaced
        wizard.keys("Escape")
        self.assertEqual(wizard.wait_exit(), 0)


class DamagedPayload(WizardCase):
    LOG = r"C:\wizard.log"

    def test_error_page_retry_fails_again_and_close_exits_2_and_each_attempt_is_logged(self):
        work = Path(tempfile.mkdtemp(prefix="vl-wizard-"))
        damaged = patched_installer(installer(), work / "installer-under-test-damaged.exe", 20 + 4000,
                                    b"\x00\xff\x00\xff")
        wizard = self.start("/CURRENTUSER", "/LOG=" + self.LOG, program=damaged)
        wizard.click(FOOTER_FULL)                 # "Суулгах"
        self.assertEqual(wizard.badge(), "failure")
        wizard.screenshot("error-damaged.png")
        wizard.click(FOOTER_PRIMARY)              # "Дахин оролдох"
        self.assertEqual(wizard.badge(), "failure")
        self.assertIsNone(wizard.exit_code)
        wizard.click(FOOTER_SECONDARY)            # "Хаах"
        self.assertEqual(wizard.wait_exit(), 2)
        # The lines of a silent run, once per attempt: steps, then the text the page showed.
        records = log_records(self.prefix.unix_path(self.LOG))
        self.assertTrue(all(records), records)
        texts = [text for _, text in records]
        self.assertEqual(len({pid for pid, _ in records}), 1, texts)
        self.assertTrue(texts[0].startswith("Verilune Setup "), texts)
        self.assertTrue(texts[1].startswith("options: scope=user "), texts)
        failures = [t for t in texts if t.startswith("failure: ")]
        self.assertEqual(len(failures), 2, texts)
        self.assertEqual(failures[0], failures[1])
        steps = [i for i, t in enumerate(texts) if re.fullmatch(r"step .+: \d+ ms", t)]
        self.assertTrue(steps and steps[0] < texts.index(failures[0]) < steps[-1], texts)
        self.assertEqual(texts[-1], "exit code 2")


class Passive(WizardCase):
    def test_passive_run_after_closes_itself_and_starts_the_application_with_its_arguments(self):
        wizard = self.start("/P", "/R", "/CURRENTUSER", "/ARGS", "x")
        self.assertEqual(wizard.wait_exit(timeout=180), 0)
        started = runs(self.prefix)
        self.assertEqual(len(started), 1, started)
        self.assertEqual(started[0]["cmdline"], '"%s\\verilune.exe" x' % LOCAL_DIR)

    def test_a_minimised_passive_run_still_closes_itself(self):
        # A minimised window draws no frames: the Done page's dwell is timed by the clock.
        wizard = self.start("/P", "/CURRENTUSER")
        wizard.click(MINIMISE, settle=0.0)
        self.assertEqual(wizard.wait_exit(timeout=120), 0)
        self.assertEqual(self.installed_version(), VERSION)

    def test_a_passive_run_closes_itself_while_a_repaint_always_waits(self):
        # A waiting WM_PAINT is handed out before any WM_TIMER: the dwell's timer alone would
        # never fire while something keeps invalidating the window.
        repainter = self.prefix.start([harness_program("post_message"), "repaint"],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(repainter.kill)
        wizard = self.start("/P", "/CURRENTUSER")
        self.assertEqual(wizard.wait_exit(timeout=120), 0)
        self.assertEqual(repainter.wait(timeout=30), 0)


class AllUsersFromTheLauncher(WizardCase):
    def test_the_elevated_copy_opens_on_progress_where_the_first_window_was(self):
        wizard = self.start()
        first = wizard.window
        before = wizard.geometry()
        wizard.drag((100, 60), (-200, -150))      # by the header band, away from the centre
        parent_at = wizard.geometry()
        self.assertNotEqual(parent_at, before)
        wizard.click(FOOTER_FULL)                 # "Суулгах", all users by default
        child = wizard.wait_window(other_than=first)
        wizard.window = child
        wizard.screenshot("progress-elevated.png", still=False)
        deadline = time.monotonic() + 15          # the hide request follows the copy's start
        while time.monotonic() < deadline and first in wizard.visible_windows():
            time.sleep(0.2)
        self.assertNotIn(first, wizard.visible_windows())
        self.assertEqual(wizard.geometry(child)[:2], parent_at[:2])
        self.assertEqual(wizard.badge(), "success")
        self.assertEqual(self.installed_version("HKLM"), VERSION)
        wizard.click(FOOTER_FULL)                 # the copy's "Дуусгах"
        self.assertEqual(wizard.wait_exit(timeout=60), 0)


class At144Dpi(WizardCase):
    dpi = 144

    def test_window_is_630_by_870_and_the_footer_button_answers(self):
        wizard = self.start("/CURRENTUSER")
        self.assertEqual(wizard.geometry()[2:], (630, 870))
        wizard.screenshot("welcome-144dpi.png")
        wizard.click(FOOTER_FULL)
        self.assertEqual(wizard.badge(), "success")
        wizard.keys("Escape")
        self.assertEqual(wizard.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()

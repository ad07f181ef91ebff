#!/usr/bin/env python3
"""The real window under Wine and Xvfb, driven with xdotool: size and placement by DPI, mouse,
keyboard and close handling as seen by the widget showcase's handlers, the drag band, the
animation timer, and screenshots checked by sampling pixels.

Run: python3 tests/e2e/test_window.py [-v]   (after building the windows preset)
Screenshots are kept in build/windows/e2e/window/ (see SHOTS below)."""
import os
import re
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.wine import Display, Prefix, build_dir, pixel  # noqa: E402

REPO = Path(__file__).resolve().parents[2]
HARNESS = build_dir() / "tests"
SHOWCASE = HARNESS / "showcase.exe"
POST_MESSAGE = HARNESS / "post_message.exe"
SHOTS = build_dir() / "e2e" / "window"
SCREEN = (1280, 1024)

# Showcase layout in DIPs (tests/harness/showcase_app.h).
PRIMARY = (120, 162)         # id 1
SECONDARY = (300, 162)       # id 2
DISABLED = (210, 220)        # id 3, registers no target
CHECK_BOX = (60, 270)        # id 4, "allow close"
CURRENT_USER = (200, 402)    # id 6; with close allowed the next frame asks to close
HELP = (64, 28)              # id 7, inside the 56-DIP drag band
BAND_FREE = (230, 30)        # drag band, outside every target
BODY_FREE = (20, 250)        # below the band, outside every target
HEADER_FREE = (360, 80)       # header band, right of the logo, below the caption buttons
HEADER_COLOR = (13, 27, 61)
LINK = (210, 458)             # id 8: the showcase answers with a simulated move to 144 DPI
LOGO_TILE = (178, 52)         # the embedded logo's blue tile, near its upper right corner
BODY_COLOR = (244, 247, 251)


def require_tools():
    missing = [exe for exe in (SHOWCASE, POST_MESSAGE) if not exe.exists()]
    if missing:
        raise unittest.SkipTest("build the windows preset first: missing %s" % missing)


class Showcase:
    """One running showcase.exe in a prefix on a display, with its handler log."""

    def __init__(self, prefix, display, extra_args=()):
        self.prefix = prefix
        self.display = display
        self.log = prefix.path / "drive_c" / "showcase.log"
        args = [SHOWCASE, "--log=C:\\showcase.log"]  # the logo is the embedded one
        self.process = prefix.start(args + list(extra_args), stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        self.window = None
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            if "frame" in self.text():
                found = self.xdotool("search", "--name", "^Verilune Setup$", check=False)
                ids = found.split()
                if ids:
                    self.window = ids[0]
                    break
            time.sleep(0.2)
        if self.window is None:
            self.stop()
            raise AssertionError("the showcase window did not appear; log: %r" % self.text())
        self.settle()

    # ---- observation ---------------------------------------------------------------------
    def text(self):
        try:
            return self.log.read_text(encoding="utf-8", errors="replace")
        except FileNotFoundError:
            return ""

    def lines(self):
        return [line for line in self.text().splitlines() if not line.startswith("frame ")]

    def events_after(self, mark):
        return self.lines()[mark:]

    def frame_count(self):
        return len(re.findall(r"^frame ", self.text(), re.M))

    def geometry(self):
        out = self.xdotool("getwindowgeometry", "--shell", self.window)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return (int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"]))

    def exited(self, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if "exit" in self.lines():
                return True
            time.sleep(0.1)
        return False

    # ---- input ---------------------------------------------------------------------------
    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.display_env(),
                                capture_output=True, text=True, timeout=30)
        if check and result.returncode != 0:
            raise AssertionError("xdotool %s failed: %s" % (args, result.stderr))
        return result.stdout

    def display_env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display.name
        return env

    def screen_point(self, dip_point, dpi=96):
        x, y, _, _ = self.geometry()
        scale = dpi / 96.0
        return (x + round(dip_point[0] * scale), y + round(dip_point[1] * scale))

    def move_to(self, dip_point):
        sx, sy = self.screen_point(dip_point)
        self.xdotool("mousemove", sx, sy)
        time.sleep(0.15)

    def click(self, dip_point):
        self.move_to(dip_point)
        self.xdotool("click", "1")
        self.settle()

    def press_at(self, dip_point):
        self.move_to(dip_point)
        self.xdotool("mousedown", "1")
        time.sleep(0.15)

    def release_at(self, dip_point):
        self.move_to(dip_point)
        self.xdotool("mouseup", "1")
        self.settle()

    def key(self, *names):
        self.xdotool("windowfocus", "--sync", self.window, check=False)
        for name in names:
            self.xdotool("key", "--window", self.window, name)
            time.sleep(0.1)
        self.settle()

    def settle(self, seconds=0.6):
        time.sleep(seconds)

    def last_frame_animates(self):
        frames = re.findall(r"^frame \d+ animate (\d)", self.text(), re.M)
        return bool(frames) and frames[-1] == "1"

    def wait_still(self, timeout=20):
        """Waits until the last frame drawn asked for no further frame (animations settled;
        software rendering under Wine can be slow on a busy machine)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not self.last_frame_animates():
                return True
            time.sleep(0.1)
        return False

    def screenshot(self, name, painted_at=BODY_FREE, dpi=96):
        """The whole screen as a PNG, taken once the window's content has reached the X
        server (the body point is no longer black); the last attempt is kept either way."""
        SHOTS.mkdir(parents=True, exist_ok=True)
        path = SHOTS / name
        self.wait_still()
        sx, sy = self.screen_point(painted_at, dpi)
        for _ in range(20):
            subprocess.run(["import", "-window", "root", str(path)], env=self.display_env(),
                           check=True, timeout=30)
            if pixel(path, sx, sy) != (0, 0, 0):
                break
            time.sleep(0.25)
        return path

    def post(self, what):
        """post_message.exe's exit status: 0 when sent (or, for "iconic", when minimised)."""
        return self.prefix.run([POST_MESSAGE, what]).returncode

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()


def assert_colour(test, image, x, y, expected, tolerance=6, what=""):
    actual = pixel(image, x, y)
    test.assertTrue(all(abs(a - e) <= tolerance for a, e in zip(actual, expected)),
                    "%s at (%d, %d): %s, expected %s" % (what, x, y, actual, expected))


class WindowTest(unittest.TestCase):
    """Each test runs in a fresh prefix on its own Xvfb display."""

    dpi = None  # LogPixels written into the prefix before the showcase starts

    @classmethod
    def setUpClass(cls):
        require_tools()

    def setUp(self):
        self.display = Display(*SCREEN).__enter__()
        self.addCleanup(self.display.__exit__, None, None, None)
        self.prefix = Prefix(display=self.display).__enter__()
        self.addCleanup(self.prefix.__exit__, None, None, None)
        if self.dpi is not None:
            self.prefix.reg_set(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", self.dpi)

    def start(self, *args):
        app = Showcase(self.prefix, self.display, args)
        self.addCleanup(app.stop)
        return app


class PlacementAt96Dpi(WindowTest):
    def test_opens_420_by_580_centred_in_the_work_area(self):
        app = self.start()
        self.assertEqual(app.geometry(), ((SCREEN[0] - 420) // 2, (SCREEN[1] - 580) // 2, 420, 580))
        self.assertIn("created", app.lines())

    def test_a_handed_over_position_is_used_exactly_even_partly_off_screen(self):
        app = self.start("--pos=-120,37")
        self.assertEqual(app.geometry(), (-120, 37, 420, 580))

    def test_screenshot_shows_header_body_and_primary_button(self):
        app = self.start()
        shot = app.screenshot("showcase-96dpi.png")
        x, y, _, _ = app.geometry()
        assert_colour(self, shot, x + HEADER_FREE[0], y + HEADER_FREE[1], HEADER_COLOR,
                      what="header band")
        assert_colour(self, shot, x + 20, y + 250, BODY_COLOR, what="body")
        # Primary button: the 135-degree gradient runs from (57, 198, 240) to (26, 127, 208)
        # under a faint white gloss; its middle is a clear mid blue.
        r, g, b = pixel(shot, x + PRIMARY[0], y + PRIMARY[1] + 8)
        self.assertTrue(r < 90 and 120 < g < 200 and b > 190, "primary button %s" % ((r, g, b),))
        # The gloss's stops are translucent; Wine's gradient brush would draw a white band.
        r, g, b = pixel(shot, x + PRIMARY[0] - 56, y + PRIMARY[1] - 8)  # left of the label
        self.assertTrue(r < 130 and b > 190, "primary button's gloss %s" % ((r, g, b),))
        r, g, b = pixel(shot, x + LOGO_TILE[0], y + LOGO_TILE[1])
        self.assertTrue(r < 60 and g > 60 and b > 150, "logo tile %s" % ((r, g, b),))
        # Unchecked check box: a white box with a grey outline.
        assert_colour(self, shot, x + 49, y + 270, (255, 255, 255), what="check box inside")


class Lifecycle(WindowTest):
    def test_a_close_request_from_on_created_ends_the_run_before_the_loop(self):
        log = self.prefix.path / "drive_c" / "showcase.log"
        process = self.prefix.start([SHOWCASE, "--log=C:\\showcase.log", "--close-at-start"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertEqual(process.wait(timeout=120), 0)
        lines = [l for l in log.read_text().splitlines() if not l.startswith("frame ")]
        self.assertEqual(lines, ["created", "exit"])


class PlacementInAReducedWorkArea(WindowTest):
    def set_work_area(self, x, y, width, height):
        """Publishes _NET_WORKAREA on the root window as a desktop with panels would. A client
        stays connected meanwhile: Xvfb resets the root's properties when the last one leaves."""
        env = dict(os.environ, DISPLAY=self.display.name)
        holder = subprocess.Popen(["xprop", "-root", "-spy", "_NET_WORKAREA"], env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(holder.wait, 10)
        self.addCleanup(holder.terminate)
        time.sleep(0.3)
        for name, value in (("_NET_CURRENT_DESKTOP", "0"),
                            ("_NET_WORKAREA", "%d,%d,%d,%d" % (x, y, width, height))):
            subprocess.run(["xprop", "-root", "-f", name, "32c", "-set", name, value], env=env,
                           check=True, timeout=30)

    def test_the_window_is_centred_in_the_work_area_not_the_screen(self):
        # Panels take 100 pixels on the left, 30 at the top and 40 at the bottom.
        self.set_work_area(100, 30, 1180, 954)
        app = self.start()
        self.assertEqual(app.geometry(), (100 + (1180 - 420) // 2, 30 + (954 - 580) // 2, 420, 580))


class PlacementAt144Dpi(WindowTest):
    dpi = 144

    def test_opens_630_by_870_centred(self):
        app = self.start()
        self.assertEqual(app.geometry(), ((SCREEN[0] - 630) // 2, (SCREEN[1] - 870) // 2, 630, 870))
        shot = app.screenshot("showcase-144dpi.png", dpi=144)
        x, y, _, _ = app.geometry()
        assert_colour(self, shot, x + 540, y + 120, HEADER_COLOR, what="header band at 144 DPI")
        assert_colour(self, shot, x + 30, y + 375, BODY_COLOR, what="body at 144 DPI")
        r, g, b = pixel(shot, x + round(LOGO_TILE[0] * 1.5), y + round(LOGO_TILE[1] * 1.5))
        self.assertTrue(r < 60 and g > 60 and b > 150, "logo tile at 144 DPI %s" % ((r, g, b),))


class PlacementAt72Dpi(WindowTest):
    dpi = 72

    def test_a_reported_72_keeps_420_by_580(self):
        app = self.start()
        self.assertEqual(app.geometry()[2:], (420, 580))


class DpiChange(WindowTest):
    def test_a_dpi_change_resizes_to_the_suggested_rectangle_and_redraws_at_the_new_scale(self):
        app = self.start()
        x, y, _, _ = app.geometry()
        app.click(LINK)
        self.assertEqual(app.geometry(), (x, y, 630, 870))
        self.assertTrue(app.wait_still())
        last = re.findall(r"^frame \d+ animate \d dpi (\S+) size (\S+)$", app.text(), re.M)[-1]
        self.assertEqual(last, ("144", "420x580"))  # the same page in DIPs
        shot = app.screenshot("showcase-after-dpi-change.png", dpi=144)
        assert_colour(self, shot, x + 540, y + 120, HEADER_COLOR, what="header after the change")
        # The logo is decoded again for 144 DPI and drawn at its scaled place.
        r, g, b = pixel(shot, x + round(LOGO_TILE[0] * 1.5), y + round(LOGO_TILE[1] * 1.5))
        self.assertTrue(r < 60 and g > 60 and b > 150, "logo tile after the change %s" % ((r, g, b),))
        # Mouse positions are converted with the new DPI: the primary button still clicks.
        mark = len(app.lines())
        sx, sy = app.screen_point(PRIMARY, dpi=144)
        app.xdotool("mousemove", sx, sy)
        time.sleep(0.15)
        app.xdotool("click", "1")
        app.settle()
        self.assertEqual(app.events_after(mark), ["action 1"])


class MouseRules(WindowTest):
    def test_a_click_on_a_button_reaches_on_action(self):
        app = self.start()
        mark = len(app.lines())
        app.click(PRIMARY)
        app.click(SECONDARY)
        self.assertEqual(app.events_after(mark), ["action 1", "action 2"])

    def test_press_then_release_elsewhere_or_on_another_button_activates_nothing(self):
        app = self.start()
        mark = len(app.lines())
        app.press_at(PRIMARY)
        app.release_at(BODY_FREE)
        app.press_at(PRIMARY)
        app.release_at(SECONDARY)
        app.click(DISABLED)
        self.assertEqual(app.events_after(mark), [])

    def test_the_top_band_drags_the_window_and_a_button_in_it_clicks(self):
        app = self.start()
        x0, y0, _, _ = app.geometry()
        app.press_at(BAND_FREE)
        sx, sy = app.screen_point(BAND_FREE)
        for step in range(1, 6):
            app.xdotool("mousemove", sx + 12 * step, sy + 8 * step)
            time.sleep(0.1)
        app.xdotool("mouseup", "1")
        app.settle()
        x1, y1, _, _ = app.geometry()
        self.assertEqual((x1 - x0, y1 - y0), (60, 40))
        mark = len(app.lines())
        app.click(HELP)
        self.assertEqual(app.events_after(mark), ["action 7"])

    def test_a_still_window_stops_its_timer(self):
        app = self.start()
        app.move_to(PRIMARY)  # the hover animation runs on the 15 ms timer
        app.move_to(SECONDARY)
        self.assertTrue(app.wait_still(), "the hover animation never settled")
        self.assertIn("animate 1", app.text(), "the hover animation never asked for frames")
        still = app.frame_count()
        time.sleep(1.5)
        self.assertEqual(app.frame_count(), still, "frames kept coming from a still window")
        # Moving within the hovered button changes no hover: nothing is redrawn.
        app.move_to((SECONDARY[0] + 20, SECONDARY[1] + 5))
        app.move_to((SECONDARY[0] - 30, SECONDARY[1] - 6))
        app.settle()
        self.assertEqual(app.frame_count(), still, "moving within one button redrew the window")


class KeyboardRules(WindowTest):
    def test_tab_and_shift_tab_move_focus_and_enter_space_activate_it(self):
        app = self.start()
        mark = len(app.lines())
        app.key("Tab")            # help (7): the first focusable target drawn
        app.key("Tab")            # primary (1); the reserved caption ids are skipped
        app.key("Return")
        app.key("Tab", "space")   # secondary (2)
        app.key("shift+Tab")      # back to primary
        app.key("shift+Tab", "space")  # help
        self.assertEqual(app.events_after(mark), ["action 1", "action 2", "action 7"])

    def test_enter_without_a_visible_focus_runs_the_default_action(self):
        app = self.start()
        mark = len(app.lines())
        app.key("Return")
        app.key("space")  # no focus: nothing
        app.click(SECONDARY)  # focus moves to 2 without showing the ring
        app.key("Return")
        self.assertEqual(app.events_after(mark),
                         ["default", "action 1", "action 2", "default", "action 1"])

    def test_a_held_enter_activates_once(self):
        app = self.start()
        app.key("Tab", "Tab")  # primary, ring visible
        mark = len(app.lines())
        app.xdotool("windowfocus", "--sync", app.window, check=False)
        app.xdotool("keydown", "Return")
        time.sleep(1.5)  # the X server's auto-repeat sends repeated presses meanwhile
        app.xdotool("keyup", "Return")
        app.settle()
        self.assertEqual(app.events_after(mark), ["action 1"])

    def test_escape_asks_on_close_and_the_window_stays_until_it_agrees(self):
        app = self.start()
        mark = len(app.lines())
        app.key("Escape")
        self.assertEqual(app.events_after(mark), ["close refused"])
        self.assertFalse(app.exited(timeout=1))
        app.click(CHECK_BOX)  # allow close
        self.assertTrue(app.wait_still())
        shot = app.screenshot("showcase-checked-96dpi.png")
        x, y, _, _ = app.geometry()
        r, g, b = pixel(shot, x + 44, y + 266)  # the filled box's gradient, near its corner
        self.assertTrue(b > 180 and r < 120, "checked box %s" % ((r, g, b),))
        app.key("Escape")
        self.assertTrue(app.exited(), "the window did not close: %r" % app.lines())
        self.assertEqual(app.events_after(mark),
                         ["close refused", "action 4", "close accepted", "exit"])

    def test_every_close_request_goes_through_on_close(self):
        app = self.start()
        mark = len(app.lines())
        app.click((394, 26))    # the page's close button, TARGET_CLOSE
        app.key("alt+F4")
        self.assertEqual(app.post("close"), 0)      # WM_CLOSE
        self.assertEqual(app.post("sysclose"), 0)   # the taskbar button's Close
        app.settle()
        self.assertEqual(app.events_after(mark), ["close refused"] * 4)
        self.assertFalse(app.exited(timeout=1))
        app.click(CHECK_BOX)
        self.assertEqual(app.post("sysclose"), 0)
        self.assertTrue(app.exited())

    def test_the_minimise_button_minimises_and_a_minimised_window_draws_nothing(self):
        app = self.start()
        mark = len(app.lines())
        app.click((358, 26))    # TARGET_MINIMIZE
        self.assertEqual(app.post("iconic"), 0, "the window is not minimised")
        app.settle()
        frames = app.frame_count()
        # The hover animation's timer may still fire and the posted message invalidates the
        # window: neither draws while it is minimised.
        self.assertEqual(app.post("app"), 0)
        app.settle(1.0)
        self.assertEqual(app.events_after(mark), ["app_message"])  # no on_action for it
        self.assertEqual(app.frame_count(), frames)


class FrameClose(WindowTest):
    def test_a_frame_that_asks_to_close_destroys_the_window_without_on_close(self):
        app = self.start()
        mark = len(app.lines())
        app.click(CURRENT_USER)  # close not allowed yet: an ordinary choice
        self.assertFalse(app.exited(timeout=1))
        app.click(CHECK_BOX)
        app.click(CURRENT_USER)
        self.assertTrue(app.exited(), "the frame's close request left the window")
        self.assertEqual(app.events_after(mark), ["action 6", "action 4", "action 6", "exit"])


class AppMessages(WindowTest):
    def test_wm_app_1_reaches_on_app_message_and_a_close_request_destroys_at_once(self):
        app = self.start()
        mark = len(app.lines())
        self.assertEqual(app.post("app"), 0)
        app.settle()
        self.assertEqual(app.events_after(mark), ["app_message"])
        app.click(CHECK_BOX)
        self.assertEqual(app.post("app"), 0)
        self.assertTrue(app.exited(), "WM_APP + 1 with a close request left the window")
        self.assertEqual(app.events_after(mark),
                         ["app_message", "action 4", "app_message", "exit"])


if __name__ == "__main__":
    unittest.main()

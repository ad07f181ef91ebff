#!/usr/bin/env python3
"""The window as a screen reader finds it, under Wine and Xvfb: msaa_client.exe reads the
accessible tree through oleacc from another process, presses targets through their default
action and listens to the window's events.

Run: python3 tests/e2e/test_accessibility.py [-v]   (after building the windows preset)"""
import re
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from e2e.test_window import SCREEN, Showcase, require_tools  # noqa: E402
from e2e.installer import sample_installer, wait_for_window  # noqa: E402
from e2e.silent_support import mark_webview2_present  # noqa: E402
from harness.wine import Display, Prefix, build_dir  # noqa: E402

MSAA_CLIENT = build_dir() / "tests" / "msaa_client.exe"
CHILD = re.compile(r'^(\d+) (\w+) "(.*)" \[([\w,]*)\] @(-?\d+),(-?\d+),(\d+),(\d+)')


def children(output, after_press=False):
    """{name: (role, states, (left, top, width, height))} of one printed tree."""
    if after_press:
        output = output.split("after press", 1)[1]
    else:
        output = output.split("after press", 1)[0]
    found = {}
    for line in output.splitlines():
        match = CHILD.match(line)
        if match:
            _, role, name, states, *where = match.groups()
            found[name] = (role, set(filter(None, states.split(","))), tuple(map(int, where)))
    return found


class ShowcaseAccessibility(unittest.TestCase):
    """One showcase in a fresh prefix; each test reads it anew."""

    def setUp(self):
        require_tools()
        if not MSAA_CLIENT.exists():
            raise unittest.SkipTest("build the windows preset first: missing %s" % MSAA_CLIENT)
        self.display = Display(*SCREEN).__enter__()
        self.addCleanup(self.display.__exit__, None, None, None)
        self.prefix = Prefix(display=self.display).__enter__()
        self.addCleanup(self.prefix.__exit__, None, None, None)
        self.showcase = Showcase(self.prefix, self.display)
        self.addCleanup(self.showcase.stop)

    def client(self, *args):
        result = self.prefix.run([MSAA_CLIENT] + list(args), timeout=90)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr[-2000:])
        return result.stdout

    def test_children_are_the_drawn_targets_and_texts_with_role_state_and_place(self):
        output = self.client()
        self.assertRegex(output, r'^client dialog "Verilune Setup"')
        tree = children(output)
        rows = [  # name, role, states
            ("Тусламж", "button", {"focusable"}),
            ("Багасгах", "button", set()),
            ("Хаах", "button", set()),
            ("Verilune суулгагч — туршилт", "text", {"readonly"}),
            ("Суулгах", "button", {"focusable"}),
            ("Идэвхгүй", "button", {"unavailable"}),
            ("Хаахыг зөвшөөрөх", "checkbox", {"focusable"}),
            ("Бүх хэрэглэгчид", "radio", {"checked", "focusable"}),
            ("Зөвхөн надад", "radio", {"focusable"}),
            ("Дэлгэрэнгүй мэдээлэл", "link", {"focusable", "linked"}),
        ]
        for name, role, states in rows:
            with self.subTest(name=name):
                self.assertIn(name, tree)
                self.assertEqual(tree[name][:2], (role, states))
        # Screen pixels: the primary button's rectangle (40, 140, 160, 44) at 96 DPI.
        x, y, _, _ = self.showcase.geometry()
        self.assertEqual(tree["Суулгах"][2], (x + 40, y + 140, 160, 44))

    def test_default_action_is_the_targets_click(self):
        rows = [  # child pressed, --until, what the showcase's handler saw
            ("Суулгах", None, "action 1"),
            ("Хаахыг зөвшөөрөх", '"Хаахыг зөвшөөрөх" [checked', "action 4"),
            ("Хаах", None, "close accepted"),  # the box was just checked: close allowed
        ]
        for name, until, seen in rows:
            with self.subTest(name=name):
                mark = len(self.showcase.lines())
                args = ["--press=" + name] + (["--until=" + until] if until else [])
                output = self.client(*args)
                self.assertTrue(self.wait_for(seen, mark), self.showcase.lines()[mark:])
                if until:
                    self.assertIn("checked", children(output, after_press=True)[name][1])
        self.assertTrue(self.showcase.exited())

    def test_keyboard_focus_is_announced(self):
        listener = self.prefix.start([MSAA_CLIENT, "--listen=3000"], stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True, errors="replace")
        output = ""
        while "listening" not in output:
            line = listener.stdout.readline()
            self.assertTrue(line, "the client ended before listening: %r" % output)
            output += line
        self.showcase.key("Tab", "Tab", "space")
        output += listener.communicate(timeout=90)[0]
        # The hook's callbacks run after the fact: the state read then may be a later one.
        events = [line.rsplit(" [", 1)[0] for line in output.splitlines()
                  if line.startswith("event ")]
        self.assertIn('event focus 1 button "Тусламж"', events)
        self.assertIn('event focus 5 button "Суулгах"', events)
        self.assertTrue(self.wait_for("action 1", 0))

    def wait_for(self, line, mark, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if line in self.showcase.lines()[mark:]:
                return True
            time.sleep(0.1)
        return False


class InstallerAccessibility(unittest.TestCase):
    """The real installer, from Welcome to Done, driven by the reader alone."""

    def setUp(self):
        if not MSAA_CLIENT.exists() or not sample_installer().exists():
            raise unittest.SkipTest("build the windows preset and scripts/build-installer first")
        self.display = Display(*SCREEN).__enter__()
        self.addCleanup(self.display.__exit__, None, None, None)
        self.prefix = Prefix(display=self.display).__enter__()
        self.addCleanup(self.prefix.__exit__, None, None, None)
        for hive, view in (("HKCU", None), ("HKLM", 32)):  # no download: the runtime is there
            mark_webview2_present(self.prefix, hive, view)

    def client(self, *args):
        result = self.prefix.run([MSAA_CLIENT] + list(args), timeout=180)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr[-2000:])
        return result.stdout

    def test_welcome_to_done_through_default_actions(self):
        installer = self.prefix.start([sample_installer()], stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: installer.poll() is None and installer.kill())
        if not wait_for_window(self.display, "^Verilune Setup$", 60, installer):
            # A build whose entry point has no windowed run yet ends at once, windowless.
            self.assertIsNotNone(installer.poll(), "no window, and the installer still runs")
            raise unittest.SkipTest("this build of the installer shows no wizard window")

        output = self.client("--listen=1500", "--press=Суулгах", "--until=Дуусгах")
        welcome, done = children(output), children(output, after_press=True)
        self.assertEqual(welcome["Суулгах"][:2], ("button", {"focusable"}))
        self.assertIn("text", {role for role, _, _ in welcome.values()})
        self.assertEqual(done["Verilune-г одоо нээх"][:2], ("checkbox", {"checked", "focusable"}))
        # Each page change sends the reader to the window, which reads the new page.
        events = output.split("listening", 1)[1]
        self.assertGreaterEqual(events.count('event reorder 0'), 2, events)
        self.assertGreaterEqual(events.count('event focus 0 dialog "Verilune Setup"'), 2, events)

        # Untick "open now" and finish: the installer ends with success.
        self.client("--press=Verilune-г одоо нээх", '--until="Verilune-г одоо нээх" [focusable')
        self.client("--press=Дуусгах")
        self.assertEqual(installer.wait(timeout=60), 0)


if __name__ == "__main__":
    unittest.main()

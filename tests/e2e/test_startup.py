"""Start-up checks of the real installer under Wine: the refusal of old Windows and the single
instance, with and without /S."""
import subprocess
import time
import unittest

from e2e.installer import REPO, dev_installer, harness_program, screenshot, send_keys, wait_for_window
from harness.wine import Display, Prefix

BOX_TITLE = "^Verilune$"
SHOTS = REPO / "build" / "screenshots"


class OldWindows(unittest.TestCase):
    def test_silent_refusal_exits_1_without_a_box(self):
        with Display() as display, Prefix(display=display, windows_version="win7") as prefix:
            process = prefix.start([dev_installer(), "/S"])
            self.assertEqual(process.wait(timeout=120), 1)
            self.assertEqual(wait_for_window(display, BOX_TITLE, timeout=1), [])

    def test_windowed_refusal_shows_the_error_box_then_exits_1(self):
        with Display() as display, Prefix(display=display, windows_version="win7") as prefix:
            process = prefix.start([dev_installer()])
            boxes = wait_for_window(display, BOX_TITLE, timeout=60, process=process)
            self.assertTrue(boxes, "no message box titled Verilune appeared")
            screenshot(display, SHOTS / "old-windows-box.png")
            self.assertIsNone(process.poll(), "the installer must wait for the box to be closed")
            send_keys(display, boxes[0], "Return")
            self.assertEqual(process.wait(timeout=60), 1)

    def test_windows_10_passes_the_check(self):
        # Without a payload the silent run fails later with 2, never with the refusal's 1.
        with Prefix() as prefix:
            result = prefix.run([dev_installer(), "/S"])
            self.assertEqual(result.returncode, 2)


class SingleInstance(unittest.TestCase):
    def hold_mutex(self, prefix):
        holder = prefix.start([harness_program("hold_mutex"), "Local\\VeriluneSetup"],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.assertEqual(holder.stdout.readline().strip(), "holding")
        return holder

    def release(self, holder):
        holder.stdin.write("\n")
        holder.stdin.close()
        holder.wait(timeout=30)

    def test_second_silent_instance_exits_1(self):
        with Display() as display, Prefix(display=display) as prefix:
            holder = self.hold_mutex(prefix)
            try:
                process = prefix.start([dev_installer(), "/S"])
                self.assertEqual(process.wait(timeout=120), 1)
                self.assertEqual(wait_for_window(display, BOX_TITLE, timeout=1), [])
            finally:
                self.release(holder)

    def test_second_windowed_instance_shows_the_information_box(self):
        with Display() as display, Prefix(display=display) as prefix:
            holder = self.hold_mutex(prefix)
            try:
                process = prefix.start([dev_installer()])
                boxes = wait_for_window(display, BOX_TITLE, timeout=60, process=process)
                self.assertTrue(boxes, "no information box appeared")
                screenshot(display, SHOTS / "already-running-box.png")
                send_keys(display, boxes[0], "Return")
                self.assertEqual(process.wait(timeout=60), 1)
            finally:
                self.release(holder)

    def test_resumed_run_skips_the_mutex(self):
        with Display() as display, Prefix(display=display) as prefix:
            holder = self.hold_mutex(prefix)
            try:
                process = prefix.start([dev_installer(), "--VL-RESUME", "/S"])
                code = process.wait(timeout=120)
                self.assertEqual(wait_for_window(display, BOX_TITLE, timeout=1), [])
                # Past the mutex the silent run finds no payload in the development build.
                self.assertEqual(code, 2)
            finally:
                self.release(holder)


if __name__ == "__main__":
    unittest.main()

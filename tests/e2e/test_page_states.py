#!/usr/bin/env python3
"""Every named wizard page state (tests/support/wizard_states.cpp) drawn by the installer's own
paint_wizard through real Direct2D, DirectWrite and WIC into PNGs (all at 96 DPI, a few at
144): each state draws, the logo is decoded once at the header's settled width, and a few
sampled pixels show what the state is about (the result badge's colour, the prompt's scrim
darkening the page).

Run: python3 tests/e2e/test_page_states.py [-v]   (after building the windows preset)
The images are kept in build/windows/e2e/page_states/DPI/NAME.png for review."""
import re
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.wine import Display, Prefix, build_dir  # noqa: E402
from e2e.test_offscreen import read_region  # noqa: E402

RENDERER = build_dir() / "tests" / "offscreen_render.exe"
OUT = build_dir() / "e2e" / "page_states"


def mean(pixels):
    return tuple(sum(p[i] for p in pixels) / len(pixels) for i in range(3))


class PageStates(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not RENDERER.exists():
            raise unittest.SkipTest("build the windows preset first: missing %s" % RENDERER)
        cls.display = cls.enterClassContext(Display())
        cls.prefix = cls.enterClassContext(Prefix(display=cls.display))
        cls.rendered = {}

    def render_all(self, dpi):
        if dpi not in self.rendered:
            out = OUT / str(dpi)
            out.mkdir(parents=True, exist_ok=True)
            for old in out.glob("*.png"):
                old.unlink()
            result = self.prefix.run([RENDERER, "--states-dir=" + Prefix.windows_path(out),
                                      "--dpi=%d" % dpi], timeout=600)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
            names = re.findall(r"^(\S+) frame_ms", result.stdout, re.M)
            self.rendered[dpi] = (out, names, result.stdout)
        return self.rendered[dpi]

    def test_every_state_draws_at_96_dpi_and_some_at_144(self):
        listed = self.prefix.run([RENDERER, "--states=1"]).stdout.split()
        out, names, _ = self.render_all(96)
        self.assertEqual(names, listed)
        for name in names:
            self.assertTrue((out / (name + ".png")).stat().st_size > 10000, name)
        big = OUT / "144"
        big.mkdir(parents=True, exist_ok=True)
        for name in ("welcome-fresh-legacy", "progress-midway-all-steps", "prompt-over-settings"):
            png = big / (name + ".png")
            result = self.prefix.run([RENDERER, "--out=" + Prefix.windows_path(png),
                                      "--state=" + name, "--dpi=144"], timeout=180)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertIn("size 630 870", result.stdout)

    def test_result_badges_and_the_prompt_scrim(self):
        out, _, _ = self.render_all(96)
        badge = (206, 222, 8, 8)  # the badge's centre at (210, 226)
        green, red = mean(read_region(out / "done-fresh.png", badge, 96)), \
            mean(read_region(out / "error-short.png", badge, 96))
        self.assertGreater(green[1], green[0] + 60, green)
        self.assertGreater(red[0], red[1] + 60, red)
        # The scrim darkens the card around the prompt's own card.
        corner = (4, 560, 8, 8)
        page = mean(read_region(out / "welcome-upgrade.png", corner, 96))
        under = mean(read_region(out / "prompt-over-welcome.png", corner, 96))
        self.assertLess(sum(under), sum(page) * 0.7, (page, under))

    def test_logo_decoded_once_while_the_header_animates(self):
        def render(*args):
            png = OUT / "logo-check.png"
            result = self.prefix.run([RENDERER, "--out=" + Prefix.windows_path(png)] + list(args),
                                     timeout=180)
            self.assertEqual(result.returncode, 0, result.stderr)
            return dict(re.findall(r"^(\w+) (.+)$", result.stdout, re.M))

        settled = render("--state=error-short")
        # Mid-animation: 0.3 s after the change from the taller Welcome header.
        moving = render("--from=welcome-fresh", "--state=done-badge-0.3")
        self.assertEqual(moving["animating"], "1")
        self.assertEqual(moving["logo_pixel_width"], settled["logo_pixel_width"])
        print("\nheader animation frames:", moving["frame_ms"])

if __name__ == "__main__":
    unittest.main()

#!/usr/bin/env python3
"""The offscreen renderer under Wine: the widget showcase drawn through a Direct2D render target
on a WIC bitmap at 96 and 144 DPI. Checks the pixel size, the decoded width of the logo that
the program embeds as the installer does (RCDATA "LOGO"), the header
and body colours, that the Cyrillic texts left ink where they stand, and that the logo is there.

Run: python3 tests/e2e/test_offscreen.py [-v]   (after building the windows preset)
The images are kept in build/windows/e2e/offscreen/."""
import re
import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.wine import Display, Prefix, build_dir  # noqa: E402

REPO = Path(__file__).resolve().parents[2]
RENDERER = build_dir() / "tests" / "offscreen_render.exe"
OUT = build_dir() / "e2e" / "offscreen"

HEADER_COLOR = (13, 27, 61)
BODY_COLOR = (244, 247, 251)
# Showcase regions in DIPs (tests/harness/showcase_app.h): x, y, w, h.
TITLE_TEXT = (20, 96, 380, 20)        # white Cyrillic title on the header
PARAGRAPH = (40, 480, 340, 60)        # dark Cyrillic paragraph on the body
CHECK_LABEL = (69, 258, 200, 24)      # "Хаахыг зөвшөөрөх"
EMPTY_BODY = (40, 540, 340, 30)       # below the paragraph's three lines: nothing drawn
LOGO_RECT = (145, 40, 130, 54)


def read_region(png, rect, dpi):
    """The pixels of a DIP rectangle as a list of (r, g, b)."""
    scale = dpi / 96.0
    x, y, w, h = (round(v * scale) for v in rect)
    raw = subprocess.run(["convert", str(png), "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                          "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


def far_from(colour, reference, distance):
    return max(abs(a - b) for a, b in zip(colour, reference)) > distance


class OffscreenShowcase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not RENDERER.exists():
            raise unittest.SkipTest("build the windows preset first: missing %s" % RENDERER)
        OUT.mkdir(parents=True, exist_ok=True)
        cls.display = cls.enterClassContext(Display())
        cls.prefix = cls.enterClassContext(Prefix(display=cls.display))

    def render(self, dpi, name, time_s=1.0):
        png = OUT / name
        result = self.prefix.run([RENDERER, "--out=" + Prefix.windows_path(png), "--dpi=%d" % dpi,
                                  "--time=%g" % time_s],
                                 timeout=180)
        self.assertEqual(result.returncode, 0, result.stderr)
        facts = dict(re.findall(r"^(\w+) (.+)$", result.stdout, re.M))
        return png, facts

    def check_showcase(self, dpi, name, size, logo_width):
        png, facts = self.render(dpi, name)
        self.assertEqual(facts["size"], "%d %d" % size)
        self.assertEqual(facts["logo_pixel_width"], str(logo_width))
        self.assertEqual(facts["animating"], "0", "the showcase settles within a second")
        header = read_region(png, (360, 80, 4, 4), dpi)
        self.assertTrue(all(not far_from(p, HEADER_COLOR, 3) for p in header), header[:3])
        body = read_region(png, (20, 250, 4, 4), dpi)
        self.assertTrue(all(not far_from(p, BODY_COLOR, 3) for p in body), body[:3])

        # Text: the Cyrillic strings leave ink in their rectangles, nothing below them.
        pixels_per_dip = (dpi / 96.0) ** 2
        title_ink = [p for p in read_region(png, TITLE_TEXT, dpi) if min(p) > 160]
        self.assertGreater(len(title_ink), 300 * pixels_per_dip, "title text missing")
        paragraph_ink = [p for p in read_region(png, PARAGRAPH, dpi) if far_from(p, BODY_COLOR, 80)]
        self.assertGreater(len(paragraph_ink), 800 * pixels_per_dip, "paragraph text missing")
        label_ink = [p for p in read_region(png, CHECK_LABEL, dpi) if far_from(p, BODY_COLOR, 80)]
        self.assertGreater(len(label_ink), 150 * pixels_per_dip, "check box label missing")
        empty = [p for p in read_region(png, EMPTY_BODY, dpi) if far_from(p, BODY_COLOR, 3)]
        self.assertEqual(empty, [], "ink where nothing is drawn")

        # The logo: its blue tile (green above 70, blue above 140) stands out of the header.
        tile = [p for p in read_region(png, LOGO_RECT, dpi) if p[1] > 70 and p[2] > 140]
        self.assertGreater(len(tile), 700 * pixels_per_dip, "logo tile missing")

    def test_showcase_at_96_dpi(self):
        self.check_showcase(96, "showcase-96dpi.png", (420, 580), 130)

    def test_showcase_at_144_dpi(self):
        self.check_showcase(144, "showcase-144dpi.png", (630, 870), 195)


if __name__ == "__main__":
    unittest.main()

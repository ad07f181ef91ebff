#!/usr/bin/env python3
"""The page gallery draws what Direct2D draws: page states drawn natively by the Cairo gallery and
through Direct2D under Wine (offscreen_render.exe --state=NAME) agree.

Glyphs and antialiased edges are rasterised differently by every renderer, so the pictures are
compared in two ways:
- everywhere outside texts the colours agree within a tolerance, except along seams one or two
  pixels wide (a pixel differs only where its whole 3 x 3 neighbourhood differs);
- in each text's box, the ink starts and ends at the same place and there is as much of it.
Left out are the pixels where the gallery's mask (gallery --wine-masks) says a colour Wine 8 draws
wrongly still shows: arcs, the ends and joints of round-styled lines and images scaled by WIC,
less what later drawing covers. (Gradients with translucent stops are compared: the Direct2D
surface draws them from bitmaps it rasterises, which Wine draws right.)

By default the first state of each page (name up to its first dash) is compared at 96 DPI and
the first state also at 144 DPI; VL_GALLERY_COMPARE_ALL=1 compares every state at 96 DPI.

Run: python3 tests/e2e/test_gallery_agreement.py [-v]   (after building both presets)
Pictures and difference images are kept in build/windows/e2e/gallery/."""
import json
import os
import subprocess
import sys
import unittest
from collections import Counter
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.wine import Display, Prefix, build_dir  # noqa: E402

GALLERY = build_dir("native") / "tools" / "gallery" / "gallery"
RENDERER = build_dir() / "tests" / "offscreen_render.exe"
OUT = build_dir() / "e2e" / "gallery"

COLOUR_TOLERANCE = 24        # per channel
BLOT_ALLOWANCE = 8           # differing pixels amid differing pixels (at 96 DPI): a thin line
                             # snapped to another pixel row leaves one or two
INK_LEVEL = 96               # a pixel this far from the box's background is ink
INK_EDGE_TOLERANCE = 2.0     # DIPs between the two renders' first or last ink
ADVANCE_DRIFT = 0.06         # and along a line, this fraction of its length
INK_MASS_RATIO = (0.75, 1.33)
REGION_MARGIN = 1.5          # DIPs around a pixel Wine gets wrong (antialiasing)
MASK_LEVEL = 232             # a mask pixel this dark: a tenth of a wrong colour shows there


class Picture:
    def __init__(self, path, blur_pixels=0.0):
        args = ["convert", str(path)]
        if blur_pixels:
            args += ["-blur", "0x%g" % blur_pixels]
        size = subprocess.run(["identify", "-format", "%w %h", str(path)], capture_output=True,
                              text=True, check=True).stdout.split()
        self.width, self.height = int(size[0]), int(size[1])
        self.rgb = subprocess.run(args + ["-depth", "8", "rgb:-"], capture_output=True,
                                  check=True).stdout

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]


def distance(a, b):
    return max(abs(p - q) for p, q in zip(a, b))


def pixel_box(rect, scale, margin, width, height):
    x, y, w, h = rect
    left = max(0, int((x - margin) * scale))
    top = max(0, int((y - margin) * scale))
    right = min(width, int((x + w + margin) * scale + 1))
    bottom = min(height, int((y + h + margin) * scale + 1))
    return left, top, right, bottom


def ink(picture, box, background):
    """First and last ink column and row (pixels) and the amount of ink in the box."""
    left, top, right, bottom = box
    columns, rows, mass = [], [], 0
    for y in range(top, bottom):
        for x in range(left, right):
            d = distance(picture.pixel(x, y), background)
            if d > INK_LEVEL:
                columns.append(x)
                rows.append(y)
            mass += d
    if not columns:
        return None, mass
    return (min(columns), min(rows), max(columns), max(rows)), mass


class GalleryAgreesWithDirect2D(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for program in (GALLERY, RENDERER):
            if not program.exists():
                raise unittest.SkipTest("build the native and windows presets first: missing %s"
                                        % program)
        (OUT / "cairo").mkdir(parents=True, exist_ok=True)
        subprocess.run([str(GALLERY), "--out=%s" % (OUT / "cairo"), "--dpi=96,144",
                        "--wine-masks"], check=True, capture_output=True)
        cls.notes = json.loads((OUT / "cairo" / "comparison.json").read_text())
        cls.display = cls.enterClassContext(Display())
        cls.prefix = cls.enterClassContext(Prefix(display=cls.display))

    @classmethod
    def compared(cls):
        # The wizard's states (offscreen_render --state knows those, not the showcase).
        states = [name[:-len("-96dpi.png")] for name in cls.notes
                  if name.endswith("-96dpi.png") and not name.startswith("showcase")]
        if os.environ.get("VL_GALLERY_COMPARE_ALL") == "1":
            return [(state, 96) for state in states]
        firsts = {}
        for state in states:
            firsts.setdefault(state.split("-")[0], state)
        return [(state, 96) for state in firsts.values()] + [(states[0], 144)]

    def test_renders_agree(self):
        for state, dpi in self.compared():
            with self.subTest(state=state, dpi=dpi):
                self.check(state, dpi)

    def check(self, state, dpi):
        name = "%s-%ddpi.png" % (state, dpi)
        wine_png = OUT / ("wine-" + name)
        result = self.prefix.run([RENDERER, "--out=" + Prefix.windows_path(wine_png),
                                  "--dpi=%d" % dpi, "--state=" + state],
                                 timeout=300)
        self.assertEqual(result.returncode, 0, result.stderr)
        cairo_png = OUT / "cairo" / name
        scale = dpi / 96.0
        notes = self.notes[name]
        cairo, wine = Picture(cairo_png), Picture(wine_png)
        self.assertEqual((cairo.width, cairo.height), (wine.width, wine.height))
        width, height = cairo.width, cairo.height
        # The mask, grown by the margin: 1 where a wrong colour may show.
        grown = subprocess.run(["convert", str(OUT / "cairo" / "wine-mask" / name), "-threshold",
                                "%d%%" % (MASK_LEVEL * 100 // 255), "-morphology", "Erode",
                                "Square:%d" % max(1, round(REGION_MARGIN * scale)), "-depth",
                                "8", "gray:-"], capture_output=True, check=True).stdout
        wrong = bytes(1 if v < 128 else 0 for v in grown)
        texts = [pixel_box(r, scale, REGION_MARGIN, width, height) for r in notes["text"]]

        # Texts: where the ink is and how much of it there is.
        problems = []
        texts_compared = 0
        for rect, box in zip(notes["text"], texts):
            left, top, right, bottom = box
            if any(any(wrong[y * width + left:y * width + right]) for y in range(top, bottom)):
                continue
            background = Counter(cairo.pixel(x, y) for y in range(top, bottom)
                                 for x in range(left, right)).most_common(1)[0][0]
            texts_compared += 1
            cairo_ink, cairo_mass = ink(cairo, box, background)
            wine_ink, wine_mass = ink(wine, box, background)
            where = "text in %s" % rect
            if (cairo_ink is None) != (wine_ink is None):
                problems.append("%s: ink only in the %s render" % (
                    where, "Cairo" if wine_ink is None else "Wine"))
                continue
            if cairo_ink is None:
                continue
            # Wine's DirectWrite rounds glyph advances (measured: lines up to 5 % shorter).
            length = (cairo_ink[2] - cairo_ink[0]) / scale
            allowed = (INK_EDGE_TOLERANCE + ADVANCE_DRIFT * length, INK_EDGE_TOLERANCE) * 2
            for edge, a, b, limit in zip(("left", "top", "right", "bottom"), cairo_ink, wine_ink,
                                         allowed):
                if abs(a - b) / scale > limit:
                    problems.append("%s: the %s edge of the ink, Cairo %d px, Wine %d px" % (
                        where, edge, a, b))
            ratio = wine_mass / max(cairo_mass, 1)
            if not INK_MASS_RATIO[0] <= ratio <= INK_MASS_RATIO[1]:
                problems.append("%s: Wine has %.2f times the ink" % (where, ratio))
        self.assertEqual(problems, [], name)

        # Everything else: the colours, where they differ over more than an antialiased seam.
        skip = bytearray(wrong)
        for left, top, right, bottom in texts:
            for y in range(top, bottom):
                skip[y * width + left:y * width + right] = b"\1" * (right - left)
        differs = bytearray(width * height)
        for y in range(height):
            for x in range(width):
                differs[y * width + x] = distance(cairo.pixel(x, y),
                                                  wine.pixel(x, y)) > COLOUR_TOLERANCE
        blots = [(x, y) for y in range(1, height - 1) for x in range(1, width - 1)
                 if not skip[y * width + x] and all(
                     differs[(y + dy) * width + x + dx] for dy in (-1, 0, 1) for dx in (-1, 0, 1))]
        # A check that leaves (nearly) everything out would pass whatever either side draws.
        self.assertGreater(texts_compared, 0, "%s: no text compared" % name)
        self.assertLess(sum(wrong), width * height * 2 // 3, "%s: too little compared" % name)
        self.assertLessEqual(
            len(blots), BLOT_ALLOWANCE * scale * scale,
            "%s: %d pixels differ amid differing pixels, the first at %s (DIPs)" % (
                name, len(blots),
                sorted({(round(x / scale), round(y / scale)) for x, y in blots})[:12]))


if __name__ == "__main__":
    unittest.main()

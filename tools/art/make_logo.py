#!/usr/bin/env python3
"""Draws the installer's logo (resources/logo.png): the icon's crescent tile beside the white
"Verilune" wordmark, on a transparent 520 × 216 canvas (aspect 130 : 54), for the dark header
band of the wizard. The tile is drawn by make_art.py's pixel function; ImageMagick sets the
wordmark in DejaVu Sans Bold and composes the two; make_art's encoder writes the PNG.
Deterministic. Run it to regenerate the artwork."""
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import make_art  # noqa: E402

WIDTH, HEIGHT = 520, 216
TILE = 150
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "resources" / "logo.png"
    with tempfile.TemporaryDirectory() as tmp:
        tile = Path(tmp) / "tile.png"
        tile.write_bytes(make_art.png_bytes(TILE, TILE, make_art.render(TILE, make_art.icon_pixel)))
        pixels = subprocess.run([
            "convert", "-size", f"{WIDTH}x{HEIGHT}", "xc:none",
            str(tile), "-geometry", f"+6+{(HEIGHT - TILE) // 2}", "-composite",
            "-font", FONT, "-pointsize", "62", "-fill", "white", "-gravity", "West",
            "-annotate", "+170-4", "Verilune",
            "-fill", "#8fd9f5", "-pointsize", "21", "-annotate", "+174+50", "SETUP",
            "-depth", "8", "RGBA:-",
        ], check=True, capture_output=True).stdout
    # ImageMagick only composes; make_art's encoder stores the pixels in fewer bytes, and
    # writes no metadata or timestamps.
    stride = WIDTH * 4
    if len(pixels) != stride * HEIGHT:
        sys.exit("make_logo: ImageMagick gave %d bytes of pixels, not %d"
                 % (len(pixels), stride * HEIGHT))
    rows = [pixels[y * stride:(y + 1) * stride] for y in range(HEIGHT)]
    out.write_bytes(make_art.png_bytes(WIDTH, HEIGHT, rows))


if __name__ == "__main__":
    main()

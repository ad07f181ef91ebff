#!/usr/bin/env python3
"""Draws the installer's icon (resources/verilune.ico): a crescent moon over a key-shaped
notch on a rounded blue tile. Pure Python, deterministic; run it to regenerate the artwork."""
import math
import struct
import sys
import zlib
from pathlib import Path


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def _filtered(kind, row, prior):
    """One row under PNG filter `kind` (0 none, 1 sub, 2 up, 3 average, 4 Paeth), 4 bytes a
    pixel."""
    out = bytearray(len(row))
    for i, value in enumerate(row):
        a = row[i - 4] if i >= 4 else 0
        b = prior[i]
        c = prior[i - 4] if i >= 4 else 0
        guess = (0, a, b, (a + b) >> 1, _paeth(a, b, c))[kind]
        out[i] = (value - guess) & 0xFF
    return bytes(out)


def _scanlines(rgba_rows, choice):
    """The filtered image data: every row under filter `choice`, or with choice None each row
    under the filter whose bytes are smallest as signed values (the usual heuristic)."""
    data = bytearray()
    prior = bytes(len(rgba_rows[0]))
    for row in map(bytes, rgba_rows):
        if choice is None:
            options = [(kind, _filtered(kind, row, prior)) for kind in range(5)]
            kind, line = min(options, key=lambda o: sum(min(v, 256 - v) for v in o[1]))
        else:
            kind, line = choice, _filtered(choice, row, prior)
        data += bytes([kind]) + line
        prior = row
    return bytes(data)


def png_bytes(width, height, rgba_rows):
    """An 8-bit RGBA PNG of the rows. The pixels are fixed; what is free is how they are
    stored, so every filter choice and deflate strategy is tried and the smallest kept."""
    smallest = None
    for choice in (0, 1, 2, 3, 4, None):
        raw = _scanlines(rgba_rows, choice)
        for strategy in (zlib.Z_DEFAULT_STRATEGY, zlib.Z_FILTERED):
            packer = zlib.compressobj(9, zlib.DEFLATED, 15, 9, strategy)
            packed = packer.compress(raw) + packer.flush()
            if smallest is None or len(packed) < len(smallest):
                smallest = packed

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", smallest) +
            chunk(b"IEND", b""))


def rounded_box_distance(px, py, cx, cy, half, radius):
    qx = abs(px - cx) - (half - radius)
    qy = abs(py - cy) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def icon_pixel(u, v):
    """u, v in 0..1; returns straight-alpha RGBA floats."""
    tile = rounded_box_distance(u, v, 0.5, 0.5, 0.47, 0.16)
    if tile > 0:
        return (0.0, 0.0, 0.0, 0.0)
    # Tile: vertical gradient from deep blue to teal.
    t = v
    r, g, b = (0.07 + 0.02 * t, 0.30 + 0.25 * t, 0.78 - 0.18 * t)
    # Crescent: a disc minus an offset disc.
    in_moon = math.hypot(u - 0.47, v - 0.47) < 0.27 and math.hypot(u - 0.60, v - 0.38) > 0.22
    # Key ring and shaft at the lower right.
    ring = abs(math.hypot(u - 0.66, v - 0.66) - 0.075) < 0.028
    shaft = 0.70 < u < 0.86 and abs(v - 0.74 - (u - 0.70) * 0.9) < 0.025
    if in_moon or ring or shaft:
        r, g, b = (0.98, 0.93, 0.72)
    return (r, g, b, 1.0)


def render(size, pixel, samples=4):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    u = (x + (sx + 0.5) / samples) / size
                    v = (y + (sy + 0.5) / samples) / size
                    r, g, b, a = pixel(u, v)
                    acc[0] += r * a; acc[1] += g * a; acc[2] += b * a; acc[3] += a
            n = samples * samples
            alpha = acc[3] / n
            if alpha > 0:
                color = [acc[i] / acc[3] for i in range(3)]
            else:
                color = [0.0, 0.0, 0.0]
            row += [round(c * 255) for c in color] + [round(alpha * 255)]
        rows.append(row)
    return rows


def ico_bytes(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    blobs = b""
    for size, data in images:
        dim = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        blobs += data
    return header + entries + blobs


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "resources"
    images = [(s, png_bytes(s, s, render(s, icon_pixel))) for s in (16, 24, 32, 48, 64, 256)]
    (out / "verilune.ico").write_bytes(ico_bytes(images))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the VexaTerm icon (a logger board with a terminal prompt) as PNGs in the hicolor sizes:
    make_icons.py OUTPUT_DIR   -> OUTPUT_DIR/<n>x<n>/apps/vexaterm.png
Standard library only; the PNG writer is the one the board pictures use."""
import os
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pictures"))
from make_pictures import Sheet, write_png  # noqa: E402

SIZES = (16, 24, 32, 48, 64, 128, 256)
SAMPLES = 4  # per pixel and axis: edges and round corners are smoothed by coverage
BOARD = (20, 90, 60)
EDGE = (10, 50, 35)
PIN = (210, 170, 60)
SCREEN = (25, 30, 40)
PROMPT = (120, 230, 120)


class Icon:
    """Drawn on a grid SAMPLES times finer than the icon, then averaged down; what no shape
    covers stays transparent, so the icon sits on any panel colour."""

    def __init__(self, n):
        self.n = n
        self.fine = n * SAMPLES
        self.cells = [[None] * self.fine for _ in range(self.fine)]

    def box(self, x0, y0, x1, y1, colour, radius=0.0):
        """Fills the box of unit coordinates (0..1), with rounded corners."""
        m = self.fine
        for y in range(max(0, int(y0 * m)), min(m, int(y1 * m) + 1)):
            v = (y + 0.5) / m
            if not y0 <= v <= y1:
                continue
            for x in range(max(0, int(x0 * m)), min(m, int(x1 * m) + 1)):
                u = (x + 0.5) / m
                if not x0 <= u <= x1:
                    continue
                cx = min(max(u, x0 + radius), x1 - radius)
                cy = min(max(v, y0 + radius), y1 - radius)
                if (u - cx) ** 2 + (v - cy) ** 2 <= radius ** 2:
                    self.cells[y][x] = colour

    def sheet(self):
        """The icon's pixels as (r, g, b, a): colours averaged over the covered samples."""
        out = Sheet(self.n, self.n, (0, 0, 0, 0))
        area = SAMPLES * SAMPLES
        for y in range(self.n):
            for x in range(self.n):
                covered = [c for row in self.cells[y * SAMPLES:(y + 1) * SAMPLES]
                           for c in row[x * SAMPLES:(x + 1) * SAMPLES] if c is not None]
                if not covered:
                    continue  # stays transparent
                r, g, b = (round(sum(c[i] for c in covered) / len(covered)) for i in range(3))
                out.pixels[y][x] = (r, g, b, round(255 * len(covered) / area))
        return out


def draw(n):
    icon = Icon(n)
    # Pins along both long edges of the board.
    for i in range(6):
        x = 0.17 + i * 0.13
        icon.box(x, 0.04, x + 0.06, 0.16, PIN)
        icon.box(x, 0.84, x + 0.06, 0.96, PIN)
    icon.box(0.04, 0.12, 0.96, 0.88, EDGE, 0.1)
    icon.box(0.07, 0.15, 0.93, 0.85, BOARD, 0.08)
    # The terminal window with its prompt '>_'.
    icon.box(0.18, 0.27, 0.82, 0.73, SCREEN, 0.04)
    w = max(0.06, 1.5 / n)
    steps = max(8, n // 4)  # enough squares that the strokes look straight at every size
    for k in range(steps):  # the '>' as two strokes of small squares
        t = k / (steps - 1)
        icon.box(0.26 + 0.12 * t, 0.36 + 0.14 * t, 0.26 + 0.12 * t + w, 0.36 + 0.14 * t + w, PROMPT)
        icon.box(0.26 + 0.12 * t, 0.64 - 0.14 * t - w, 0.26 + 0.12 * t + w, 0.64 - 0.14 * t, PROMPT)
    icon.box(0.46, 0.58, 0.70, 0.58 + w, PROMPT)
    return icon


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "icons"
    for n in SIZES:
        folder = os.path.join(out, "%dx%d" % (n, n), "apps")
        os.makedirs(folder, exist_ok=True)
        write_png(os.path.join(folder, "vexaterm.png"), draw(n).sheet(), True)


if __name__ == "__main__":
    main()

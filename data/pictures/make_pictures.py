#!/usr/bin/env python3
"""Draws the picture sheets of the analog tab and writes them as PNG files beside this script.

ABOARDS.png  454 x 119, 1 bit: board cells of 150 x 100 at x = 0 (E), 151 (F), 302 (S).
AINPUTS.png 1542 x 725, 1 bit: sensor cell k at ((k mod 10) * 151, (k div 10) * 101).
BITMAPS.png  243 x 85, 24 bit: small button images; the clear button's 16 x 16 cell at (0, 19).

The resistor and jumper footprints sit where the program draws its marks: series resistors at
y 45, reference jumpers at y 55, input jumpers at y 65, the resistor network L9-1 at y 49, one
column of 8 pixels per input starting at x 13 (inputs 8 to 15 two pixels further right).
Only the Python standard library is used, so the sheets can be redrawn anywhere:
    python3 data/pictures/make_pictures.py
"""
import os
import struct
import zlib

FONT = {
    '0': ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    '1': ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    '2': ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    '3': ["11111", "00010", "00100", "00010", "00001", "10001", "01110"],
    '4': ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    '5': ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    '6': ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    '7': ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    '8': ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    '9': ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'B': ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    'C': ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    'D': ["11100", "10010", "10001", "10001", "10001", "10010", "11100"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'F': ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    'G': ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    'H': ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    'I': ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    'J': ["00111", "00010", "00010", "00010", "00010", "10010", "01100"],
    'K': ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'N': ["10001", "10001", "11001", "10101", "10011", "10001", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'V': ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    'W': ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    'X': ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    'Y': ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    'a': ["00000", "00000", "01110", "00001", "01111", "10001", "01111"],
    'e': ["00000", "00000", "01110", "10001", "11111", "10000", "01110"],
    'k': ["10000", "10000", "10010", "10100", "11000", "10100", "10010"],
    'm': ["00000", "00000", "11010", "10101", "10101", "10001", "10001"],
    't': ["01000", "01000", "11100", "01000", "01000", "01001", "00110"],
    'x': ["00000", "00000", "10001", "01010", "00100", "01010", "10001"],
    '+': ["00000", "00100", "00100", "11111", "00100", "00100", "00000"],
    '-': ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    '.': ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    '/': ["00001", "00010", "00010", "00100", "01000", "01000", "10000"],
    '%': ["11000", "11001", "00010", "00100", "01000", "10011", "00011"],
    '=': ["00000", "00000", "11111", "00000", "11111", "00000", "00000"],
    '~': ["00000", "00000", "01000", "10101", "00010", "00000", "00000"],
    ' ': ["00000"] * 7,
}


class Sheet:
    """A raster of pixels (0 or 1 for one-bit sheets, RGB or RGBA tuples for colour sheets)."""

    def __init__(self, width, height, background):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def dot(self, x, y, v=1):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = v

    def line(self, x1, y1, x2, y2, v=1):
        dx, dy = abs(x2 - x1), -abs(y2 - y1)
        sx, sy = (1 if x1 < x2 else -1), (1 if y1 < y2 else -1)
        err = dx + dy
        while True:
            self.dot(x1, y1, v)
            if x1 == x2 and y1 == y2:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x1 += sx
            if e2 <= dx:
                err += dx
                y1 += sy

    def rect(self, x, y, w, h, v=1):
        self.line(x, y, x + w - 1, y, v)
        self.line(x, y + h - 1, x + w - 1, y + h - 1, v)
        self.line(x, y, x, y + h - 1, v)
        self.line(x + w - 1, y, x + w - 1, y + h - 1, v)

    def fill(self, x, y, w, h, v=1):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.dot(xx, yy, v)

    def circle(self, cx, cy, r, v=1, filled=False):
        for yy in range(-r, r + 1):
            for xx in range(-r, r + 1):
                d = xx * xx + yy * yy
                if (filled and d <= r * r + r) or (not filled and r * r - r <= d <= r * r + r):
                    self.dot(cx + xx, cy + yy, v)

    def text(self, x, y, s, v=1):
        for ch in s:
            glyph = FONT.get(ch, FONT.get(ch.upper(), FONT[' ']))
            for row, bits in enumerate(glyph):
                for col, b in enumerate(bits):
                    if b == '1':
                        self.dot(x + col, y + row, v)
            x += 6

    def zigzag(self, x, y, length, vertical=False, v=1):
        """A resistor in the old zigzag style, starting at (x, y)."""
        steps = 6
        seg = length // steps
        px, py = x, y
        for i in range(1, steps + 1):
            off = (3 if i % 2 else -3) if i < steps else 0
            if vertical:
                nx, ny = x + off, y + i * seg
            else:
                nx, ny = x + i * seg, y + off
            self.line(px, py, nx, ny, v)
            px, py = nx, ny


def write_png(path, sheet, colour):
    raw = bytearray()
    for row in sheet.pixels:
        raw.append(0)
        if colour:
            for pixel in row:  # (r, g, b) or, with transparency, (r, g, b, a)
                raw += bytes(pixel)
        else:
            # One bit per pixel, 1 = white background, 0 = black ink.
            byte, n = 0, 0
            for p in row:
                byte = (byte << 1) | (0 if p else 1)
                n += 1
                if n == 8:
                    raw.append(byte)
                    byte, n = 0, 0
            if n:
                raw.append(byte << (8 - n))

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    alpha = colour and len(sheet.pixels[0][0]) == 4
    kind = (6 if alpha else 2) if colour else 0
    header = struct.pack(">IIBBBBB", sheet.width, sheet.height, 8 if colour else 1, kind, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


def column(n):
    """Left edge of input n's footprint column, as the marks place it."""
    return 14 + 8 * n - 1 + (2 if n >= 8 else 0)


def draw_board(s, x0, letter):
    inputs = 8 if letter == 'E' else 16
    # Outline with cut corners and four mounting holes.
    s.line(x0 + 3, 0, x0 + 146, 0)
    s.line(x0 + 3, 99, x0 + 146, 99)
    s.line(x0, 3, x0, 96)
    s.line(x0 + 149, 3, x0 + 149, 96)
    for a, b, c, d in ((0, 3, 3, 0), (146, 0, 149, 3), (0, 96, 3, 99), (146, 99, 149, 96)):
        s.line(x0 + a, b, x0 + c, d)
    for hx, hy in ((5, 5), (144, 5), (5, 80), (144, 80)):
        s.circle(x0 + hx, hy, 2)
    # Processor and its pins, with the board's name.
    if letter == 'S':
        s.rect(x0 + 96, 4, 26, 20)
        for i in range(5):
            s.line(x0 + 99 + 5 * i, 2, x0 + 99 + 5 * i, 3)
            s.line(x0 + 99 + 5 * i, 24, x0 + 99 + 5 * i, 25)
        s.text(x0 + 98, 10, "ARM")
        s.rect(x0 + 128, 8, 18, 10)  # USB socket
        s.text(x0 + 129, 10, "USB")
    else:
        s.rect(x0 + 96, 4, 40, 14)
        for i in range(8):
            s.line(x0 + 98 + 5 * i, 2, x0 + 98 + 5 * i, 3)
            s.line(x0 + 98 + 5 * i, 18, x0 + 98 + 5 * i, 19)
        s.text(x0 + 104, 8, "AVR")
    s.text(x0 + 96, 30, "VEXALOG")
    s.text(x0 + 114, 39, letter)
    # Reference jumper blocks (GND / 5V) per group of four inputs.
    if letter == 'S':
        for g in range(0, inputs, 4):
            gx = x0 + 71 + g - 1
            s.rect(gx, 27, 4, 12)
        s.text(x0 + 53, 27, "5V")
        s.text(x0 + 47, 34, "GND")
    # Optional filter parts of the first eight inputs (E and F).
    if letter != 'S':
        for n in range(8):
            x = x0 + 24 + 8 * n - 1
            s.rect(x, 11, 8, 4)
            s.rect(x, 25, 8, 4)
        s.text(x0 + 3, 9, "G")
        s.text(x0 + 3, 23, "F")
    # Resistor networks L9-1 (one SIP of 9 pins per eight inputs).
    for start in ((29, 76) if inputs > 8 else (29,)):
        x = x0 + start
        s.rect(x, 49, 40, 4)
        for pin in range(9):
            s.dot(x + 2 + 4 * pin, 51)
    # Series resistors, reference jumpers and input jumpers per input.
    for n in range(inputs):
        x = x0 + column(n)
        s.rect(x, 45, 8, 4)
        s.rect(x, 55, 8, 4)
        s.rect(x, 65, 8, 4)
        s.line(x + 3, 69, x + 3, 84)
    # Board jumpers next to the inputs (E and F: inputs 0 to 11).
    if letter != 'S':
        s.text(x0 + 3, 60, "J")
    # Screw terminal strip with the input numbers.
    s.rect(x0 + 8, 84, 134, 13)
    for n in range(inputs):
        cx = x0 + column(n) + 3
        s.circle(cx, 90, 2)
    s.text(x0 + 10, 72, "0")
    s.text(x0 + column(inputs - 1) - 2, 72, str(inputs - 1))


def draw_source(s, x, y, label):
    """A voltage source between the two input wires."""
    s.circle(x + 80, y + 50, 16)
    s.text(x + 77, y + 38, "+")
    s.text(x + 77, y + 56, "-")
    s.text(x + 62, y + 72, label)


def wires(s, x, y, top=34, bottom=66, to=64):
    s.line(x, y + top, x + to, y + top)
    s.line(x, y + bottom, x + to, y + bottom)
    s.text(x + 2, y + top - 9, "IN")
    s.text(x + 2, y + bottom + 3, "GND")


def draw_inputs(s):
    cells = {}

    def cell(k):
        return (k % 10) * 151, (k // 10) * 101

    # 1: voltage straight to the converter.
    x, y = cell(1)
    wires(s, x, y)
    s.line(x + 64, y + 34, x + 80, y + 34)
    s.line(x + 80, y + 34, x + 80, y + 34)
    s.line(x + 80, y + 34, x + 80, y + 34)
    s.circle(x + 80, y + 50, 16)
    s.line(x + 80, y + 34, x + 64, y + 34)
    s.line(x + 80, y + 66, x + 64, y + 66)
    s.text(x + 77, y + 40, "+")
    s.text(x + 77, y + 54, "-")
    s.text(x + 100, y + 46, "V IN")
    # 2: higher voltage through the divider.
    x, y = cell(2)
    wires(s, x, y)
    s.line(x + 64, y + 34, x + 80, y + 34)
    s.line(x + 64, y + 66, x + 80, y + 66)
    for i in range(4):  # battery of cells
        yy = y + 40 + 6 * i
        s.line(x + 70, yy, x + 90, yy)
        s.line(x + 75, yy + 3, x + 85, yy + 3)
    s.line(x + 80, y + 34, x + 80, y + 40)
    s.line(x + 80, y + 61, x + 80, y + 66)
    s.text(x + 96, y + 40, "+V DC")
    s.text(x + 96, y + 52, "DIV")
    # 3: 4-20 mA current loop: transmitter and loop supply.
    x, y = cell(3)
    wires(s, x, y)
    s.rect(x + 70, y + 20, 50, 30)
    s.text(x + 74, y + 24, "4-20mA")
    s.text(x + 78, y + 36, "TX")
    s.line(x + 64, y + 34, x + 70, y + 34)
    s.line(x + 120, y + 35, x + 136, y + 35)
    s.line(x + 136, y + 35, x + 136, y + 60)
    s.line(x + 128, y + 60, x + 144, y + 60)
    s.line(x + 132, y + 64, x + 140, y + 64)
    s.line(x + 136, y + 64, x + 136, y + 80)
    s.line(x + 136, y + 80, x + 64, y + 80)
    s.line(x + 64, y + 80, x + 64, y + 66)
    s.text(x + 116, y + 84, "24V")
    s.circle(x + 95, y + 65, 6)  # the loop's flow arrow
    s.line(x + 92, y + 65, x + 98, y + 65)
    s.line(x + 96, y + 63, x + 98, y + 65)
    s.line(x + 96, y + 67, x + 98, y + 65)
    # 4: resistance thermometer (two-wire) with its probe.
    x, y = cell(4)
    wires(s, x, y)
    s.line(x + 64, y + 34, x + 90, y + 34)
    s.zigzag(x + 90, y + 34, 32, vertical=True)
    s.line(x + 90, y + 66, x + 64, y + 66)
    s.line(x + 90, y + 64, x + 90, y + 66)
    s.rect(x + 84, y + 28, 14, 44)
    s.text(x + 104, y + 40, "Pt100")
    s.text(x + 104, y + 52, "RTD")
    s.line(x + 100, y + 78, x + 110, y + 88)  # the arrow of a variable resistance
    s.line(x + 110, y + 88, x + 106, y + 88)
    # 5: thermocouple against ground.
    x, y = cell(5)
    wires(s, x, y)
    s.line(x + 64, y + 34, x + 100, y + 46)
    s.line(x + 64, y + 66, x + 100, y + 54)
    s.line(x + 64, y + 35, x + 100, y + 47)
    s.circle(x + 103, y + 50, 4, filled=True)
    s.text(x + 112, y + 46, "TC")
    s.text(x + 80, y + 72, "K / J")
    # 6: digital contact with its pull-up.
    x, y = cell(6)
    wires(s, x, y)
    s.line(x + 64, y + 34, x + 90, y + 34)
    s.circle(x + 90, y + 34, 2, filled=True)
    s.line(x + 90, y + 34, x + 108, y + 46)  # open switch blade
    s.circle(x + 110, y + 50, 2, filled=True)
    s.line(x + 110, y + 50, x + 110, y + 66)
    s.line(x + 110, y + 66, x + 64, y + 66)
    s.text(x + 96, y + 20, "0/1")
    s.text(x + 116, y + 54, "SW")
    # 7: thermocouple between two inputs (differential).
    x, y = cell(7)
    s.line(x, y + 30, x + 64, y + 30)
    s.line(x, y + 70, x + 64, y + 70)
    s.text(x + 2, y + 21, "IN+")
    s.text(x + 2, y + 73, "IN-")
    s.line(x + 64, y + 30, x + 100, y + 46)
    s.line(x + 64, y + 70, x + 100, y + 54)
    s.circle(x + 103, y + 50, 4, filled=True)
    s.text(x + 112, y + 46, "TC")
    s.text(x + 84, y + 84, "DIFF")
    # 8: potentiometer (position sensor) across the reference.
    x, y = cell(8)
    wires(s, x, y)
    s.line(x + 100, y + 15, x + 100, y + 25)
    s.zigzag(x + 100, y + 25, 48, vertical=True)
    s.line(x + 100, y + 73, x + 100, y + 80)
    s.line(x + 100, y + 80, x + 64, y + 80)
    s.line(x + 64, y + 80, x + 64, y + 66)
    s.line(x + 64, y + 34, x + 92, y + 48)
    s.line(x + 92, y + 48, x + 88, y + 44)
    s.text(x + 92, y + 6, "5V")
    s.text(x + 108, y + 46, "POT")
    # 9: computed value: a formula over other inputs.
    x, y = cell(9)
    s.rect(x + 40, y + 30, 70, 40)
    s.text(x + 48, y + 38, "a+b+c")
    s.text(x + 57, y + 52, "=x")
    return cells


def draw_bitmaps(s):
    red, grey, white = (220, 0, 0), (128, 128, 128), (255, 255, 255)
    # The clear button: an eraser crossed out, 16 x 16 at (0, 19).
    s.fill(0, 19, 16, 16, white)
    s.rect(0, 19, 16, 16, grey)
    for i in range(3, 13):
        s.dot(i, 19 + i, red)
        s.dot(i + 1, 19 + i, red)
        s.dot(15 - i, 19 + i, red)
        s.dot(14 - i, 19 + i, red)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    boards = Sheet(454, 119, 0)
    for x0, letter in ((0, 'E'), (151, 'F'), (302, 'S')):
        draw_board(boards, x0, letter)
    write_png(os.path.join(here, "ABOARDS.png"), boards, False)
    inputs = Sheet(1542, 725, 0)
    draw_inputs(inputs)
    write_png(os.path.join(here, "AINPUTS.png"), inputs, False)
    bitmaps = Sheet(243, 85, (192, 192, 192))
    draw_bitmaps(bitmaps)
    write_png(os.path.join(here, "BITMAPS.png"), bitmaps, True)


if __name__ == "__main__":
    main()

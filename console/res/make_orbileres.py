#!/usr/bin/env python3
"""Draws the console's artwork: the bitmaps of the skin resource library
orbileres.dll with its resource script, and the program's icon:
make_orbileres.py OUTPUT_DIR.

The bitmap ids are those the console names in panels/SkinIds.h.
Every bitmap is 24-bit; magenta (255, 0, 255) marks what is see-through."""
import math
import re
import struct
import sys
from pathlib import Path
from types import SimpleNamespace

# The drawing primitives are the control library's.
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "uikit" / "skins"))
from make_skins import KEY, Image, write_bitmaps  # noqa: E402

SKIN_IDS_HEADER = Path(__file__).resolve().parents[1] / "panels" / "SkinIds.h"


def read_skin_ids(header):
    """The header's SKIN_NAME = number enumerators as ID.NAME."""
    ids = re.findall(r"\bSKIN_(\w+) = (\d+),", header.read_text())
    return SimpleNamespace(**{name: int(value) for name, value in ids})


ID = read_skin_ids(SKIN_IDS_HEADER)


class Bitmaps(dict):
    """Images by id; an id drawn twice means two names share a number."""

    def __setitem__(self, rid, img):
        if rid in self:
            raise ValueError(f"bitmap {rid} is drawn twice: check the numbers in {SKIN_IDS_HEADER.name}")
        super().__setitem__(rid, img)

EXIT_BUTTON_SIZE = (21, 19)
# Background and cross colour of the full-screen exit button per state.
EXIT_BUTTON_STATES = {
    ID.EXIT_FACE: ((70, 100, 140), (240, 240, 240)),
    ID.EXIT_HOVER: ((110, 150, 200), (255, 255, 255)),
    ID.EXIT_DISABLED: ((112, 112, 112), (160, 160, 160)),
    ID.EXIT_PRESSED: ((30, 48, 76), (230, 230, 230)),
}


def exit_button(background, ink):
    w, h = EXIT_BUTTON_SIZE
    img = Image(w, h, background)
    img.outline((40, 66, 100))
    img.round_corners(4)
    # A cross of two-pixel strokes, centred.
    for i in range(9):
        for dx in (0, 1):
            img.set(6 + i + dx, 5 + i, ink)
            img.set(14 - i + dx, 5 + i, ink)
    return img


# A 5 x 7 pixel font for the few words the bitmaps carry.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "G": ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    "Z": ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    "\u00dc": ["01010", "00000", "10001", "10001", "10001", "10001", "01110"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    ":": ["00000", "00100", "00100", "00000", "00100", "00100", "00000"],
    "+": ["00000", "00100", "00100", "11111", "00100", "00100", "00000"],
    "-": ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    " ": ["00000"] * 7,
}


def text_width(text, scale=1):
    return len(text) * 6 * scale - scale


def draw_text(img, x, y, text, c, scale=1):
    for i, ch in enumerate(text):
        for row, bits in enumerate(FONT[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    img.rect(x + (i * 6 + col) * scale, y + row * scale, x + (i * 6 + col + 1) * scale,
                             y + (row + 1) * scale, c)


def line(img, x0, y0, x1, y1, c, width=2):
    steps = int(max(abs(x1 - x0), abs(y1 - y0), 1) * 2)
    for k in range(steps + 1):
        x = x0 + (x1 - x0) * k / steps
        y = y0 + (y1 - y0) * k / steps
        img.rect(round(x - width / 2), round(y - width / 2), round(x + width / 2), round(y + width / 2), c)


def ring(img, cx, cy, r, c, width=2, start=0, end=360):
    for step in range(int(abs(end - start) * 2) + 1):
        a = math.radians(start + (end - start) * step / (abs(end - start) * 2 or 1))
        x, y = cx + r * math.cos(a), cy - r * math.sin(a)
        img.rect(round(x - width / 2), round(y - width / 2), round(x + width / 2), round(y + width / 2), c)


# Glyphs, drawn into a box (x, y, size) with ink c.
def g_camera(img, x, y, s, c):
    img.rect(x + s * 2 // 10, y + s * 8 // 10, x + s * 9 // 10, y + s * 9 // 10, c)
    line(img, x + s * 7 // 10, y + s * 8 // 10, x + s * 7 // 10, y + s * 2 // 10, c)
    line(img, x + s * 7 // 10, y + s * 2 // 10, x + s * 3 // 10, y + s * 2 // 10, c)
    img.rect(x + s * 2 // 10, y + s * 1 // 10, x + s * 4 // 10, y + s * 4 // 10, c)


def g_record(img, x, y, s, c):
    red = (150, 118, 118) if c == BUTTON_STATES["disabled"][1] else (225, 50, 50)
    img.disk(x + s / 2, y + s / 2, s * 0.32, red)


def g_stop(img, x, y, s, c):
    img.rect(x + s * 3 // 10, y + s * 3 // 10, x + s * 7 // 10, y + s * 7 // 10, c)


def g_snapshot(img, x, y, s, c):
    img.rect(x + s * 1 // 10, y + s * 3 // 10, x + s * 9 // 10, y + s * 8 // 10, c)
    img.rect(x + s * 3 // 10, y + s * 2 // 10, x + s * 5 // 10, y + s * 3 // 10, c)
    ring(img, x + s / 2, y + s * 0.55, s * 0.15, (40, 66, 100), 2)


def g_files(img, x, y, s, c):
    img.rect(x + s * 1 // 10, y + s * 3 // 10, x + s * 9 // 10, y + s * 8 // 10, c)
    img.rect(x + s * 1 // 10, y + s * 2 // 10, x + s * 4 // 10, y + s * 3 // 10, c)
    img.rect(x + s * 2 // 10, y + s * 4 // 10, x + s * 8 // 10, y + s * 5 // 10, (40, 66, 100))


def g_print(img, x, y, s, c):
    img.rect(x + s * 3 // 10, y + s * 1 // 10, x + s * 7 // 10, y + s * 4 // 10, c)
    img.rect(x + s * 1 // 10, y + s * 4 // 10, x + s * 9 // 10, y + s * 7 // 10, c)
    img.rect(x + s * 3 // 10, y + s * 6 // 10, x + s * 7 // 10, y + s * 9 // 10, c)


def g_network(img, x, y, s, c):
    pts = [(x + s // 2, y + s * 2 // 10), (x + s * 2 // 10, y + s * 8 // 10), (x + s * 8 // 10, y + s * 8 // 10)]
    for a in pts:
        for b in pts:
            line(img, a[0], a[1], b[0], b[1], c, 1)
    for px, py in pts:
        img.disk(px, py, s * 0.12, c)


def g_settings(img, x, y, s, c):
    cx, cy = x + s / 2, y + s / 2
    for k in range(8):
        a = math.radians(k * 45)
        line(img, cx, cy, cx + s * 0.4 * math.cos(a), cy + s * 0.4 * math.sin(a), c, 3)
    img.disk(cx, cy, s * 0.28, c)
    img.disk(cx, cy, s * 0.1, (40, 66, 100))


def g_freehand(img, x, y, s, c):
    prev = None
    for k in range(21):
        px = x + s * 0.15 + s * 0.7 * k / 20
        py = y + s / 2 + s * 0.22 * math.sin(k / 20 * 2 * math.pi)
        if prev:
            line(img, prev[0], prev[1], px, py, c)
        prev = (px, py)


def g_line(img, x, y, s, c):
    line(img, x + s * 2 // 10, y + s * 8 // 10, x + s * 8 // 10, y + s * 2 // 10, c)


def g_rectangle(img, x, y, s, c):
    for (a, b, d, e) in ((2, 3, 8, 3), (2, 7, 8, 7), (2, 3, 2, 7), (8, 3, 8, 7)):
        line(img, x + s * a // 10, y + s * b // 10, x + s * d // 10, y + s * e // 10, c)


def g_ellipse(img, x, y, s, c):
    for step in range(120):
        a = math.radians(step * 3)
        px, py = x + s / 2 + s * 0.35 * math.cos(a), y + s / 2 + s * 0.22 * math.sin(a)
        img.rect(round(px - 1), round(py - 1), round(px + 1), round(py + 1), c)


def g_text(img, x, y, s, c):
    img.rect(x + s * 2 // 10, y + s * 2 // 10, x + s * 8 // 10, y + s * 3 // 10, c)
    img.rect(x + s * 45 // 100, y + s * 2 // 10, x + s * 55 // 100, y + s * 8 // 10, c)


def g_copy(img, x, y, s, c):
    g_rectangle(img, x - s // 10, y - s // 10, s, c)
    g_rectangle(img, x + s // 10, y + s // 10, s, c)


def g_eraser(img, x, y, s, c):
    for k in range(s * 4 // 10):
        line(img, x + s * 2 // 10 + k, y + s * 7 // 10, x + s * 4 // 10 + k, y + s * 3 // 10, c, 1)
    line(img, x + s * 1 // 10, y + s * 8 // 10, x + s * 9 // 10, y + s * 8 // 10, c, 1)


def g_magnifier(sign):
    def draw(img, x, y, s, c):
        ring(img, x + s * 0.42, y + s * 0.42, s * 0.26, c, 2)
        line(img, x + s * 0.62, y + s * 0.62, x + s * 0.85, y + s * 0.85, c, 3)
        if sign in "+-":
            img.rect(round(x + s * 0.3), round(y + s * 0.4), round(x + s * 0.55), round(y + s * 0.45), c)
        if sign == "+":
            img.rect(round(x + s * 0.4), round(y + s * 0.3), round(x + s * 0.45), round(y + s * 0.55), c)
        if sign == "1":
            img.rect(round(x + s * 0.4), round(y + s * 0.3), round(x + s * 0.45), round(y + s * 0.55), c)
    return draw


def g_focus(img, x, y, s, c):
    for (cx, cy, dx, dy) in ((2, 2, 1, 1), (8, 2, -1, 1), (2, 8, 1, -1), (8, 8, -1, -1)):
        px, py = x + s * cx // 10, y + s * cy // 10
        line(img, px, py, px + dx * s // 5, py, c)
        line(img, px, py, px, py + dy * s // 5, c)
    img.disk(x + s / 2, y + s / 2, s * 0.1, c)


def g_freeze(img, x, y, s, c):
    cx, cy = x + s / 2, y + s / 2
    for k in range(3):
        a = math.radians(90 + k * 60)
        line(img, cx - s * 0.38 * math.cos(a), cy - s * 0.38 * math.sin(a), cx + s * 0.38 * math.cos(a),
             cy + s * 0.38 * math.sin(a), c)


def g_rotate(img, x, y, s, c):
    ring(img, x + s / 2, y + s / 2, s * 0.3, c, 2, 30, 330)
    ax, ay = x + s / 2 + s * 0.3 * math.cos(math.radians(30)), y + s / 2 - s * 0.3 * math.sin(math.radians(30))
    line(img, ax, ay, ax - s * 0.15, ay - s * 0.02, c)
    line(img, ax, ay, ax + s * 0.02, ay - s * 0.16, c)


def g_colour(mode):
    def draw(img, x, y, s, c):
        boxes = [(2, 2), (5, 2), (2, 5), (5, 5)]
        colours = {"colour": [(230, 60, 60), (60, 190, 80), (60, 110, 230), (240, 210, 60)],
                   "grey": [(240, 240, 240), (170, 170, 170), (110, 110, 110), (60, 60, 60)],
                   "negative": [(25, 195, 195), (195, 65, 175), (195, 145, 25), (15, 45, 195)]}[mode]
        for (bx, by), col in zip(boxes, colours):
            img.rect(x + s * bx // 10, y + s * by // 10, x + s * (bx + 3) // 10, y + s * (by + 3) // 10, col)
    return draw


def g_sun(sign):
    def draw(img, x, y, s, c):
        cx, cy = x + s * 0.4, y + s / 2
        for k in range(8):
            a = math.radians(k * 45)
            line(img, cx + s * 0.2 * math.cos(a), cy + s * 0.2 * math.sin(a), cx + s * 0.32 * math.cos(a),
                 cy + s * 0.32 * math.sin(a), c, 1)
        img.disk(cx, cy, s * 0.14, c)
        px = x + s * 0.8
        img.rect(round(px - s * 0.1), round(cy - 1), round(px + s * 0.1), round(cy + 1), c)
        if sign == "+":
            img.rect(round(px - 1), round(cy - s * 0.1), round(px + 1), round(cy + s * 0.1), c)
    return draw


def g_auto_image(img, x, y, s, c):
    draw_text(img, x + s // 2 - 5, y + s // 2 - 7, "A", c, 2)
    for (dx, dy) in ((0.85, 0.15), (0.15, 0.85)):
        px, py = x + s * dx, y + s * dy
        line(img, px - 3, py, px + 3, py, c, 1)
        line(img, px, py - 3, px, py + 3, c, 1)


def g_motion(img, x, y, s, c):
    for k in range(3):
        prev = None
        for i in range(13):
            px = x + s * 0.1 + s * 0.8 * i / 12
            py = y + s * (0.3 + 0.2 * k) + s * 0.07 * math.sin(i / 12 * 2 * math.pi)
            if prev:
                line(img, prev[0], prev[1], px, py, c, 1)
            prev = (px, py)


def g_arrow(direction):
    def draw(img, x, y, s, c):
        cx, cy = x + s / 2, y + s / 2
        for k in range(int(s * 0.3)):
            if direction in "ud":
                yy = cy - s * 0.15 + k if direction == "u" else cy + s * 0.15 - k
                img.rect(round(cx - k), round(yy), round(cx + k + 1), round(yy + 1), c)
            else:
                xx = cx - s * 0.15 + k if direction == "l" else cx + s * 0.15 - k
                img.rect(round(xx), round(cy - k), round(xx + 1), round(cy + k + 1), c)
    return draw


def g_chevrons(pointing):
    def draw(img, x, y, s, c):
        for k in (0, 6):
            tip = x + s // 2 + (4 if pointing == ">" else -4) + (k - 3 if pointing == ">" else 3 - k)
            back = tip - 6 if pointing == ">" else tip + 6
            line(img, back, y + s // 2 - 6, tip, y + s // 2, c, 2)
            line(img, tip, y + s // 2, back, y + s // 2 + 6, c, 2)
    return draw


BUTTON_STATES = {  # background, ink
    "disabled": ((96, 100, 108), (150, 152, 158)),
    "state": ((222, 140, 40), (255, 255, 255)),
    "hover": ((98, 140, 196), (255, 255, 255)),
    "face": ((62, 92, 132), (240, 244, 250)),
}
ROLE_ORDER = ("disabled", "state", "hover", "face")


def skin_button(w, h, glyph, state, label=None, corner=6, label_below=False):
    background, ink = BUTTON_STATES[state]
    img = Image(w, h, background)
    light = tuple(min(v + 40, 255) for v in background)
    dark = tuple(max(v - 40, 0) for v in background)
    img.rect(1, 1, w - 1, 2, light)
    img.rect(1, h - 2, w - 1, h - 1, dark)
    img.outline((28, 44, 68))
    size = min(h - 6, 28)
    if label and label_below:
        # A small glyph over a short word, for narrow buttons.
        size = h - 14
        glyph(img, (w - size) // 2, 2, size, ink)
        draw_text(img, (w - text_width(label)) // 2, h - 10, label, ink)
    elif label:
        glyph(img, 5, (h - size) // 2, size, ink)
        draw_text(img, size + 10, (h - 7) // 2, label, ink)
    else:
        glyph(img, (w - size) // 2, (h - size) // 2, size, ink)
    img.round_corners(corner)
    return img


def button_set(images, first, w, h, glyph, label=None, state_glyph=None, label_below=False):
    """Disabled, state, hover, face at first .. first + 3."""
    for i, role in enumerate(ROLE_ORDER):
        draw = state_glyph if (role == "state" and state_glyph) else glyph
        images[first + i] = skin_button(w, h, draw, role, label, label_below=label_below)


BAR_TOP = (66, 94, 134)
BAR_BOTTOM = (30, 44, 64)
PANEL_TOP = (38, 54, 78)
PANEL_BOTTOM = (22, 32, 48)


# The bar's window is 700 pixels wide; its shape is as wide as the main
# window at its narrowest, under which it docks.
BAR_SHAPE_WIDTH = 667


def bar_face(w, h, rows=97):
    full = w
    w = BAR_SHAPE_WIDTH
    img = Image(w, h)
    img.vgradient(PANEL_TOP, PANEL_BOTTOM)
    top = Image(w, rows)
    top.vgradient(BAR_TOP, BAR_BOTTOM)
    for y in range(rows):
        img.px[y] = list(top.px[y])
    img.rect(0, rows - 1, w, rows, (96, 132, 176))
    img.rect(30, 16, 490, 17, (96, 132, 176))
    draw_text(img, 506, 38, "ORBILE", (210, 224, 242), 4)
    draw_text(img, 508, 74, "DOCUMENT CAMERA", (150, 176, 210), 1)
    img.outline((120, 150, 190))
    img.round_corners(12, "bl br")
    return widened(img, full)


def widened(img, w):
    """The image on a see-through field w pixels wide."""
    out = Image(w, img.h, KEY)
    for y in range(img.h):
        out.px[y][:img.w] = img.px[y]
    return out


def sub_panel_face(label, separators):
    w = BAR_SHAPE_WIDTH
    img = Image(w, 183)
    img.vgradient(PANEL_TOP, PANEL_BOTTOM)
    for x in separators:
        img.rect(x, 8, x + 1, 120, (70, 96, 132))
    draw_text(img, 36, 128, label, (120, 146, 182), 2)
    img.rect(0, 0, 1, 183, (120, 150, 190))
    img.rect(w - 1, 0, w, 183, (120, 150, 190))
    img.rect(0, 182, w, 183, (120, 150, 190))
    img.round_corners(12, "bl br")
    return widened(img, 700)


def annotation_panel_face():
    w = BAR_SHAPE_WIDTH
    img = Image(w, 183)
    img.vgradient(PANEL_TOP, PANEL_BOTTOM)
    img.rect(155, 8, 156, 120, (70, 96, 132))
    img.rect(411, 8, 412, 120, (70, 96, 132))
    draw_text(img, 36, 128, "ANNOTATE", (120, 146, 182), 2)
    img.rect(0, 0, 1, 183, (120, 150, 190))
    img.rect(w - 1, 0, w, 183, (120, 150, 190))
    img.rect(0, 182, w, 183, (120, 150, 190))
    img.round_corners(12, "bl br")
    return widened(img, 700)


# The drawing palette, index 0 to 7: near-black, red, yellow, blue, white,
# orange, green, magenta (the key colour itself is never drawn as is).
PALETTE = [(4, 4, 4), (255, 0, 0), (255, 255, 0), (0, 0, 255), (255, 255, 255), (255, 128, 64), (0, 255, 0),
           (254, 0, 254)]


def g_pen_width(thickness):
    def draw(img, x, y, s, c):
        img.rect(x + s * 1 // 10, round(y + s / 2 - thickness / 2), x + s * 9 // 10,
                 round(y + s / 2 + thickness / 2), c)
    return draw


def g_line_swatch(colour):
    def draw(img, x, y, s, c):
        line(img, x + s * 1 // 10, y + s * 7 // 10, x + s * 9 // 10, y + s * 3 // 10, colour, 4)
    return draw


def g_fill_swatch(colour):
    def draw(img, x, y, s, c):
        img.rect(x + s * 2 // 10, y + s * 2 // 10, x + s * 8 // 10, y + s * 8 // 10, c)
        img.rect(x + s * 2 // 10 + 1, y + s * 2 // 10 + 1, x + s * 8 // 10 - 1, y + s * 8 // 10 - 1, colour)
    return draw


def g_erase_all(img, x, y, s, c):
    g_eraser(img, x, y, s, c)
    line(img, x + s * 6 // 10, y + s * 1 // 10, x + s * 9 // 10, y + s * 4 // 10, c, 2)
    line(img, x + s * 9 // 10, y + s * 1 // 10, x + s * 6 // 10, y + s * 4 // 10, c, 2)


# Solid, semi-transparent and no line or fill.
def g_transparency(kind, fill):
    def draw(img, x, y, s, c):
        swatch = g_fill_swatch if fill else g_line_swatch
        if kind != "none":
            swatch(c if kind == "solid" else (150, 150, 150))(img, x, y, s, c)
        else:
            line(img, x + s * 2 // 10, y + s * 2 // 10, x + s * 8 // 10, y + s * 8 // 10, (225, 50, 50), 2)
            line(img, x + s * 8 // 10, y + s * 2 // 10, x + s * 2 // 10, y + s * 8 // 10, (225, 50, 50), 2)
    return draw


# The panel's labelled buttons per language: erase all (4 images), line and
# fill transparency (5 each: the four roles and the third state) and the
# width row's label (4), from their first ids.
LANGUAGE_SETS = {
    "english": {"first": (ID.ERASE_ALL_BUTTON, ID.LINE_TRANSPARENCY_BUTTON, ID.FILL_TRANSPARENCY_BUTTON,
                          ID.PEN_LABEL_BUTTON),
                "words": ("ALL", "LINE", "FILL", "PEN")},
    "german": {"first": (ID.ERASE_ALL_BUTTON_GERMAN, ID.LINE_TRANSPARENCY_BUTTON_GERMAN,
                         ID.FILL_TRANSPARENCY_BUTTON_GERMAN, ID.PEN_LABEL_BUTTON_GERMAN),
               "words": ("ALLE", "LINIE", "F\u00dcLLUNG", "STIFT")},
}


def annotation_language_skins(s, first, words):
    erase_all, line, fill, width = first
    all_word, line_word, fill_word, pen_word = words
    button_set(s, erase_all, 60, 34, g_erase_all, all_word, label_below=True)
    for first_id, label, is_fill in ((line, line_word, False), (fill, fill_word, True)):
        button_set(s, first_id, 120, 34, g_transparency("solid", is_fill), label,
                   state_glyph=g_transparency("semi", is_fill))
        s[first_id + 4] = skin_button(120, 34, g_transparency("none", is_fill), "state", label)
    button_set(s, width, 120, 34, g_pen_width(4), pen_word)


def annotation_skins(s):
    s[ID.ANNOTATION_PANEL_FACE] = annotation_panel_face()
    for language in LANGUAGE_SETS.values():
        annotation_language_skins(s, language["first"], language["words"])
    for i, thickness in enumerate((2, 4, 8, 16)):
        button_set(s, ID.FIRST_PEN_WIDTH_BUTTON + 4 * i, 60, 34, g_pen_width(thickness))
    for i, colour in enumerate(PALETTE):
        button_set(s, ID.FIRST_LINE_COLOUR_BUTTON + 4 * i, 60, 34, g_line_swatch(colour))
        button_set(s, ID.FIRST_FILL_COLOUR_BUTTON + 4 * i, 60, 34, g_fill_swatch(colour))
    for first, pointing in ((ID.LINE_PAGE_FORWARD_BUTTON, ">"), (ID.LINE_PAGE_BACK_BUTTON, "<"),
                            (ID.FILL_PAGE_FORWARD_BUTTON, ">"), (ID.FILL_PAGE_BACK_BUTTON, "<")):
        button_set(s, first, 60, 34, g_chevrons(pointing))


def video_panel_face():
    """The video panel as the picture window shows it over a film."""
    img = Image(395, 48)
    img.vgradient(PANEL_TOP, PANEL_BOTTOM)
    img.outline((120, 150, 190))
    img.round_corners(12)
    return img


def video_bar():
    """The zone at the bottom of a picture window that brings the video panel."""
    img = Image(440, 48)
    img.vgradient(BAR_TOP, BAR_BOTTOM)
    img.outline((120, 150, 190))
    return img


def video_bar_face():
    img = Image(100, 20, BAR_BOTTOM)
    draw_text(img, 8, 4, "VIDEO", (120, 146, 182), 2)
    return img


def collapsed_strip():
    img = Image(64, 97)
    img.vgradient(BAR_TOP, BAR_BOTTOM)
    img.outline((120, 150, 190))
    img.round_corners(10)
    return img


def grip():
    img = Image(40, 12, (50, 72, 104))
    for x in range(4, 36, 4):
        img.rect(x, 4, x + 2, 8, (150, 176, 210))
    return img


def console_skins(s):
    s[ID.PANEL_BACKGROUND] = Image(4, 4, PANEL_BOTTOM)
    s[ID.BAR_FACE_FULL] = bar_face(700, 280)
    s[ID.BAR_FACE_ROWS] = bar_face(700, 97)
    s[ID.BAR_FACE_LINE_TOOLS] = bar_face(700, 97 + 76 + 40)
    s[ID.BAR_FACE_ERASER_TOOLS] = bar_face(700, 97 + 38 + 40)
    s[ID.BAR_COLLAPSED] = collapsed_strip()
    s[ID.CAMERA_PANEL_FACE] = sub_panel_face("CAMERA", (155, 283, 411))
    s[ID.VIDEO_PANEL_FACE] = video_panel_face()
    s[ID.VIDEO_BAR] = video_bar()
    s[ID.VIDEO_BAR_FACE] = video_bar_face()
    s[ID.BAR_GRIP] = grip()
    annotation_skins(s)
    bar = [(ID.CAMERA_PANEL_BUTTON, g_camera), (ID.RECORD_BUTTON, g_record), (ID.SNAPSHOT_BUTTON, g_snapshot),
           (ID.OPEN_FILE_BUTTON, g_files), (ID.PRINT_BUTTON, g_print), (ID.NETWORK_PANEL_BUTTON, g_network),
           (ID.SETTINGS_BUTTON, g_settings), (ID.FREEHAND_BUTTON, g_freehand), (ID.LINE_BUTTON, g_line),
           (ID.RECTANGLE_BUTTON, g_rectangle), (ID.ELLIPSE_BUTTON, g_ellipse), (ID.TEXT_BUTTON, g_text),
           (ID.COPY_IMAGE_BUTTON, g_copy), (ID.ERASER_BUTTON, g_eraser)]
    for first, glyph in bar:
        button_set(s, first, 60, 34, glyph, state_glyph=g_stop if first == ID.RECORD_BUTTON else None)
    button_set(s, ID.EXPAND_BAR_BUTTON, 22, 70, g_chevrons(">"))
    button_set(s, ID.COLLAPSE_BAR_BUTTON, 22, 70, g_chevrons("<"))
    panel = [(ID.AUTO_FOCUS_BUTTON, g_focus, "AUTO FOCUS"), (ID.ZOOM_IN_BUTTON, g_magnifier("+"), "ZOOM IN"),
             (ID.ZOOM_OUT_BUTTON, g_magnifier("-"), "ZOOM OUT"), (ID.ZOOM_RESET_BUTTON, g_magnifier("1"), "ZOOM 1:1"),
             (ID.FREEZE_BUTTON, g_freeze, "FREEZE"), (ID.ROTATE_BUTTON, g_rotate, "ROTATE"),
             (ID.BRIGHTER_BUTTON, g_sun("+"), "BRIGHTER"), (ID.DARKER_BUTTON, g_sun("-"), "DARKER")]
    for first, glyph, label in panel:
        button_set(s, first, 120, 34, glyph, label)
    for first, glyph, label in ((ID.AUTO_IMAGE_BUTTON, g_auto_image, "AUTO IMAGE"), (ID.MOTION_BUTTON, g_motion, "MOTION")):
        button_set(s, first, 120, 50, glyph, label)
    # Colour mode: disabled, colour (state 1 = grey), hover, face, negative.
    colour_mode = ID.COLOUR_MODE_BUTTON
    s[colour_mode] = skin_button(120, 34, g_colour("colour"), "disabled", "COLOUR")
    s[colour_mode + 1] = skin_button(120, 34, g_colour("grey"), "state", "GREY")
    s[colour_mode + 2] = skin_button(120, 34, g_colour("colour"), "hover", "COLOUR")
    s[colour_mode + 3] = skin_button(120, 34, g_colour("colour"), "face", "COLOUR")
    s[colour_mode + 4] = skin_button(120, 34, g_colour("negative"), "state", "NEGATIVE")
    # The zoom-and-pan cross: disabled, state, hover, face per arrow; the centre.
    for first, direction, (w, h) in ((ID.PAN_DOWN_BUTTON, "d", (25, 22)), (ID.PAN_LEFT_BUTTON, "l", (22, 25)),
                                     (ID.PAN_RIGHT_BUTTON, "r", (22, 25)), (ID.PAN_UP_BUTTON, "u", (25, 22))):
        button_set(s, first, w, h, g_arrow(direction))
    s[ID.PAN_CENTRE_DISABLED] = skin_button(25, 25, lambda *a: None, "disabled", corner=12)
    s[ID.PAN_CENTRE] = skin_button(25, 25, lambda img, x, y, sz, c: img.disk(x + sz / 2, y + sz / 2, 4, c), "face",
                                   corner=12)


def bitmaps():
    images = Bitmaps()
    for rid, colours in EXIT_BUTTON_STATES.items():
        images[rid] = exit_button(*colours)
    console_skins(images)
    return images


def camera_icon(size=32):
    """A document camera over a sheet: arm, head and base, on transparency."""
    img = Image(size, size, KEY)
    paper, arm, head, lens = (250, 250, 245), (58, 90, 130), (40, 66, 100), (140, 200, 255)
    img.rect(4, 22, 28, 30, paper)
    img.rect(4, 29, 28, 30, (150, 150, 150))
    img.rect(22, 6, 25, 27, arm)
    img.rect(20, 26, 28, 29, head)
    img.rect(8, 4, 25, 8, arm)
    img.rect(6, 3, 13, 11, head)
    img.rect(8, 9, 11, 12, lens)
    return img


def save_icon(img, path):
    """One 32-bit image with an all-opaque mask; the key colour becomes alpha 0."""
    xor = bytearray()
    for row in reversed(img.px):
        for r, g, b in row:
            alpha = 0 if (r, g, b) == KEY else 255
            xor += bytes((b, g, r, alpha))
    mask_stride = ((img.w + 31) // 32) * 4
    mask = bytes(mask_stride * img.h)
    info = struct.pack("<IiiHHIIiiII", 40, img.w, img.h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    payload = info + bytes(xor) + mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", img.w, img.h, 0, 0, 1, 32, len(payload), 6 + 16)
    Path(path).write_bytes(header + entry + payload)


def main():
    out = Path(sys.argv[1])
    write_bitmaps(bitmaps(), out, "orbileres", "orbileres.rc")
    save_icon(camera_icon(), out / "orbileap.ico")


if __name__ == "__main__":
    main()

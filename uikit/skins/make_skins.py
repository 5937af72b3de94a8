#!/usr/bin/env python3
"""Draws the default skin bitmaps of the control library and the resource
script that compiles them in: make_skins.py OUTPUT_DIR.

Every image is 24-bit; magenta (255, 0, 255) marks what is see-through."""
import math
import struct
import sys
from pathlib import Path

KEY = (255, 0, 255)


class Image:
    def __init__(self, w, h, colour=(0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[colour] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(y0, 0), min(y1, self.h)):
            for x in range(max(x0, 0), min(x1, self.w)):
                self.px[y][x] = c

    def vgradient(self, top, bottom):
        for y in range(self.h):
            t = y / max(self.h - 1, 1)
            c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
            self.px[y] = [c] * self.w

    def outline(self, c):
        self.rect(0, 0, self.w, 1, c)
        self.rect(0, self.h - 1, self.w, self.h, c)
        self.rect(0, 0, 1, self.h, c)
        self.rect(self.w - 1, 0, self.w, self.h, c)

    def round_corners(self, r, corners="tl tr bl br"):
        """Keys out what lies outside a quarter circle of radius r at each corner."""
        centres = {"tl": (r, r), "tr": (self.w - r, r), "bl": (r, self.h - r), "br": (self.w - r, self.h - r)}
        for name in corners.split():
            cx, cy = centres[name]
            xs = range(0, r) if name[1] == "l" else range(self.w - r, self.w)
            ys = range(0, r) if name[0] == "t" else range(self.h - r, self.h)
            for y in ys:
                for x in xs:
                    if math.hypot(x + 0.5 - cx, y + 0.5 - cy) > r:
                        self.px[y][x] = KEY

    def disk(self, cx, cy, r, c, inside=True):
        """Paints the pixels whose centres lie inside (or outside) the circle."""
        for y in range(self.h):
            for x in range(self.w):
                if (math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= r) == inside:
                    self.px[y][x] = c

    def transposed(self):
        t = Image(self.h, self.w)
        t.px = [[self.px[x][y] for x in range(self.h)] for y in range(self.w)]
        return t

    def save(self, path):
        stride = (self.w * 3 + 3) & ~3
        rows = bytearray()
        for row in reversed(self.px):  # bottom-up
            line = bytearray()
            for r, g, b in row:
                line += bytes((b, g, r))
            rows += line + bytes(stride - len(line))
        header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
        Path(path).write_bytes(header + info + rows)


TRACK = (40, 40, 48)
FRAME_LIGHT = (96, 132, 176)
FRAME_DARK = (40, 66, 100)
FRAME_EDGE = (58, 90, 130)


def frame_band(w, h, corners=""):
    img = Image(w, h)
    img.vgradient(FRAME_LIGHT, FRAME_DARK)
    if corners:
        img.round_corners(8, corners)
    return img


def frame_edge(w, h):
    img = Image(w, h, FRAME_EDGE)
    img.rect(w // 2, 0, w // 2 + 1, h, FRAME_LIGHT)  # a groove down the middle
    return img


def glyph_about(img, c):
    cx = img.w // 2
    img.rect(cx - 1, 3, cx + 1, 5, c)
    img.rect(cx - 1, 6, cx + 1, 11, c)


def glyph_minimise(img, c):
    img.rect(img.w // 2 - 4, 9, img.w // 2 + 4, 11, c)


def glyph_fullscreen(img, c):
    x0, x1 = img.w // 2 - 5, img.w // 2 + 5
    img.rect(x0, 3, x1, 4, c)
    img.rect(x0, 10, x1, 11, c)
    img.rect(x0, 3, x0 + 1, 11, c)
    img.rect(x1 - 1, 3, x1, 11, c)


def glyph_close(img, c):
    cx = img.w // 2
    for i in range(8):
        for dx in (0, 1):
            img.set(cx - 4 + i + dx, 3 + i, c)
            img.set(cx + 3 - i + dx, 3 + i, c)


TITLE_STATES = {  # disabled, pressed, hover, face: background and glyph colours
    "disabled": ((112, 112, 112), (160, 160, 160)),
    "pressed": ((30, 48, 76), (230, 230, 230)),
    "hover": ((110, 150, 200), (255, 255, 255)),
    "face": ((70, 100, 140), (240, 240, 240)),
}


def title_button(w, glyph, state):
    background, ink = TITLE_STATES[state]
    img = Image(w, 14, background)
    img.outline(FRAME_DARK)
    glyph(img, ink)
    return img


def push_button(colour):
    img = Image(37, 17, colour)
    img.rect(1, 1, 36, 2, tuple(min(v + 50, 255) for v in colour))
    img.round_corners(5)
    return img


def slider(colour, groove=False):
    img = Image(173, 10, colour)
    if groove:
        img.rect(4, 4, 169, 6, (90, 90, 104))
    img.round_corners(4)
    return img


def round_image(size, colour, outside=KEY):
    img = Image(size, size, colour)
    img.disk(size / 2, size / 2, size / 2, outside, inside=False)
    return img


def wheel(body, ring, hub):
    img = Image(137, 137, body)
    img.disk(70, 70, 64, ring)
    img.disk(70, 70, 44, hub)
    img.disk(68.5, 68.5, 68.5, KEY, inside=False)
    return img


def panel_face():
    img = Image(351, 200)
    img.vgradient((52, 74, 104), (30, 44, 64))
    img.rect(0, 0, 351, 24, (70, 100, 140))
    img.outline((120, 150, 190))
    img.round_corners(12)
    return img


def skins():
    s = {1000: panel_face()}
    s[1001] = frame_band(67, 26)
    s[1002] = frame_edge(13, 40)
    s[1003] = frame_band(67, 64)
    s[1004] = frame_edge(13, 40)
    s[1005] = frame_band(300, 26, "tl")
    s[1006] = frame_band(300, 26, "tr")
    s[1007] = frame_band(299, 64, "bl")
    s[1008] = frame_band(300, 64, "br")
    for i, corner in enumerate(("tl", "tr", "bl", "br")):
        piece = Image(12, 12, FRAME_EDGE)
        piece.round_corners(12, corner)
        s[1009 + i] = piece
    for first, width, glyph in ((1013, 23, glyph_about), (1017, 39, glyph_close),
                                (1021, 22, glyph_minimise), (1025, 22, glyph_fullscreen)):
        for i, state in enumerate(("disabled", "pressed", "hover", "face")):
            s[first + i] = title_button(width, glyph, state)
    s[1029] = push_button((128, 128, 128))
    s[1030] = push_button((230, 150, 40))
    s[1031] = push_button((90, 150, 220))
    s[1032] = push_button((50, 100, 170))
    s[1033] = slider((120, 120, 120))
    s[1034] = slider(TRACK, groove=True)
    s[1035] = slider((60, 170, 90))
    # The thumb is painted opaque over the track: its corners show the groove.
    s[1036] = round_image(10, (235, 235, 235), outside=TRACK)
    s[1043] = s[1033].transposed()
    s[1045] = s[1034].transposed()
    s[1046] = s[1035].transposed()
    s[1047] = round_image(10, (235, 235, 235), outside=TRACK)
    s[1049] = wheel((50, 60, 80), (84, 100, 130), (35, 40, 55))
    s[1050] = wheel((96, 96, 96), (120, 120, 120), (80, 80, 80))
    s[1051] = round_image(16, (240, 160, 40))
    return s


def write_bitmaps(images, out, stem, script):
    """Saves each image as STEM<id>.bmp in out and a resource script naming them."""
    out.mkdir(parents=True, exist_ok=True)
    lines = []
    for rid, img in sorted(images.items()):
        name = f"{stem}{rid}.bmp"
        img.save(out / name)
        lines.append(f'{rid} BITMAP "{(out / name).resolve().as_posix()}"')
    (out / script).write_text("\n".join(lines) + "\n")


def main():
    write_bitmaps(skins(), Path(sys.argv[1]), "skin", "skins.rc")


if __name__ == "__main__":
    main()

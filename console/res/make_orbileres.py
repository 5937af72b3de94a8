#!/usr/bin/env python3
"""Draws the console's artwork: the bitmaps of the skin resource library
orbileres.dll with its resource script, and the program's icon:
make_orbileres.py OUTPUT_DIR.

Every bitmap is 24-bit; magenta (255, 0, 255) marks what is see-through."""
import struct
import sys
from pathlib import Path

# The drawing primitives are the control library's.
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "uikit" / "skins"))
from make_skins import KEY, Image, write_bitmaps  # noqa: E402

EXIT_BUTTON_SIZE = (21, 19)
# Background and cross colour of the full-screen exit button per state.
EXIT_BUTTON_STATES = {
    155: ((70, 100, 140), (240, 240, 240)),  # face
    156: ((110, 150, 200), (255, 255, 255)),  # pointer over it
    157: ((112, 112, 112), (160, 160, 160)),  # disabled
    158: ((30, 48, 76), (230, 230, 230)),  # pressed
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


def bitmaps():
    return {rid: exit_button(*colours) for rid, colours in EXIT_BUTTON_STATES.items()}


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

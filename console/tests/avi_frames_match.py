#!/usr/bin/env python3
"""Frame n of a recording must show page n mod 8: of the eight pages, made as
small as their frame counters still read, it must be the nearest, and near
(a cut or wrongly scaled picture is far off).
avi_frames_match.py <frames.rgb> <pages.rgb> <expected frame count>
Both files: 160x120 rgb24 pictures, one after the other."""
import sys

sys.dont_write_bytecode = True  # nothing written beside the sources
from avi_frames import NEAR, PAGE_COUNT, nearest_page, read  # noqa: E402

frames, pages, status = read(sys.argv)
for n, frame in enumerate(frames):
    nearest, away = nearest_page(frame, pages)
    ok = nearest == n % PAGE_COUNT and away < NEAR
    print(f"{'ok  ' if ok else 'FAIL'} frame {n}: nearest page {nearest} ({away:.4f}), expected {n % PAGE_COUNT}")
    status |= not ok
sys.exit(status)

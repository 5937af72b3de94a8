#!/usr/bin/env python3
"""Frames of a live recording must each show one of the camera's eight
numbered pages (near it: a cut or wrongly scaled picture is far off), and
the page numbers must advance as the camera's did: one page a frame when the
recording keeps the camera's rate, now and then a page repeated or skipped
when a frame came late, never a step back. With a repeat count, every frame
is written that many times in a row: each run of frames must be one picture,
and the runs must advance as single frames do.
avi_frames_advance.py <frames.rgb> <pages.rgb> <expected frame count> [repeat]
Both files: 160x120 rgb24 pictures, one after the other."""
import sys

sys.dont_write_bytecode = True  # nothing written beside the sources
from avi_frames import NEAR, PAGE_COUNT, nearest_page, read  # noqa: E402

frames, pages, status = read(sys.argv)
repeat = int(sys.argv[4]) if len(sys.argv) > 4 else 1
if len(frames) % repeat:
    print(f"FAIL {len(frames)} frames decoded, not in runs of {repeat}")
    status = 1
unlike = [n for n in range(len(frames)) if frames[n] != frames[n - n % repeat]]
if unlike:
    print(f"FAIL frames {unlike[:10]} differ from the first of their run of {repeat}")
    status = 1
frames = frames[::repeat]
shown = []
for n, frame in enumerate(frames):
    nearest, away = nearest_page(frame, pages)
    shown.append(nearest)
    if away >= NEAR:
        print(f"FAIL frame {n}: nearest page {nearest} is {away:.4f} away")
        status = 1
steps = [(b - a) % PAGE_COUNT for a, b in zip(shown, shown[1:])]
backward = [n + 1 for n, step in enumerate(steps) if step > 2]
single = sum(step == 1 for step in steps)
if backward:
    print(f"FAIL page numbers step back or jump at frames {backward[:10]}")
    status = 1
if steps and single < 0.7 * len(steps):
    print(f"FAIL only {single} of {len(steps)} frames show the next page")
    status = 1
print(f"{'ok  ' if status == 0 else 'FAIL'} {len(frames)} frames, pages {''.join(map(str, shown[:40]))}...,"
      f" {single} of {len(steps)} steps to the next page")
sys.exit(status)

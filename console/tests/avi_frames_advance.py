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
import math
import sys

SIZE = 160 * 120 * 3


def pictures(path):
    data = open(path, "rb").read()
    return [data[i:i + SIZE] for i in range(0, len(data) - SIZE + 1, SIZE)]


def distance(a, b):
    return math.sqrt(sum((x - y) ** 2 for x, y in zip(a, b)) / SIZE) / 255


frames, pages, expected = pictures(sys.argv[1]), pictures(sys.argv[2]), int(sys.argv[3])
repeat = int(sys.argv[4]) if len(sys.argv) > 4 else 1
status = 0
if len(frames) != expected or len(pages) != 8 or len(frames) % repeat:
    print(f"FAIL {len(frames)} frames decoded, expected {expected} in runs of {repeat}; {len(pages)} pages")
    status = 1
unlike = [n for n in range(len(frames)) if frames[n] != frames[n - n % repeat]]
if unlike:
    print(f"FAIL frames {unlike[:10]} differ from the first of their run of {repeat}")
    status = 1
frames = frames[::repeat]
shown = []
for n, frame in enumerate(frames):
    distances = [distance(frame, page) for page in pages]
    nearest = min(range(len(pages)), key=distances.__getitem__)
    shown.append(nearest)
    if distances[nearest] >= 0.06:
        print(f"FAIL frame {n}: nearest page {nearest} is {distances[nearest]:.4f} away")
        status = 1
steps = [(b - a) % 8 for a, b in zip(shown, shown[1:])]
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

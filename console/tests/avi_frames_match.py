#!/usr/bin/env python3
"""Frame n of a recording must show page n mod 8: of the eight pages, made as
small as their frame counters still read, it must be the nearest, and near
(a cut or wrongly scaled picture is far off).
avi_frames_match.py <frames.rgb> <pages.rgb> <expected frame count>
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
status = 0
if len(frames) != expected or len(pages) != 8:
    print(f"FAIL {len(frames)} frames decoded, expected {expected}; {len(pages)} pages")
    status = 1
for n, frame in enumerate(frames):
    distances = [distance(frame, page) for page in pages]
    nearest = min(range(len(pages)), key=distances.__getitem__)
    ok = nearest == n % 8 and distances[nearest] < 0.06
    print(f"{'ok  ' if ok else 'FAIL'} frame {n}: nearest page {nearest} ({distances[nearest]:.4f}), expected {n % 8}")
    status |= not ok
sys.exit(status)

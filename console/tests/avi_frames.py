"""The frames of a recording held against the camera's eight numbered pages,
made as small as their frame counters still read. Both files: 160x120 rgb24
pictures, one after the other."""
import math

SIZE = 160 * 120 * 3
PAGE_COUNT = 8
# A frame this far from its nearest page is cut or wrongly scaled.
NEAR = 0.06


def pictures(path):
    data = open(path, "rb").read()
    return [data[i:i + SIZE] for i in range(0, len(data) - SIZE + 1, SIZE)]


def distance(a, b):
    return math.sqrt(sum((x - y) ** 2 for x, y in zip(a, b)) / SIZE) / 255


def read(argv):
    """Frames and pages from <frames.rgb> <pages.rgb> <expected frame count>,
    and 1 when their counts are not what they should be (said), else 0."""
    frames, pages, expected = pictures(argv[1]), pictures(argv[2]), int(argv[3])
    if len(frames) != expected or len(pages) != PAGE_COUNT:
        print(f"FAIL {len(frames)} frames decoded, expected {expected}; {len(pages)} pages")
        return frames, pages, 1
    return frames, pages, 0


def nearest_page(frame, pages):
    """The index of the page nearest the frame, and its distance."""
    distances = [distance(frame, page) for page in pages]
    nearest = min(range(len(pages)), key=distances.__getitem__)
    return nearest, distances[nearest]

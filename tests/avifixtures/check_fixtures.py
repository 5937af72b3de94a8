#!/usr/bin/env python3
"""Cross-checks the generated AVI fixtures with FFmpeg, an independent reader.

    check_fixtures.py DIR     DIR holds the files and manifest.json of make_avi.py

For every well-formed fixture: stream order, size, rate and decodable frame
count as ffprobe sees them; every decoded frame's pixels carry its index
upright; the decoded sound carries its sample index.
"""
import json
import os
import struct
import subprocess
import sys

from make_avi import BOTTOM, SOUND_RATE, TOP


def probe(path):
    """The streams that ffprobe finds; none when it cannot read the file."""
    result = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-of", "json", "-show_entries",
                          "stream=index,codec_type,codec_name,width,height,r_frame_rate,"
                          "nb_read_frames,sample_rate,channels", path],
                            capture_output=True)
    return json.loads(result.stdout)["streams"] if result.returncode == 0 else []


def decode(path, *args):
    return subprocess.run(["ffmpeg", "-v", "quiet", "-i", path, *args, "-"],
                          capture_output=True).stdout


def check(path, facts):
    errors = []
    streams = probe(path)
    kinds = [s["codec_type"] for s in streams]
    if facts.get("malformed"):
        if path.endswith("no_video.avi") and "video" in kinds:
            errors.append("has a video stream")
        return errors

    expected_kinds = ["video"]
    # Sound with a broken sample size is checked no further than its place.
    if facts["sound"]:
        expected_kinds = ["audio", "video"] if "sound_first" in path else ["video", "audio"]
    if kinds != expected_kinds:
        errors.append(f"streams {kinds}, expected {expected_kinds}")
    video = next(s for s in streams if s["codec_type"] == "video")
    frames = facts.get("decodable_frames", facts["frames"])
    for key, want in (("codec_name", "rawvideo"), ("width", facts["width"]), ("height", facts["height"]),
                      ("r_frame_rate", f"{facts['fps']}/1"), ("nb_read_frames", str(frames))):
        if video.get(key) != want:
            errors.append(f"video {key} {video.get(key)!r}, expected {want!r}")

    width, height = facts["width"], facts["height"]
    size = width * height * 3
    pixels = decode(path, "-map", "0:v", "-f", "rawvideo", "-pix_fmt", "rgb24")
    if len(pixels) != frames * size:
        errors.append(f"decoded {len(pixels)} video bytes, expected {frames * size}")
    for i in range(min(frames, len(pixels) // size)):
        frame = pixels[i * size:(i + 1) * size]
        top, bottom = tuple(frame[0:3]), tuple(frame[size - 3:size])
        if top != (i, *TOP) or bottom != (i, *BOTTOM):
            errors.append(f"frame {i}: top {top}, bottom {bottom}")
            break

    if facts["sound"] and facts.get("playable_sound", True):
        audio = next(s for s in streams if s["codec_type"] == "audio")
        if (audio["codec_name"], audio["sample_rate"], audio["channels"]) != ("pcm_s16le", str(SOUND_RATE), 1):
            errors.append(f"sound stream {audio}")
        raw = decode(path, "-map", "0:a", "-f", "s16le")
        samples = struct.unpack(f"<{len(raw) // 2}h", raw)
        expected_count = facts["frames"] * SOUND_RATE // facts["fps"]
        if len(samples) != expected_count:
            errors.append(f"{len(samples)} sound samples, expected {expected_count}")
        wrong = next((n for n, v in enumerate(samples) if v != n % 0x8000), None)
        if wrong is not None:
            errors.append(f"sound sample {wrong} holds {samples[wrong]}")
    return errors


def main():
    folder = sys.argv[1]
    with open(os.path.join(folder, "manifest.json")) as f:
        manifest = json.load(f)
    failed = False
    for name, facts in sorted(manifest.items()):
        errors = check(os.path.join(folder, name), facts)
        for e in errors:
            print(f"{name}: {e}")
        failed |= bool(errors)
    print("fixtures disagree with FFmpeg" if failed else f"{len(manifest)} fixtures agree with FFmpeg")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the AVI files that the playback tests open.

Every video frame is uncompressed 24-bit and encodes its own index: the upper
half of the picture is (R=index, G=0x20, B=0xC0), the lower half
(R=index, G=0xC0, B=0x20), so a reader can tell the index and that the picture
is upright. PCM sound is 16-bit mono; sample n holds the value n mod 0x8000,
so a reader can tell which sample a block of sound starts at.

    make_avi.py OUTDIR        writes every fixture and manifest.json into OUTDIR
"""
import json
import os
import struct
import sys

AVIF_HASINDEX = 0x10
AVIIF_KEYFRAME = 0x10
SOUND_RATE = 8000
TOP = (0x20, 0xC0)      # (G, B) of the upper half
BOTTOM = (0xC0, 0x20)   # (G, B) of the lower half


def chunk(fourcc, payload):
    data = fourcc + struct.pack("<I", len(payload)) + payload
    return data + (b"\0" if len(payload) % 2 else b"")


def riff_list(kind, fourcc, parts):
    body = fourcc + b"".join(parts)
    return kind + struct.pack("<I", len(body)) + body


def frame_pixels(index, width, height):
    """Bottom-up BGR rows, each padded to four bytes."""
    stride = (width * 3 + 3) & ~3
    pad = b"\0" * (stride - width * 3)
    def row(g, b):
        return bytes((b, g, index & 0xFF)) * width + pad
    lower, upper = row(*BOTTOM), row(*TOP)
    return lower * (height - height // 2) + upper * (height // 2)


def sound_samples(first, count):
    return b"".join(struct.pack("<h", n % 0x8000) for n in range(first, first + count))


class Stream:
    def __init__(self, kind, scale, rate, length, sample_size, fmt, handler=b"\0\0\0\0"):
        self.kind, self.scale, self.rate = kind, scale, rate
        self.length, self.sample_size, self.fmt, self.handler = length, sample_size, fmt, handler

    def header_list(self, width, height, buffer_size):
        strh = struct.pack("<4s4sIHHIIIIIIiI4h", self.kind, self.handler, 0, 0, 0, 0,
                           self.scale, self.rate, 0, self.length, buffer_size, -1,
                           self.sample_size, 0, 0, width, height)
        return riff_list(b"LIST", b"strl", [chunk(b"strh", strh), chunk(b"strf", self.fmt)])


def bitmap_info(width, height):
    stride = (width * 3 + 3) & ~3
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, stride * height, 0, 0, 0, 0)


def wave_format(block_align=2):
    return struct.pack("<HHIIHHH", 1, 1, SOUND_RATE, SOUND_RATE * 2, block_align, 16, 0)


def build(width=64, height=48, frames=50, fps=25, sound=False, sound_first=False,
          truncate_last=False, rate=None, sound_sample_size=2, index=True):
    """One AVI file as bytes; rate overrides the video rate (0 = malformed)."""
    video_rate = fps if rate is None else rate
    frame_bytes = len(frame_pixels(0, width, height))
    samples_per_frame = [SOUND_RATE * (i + 1) // fps - SOUND_RATE * i // fps for i in range(frames)]
    total_samples = sum(samples_per_frame)

    video = Stream(b"vids", 1, video_rate, frames, 0, bitmap_info(width, height), b"DIB ")
    # A reader may take the sample size from either header: a broken size is
    # broken in both.
    audio = Stream(b"auds", 2, SOUND_RATE * 2, total_samples, sound_sample_size,
                   wave_format(sound_sample_size))
    streams = [video]
    if sound:
        streams = [audio, video] if sound_first else [video, audio]
    video_id = b"%02ddb" % streams.index(video)
    audio_id = b"%02dwb" % streams.index(audio) if sound else None

    movi, entries, offset, first_sample = [], [], 4, 0
    for i in range(frames):
        pixels = frame_pixels(i, width, height)
        if truncate_last and i == frames - 1:
            pixels = pixels[: len(pixels) // 2]
        pieces = [(video_id, pixels)]
        if sound:
            pieces.append((audio_id, sound_samples(first_sample, samples_per_frame[i])))
            first_sample += samples_per_frame[i]
        for ckid, payload in pieces:
            data = chunk(ckid, payload)
            movi.append(data)
            entries.append(struct.pack("<4sIII", ckid, AVIIF_KEYFRAME, offset, len(payload)))
            offset += len(data)

    usec = 1000000 // video_rate if video_rate else 0
    avih = struct.pack("<10I4I", usec, frame_bytes * (fps or 1), 0,
                       AVIF_HASINDEX if index else 0, frames, 0, len(streams),
                       frame_bytes, width, height, 0, 0, 0, 0)
    hdrl = riff_list(b"LIST", b"hdrl", [chunk(b"avih", avih)] +
                     [s.header_list(width, height, frame_bytes) for s in streams])
    parts = [hdrl, riff_list(b"LIST", b"movi", movi)]
    if index:
        parts.append(chunk(b"idx1", b"".join(entries)))
    return riff_list(b"RIFF", b"AVI ", parts)


def fixtures():
    """name -> (bytes, facts the tests and the ffprobe check rely on)."""
    table = {}
    def add(name, data, **facts):
        table[name] = (data, facts)

    for fps in (25, 30, 60):
        add(f"video{fps}.avi", build(fps=fps), width=64, height=48, frames=50, fps=fps, sound=False)
    add("sound_after_video.avi", build(sound=True), width=64, height=48, frames=50, fps=25, sound=True)
    add("sound_first.avi", build(fps=30, sound=True, sound_first=True),
        width=64, height=48, frames=50, fps=30, sound=True)
    add("sound_long.avi", build(frames=100, sound=True), width=64, height=48, frames=100, fps=25, sound=True)
    add("sound_sample_size_0.avi", build(sound=True, sound_sample_size=0),
        width=64, height=48, frames=50, fps=25, sound=True, playable_sound=False)
    add("sound_sample_size_20000.avi", build(sound=True, sound_sample_size=20000),
        width=64, height=48, frames=50, fps=25, sound=True, playable_sound=False)
    add("truncated_last_frame.avi", build(frames=20, truncate_last=True),
        width=64, height=48, frames=20, fps=25, sound=False, decodable_frames=19)
    add("xga.avi", build(width=1024, height=768, frames=8, fps=30), width=1024, height=768,
        frames=8, fps=30, sound=False)

    valid = build(frames=10)
    add("malformed_zero_rate.avi", build(frames=10, rate=0), malformed=True)
    add("malformed_zero_length.avi", build(frames=0), malformed=True)
    add("malformed_no_video.avi", _audio_only(), malformed=True)
    add("malformed_truncated_header.avi", valid[:120], malformed=True)
    add("malformed_truncated_chunks.avi", build(frames=10, index=False)[:4000], malformed=True)
    add("malformed_not_riff.avi", b"This is not a RIFF file at all." * 8, malformed=True)
    return table


def _audio_only():
    """A file whose only stream is sound."""
    samples = sound_samples(0, 4000)
    audio = Stream(b"auds", 2, SOUND_RATE * 2, 4000, 2, wave_format())
    avih = struct.pack("<10I4I", 0, SOUND_RATE * 2, 0, AVIF_HASINDEX, 0, 0, 1, 8000, 0, 0, 0, 0, 0, 0)
    hdrl = riff_list(b"LIST", b"hdrl", [chunk(b"avih", avih), audio.header_list(0, 0, 8000)])
    movi = riff_list(b"LIST", b"movi", [chunk(b"00wb", samples)])
    idx1 = chunk(b"idx1", struct.pack("<4sIII", b"00wb", AVIIF_KEYFRAME, 4, len(samples)))
    return riff_list(b"RIFF", b"AVI ", [hdrl, movi, idx1])


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    manifest = {}
    for name, (data, facts) in fixtures().items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        manifest[name] = facts
    with open(os.path.join(out, "manifest.json"), "w") as f:
        json.dump(manifest, f, indent=1, sort_keys=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Makes the files that lie beside the add-in and the wizard on Windows.

  Logo.bmp   the menu button's picture: 16x16, 24 bits, the maker's blue square with a white V
  Click.wav  a button's click: a short, quiet knock
  Hover.wav  the pointer entering a button: a shorter, quieter tick

They are drawn and synthesised here instead of being kept as binary files, and the output is
the same on every run (the noise comes from a fixed generator), so the copies beside the
programs change only when this script does.

Usage: make_assets.py --output DIR
"""

import argparse
import math
import os
import struct
import sys

# The maker's colours, as in the desktop renderer's title bands and logo.
BLUE = (0x0B, 0x3D, 0x91)
LIGHT_BLUE = (0x6C, 0x9B, 0xE0)
WHITE = (0xFF, 0xFF, 0xFF)

LOGO_SIZE = 16
SAMPLE_RATE = 44100


def _segment_distance(px, py, ax, ay, bx, by):
    """Distance of the point from the segment a-b."""
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def logo_pixels(size=LOGO_SIZE):
    """Rows top to bottom of (r, g, b): a diagonal gradient from the dark blue at the top left
    to the light blue at the bottom right, with a white V whose edges are smoothed by 4x4
    samples per pixel."""
    s = size / 16.0
    # The V's two strokes meet at the bottom; round ends keep the tips from looking cut off.
    left = (3.6 * s, 3.4 * s, 8.0 * s, 12.4 * s)
    right = (12.4 * s, 3.4 * s, 8.0 * s, 12.4 * s)
    half_width = 1.15 * s
    steps = 4
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            t = (x + y) / (2.0 * (size - 1))
            base = [BLUE[i] + (LIGHT_BLUE[i] - BLUE[i]) * t for i in range(3)]
            inside = 0
            for sy in range(steps):
                for sx in range(steps):
                    px = x + (sx + 0.5) / steps
                    py = y + (sy + 0.5) / steps
                    if min(_segment_distance(px, py, *left), _segment_distance(px, py, *right)) <= half_width:
                        inside += 1
            cover = inside / (steps * steps)
            row.append(tuple(int(round(base[i] + (WHITE[i] - base[i]) * cover)) for i in range(3)))
        rows.append(row)
    return rows


def bmp_bytes(rows):
    """A Windows bitmap file, 24 bits per pixel, bottom-up, uncompressed."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + bytes(pixels)


class _Noise:
    """A fixed linear congruential generator: the same noise on every build."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x3FFFFFFF - 1.0


def click_samples(rate=SAMPLE_RATE):
    """30 ms: a low knock (a falling tone) under a burst of filtered noise, both dying away
    within a few milliseconds. Peak about a quarter of full scale."""
    count = int(rate * 0.030)
    noise = _Noise(20240611)
    smoothed = 0.0
    out = []
    for n in range(count):
        t = n / rate
        env = math.exp(-t / 0.0045)
        freq = 1800.0 - 900.0 * min(1.0, t / 0.01)
        knock = math.sin(2 * math.pi * freq * t) * env
        smoothed += 0.35 * (noise.next() - smoothed)
        burst = smoothed * math.exp(-t / 0.0015)
        out.append(0.55 * knock + 0.45 * burst)
    return _shape(out, rate, peak=0.25)


def hover_samples(rate=SAMPLE_RATE):
    """12 ms: a high, soft tick. Peak about an eighth of full scale."""
    count = int(rate * 0.012)
    out = []
    for n in range(count):
        t = n / rate
        out.append(math.sin(2 * math.pi * 4200.0 * t) * math.exp(-t / 0.0022))
    return _shape(out, rate, peak=0.12)


def _shape(samples, rate, peak):
    """Scales to the given peak and fades the first and last milliseconds, so that the sound
    neither starts nor ends with a step (which the speaker would add as a click of its own)."""
    top = max(abs(v) for v in samples) or 1.0
    fade_in = max(1, int(rate * 0.0003))
    fade_out = max(1, int(rate * 0.002))
    shaped = []
    last = len(samples) - 1
    for n, v in enumerate(samples):
        gain = min(1.0, n / fade_in, (last - n) / fade_out)
        shaped.append(v / top * peak * gain)
    return shaped


def wav_bytes(samples, rate=SAMPLE_RATE):
    """A RIFF WAVE file: PCM, 16 bits, mono."""
    data = b"".join(struct.pack("<h", max(-32767, min(32767, int(round(v * 32767))))) for v in samples)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


ASSETS = {
    "Logo.bmp": lambda: bmp_bytes(logo_pixels()),
    "Click.wav": lambda: wav_bytes(click_samples()),
    "Hover.wav": lambda: wav_bytes(hover_samples()),
}


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", required=True, help="folder to write the files into")
    args = parser.parse_args(argv)
    os.makedirs(args.output, exist_ok=True)
    for name, make in ASSETS.items():
        with open(os.path.join(args.output, name), "wb") as f:
            f.write(make())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

"""The logo and the sounds as the build made them: formats that Windows' picture loader and
PlaySound read, the look and loudness they are meant to have, the same bytes on every run, and
a copy beside every program that looks for them.

Environment: ARDEKO_MAKE_ASSETS (the script), ARDEKO_ASSET_DIR (the build's files),
ARDEKO_ASSET_COPIES (the folders that must hold copies, separated by ";").
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.environ["ARDEKO_MAKE_ASSETS"]
ASSET_DIR = os.environ["ARDEKO_ASSET_DIR"]
COPIES = [d for d in os.environ.get("ARDEKO_ASSET_COPIES", "").split(";") if d]
NAMES = ("Logo.bmp", "Click.wav", "Hover.wav")


def read(name, folder=ASSET_DIR):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()


def bmp_pixels(data):
    """(width, height, rows top to bottom of (r, g, b)) of an uncompressed 24-bit bitmap,
    checking the headers on the way."""
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    assert magic == b"BM", magic
    assert size == len(data), (size, len(data))
    (info_size, width, height, planes, bits, compression, image_size) = struct.unpack_from("<IiiHHII", data, 14)
    assert info_size == 40 and planes == 1, (info_size, planes)
    assert bits == 24 and compression == 0, (bits, compression)
    stride = (width * 3 + 3) & ~3
    assert image_size in (0, stride * abs(height)) and offset + stride * abs(height) == len(data)
    rows = []
    for y in range(abs(height)):
        line = data[offset + y * stride:offset + y * stride + width * 3]
        rows.append([(line[i + 2], line[i + 1], line[i]) for i in range(0, width * 3, 3)])
    if height > 0:  # bottom-up
        rows.reverse()
    return width, abs(height), rows


def wav_samples(data):
    """(rate, samples as floats in -1..1) of a PCM WAVE file, checking its chunks."""
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE", data[:12]
    assert struct.unpack_from("<I", data, 4)[0] == len(data) - 8
    pos, fmt, samples = 12, None, None
    while pos < len(data):
        tag, size = struct.unpack_from("<4sI", data, pos)
        body = data[pos + 8:pos + 8 + size]
        if tag == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", body, 0)
        elif tag == b"data":
            samples = [v / 32768 for (v,) in struct.iter_unpack("<h", body)]
        pos += 8 + size + (size & 1)
    assert fmt is not None and samples is not None
    tag, channels, rate, byte_rate, align, bits = fmt
    assert (tag, channels, bits) == (1, 1, 16), fmt
    assert byte_rate == rate * 2 and align == 2, fmt
    return rate, samples


def near(colour, expected, tolerance=24):
    return all(abs(c - e) <= tolerance for c, e in zip(colour, expected))


class LogoTest(unittest.TestCase):
    def setUp(self):
        self.width, self.height, self.rows = bmp_pixels(read("Logo.bmp"))

    def test_is_a_16_by_16_menu_picture(self):
        self.assertEqual((self.width, self.height), (16, 16))

    def test_blue_gradient_from_top_left_to_bottom_right(self):
        self.assertTrue(near(self.rows[0][0], (0x0B, 0x3D, 0x91)), self.rows[0][0])
        self.assertTrue(near(self.rows[15][15], (0x6C, 0x9B, 0xE0)), self.rows[15][15])
        # Lighter along the diagonal, away from the mark.
        diagonal = [sum(self.rows[i][15 - i]) for i in (0, 15)]
        self.assertTrue(near(self.rows[0][15], self.rows[15][0], 4), (self.rows[0][15], self.rows[15][0]))
        self.assertLess(sum(self.rows[0][0]), diagonal[0])
        self.assertLess(diagonal[0], sum(self.rows[15][15]))

    def test_white_v_in_the_middle(self):
        white = [(x, y) for y in range(16) for x in range(16) if min(self.rows[y][x]) >= 240]
        self.assertGreater(len(white), 12, "too little white for a mark")
        # Both arms' tops, the point at the bottom, and blue between the arms and below.
        for x, y in ((4, 4), (11, 4), (7, 11), (8, 11)):
            self.assertGreaterEqual(min(self.rows[y][x]), 200, (x, y, self.rows[y][x]))
        for x, y in ((7, 4), (8, 4), (8, 14), (1, 8), (14, 8)):
            self.assertLess(min(self.rows[y][x]), 200, (x, y, self.rows[y][x]))
        # Left-right symmetric, up to the gradient under the smoothed edges.
        xs = sorted({x for x, _ in white})
        self.assertAlmostEqual((xs[0] + xs[-1]) / 2, 7.5, delta=0.5)


class SoundTest(unittest.TestCase):
    def check_sound(self, name, max_peak):
        rate, samples = wav_samples(read(name))
        duration = len(samples) / rate
        peak = max(abs(v) for v in samples)
        self.assertLess(duration, 0.050, f"{name}: {duration * 1000:.1f} ms")
        self.assertGreater(duration, 0.003, f"{name}: {duration * 1000:.1f} ms")
        self.assertLessEqual(peak, max_peak, f"{name} is too loud")
        self.assertGreater(peak, 0.02, f"{name} is silent")
        # No step at either end, which a speaker plays as a click of its own.
        self.assertLess(abs(samples[0]), 0.01)
        self.assertLess(abs(samples[-1]), 0.01)
        return duration, peak

    def test_click_and_hover_are_short_and_quiet(self):
        click = self.check_sound("Click.wav", 0.3)
        hover = self.check_sound("Hover.wav", 0.3)
        # The pointer passing over a button is less than pressing it.
        self.assertLess(hover[0], click[0])
        self.assertLess(hover[1], click[1])


class BuildTest(unittest.TestCase):
    def test_same_bytes_on_every_run(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, SCRIPT, "--output", out], check=True)
            for name in NAMES:
                self.assertEqual(read(name, out), read(name), name)

    def test_copy_beside_every_program(self):
        self.assertTrue(COPIES)
        for folder in COPIES:
            for name in NAMES:
                with self.subTest(folder=folder, name=name):
                    self.assertEqual(read(name, folder), read(name))


if __name__ == "__main__":
    unittest.main()

#!/usr/bin/python3
"""Tests of the media generator's own writers (tools/assets): the GIF87a LZW
encoder, the WAV and ICO writers, the sound timing plan and the text wrap.

    /usr/bin/python3 tests/assets/test_encoders.py

Ends with the line "N passed, M failed"; exit status 0 only when all pass.
"""

import io
import os
import random
import shutil
import struct
import subprocess
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "assets"))

from PIL import Image  # noqa: E402

import gif87a  # noqa: E402
import icofile  # noqa: E402
import wavfile  # noqa: E402

PALETTE = [(i, (i * 7) % 256, (i * 13) % 256) for i in range(256)]


def decode_pil(data):
    im = Image.open(io.BytesIO(data))
    im.load()
    return im.tobytes()


def raw_gif(w, h, pixels, limit):
    """A GIF whose LZW stream uses the given table limit."""
    lzw = gif87a.lzw_encode(pixels, limit)
    blocks = gif87a._sub_blocks(lzw, (len(lzw) + 254) // 255)
    flat = b"".join(bytes(c) for c in PALETTE)
    return gif87a._assemble(w, h, flat, blocks)


class GifEncoder(unittest.TestCase):
    def test_round_trip_across_code_width_changes(self):
        # Noise makes the table grow by one entry per pixel, so these lengths
        # end the stream right around the 9->10, 10->11 and 11->12 bit
        # switches and the table resets, where an encoder most easily
        # disagrees with decoders.
        rng = random.Random(7)
        for n in list(range(250, 262)) + list(range(505, 518)) + [1020, 1030, 2040, 2050, 3900, 4100, 9000]:
            pixels = bytes(rng.randrange(256) for _ in range(n))
            data = gif87a.encode(n, 1, PALETTE, pixels)
            self.assertEqual(decode_pil(data), pixels, "length %d" % n)

    def test_round_trip_with_small_tables(self):
        rng = random.Random(3)
        for limit in (259, 260, 300, 511, 512, 513, 1024, 2049, 4096):
            for colours in (2, 17, 256):
                pixels = bytearray()
                while len(pixels) < 64 * 40:
                    pixels += bytes([rng.randrange(colours)]) * rng.randint(1, 30)
                pixels = bytes(pixels[:64 * 40])
                data = raw_gif(64, 40, pixels, limit)
                self.assertEqual(decode_pil(data), pixels, "limit %d, %d colours" % (limit, colours))

    @unittest.skipUnless(shutil.which("convert"), "ImageMagick not installed")
    def test_imagemagick_reads_the_same_pixels(self):
        rng = random.Random(11)
        pixels = bytes(rng.randrange(40) for _ in range(90 * 70))
        for limit in (300, 4096):
            r = subprocess.run(["convert", "gif:-", "-depth", "8", "rgb:-"],
                               input=raw_gif(90, 70, pixels, limit), capture_output=True)
            self.assertEqual(r.stderr, b"")
            self.assertEqual(r.stdout, b"".join(bytes(PALETTE[p]) for p in pixels))

    def test_exact_file_sizes(self):
        rng = random.Random(5)
        pixels = bytearray()
        while len(pixels) < 150 * 150:
            pixels += bytes([rng.randrange(12)]) * rng.randint(1, 50)
        pixels = bytes(pixels[:150 * 150])
        natural = len(gif87a.encode(150, 150, PALETTE[:12], pixels))
        for target in (natural, natural + 1, natural + 255, natural * 2, natural * 3 + 7, 20102):
            data = gif87a.encode(150, 150, PALETTE[:12], pixels, target)
            self.assertEqual(len(data), target)
            self.assertEqual(decode_pil(data), pixels)
        with self.assertRaises(ValueError):
            gif87a.encode(150, 150, PALETTE[:12], pixels, natural - 1)

    def test_header_and_palette(self):
        data = gif87a.encode(3, 2, [(1, 2, 3), (4, 5, 6)], bytes([0, 1, 1, 0, 0, 1]))
        self.assertEqual(data[:6], b"GIF87a")
        self.assertEqual(struct.unpack_from("<HHB", data, 6), (3, 2, 0xF7))
        self.assertEqual(data[13:19], bytes([1, 2, 3, 4, 5, 6]))
        self.assertEqual(data[19:13 + 768], bytes(768 - 6))  # padded to 256 entries
        self.assertEqual(data[13 + 768], 0x2C)
        self.assertEqual(data[-1], 0x3B)
        with self.assertRaises(ValueError):
            gif87a.encode(3, 2, [(0, 0, 0)], bytes([0, 1, 0, 0, 0, 0]))  # index outside palette


class WavWriter(unittest.TestCase):
    def test_odd_8bit_data_is_padded_before_the_list(self):
        data = bytes(range(1, 12))  # 11 bytes
        wav = wavfile.build(data, 8, 11025, 66)
        self.assertEqual(wav[36:40], b"data")
        self.assertEqual(struct.unpack_from("<I", wav, 40)[0], 11)
        self.assertEqual(wav[44:55], data)
        self.assertEqual(wav[55], 0)
        self.assertEqual(wav[56:60], b"LIST")
        self.assertEqual(struct.unpack_from("<I", wav, 60)[0], 66)
        self.assertEqual(len(wav), 44 + 11 + 1 + 8 + 66)
        self.assertEqual(struct.unpack_from("<I", wav, 4)[0], len(wav) - 8)

    def test_16bit_format_fields_and_short_list(self):
        wav = wavfile.build(bytes(400), 16, 22050, 64)
        self.assertEqual(struct.unpack_from("<4sIHHIIHH", wav, 12),
                         (b"fmt ", 16, 1, 1, 22050, 44100, 2, 16))
        self.assertEqual(len(wav), 44 + 400 + 8 + 64)

    def test_info_size_from_table_sizes(self):
        self.assertEqual(wavfile.info_size_for(11428, 11309), 66)  # odd data, pad byte
        self.assertEqual(wavfile.info_size_for(16500, 16384), 64)


class IcoWriter(unittest.TestCase):
    def test_dib_entries_with_mask(self):
        images = []
        for n in (16, 24, 32, 48):
            im = Image.new("RGBA", (n, n), (10, 20, 30, 255))
            im.putpixel((0, 0), (0, 0, 0, 0))
            images.append(im)
        data = icofile.build(images)
        self.assertEqual(struct.unpack_from("<HHH", data, 0), (0, 1, 4))
        for i, n in enumerate((16, 24, 32, 48)):
            w, h, _, _, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
            self.assertEqual((w, h, planes, bpp), (n, n, 1, 32))
            hdr = struct.unpack_from("<IiiHH", data, offset)
            self.assertEqual(hdr, (40, n, 2 * n, 1, 32))
            stride = (n + 31) // 32 * 4
            self.assertEqual(length, 40 + n * n * 4 + stride * n)
            # Rows are stored bottom-up: pixel (0, 0) is the first of the last row.
            top_row = offset + 40 + (n - 1) * n * 4
            self.assertEqual(data[top_row:top_row + 8], bytes((0, 0, 0, 0, 30, 20, 10, 255)))
            mask_top = offset + 40 + n * n * 4 + (n - 1) * stride
            self.assertEqual(data[mask_top], 0x80)
        im = Image.open(io.BytesIO(data))
        self.assertEqual(sorted(im.info["sizes"]), [(16, 16), (24, 24), (32, 32), (48, 48)])


class SoundPlan(unittest.TestCase):
    def test_every_entry_fits_its_length(self):
        import content
        import sounds
        for sym in content.load():
            total = sym.pcm_bytes / (sym.bits // 8) * 1000.0 / sym.rate
            for natural in (60, 150, 300, 600):
                if sounds.SHAPES[sym.kind]["stretch"] is None and natural > total - sounds.TAIL_MS:
                    continue
                k, unit, gap = sounds.plan(sym.kind, natural, total)
                self.assertGreaterEqual(k, 1)
                self.assertLessEqual(k * unit + (k - 1) * gap, total - sounds.TAIL_MS + 1e-6,
                                     "symbol %d" % sym.no)
                if k > 1:
                    lo, hi = sounds.SHAPES[sym.kind]["gap"]
                    self.assertTrue(lo <= gap <= hi, "symbol %d gap %.0f" % (sym.no, gap))


class TextWrap(unittest.TestCase):
    def test_card_paragraphs_wrap_within_width_without_bad_breaks(self):
        import cards
        import content
        import text
        width = cards.W - 1 - 2 * cards.MARGIN - 17
        for sym in content.load():
            lines = text.wrap(sym.articulation, cards.PARA_SIZE, width, cards.PARA_LATIN_SIZE)
            self.assertEqual("".join(lines).replace(" ", ""), sym.articulation.replace(" ", ""))
            for line in lines:
                self.assertLessEqual(text.width(line, cards.PARA_SIZE, latin_size=cards.PARA_LATIN_SIZE), width)
                self.assertNotIn(line[0], text.NO_LINE_START, "symbol %d: %r" % (sym.no, line))
                self.assertNotIn(line[-1], text.NO_LINE_END, "symbol %d: %r" % (sym.no, line))

    def test_missing_glyph_is_reported(self):
        import text
        with self.assertRaises(text.GlyphError):
            text.runs("\ue000", 14)


if __name__ == "__main__":
    runner = unittest.TextTestRunner(stream=sys.stdout, verbosity=1)
    result = unittest.main(exit=False, testRunner=runner).result
    failed = len(result.failures) + len(result.errors)
    skipped = len(result.skipped)
    sys.stdout.flush()
    print("%d passed, %d failed, %d skipped" % (result.testsRun - failed - skipped, failed, skipped))
    sys.exit(1 if failed else 0)

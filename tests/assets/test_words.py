#!/usr/bin/python3
"""Tests of the generator's word pieces (tools/assets): the ADPCM coder, the
transcription check, the pairs table, the compression and levelling, and the
committed words (media/assets/words.tsv, words.bin, words_report.txt) against
the tables they were made from. The program's unit tests decode every
committed word.

    /usr/bin/python3 tests/assets/test_words.py [repo_root]

Ends with the line "N passed, M failed"; exit status 0 only when all pass.
"""

import math
import os
import struct
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
    ROOT = os.path.abspath(sys.argv.pop(1))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                                "tools", "assets"))

import adpcm  # noqa: E402
import content  # noqa: E402
import wordlist  # noqa: E402
import words  # noqa: E402

ASSETS = os.path.join(ROOT, "media", "assets")


def sine(hz, rate, n, amplitude):
    return [int(round(amplitude * math.sin(2 * math.pi * hz * i / rate))) for i in range(n)]


def snr(a, b):
    noise = sum((x - y) ** 2 for x, y in zip(a, b))
    return 10 * math.log10(sum(x * x for x in a) / noise) if noise else 99.0


class Adpcm(unittest.TestCase):
    def test_same_arithmetic_as_the_program(self):
        # The same cases as the program's own decoder test.
        self.assertEqual(adpcm.decode(bytes([0, 0x77]), 2), [11, 41])
        self.assertEqual(adpcm.decode(bytes([0, 0x70]), 2), [0, 11])
        self.assertEqual(adpcm.decode(bytes([8, 0x07]), 1), [30])
        self.assertEqual(adpcm.decode(bytes([0, 0x77, 0x07]), 3), [11, 41, 104])

    def test_speech_band_tones_come_back_with_little_noise(self):
        # 4-bit ADPCM follows low tones closely and high ones less so.
        for hz, least in ((150, 30), (800, 22), (3000, 17), (6500, 12)):
            s = sine(hz, 16000, 4000, 8000)
            back = adpcm.decode(adpcm.encode(s), len(s))
            self.assertGreater(snr(s, back), least, hz)

    def test_silence_is_exact_before_and_after_a_sound(self):
        s = [0] * 500 + sine(440, 16000, 1600, 20000) + [0] * 1600
        back = adpcm.decode(adpcm.encode(s), len(s))
        self.assertEqual(back[:500], [0] * 500)
        self.assertEqual(back[-800:], [0] * 800)

    def test_full_scale_does_not_wrap(self):
        s = [32767] * 300 + [-32768] * 300
        back = adpcm.decode(adpcm.encode(s), len(s))
        self.assertGreater(min(back[200:300]), 30000)
        self.assertLess(max(back[500:]), -30000)

    def test_bytes_that_are_not_a_coded_sound(self):
        self.assertIsNone(adpcm.decode(b"", 0))
        self.assertIsNone(adpcm.decode(bytes([89, 0]), 2))
        self.assertIsNone(adpcm.decode(bytes([0, 0]), 3))
        self.assertEqual(len(adpcm.encode([1, 2, 3])), 1 + 2)


class Transcription(unittest.TestCase):
    def test_marks_are_not_phonemes(self):
        self.assertEqual(wordlist.split_phonemes("S_'I_p\n"), ["S", "I", "p"])
        self.assertEqual(wordlist.split_phonemes("t_'E_l_I2_v_,I_Z_@_n"),
                         ["t", "E", "l", "I2", "v", "I", "Z", "@", "n"])

    def test_ts_dz_tr_dr_are_one_unit_each(self):
        self.assertEqual(wordlist.to_symbols(["k", "a", "t", "s"]), ([3, 36, 10], []))
        self.assertEqual(wordlist.to_symbols(["b", "E", "d", "z"]), ([12, 35, 21], []))
        self.assertEqual(wordlist.to_symbols(["t", "r", "i:"]), ([11, 29], []))
        self.assertEqual(wordlist.to_symbols(["d", "r", "E", "s"]), ([22, 35, 6], []))
        # s then t is two sounds; a syllabic l is ə and l.
        self.assertEqual(wordlist.to_symbols(["w", "E", "s", "t"]), ([24, 35, 6, 2], []))
        self.assertEqual(wordlist.to_symbols(["t", "eI", "b", "@L"]), ([2, 41, 12, 37, 28], []))
        self.assertEqual(wordlist.to_symbols(["x", "a"]), ([36], ["x"]))

    def test_a_card_word_must_hold_its_symbol(self):
        use = wordlist.Use("ship", "sh", 7)
        self.assertIsNone(wordlist.use_problem(use, wordlist.Check(["S", "I", "p"], [7, 34, 1])))
        self.assertIn("no ʃ", wordlist.use_problem(use, wordlist.Check(["s", "I", "p"], [6, 34, 1])))
        self.assertIn("unknown", wordlist.use_problem(use, wordlist.Check(["S", "?"], [7], ["?"])))

    def test_a_pair_must_differ_in_exactly_its_one_unit(self):
        pair = wordlist.Pair(wordlist.Use("ship", "i", 34), wordlist.Use("sheep", "ee", 29))
        ship = wordlist.Check([], [7, 34, 1])
        self.assertIsNone(wordlist.pair_problem(pair, ship, wordlist.Check([], [7, 29, 1])))
        self.assertIn("units", wordlist.pair_problem(pair, ship, wordlist.Check([], [7, 29, 1, 6])))
        self.assertIn("differ in", wordlist.pair_problem(pair, ship, wordlist.Check([], [6, 29, 1])))
        self.assertIn("differ in", wordlist.pair_problem(pair, ship, wordlist.Check([], [7, 33, 1])))
        self.assertIn("nothing", wordlist.pair_problem(pair, ship, ship))

    def test_the_pairs_table_refuses_what_cannot_be_a_pair(self):
        head = "word1\tletters1\tsymbol1\tword2\tletters2\tsymbol2\n"
        for row in ("ship\tee\t34\tsheep\tee\t29",      # letters not in the word
                    "ship\ti\t49\tsheep\tee\t29",       # no such symbol
                    "ship\ti\t34\tship\ti\t29",         # the same word twice
                    "ship\ti\t34\tsheep\tee"):          # a field missing
            with tempfile.NamedTemporaryFile("w", suffix=".tsv", delete=False) as f:
                f.write(head + row + "\n")
            try:
                with self.assertRaises(ValueError, msg=row):
                    wordlist.load_pairs(f.name)
            finally:
                os.unlink(f.name)


class Shaping(unittest.TestCase):
    def test_compression_lifts_the_quiet_part_and_keeps_silence(self):
        rate = 16000
        quiet = [0.01 * v / 20000 for v in sine(3000, rate, 1600, 20000)]
        loud = [0.5 * v / 20000 for v in sine(200, rate, 3200, 20000)]
        s = [0.0] * 800 + quiet + loud + [0.0] * 800
        out = words.compress(s, rate)
        ratio_before = max(abs(v) for v in s[900:2300]) / 0.5
        ratio_after = max(abs(v) for v in out[900:2300]) / max(abs(v) for v in out[2500:5500])
        self.assertGreater(ratio_after, ratio_before * 2)
        self.assertEqual(out[:800], [0.0] * 800)
        self.assertEqual(out[-800:], [0.0] * 800)

    def test_levelling_brings_every_word_to_one_loudness(self):
        for amplitude in (0.01, 0.3):
            s = [amplitude * v / 20000 for v in sine(500, 16000, 3200, 20000)]
            out = words.level(s)
            rms = math.sqrt(sum(v * v for v in out) / len(out))
            self.assertAlmostEqual(rms, words.TARGET_RMS, delta=0.01)


class CommittedWords(unittest.TestCase):
    """The committed words match the tables they were made from."""

    @classmethod
    def setUpClass(cls):
        cls.rows = [line.rstrip("\n").split("\t") for line in open(os.path.join(ASSETS, "words.tsv"), encoding="ascii")
                    if line.strip() and not line.startswith("#")]
        with open(os.path.join(ASSETS, "words.bin"), "rb") as f:
            cls.blob = f.read()
        with open(os.path.join(ASSETS, "words_report.txt"), encoding="utf-8") as f:
            cls.report = f.read()

    def test_every_card_word_and_pair_is_carried_or_listed_as_dropped(self):
        cards = {(int(r[1]), r[2], r[3]) for r in self.rows if r[0] == "card"}
        pairs = {(r[1], r[4]) for r in self.rows if r[0] == "pair"}
        dropped = self.report.split("\nDropped")[1]
        for use in wordlist.card_uses(content.load(os.path.join(ASSETS, "cards.tsv"))):
            if (use.symbol, use.letters, use.word) not in cards:
                self.assertIn("card word %s (%s" % (use.word, use.letters), dropped)
        for p in wordlist.load_pairs(os.path.join(ASSETS, "practice.tsv")):
            if (p.first.word, p.second.word) not in pairs:
                self.assertIn("pair %s/%s" % (p.first.word, p.second.word), dropped)
        self.assertGreaterEqual(len(pairs), 60)

    def test_the_renditions_fill_the_blob_one_after_the_other(self):
        voices = next(int(r[1]) for r in self.rows if r[0] == "voices")
        self.assertGreaterEqual(voices, 3)
        at = 0
        for r in self.rows:
            if r[0] != "word":
                continue
            spans = [tuple(int(x) for x in s.split(":")) for s in r[3].split()]
            self.assertEqual(len(spans), voices + 1)
            for offset, size, count in spans:
                self.assertEqual(offset, at)
                self.assertEqual(size, 1 + (count + 1) // 2)
                at += size
        self.assertEqual(at, len(self.blob))


if __name__ == "__main__":
    runner = unittest.TextTestRunner(stream=sys.stdout, verbosity=1)
    result = unittest.main(exit=False, testRunner=runner).result
    failed = len(result.failures) + len(result.errors)
    skipped = len(result.skipped)
    sys.stdout.flush()
    print("%d passed, %d failed, %d skipped" % (result.testsRun - failed - skipped, failed, skipped))
    sys.exit(1 if failed else 0)

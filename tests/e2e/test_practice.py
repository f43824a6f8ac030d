"""Listening practice on the real program, with real input: the menu entry
opens the window, the first word reaches the sound device at once and is one
of the embedded words, a wrong answer plays the word, the right symbol and
the chosen symbol in that order, answers are counted in the progress file,
Esc closes the window and the chart still works.

What the program plays is caught in files: ALSA's file plugin in front of
the null device, one file per format (Wine opens the device in each
stream's own format and keeps writing it, silence included, while the
stream is open). The words are matched against every embedded rendition as
the program decodes it (tests/e2e/word_dump_win32.cpp), the symbols against
their WAV images; the order of sounds in different files is read from how
the files grew, sampled every 20 ms. The candidates on the screen are found
by the chart's own cells."""
import array
import math
import os
import struct
import subprocess
import sys
import time
import unittest
import wave

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from harness import SessionTestCase, wait_until  # noqa: E402

START_TIMEOUT = 20.0
PRACTICE_TITLE = "^听音练习 - Pelomar$"
PRACTICE_ITEM = 12  # 听音练习, 1-based among the menu's 16 items
CLIENT = (432, 376)
WORD_FORMAT = (22050, 16)  # the words' format, as the program plays them
LOUD = 400          # a sample above this (16-bit scale) is sound, not silence
MATCH_SAMPLES = 1500
PROGRESS_BUTTON = (377, 338)

# The chart's cells (left, top, width + 1, height + 1) on the chart picture.
_ROWS = [(1, 116, 33, 8), (9, 150, 33, 3), (12, 195, 33, 8), (20, 229, 33, 3),
         (23, 263, 33, 6), (29, 327, 37, 5), (34, 369, 37, 7), (41, 412, 37, 8)]
CELLS = {}
for _first, _top, _height, _count in _ROWS:
    for _i in range(_count):
        CELLS[_first + _i] = (157 + 38 * _i, _top, 38, _height + 1)


def candidate_cell(index, count, symbol):
    """Where a candidate's cell is drawn in the window's client area."""
    total = count * 96 + (count - 1) * 10
    left = (CLIENT[0] - total) // 2 + index * 106
    return left + (96 - CELLS[symbol][2]) // 2, 86 + 32


def samples_of(raw, bits=16):
    """Signed samples on the 16-bit scale."""
    if bits == 8:
        return array.array("h", ((b - 128) * 256 for b in raw))
    data = array.array("h")
    data.frombytes(raw[:len(raw) // 2 * 2])
    return data


def sounds_in(samples, rate, start=0, quiet_ms=100):
    """(first, end) of each sound from start on: runs of samples with no
    quiet_ms of quiet inside."""
    QUIET_RUN = rate * quiet_ms // 1000
    found = []
    i, n = start, len(samples)
    while i < n:
        while i < n and abs(samples[i]) <= LOUD:
            i += 1
        if i >= n:
            break
        first, quiet, j = i, 0, i
        while j < n and quiet < QUIET_RUN:
            quiet = quiet + 1 if abs(samples[j]) <= LOUD else 0
            j += 1
        found.append((first, j - quiet))
        i = j
    return found


def correlation(a, b):
    n = min(len(a), len(b))
    if n < 100:
        return 0.0
    ma = sum(a[:n]) / n
    mb = sum(b[:n]) / n
    num = sum((a[k] - ma) * (b[k] - mb) for k in range(n))
    da = math.sqrt(sum((a[k] - ma) ** 2 for k in range(n)))
    db = math.sqrt(sum((b[k] - mb) ** 2 for k in range(n)))
    return num / (da * db) if da and db else 0.0


def onset(samples):
    for k, s in enumerate(samples):
        if abs(s) > LOUD:
            return k
    return len(samples)


def best_alignment(segment, reference, slack=6):
    """The highest correlation of segment with reference, both from their
    onsets, over small shifts."""
    a = segment[onset(segment):][:MATCH_SAMPLES]
    r = reference[onset(reference):]
    best = -1.0
    for shift in range(-slack, slack + 1):
        lo = max(0, shift)
        best = max(best, correlation(a[max(0, -shift):], r[lo:lo + MATCH_SAMPLES]))
    return best


def symbol_sound(n):
    """Symbol n's format (rate, bits) and samples."""
    folder = os.environ.get("PELOMAR_ASSET_DIR") or os.path.join(harness.SOURCE_DIR, "media", "assets")
    with wave.open(os.path.join(folder, "sound", "%02d.wav" % n)) as w:
        rate, width, frames = w.getframerate(), w.getsampwidth(), w.readframes(w.getnframes())
    return (rate, width * 8), samples_of(frames, width * 8)


class Capture:
    """The files the sound goes to, one per format, and how they grew."""

    def __init__(self, folder):
        self.folder = folder
        self.growth = []  # (time, {format: bytes})

    def asoundrc(self):
        return ('pcm.!default { type file slave.pcm "null" file "%s" format "raw" }\n'
                % os.path.join(self.folder, "capture-%r-%b.raw"))

    def path(self, fmt):
        return os.path.join(self.folder, "capture-%d-%d.raw" % fmt)

    def samples(self, fmt):
        if not os.path.exists(self.path(fmt)):
            return array.array("h")
        with open(self.path(fmt), "rb") as f:
            return samples_of(f.read(), fmt[1])

    def watch(self, seconds, formats):
        """Notes every 20 ms how far each file has grown."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.growth.append((time.monotonic(), {f: os.path.getsize(self.path(f)) if os.path.exists(self.path(f))
                                                   else 0 for f in formats}))
            time.sleep(0.02)

    def when(self, fmt, sample):
        """The first time the file of that format held the sample."""
        byte = (sample + 1) * fmt[1] // 8
        for t, sizes in self.growth:
            if sizes.get(fmt, 0) >= byte:
                return t
        return None


class Words:
    """Every rendition the program can play, read from the word dump."""

    def __init__(self, path):
        self.renditions = []  # (word, voice, text, units, samples)
        with open(path, "rb") as f:
            data = f.read()
        (count,), at = struct.unpack_from("<I", data), 4
        for _ in range(count):
            word, voice, length = struct.unpack_from("<iiB", data, at)
            at += 9
            text = data[at:at + length].decode("ascii")
            at += length
            units = list(data[at + 1:at + 1 + data[at]])
            at += 1 + data[at]
            (n,) = struct.unpack_from("<I", data, at)
            at += 4
            self.renditions.append((word, voice, text, units, samples_of(data[at:at + 2 * n])))
            at += 2 * n

    def match(self, segment):
        """The rendition that correlates best with the segment, its
        correlation and the best of the other words'."""
        scored = sorted(((best_alignment(segment, r[4], slack=2), r) for r in self.renditions),
                        key=lambda x: -x[0])
        best, rendition = scored[0]
        others = [score for score, r in scored if r[0] != rendition[0]]
        return rendition, best, others[0]


class PracticeTest(SessionTestCase):
    words = None

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        dump = os.environ.get("PELOMAR_WORD_DUMP", "")
        if os.path.isfile(dump):
            path = os.path.join(harness.WORK_DIR, "words.dump")
            subprocess.run([harness.WINE, dump, harness.windows_path(path)], env=cls.session.env(), check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
            cls.words = Words(path)

    def setUp(self):
        if PracticeTest.words is None:
            self.skipTest("PELOMAR_WORD_DUMP does not name the word dump helper")
        self.chart = harness.decoded_asset("chart.gif")
        self.asoundrc = os.path.join(self.session.home, ".asoundrc")
        with open(self.asoundrc) as f:
            self.plain_asoundrc = f.read()
        self.capture = Capture(os.path.join(harness.WORK_DIR, "practice-capture"))
        os.makedirs(self.capture.folder, exist_ok=True)
        for name in os.listdir(self.capture.folder):
            os.remove(os.path.join(self.capture.folder, name))
        with open(self.asoundrc, "w") as f:
            f.write(self.capture.asoundrc())

    def tearDown(self):
        with open(self.asoundrc, "w") as f:
            f.write(self.plain_asoundrc)
        super().tearDown()

    # -- helpers ---------------------------------------------------------------

    def open_practice(self, window):
        cx, cy = self.session.client_origin(window)
        self.session.click(cx + 100, cy + 60, button=3)  # off the symbols
        time.sleep(1.0)
        for _ in range(PRACTICE_ITEM):
            self.session.key("Down")
        self.session.key("Return")
        practice = self.session.find_window(PRACTICE_TITLE, 10)
        self.assertIsNotNone(practice, "the menu entry opened no practice window")
        return practice

    def candidates(self, origin):
        """The symbols of the candidates on the screen, left to right."""
        shot = self.session.screenshot()
        for count in (4, 3, 2):
            found = []
            for i in range(count):
                for symbol, (left, top, w, h) in CELLS.items():
                    x, y = candidate_cell(i, count, symbol)
                    box = (origin[0] + x, origin[1] + y, origin[0] + x + w, origin[1] + y + h)
                    if harness.differing_pixels(shot, self.chart, box, (left, top)) == 0:
                        found.append(symbol)
                        break
            if len(found) == count:
                return found, shot
        self.fail("no candidates found on the screen")

    def next_sound(self, fmt, since):
        """The first sound of that format captured after sample `since`, once
        it has ended, and the sample after it."""
        def ended():
            samples = self.capture.samples(fmt)
            sounds = sounds_in(samples, fmt[0], since)
            return (samples, sounds[0]) if sounds and sounds[0][1] + fmt[0] // 10 < len(samples) else None
        found = wait_until(ended, 10)
        self.assertIsNotNone(found, "no sound reached the device")
        samples, (first, end) = found
        return samples[first:end], end

    def find_sound(self, fmt, since, reference):
        """The captured sound of that format after `since` that is most like
        reference: its correlation and the time it reached the device."""
        samples = self.capture.samples(fmt)
        scored = [(best_alignment(samples[a:b], reference), a) for a, b in sounds_in(samples, fmt[0], since)]
        self.assertTrue(scored, "nothing of format %s captured" % (fmt,))
        score, first = max(scored)
        return score, self.capture.when(fmt, first)

    # -- the flow ----------------------------------------------------------------
    def test_a_round_with_real_input(self):
        folder = self.session.program_folder("practice")
        program = self.session.launch(folder)
        window = program.main_window(START_TIMEOUT)
        self.assertIsNotNone(window)
        time.sleep(0.5)
        practice = self.open_practice(window)
        origin = self.session.client_origin(practice, CLIENT)

        # The first word, with no further input: one of the embedded words.
        segment, end = self.next_sound(WORD_FORMAT, 0)
        (word, voice, text, units, _), score, runner_up = self.words.match(segment)
        self.assertGreater(score, 0.95, "the first sound is none of the embedded words")
        self.assertLess(runner_up, score)
        symbols, shot = self.candidates(origin)
        shot.crop(self.window_box(practice)).save(os.path.join(self.artifacts(), "practice-question.png"))
        carried = [s for s in symbols if s in units]
        self.assertEqual(len(carried), 1, "exactly one candidate is in %s (%s)" % (text, symbols))
        right = carried[0]
        wrong = next(s for s in symbols if s != right)

        # A wrong answer: the word again, the right symbol, then the chosen one.
        right_format, right_sound = symbol_sound(right)
        wrong_format, wrong_sound = symbol_sound(wrong)
        formats = {WORD_FORMAT, right_format, wrong_format}
        starts = {f: len(self.capture.samples(f)) for f in formats}
        self.session.key(str(symbols.index(wrong) + 1))
        self.capture.watch(5.0, formats)
        self.session.screenshot().crop(self.window_box(practice)).save(
            os.path.join(self.artifacts(), "practice-wrong.png"))
        again, _, _ = self.words.match(self.next_sound(WORD_FORMAT, starts[WORD_FORMAT])[0])
        self.assertEqual(again[0], word, "the word is played again")
        _, word_at = self.find_sound(WORD_FORMAT, starts[WORD_FORMAT], again[4])
        right_score, right_at = self.find_sound(right_format, starts[right_format], right_sound)
        wrong_score, wrong_at = self.find_sound(wrong_format, starts[wrong_format], wrong_sound)
        self.assertGreater(right_score, 0.95, "the right symbol was played")
        self.assertGreater(wrong_score, 0.95, "the chosen symbol was played")
        self.assertTrue(word_at and right_at and wrong_at)
        self.assertLess(word_at, right_at, "the word before the right symbol")
        self.assertLess(right_at, wrong_at, "the right symbol before the chosen one")

        # Nine more answers, whichever: ten in all, counted in the progress file.
        for _ in range(9):
            self.session.key("Return")
            time.sleep(0.4)
            self.session.key("1")
            time.sleep(0.4)
        self.session.key("Escape")
        self.assertTrue(wait_until(lambda: not self.session.windows(PRACTICE_TITLE), 10), "Esc did not close it")
        self.assertEqual(self.asked(folder), 10)

        # The chart still works: a hover plays its symbol.
        fmt, sound = symbol_sound(1)
        before = len(self.capture.samples(fmt))
        cx, cy = self.session.client_origin(window)
        self.session.move(cx + 170, cy + 130)  # symbol 1
        segment, _ = self.next_sound(fmt, before)
        self.assertGreater(best_alignment(segment, sound), 0.95, "the hover played symbol 1")
        self.assertTrue(program.running())

        # 我的进度, for the README.
        self.session.move(2, 2)
        practice = self.open_practice(window)
        origin = self.session.client_origin(practice, CLIENT)
        self.session.click(origin[0] + PROGRESS_BUTTON[0], origin[1] + PROGRESS_BUTTON[1])
        time.sleep(0.5)
        self.session.move(origin[0] + 118 + 38 * 2 + 10, origin[1] + 50)
        time.sleep(0.8)
        self.session.screenshot().crop(self.window_box(practice)).save(
            os.path.join(self.artifacts(), "practice-progress.png"))
        self.session.key("Escape")

    def asked(self, folder):
        path = os.path.join(folder, "Pelomar-practice.ini")
        self.assertTrue(os.path.exists(path), "no progress file")
        with open(path, "rb") as f:
            text = f.read().decode("gbk")
        total = 0
        for line in text.splitlines():
            key, _, value = line.partition("=")
            if key.strip().isdigit() and "/" in value:
                total += int(value.split()[0].split("/")[1])
        return total

    def window_box(self, window):
        x, y, w, h = self.session.geometry(window)
        return x, y, x + w, y + h

    @staticmethod
    def artifacts():
        os.makedirs(harness.ARTIFACTS, exist_ok=True)
        return harness.ARTIFACTS


if __name__ == "__main__":
    unittest.main(verbosity=2)

"""The microphone under Wine, through the program's own recorder (the
capture worker, WINMM's waveIn loaded from the system folder, the speech
detector): a word said into a private PulseAudio server's microphone is
recorded exactly as it was said, and without a capture device the take ends
with that, not with a crash or a wait."""
import math
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import pulse_audio  # noqa: E402
from harness import WINE, WORK_DIR  # noqa: E402

TAKE = os.environ.get("PELOMAR_MICROPHONE_TAKE", "")
LOUD = 1000


def said_word(text, name):
    """A word as espeak-ng says it, 16-bit mono at 22050 Hz."""
    if not (shutil.which("espeak-ng") and shutil.which("sox")):
        raise unittest.SkipTest("espeak-ng and sox make the test recordings")
    os.makedirs(WORK_DIR, exist_ok=True)
    wav = os.path.join(WORK_DIR, name + ".wav")
    raw = os.path.join(WORK_DIR, name + ".raw")
    subprocess.run(["espeak-ng", "-v", "en-gb", "-w", wav, text], check=True)
    subprocess.run(["sox", wav, "-r", "22050", "-c", "1", "-b", "16", "-e", "signed-integer", raw], check=True)
    return pulse_audio.samples_of(raw)


def onset(samples):
    return next((i for i, v in enumerate(samples) if abs(v) > LOUD), len(samples))


def correlation(a, b):
    n = min(len(a), len(b))
    if n < 100:
        return 0.0
    ma, mb = sum(a[:n]) / n, sum(b[:n]) / n
    num = sum((a[k] - ma) * (b[k] - mb) for k in range(n))
    da = math.sqrt(sum((a[k] - ma) ** 2 for k in range(n)))
    db = math.sqrt(sum((b[k] - mb) ** 2 for k in range(n)))
    return num / (da * db) if da and db else 0.0


def best_match(recording, word, slack=20):
    """The highest correlation of the word with the recording, both from
    their onsets, over small shifts."""
    a, b = onset(recording), onset(word)
    lead = min(a, b, 200)
    return max(correlation(recording[a - lead + s:], word[b - lead:]) for s in range(-slack, slack + 1))


def take(session, name, say=None):
    """Runs one take; returns (exit code, recording, output lines)."""
    if not os.path.isfile(TAKE):
        raise unittest.SkipTest("PELOMAR_MICROPHONE_TAKE does not name the take helper")
    out = os.path.join(WORK_DIR, name + "-take.raw")
    if os.path.exists(out):
        os.remove(out)
    proc = subprocess.Popen([WINE, TAKE, harness.windows_path(out)], env=session.env(), stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True)
    try:
        first = proc.stdout.readline()  # the first block is in: the microphone records
        if say is not None and first.strip():
            say()
        rest = proc.stdout.read()
        code = proc.wait(timeout=60)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        proc.stdout.close()
    recording = pulse_audio.samples_of(out) if os.path.exists(out) else []
    return code, recording, [first] + rest.splitlines()


class MicrophoneTest(pulse_audio.PulseTestCase):
    def test_a_word_said_is_recorded_as_it_was_said(self):
        word = said_word("ship", "ship")
        code, recording, lines = take(self.session, "ship", say=lambda: self.pulse.say(word))
        self.assertEqual(code, 0, "the take did not end as recorded: %s" % lines)
        self.assertGreater(len(recording), len(word) // 2)
        self.assertGreater(best_match(recording, word), 0.99)

    def test_the_room_alone_is_no_speech(self):
        code, recording, lines = take(self.session, "room")
        self.assertEqual(code, 3, "a take of the room's noise alone: %s" % lines)
        self.assertEqual(len(recording), 0)


class NoMicrophoneTest(harness.SessionTestCase):
    def test_without_a_capture_device_the_take_ends_at_once(self):
        # ALSA's default device with a way out and none in.
        with self.session.sound_output('type asym playback.pcm "null"'):
            code, recording, lines = take(self.session, "none")
        self.assertEqual(code, 1, "no capture device: %s" % lines)
        self.assertEqual(len(recording), 0)


if __name__ == "__main__":
    unittest.main()

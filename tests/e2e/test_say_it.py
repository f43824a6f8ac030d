"""Saying it yourself, on the real program with real input: after an answer,
R records the learner from a private PulseAudio server's microphone (a word
made with espeak-ng, fed in real time); what Pelomar then plays between the
two models is that recording, and the comparison is drawn. Without a
capture device the window says so on its own line and goes on.

What the program plays is recorded from the PulseAudio null sink's monitor;
the comparison is found on the screen by the colours of its two envelopes."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import pulse_audio  # noqa: E402
import test_microphone  # noqa: E402
import test_practice  # noqa: E402
from harness import wait_until  # noqa: E402

CLIENT = test_practice.CLIENT
MODEL_INK = (25, 95, 175)
LEARNER_INK = (205, 100, 15)
WRONG_RED = (200, 40, 40)
ENVELOPES = [(70, 78, 424, 108), (70, 158, 424, 188)]  # the model's and the learner's, in the client area
STATUS = (8, 330, 324, 372)
METER = (50, 340)  # inside the level meter, white while a take records


def sounds_in(samples):
    """(first, end) of each sound played: 250 ms of quiet part two sounds, so
    that the closure of a stop does not cut a word in two."""
    return test_practice.sounds_in(samples, pulse_audio.RATE, quiet_ms=250)


def same_sound(a, b, window=1500, slack=2400):
    """How alike two plays of one sound are: the best correlation of a piece
    of one from its onset with the other, anywhere within `slack` samples of
    the other's onset, either way round. Wine's pulse output was seen to
    drop the first few tens of ms of a sound now and then."""
    def found(x, y):
        piece = y[test_microphone.onset(y):][:window]
        start = test_microphone.onset(x)
        return max((test_microphone.correlation(x[k:k + window], piece)
                    for k in range(max(0, start - slack), start + slack) if k + window <= len(x)), default=0.0)
    return max(found(a, b), found(b, a))


def inked(shot, origin, box, colour):
    x0, y0, x1, y1 = box
    return harness.count_pixels(shot, (origin[0] + x0, origin[1] + y0, origin[0] + x1, origin[1] + y1),
                                lambda p: p == colour)


class SayItSession:
    """What both test classes do in the practice window."""

    def open_answered_question(self, before_answer=None):
        """Opens the practice and answers its first question with 1; a right
        answer's next question follows a second later, so the caller has
        under a second for R."""
        folder = self.session.program_folder("say-it")
        self.program = self.session.launch(folder)
        window = self.program.main_window(test_practice.START_TIMEOUT)
        self.assertIsNotNone(window)
        time.sleep(0.5)
        cx, cy = self.session.client_origin(window)
        self.session.click(cx + 100, cy + 60, button=3)
        time.sleep(1.0)
        for _ in range(test_practice.PRACTICE_ITEM):
            self.session.key("Down")
        self.session.key("Return")
        practice = self.session.find_window(test_practice.PRACTICE_TITLE, 10)
        self.assertIsNotNone(practice, "no practice window")
        time.sleep(1.0)
        if before_answer:
            before_answer()
        self.session.key("1")  # right or wrong: either way the question is answered
        time.sleep(0.2)
        return practice, self.session.client_origin(practice, CLIENT)

    def window_shot(self, practice, name):
        x, y, w, h = self.session.geometry(practice)
        os.makedirs(harness.ARTIFACTS, exist_ok=True)
        self.session.screenshot().crop((x, y, x + w, y + h)).save(os.path.join(harness.ARTIFACTS, name))


class SayItTest(pulse_audio.PulseTestCase, SayItSession):
    def test_the_recording_is_played_between_the_models_and_drawn(self):
        word = test_microphone.said_word("pelomar", "pelomar")
        played = os.path.join(harness.WORK_DIR, "say-it-speakers.raw")
        speakers = []
        practice, origin = self.open_answered_question(
            lambda: speakers.append(self.pulse.record_speakers(played)))
        try:
            self.session.key("r")
            recording = wait_until(lambda: self.session.screenshot().getpixel(
                (origin[0] + METER[0], origin[1] + METER[1])) == (255, 255, 255), 10, 0.05)
            self.assertTrue(recording, "no level meter: the take did not begin")
            self.pulse.say(word)
            drawn = wait_until(lambda: (lambda shot: inked(shot, origin, ENVELOPES[0], MODEL_INK) > 0 and
                                        inked(shot, origin, ENVELOPES[1], LEARNER_INK) > 0)(
                self.session.screenshot()), 15, 0.2)
            self.assertTrue(drawn, "no comparison drawn")
            self.window_shot(practice, "practice-compare.png")
            # Model, learner, model: some 5 seconds with the pauses.
            time.sleep(6.0)
        finally:
            self.pulse.stop_recording(speakers[0])
        samples = pulse_audio.samples_of(played)
        sounds = sounds_in(samples)
        self.assertGreaterEqual(len(sounds), 3, "fewer than three sounds played: %s" % sounds)
        model, learner, again = [samples[a:b] for a, b in sounds[-3:]]
        self.assertGreater(test_microphone.best_match(learner, word), 0.99,
                           "what was played between the models is not the recording")
        self.assertGreater(same_sound(model, again), 0.99, "the model was not played twice")
        self.assertLess(same_sound(model, word), 0.9, "the model is the recording itself")
        self.assertTrue(self.program.running())
        self.session.key("Escape")
        self.assertTrue(wait_until(lambda: not self.session.windows(test_practice.PRACTICE_TITLE), 10))


class NoMicrophoneSayItTest(harness.SessionTestCase, SayItSession):
    def test_without_a_capture_device_its_line_appears_and_nothing_else_changes(self):
        with self.session.sound_output('type asym playback.pcm "null"'):
            practice, origin = self.open_answered_question()
            before = self.session.screenshot()
            self.session.key("r")
            line = wait_until(lambda: (lambda shot: shot if inked(shot, origin, STATUS, WRONG_RED) > 20 else None)(
                self.session.screenshot()), 10, 0.2)
            self.assertIsNotNone(line, "no line about the microphone")
            self.window_shot(practice, "practice-no-microphone.png")
            # Above the status line the window is as it was.
            x0, y0 = origin
            changed = harness.changed_box(before, line, (x0, y0, x0 + CLIENT[0], y0 + STATUS[1]))
            self.assertIsNone(changed, "more than the line changed: %s" % (changed,))
            self.assertTrue(self.program.running())
            self.session.key("Escape")


if __name__ == "__main__":
    unittest.main(verbosity=2)

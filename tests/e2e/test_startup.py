"""Start-up and ending of the real program: the window, its place and size,
the chart shown pixel for pixel, the hidden start, and every way of closing."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from harness import HIDDEN, MAIN_TITLE, SCREEN, SessionTestCase  # noqa: E402

START_TIMEOUT = 20.0
HIDDEN_GRACE = 6.0  # shown copies appear well within this


class StartupTest(SessionTestCase):
    def start_shown(self, args=(), name="shown"):
        program = self.session.launch(self.session.program_folder(name), args)
        window = program.main_window(START_TIMEOUT)
        self.assertIsNotNone(window, "main window did not appear for arguments %r" % (args,))
        return program, window

    def test_window_is_centred_and_shows_the_chart_exactly(self):
        program, window = self.start_shown()
        self.assertEqual(self.session.xdotool("getwindowname", window).strip(), MAIN_TITLE)
        x, y, w, h = self.session.geometry(window)
        # Centred by the design size 536 x 488; the fit keeps the left and top edges.
        self.assertEqual((x, y), ((SCREEN[0] - 536) // 2, (SCREEN[1] - 488) // 2))
        cx, cy = self.session.client_origin(window)
        self.assertEqual(w - 2 * (cx - x), 530, "client width")
        self.assertEqual(h - (cy - y) - (cx - x), 459, "client height")
        time.sleep(0.5)
        shot = self.session.screenshot()
        chart = harness.decoded_asset("chart.gif")
        bad = harness.differing_pixels(shot, chart, (cx, cy, cx + 530, cy + 459))
        if bad:
            self.session.screenshot(save_as="chart-mismatch.png")
        self.assertEqual(bad, 0, "pixels of the client area that differ from chart.gif")
        # The client area ends where the chart ends: the frame's pixels below and right are not the chart's.
        self.assertNotEqual(shot.getpixel((cx + 530, cy + 200)), chart.getpixel((529, 200)))
        self.session.click(*self.session.close_box(window))
        self.assertEqual(program.wait_exit(), 0)

    def test_hidden_argument_keeps_the_window_off_the_screen(self):
        for how in ("bare", "quoted"):
            with self.subTest(how=how):
                folder = self.session.program_folder("hidden-" + how)
                if how == "bare":
                    program = self.session.launch(folder, [HIDDEN])
                else:
                    program = self.session.launch_exact(folder, '"%s"' % HIDDEN)
                time.sleep(HIDDEN_GRACE)
                self.assertTrue(program.running())
                self.assertEqual(self.session.windows(harness.MAIN_TITLE_PATTERN),
                                 [])
                program.kill()
                self.session.stop_stragglers()

    def test_other_arguments_show_the_window(self):
        for args in ([HIDDEN + "X"], ["other", HIDDEN], ["\u4e2d"]):
            with self.subTest(args=args):
                program, window = self.start_shown(args, "args")
                self.session.click(*self.session.close_box(window))
                self.assertEqual(program.wait_exit(), 0)

    def test_exact_command_lines(self):
        # A closing quote ends an argument: "隐藏"X is 隐藏 followed by X, so it stays hidden,
        # while a blank inside the quotes makes a different first argument.
        hidden = self.session.launch_exact(self.session.program_folder("exact-hidden"), '"%s"X' % HIDDEN)
        shown = self.session.launch_exact(self.session.program_folder("exact-shown"), '"%s "' % HIDDEN)
        self.assertIsNotNone(shown.main_window(START_TIMEOUT))
        time.sleep(1.0)
        self.assertTrue(hidden.running())
        self.assertEqual(len(self.session.windows(harness.MAIN_TITLE_PATTERN)), 1)
        self.session.stop_stragglers()

    def test_alt_f4_and_escape_end_with_code_zero(self):
        for keys in (("alt+F4",), ("Escape",)):
            with self.subTest(keys=keys):
                program, window = self.start_shown(name="keys")
                x, y, w, _ = self.session.geometry(window)
                self.session.click(x + w // 2, y + 10)  # focus through the caption
                time.sleep(0.3)
                self.session.key(*keys)
                self.assertEqual(program.wait_exit(), 0)

    def test_a_sound_output_that_never_returns_does_not_hold_the_end(self):
        # ALSA's file plugin writing into a pipe that nobody reads: the sound
        # driver under Wine takes the first sound and never comes back.
        pipe = os.path.join(harness.WORK_DIR, "stuck-sound.fifo")
        if os.path.exists(pipe):
            os.remove(pipe)
        os.mkfifo(pipe)
        try:
            with self.session.sound_output('type file slave.pcm "null" file "%s" format "raw"' % pipe):
                program, window = self.start_shown(name="stuck-sound")
                cx, cy = self.session.client_origin(window)
                self.session.move(cx + 170, cy + 130)  # symbol 1: a sound starts
                time.sleep(2.0)
                self.session.click(*self.session.close_box(window))
                self.assertEqual(program.wait_exit(30), 0)
        finally:
            os.remove(pipe)

    def test_end_of_session_ends_the_program(self):
        program, _ = self.start_shown(name="session")
        self.session.end_session()
        self.assertEqual(program.wait_exit(30), 0)
        self.session.stop_stragglers()

    def test_a_main_window_that_cannot_be_made_ends_the_program_with_code_one(self):
        # Wine without a display refuses every window: the program must not
        # wait on, invisible and unreachable.
        program = self.session.launch(self.session.program_folder("no-window"), without_display=True)
        self.assertEqual(program.wait_exit(30), 1)
        self.session.stop_stragglers()

    def test_runs_from_a_folder_outside_the_code_page(self):
        folder = self.session.program_folder("exotic", exotic=True)
        program = self.session.launch(folder)
        window = program.main_window(START_TIMEOUT)
        self.assertIsNotNone(window)
        self.session.click(*self.session.close_box(window))
        self.assertEqual(program.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)

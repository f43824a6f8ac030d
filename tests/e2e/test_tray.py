"""The tray icon on the real program under a Wine desktop with a taskbar:
showing and hiding the window, the hidden start, the menu from the icon,
and the icon's removal on every way of ending."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from harness import HIDDEN, SessionTestCase  # noqa: E402

START_TIMEOUT = 20.0


class TrayTest(SessionTestCase):
    def tearDown(self):
        super().tearDown()
        # A killed program leaves a dead icon behind: start every test with a
        # fresh desktop and an empty tray.
        self.session.stop_stragglers()

    def icon_box(self, shot=None):
        """The box of whatever stands on the taskbar's right end (only the
        program's icon here), or None."""
        shot = shot or self.session.screenshot()
        x0, _, x1, y1 = harness.TRAY_AREA
        band = (x0, y1 - 18, x1, y1)
        background = shot.getpixel((x0 + 2, y1 - 10))
        pixels = shot.load()
        xs, ys = [], []
        for y in range(band[1], band[3]):
            for x in range(band[0], band[2]):
                if pixels[x, y] != background:
                    xs.append(x)
                    ys.append(y)
        return (min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else None

    def taskbar_buttons(self, shot):
        """Pixels of taskbar buttons left of the tray that differ from the bar."""
        background = shot.getpixel((harness.TRAY_AREA[0] + 2, harness.SCREEN[1] - 10))
        return harness.count_pixels(shot, (70, harness.SCREEN[1] - 16, 600, harness.SCREEN[1] - 4),
                                    lambda p: p != background)

    def start(self, name, args=()):
        """Starts the program and waits for its icon; returns the program and
        the icon's centre."""
        self.session.move(2, 2)
        program = self.session.launch(self.session.program_folder(name), list(args))
        box = harness.wait_until(self.icon_box, START_TIMEOUT)
        self.assertIsNotNone(box, "no tray icon appeared")
        time.sleep(1.0)
        box = self.icon_box()
        self.assertLessEqual(box[2] - box[0], 20, "one small icon")
        self.assertLessEqual(box[3] - box[1], 20, "one small icon")
        return program, ((box[0] + box[2]) // 2, (box[1] + box[3]) // 2)

    def visible_windows(self):
        return self.session.windows(harness.MAIN_TITLE_PATTERN)

    def assert_icon_gone(self):
        gone = harness.wait_until(lambda: self.icon_box() is None, 10.0)
        self.assertTrue(gone, "the tray icon is still there")

    def test_left_press_hides_and_shows_the_window(self):
        program, icon = self.start("tray-toggle")
        self.assertTrue(self.visible_windows())
        self.session.click(*icon)
        self.assertTrue(harness.wait_until(lambda: not self.visible_windows(), 5.0), "window not hidden")
        time.sleep(0.5)
        self.assertTrue(program.running(), "hiding the window must not end the program")
        self.session.click(*icon)
        window = harness.wait_until(self.visible_windows, 5.0)
        self.assertTrue(window, "window not shown again")
        # A double click is a press, a release, a double-click and a release: one toggle.
        time.sleep(0.8)
        self.session.move(*icon)
        self.session.xdotool("click", "--repeat", "2", "--delay", "80", "1")
        self.assertTrue(harness.wait_until(lambda: not self.visible_windows(), 5.0))
        time.sleep(1.0)
        self.assertFalse(self.visible_windows(), "a double click toggled twice")
        self.session.click(*icon)
        window = harness.wait_until(self.visible_windows, 5.0)
        self.assertTrue(window)
        # Closing the window takes the icon with it.
        self.session.click(*self.session.close_box(window[0]))
        self.assertEqual(program.wait_exit(), 0)
        self.assert_icon_gone()

    def test_left_press_brings_back_a_minimised_window(self):
        program, icon = self.start("tray-minimised")
        self.assertEqual(self.session.window_state(minimise=True) & (4 | 8), 4 | 8, "window not minimised")
        # A minimised window counts as not shown: one press restores it and brings it forward.
        self.session.click(*icon)
        restored = harness.wait_until(lambda: self.session.window_state() & (4 | 8 | 16) == 4 | 16, 5.0)
        self.assertTrue(restored, "window state after the press: %d" % self.session.window_state())
        self.assertTrue(self.visible_windows())
        # The next press hides it as usual; it comes after the double-click time, or the
        # system would report it as the second half of a double click, which toggles nothing.
        time.sleep(0.8)
        self.session.click(*icon)
        self.assertTrue(harness.wait_until(lambda: not self.visible_windows(), 5.0), "window not hidden")
        self.assertTrue(program.running())

    def test_hidden_start_shows_only_the_icon_until_it_is_pressed(self):
        # The sound output goes into a pipe read here: the program opens its
        # streams ahead once the window is shown, never while it is hidden.
        with harness.SoundPipe(self.session) as sound:
            program, icon = self.start("tray-hidden", [HIDDEN])
            shot = self.session.screenshot(save_as="tray-hidden-start.png")
            self.assertEqual(self.visible_windows(), [])
            # No window and no taskbar button: only the icon.
            self.assertEqual(self.taskbar_buttons(shot), 0)
            self.assertFalse(sound.opened(), "sound output opened while the window was hidden")
            self.session.click(*icon)
            window = harness.wait_until(self.visible_windows, 5.0)
            self.assertTrue(window, "the first left press did not show the window")
            self.assertTrue(harness.wait_until(sound.opened, 10.0), "no sound output opened once shown")
            self.session.key("alt+F4")
            self.assertEqual(program.wait_exit(), 0)
            self.assert_icon_gone()

    def test_menu_opens_on_the_right_release_and_leaves_a_hidden_window_hidden(self):
        program, icon = self.start("tray-menu", [HIDDEN])
        self.session.move(300, 300)
        time.sleep(0.5)
        before = self.session.screenshot()  # no menu, no tip
        self.session.move(*icon)
        time.sleep(0.3)
        self.session.press(3)
        time.sleep(1.0)
        pressed = self.session.screenshot()
        # Nothing but, perhaps, the icon's tip: no menu on the press.
        box = harness.changed_box(before, pressed, (0, 0, harness.SCREEN[0], harness.TRAY_AREA[1]))
        self.assertTrue(box is None or box[3] - box[1] < 40, "something opened on the right press")
        self.session.release(3)
        box, shot = harness.wait_for_change(self.session, pressed)
        self.assertIsNotNone(box, "no menu on the right release")
        self.assertGreater(box[3] - box[1], 200, "the menu's 22 rows")
        self.session.screenshot(save_as="tray-menu.png")
        self.assertEqual(self.visible_windows(), [])
        # A click elsewhere closes it, though the window is hidden (its owner
        # is made the foreground window first).
        self.session.click(300, 300)
        closed = harness.wait_until(
            lambda: harness.changed_box(before, self.session.screenshot(), box) is None, 5.0)
        self.assertTrue(closed, "menu still open after a click elsewhere")
        # The next menu stays open until dismissed as well.
        self.session.click(*icon, button=3)
        box, shot = harness.wait_for_change(self.session, before, (0, 0, harness.SCREEN[0], 700))
        self.assertIsNotNone(box)
        time.sleep(1.5)
        self.assertIsNone(harness.changed_box(shot, self.session.screenshot(), box), "the second menu vanished")
        self.session.click(300, 300)
        closed = harness.wait_until(
            lambda: harness.changed_box(before, self.session.screenshot(), box) is None, 5.0)
        self.assertTrue(closed, "the second menu did not close")
        self.assertEqual(self.visible_windows(), [])
        self.assertTrue(program.running())

    def test_exit_from_the_tray_menu_removes_the_icon(self):
        program, icon = self.start("tray-exit", [HIDDEN])
        self.session.move(300, 300)
        time.sleep(0.5)
        before = self.session.screenshot()
        self.session.click(*icon, button=3)
        box, _ = harness.wait_for_change(self.session, before, (0, 0, harness.SCREEN[0], 700))
        self.assertIsNotNone(box, "no menu")
        # Into the menu, off the icon (its tip goes), then 退出: the last item,
        # at the menu's bottom edge.
        x = (box[0] + box[2]) // 2
        self.session.move(x, (box[1] + box[3]) // 2)
        time.sleep(1.0)
        _, _, _, bottom = harness.changed_box(before, self.session.screenshot())
        self.session.click(x, bottom - 12)
        self.assertEqual(program.wait_exit(), 0)
        self.assert_icon_gone()
        self.assertTrue(os.path.exists(program.ini_path()))


if __name__ == "__main__":
    unittest.main(verbosity=2)

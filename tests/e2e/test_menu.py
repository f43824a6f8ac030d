"""The options menu on the real program: where it opens, its rows and marks,
and what choosing a row does."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from harness import SessionTestCase  # noqa: E402

START_TIMEOUT = 20.0
OPTION_ITEMS = 11
CANCEL_ITEM = 15  # 取消菜单, 1-based among the 16 items
EXIT_ITEM = 16    # 退出


class MenuTest(SessionTestCase):
    bands = None  # item bands relative to the menu's top edge, found once

    def start(self, name):
        program = self.session.launch(self.session.program_folder(name))
        window = program.main_window(START_TIMEOUT)
        self.assertIsNotNone(window, "main window did not appear")
        time.sleep(0.5)
        return program, window

    def open_menu(self, x, y):
        """Right-clicks at (x, y); returns the menu's box, the screenshot with
        the menu and the one from just before."""
        self.session.move(x, y)
        time.sleep(0.3)
        before = self.session.screenshot()
        self.session.click(x, y, button=3)
        box, shot = harness.wait_for_change(self.session, before)
        self.assertIsNotNone(box, "no menu appeared")
        return box, shot, before

    def item_bands(self, box, shot):
        if MenuTest.bands is None:
            bands = harness.menu_item_bands(self.session, box, shot)
            self.assertEqual(len(bands), harness.MENU_ITEMS, "menu items found by the Down key")
            MenuTest.bands = [(top - box[1], bottom - box[1]) for top, bottom in bands]
            self.session.key("Escape")
            time.sleep(0.5)
        return [(top + box[1], bottom + box[1]) for top, bottom in MenuTest.bands]

    def marks(self, x, y):
        """Opens the menu at (x, y) and reads the check marks of its items;
        the menu stays open."""
        box, shot, _ = self.open_menu(x, y)
        bands = self.item_bands(box, shot)
        if not self.session_menu_open(box, shot):
            box, shot, _ = self.open_menu(x, y)
        return box, [harness.menu_item_checked(shot, box, band) for band in bands], bands

    def session_menu_open(self, box, shot):
        now = self.session.screenshot()
        return harness.changed_box(shot, now, box) is None

    def choose(self, box, band):
        self.session.click((box[0] + box[2]) // 2, (band[0] + band[1]) // 2)
        time.sleep(0.8)

    def test_right_press_opens_the_menu_at_the_pointer_plus_3(self):
        program, window = self.start("menu-place")
        cx, cy = self.session.client_origin(window)
        # Two spots away from the symbols, so that no hover frame or card joins in, and high enough
        # that the 22-row menu fits above the taskbar (lower down the system moves it up to fit).
        for dx, dy in ((100, 60), (500, 150)):
            with self.subTest(point=(dx, dy)):
                box, shot, before = self.open_menu(cx + dx, cy + dy)
                self.assertEqual(box[:2], (cx + dx + 3, cy + dy + 3))
                os.makedirs(harness.ARTIFACTS, exist_ok=True)
                shot.save(os.path.join(harness.ARTIFACTS, "menu-at-%d-%d.png" % (dx, dy)))
                # The menu is taller than wide and holds 22 rows.
                self.assertGreater(box[3] - box[1], 200)
                # A click outside closes it; the chart under it is as it was.
                self.session.click(cx + 500, cy + 20)
                time.sleep(0.8)
                self.assertIsNone(harness.changed_box(before, self.session.screenshot(), box), "menu still shown")
        self.assertTrue(program.running())

    def test_rows_toggle_their_marks_and_cancel_changes_nothing(self):
        program, window = self.start("menu-marks")
        cx, cy = self.session.client_origin(window)
        x, y = cx + 100, cy + 60
        box, marks, bands = self.marks(x, y)
        self.assertEqual(marks, [True] * OPTION_ITEMS + [False] * 5, "design-time marks")
        # Row 1 (移过时发音), chosen with the mouse, loses its mark; nothing else changes.
        self.choose(box, bands[0])
        box, marks, bands = self.marks(x, y)
        self.assertEqual(marks, [False] + [True] * (OPTION_ITEMS - 1) + [False] * 5)
        # The " Ctrl键时忽略" under 点击时弹出 (row 11, the eighth item) flips only itself.
        self.choose(box, bands[7])
        box, marks, bands = self.marks(x, y)
        expected = [False] + [True] * 6 + [False] + [True] * 3 + [False] * 5
        self.assertEqual(marks, expected)
        # 取消菜单 only closes the menu.
        self.choose(box, bands[CANCEL_ITEM - 1])
        box, marks, bands = self.marks(x, y)
        self.assertEqual(marks, expected)
        # Choosing row 1 again brings its mark back.
        self.choose(box, bands[0])
        box, marks, bands = self.marks(x, y)
        self.assertEqual(marks, [True] * 7 + [False] + [True] * 3 + [False] * 5)
        self.session.key("Escape")
        time.sleep(0.5)
        self.assertTrue(program.running())

    def test_shift_f10_and_the_menu_key_open_the_menu_at_the_chart_corner(self):
        program, window = self.start("menu-keys")
        cx, cy = self.session.client_origin(window)
        # The menu hangs below and right of the chart's corner; the card of
        # symbol 1 and its frame stay right of this strip.
        strip = (cx - 5, cy - 5, cx + 150, harness.SCREEN[1])
        symbol_1, between_rows = (cx + 170, cy + 130), (cx + 170, cy + 190)
        for focus in ("main window", "card"):
            for keys in ("shift+F10", "Menu"):
                with self.subTest(focus=focus, keys=keys):
                    if focus == "main window":
                        x, y, w, _ = self.session.geometry(window)
                        self.session.click(x + w // 2, y + 10)  # the caption
                    else:
                        # A hover makes the card the active window.
                        self.session.move(*between_rows)
                        time.sleep(0.3)
                        self.session.move(*symbol_1)
                        shown = harness.wait_until(lambda: len(self.session.xdotool(
                            "search", "--onlyvisible", "--pid", program.pid).split()) == 2, 5.0)
                        self.assertTrue(shown, "no card after the hover")
                    time.sleep(0.5)
                    before = self.session.screenshot()
                    self.session.key(keys)
                    box, _ = harness.wait_for_change(self.session, before, strip)
                    self.assertIsNotNone(box, "no menu appeared")
                    self.assertEqual(box[:2], (cx, cy))
                    self.assertGreater(box[3] - box[1], 200)
                    self.session.key("Escape")
                    closed = harness.wait_until(
                        lambda: harness.changed_box(before, self.session.screenshot(), strip) is None, 5.0)
                    self.assertTrue(closed, "the menu did not close")
        self.assertTrue(program.running())

    def test_exit_ends_with_code_zero_and_writes_the_settings(self):
        program, window = self.start("menu-exit")
        cx, cy = self.session.client_origin(window)
        box, shot, _ = self.open_menu(cx + 100, cy + 60)
        bands = self.item_bands(box, shot)
        if not self.session_menu_open(box, shot):
            box, shot, _ = self.open_menu(cx + 100, cy + 60)
        self.assertFalse(os.path.exists(program.ini_path()))
        self.choose(box, bands[EXIT_ITEM - 1])
        self.assertEqual(program.wait_exit(), 0)
        self.assertTrue(os.path.exists(program.ini_path()), "退出 writes the settings even when nothing changed")


if __name__ == "__main__":
    unittest.main(verbosity=2)

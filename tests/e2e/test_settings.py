"""The options kept across runs, on the real program: the first start
without a settings file, the file written on closing, options unchecked in
the menu staying off after a restart, and the start-up entry in the
registry following its option at once."""
import os
import random
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from harness import HIDDEN, SessionTestCase, wait_until  # noqa: E402

START_TIMEOUT = 20.0
CARD_SIZE = (309, 314)
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
RUN_VALUE = "Pelomar(Vok)"
SECTION = "菜单配置"
KEYS = ["移过时发音", "Ctrl键时忽略_移音", "移过时弹出", "Ctrl键时忽略_移弹", "点击时发音", "Ctrl键时忽略_点音",
        "点击时弹出", "Ctrl键时忽略_点弹", "保持前端", "Esc键退出", "随系统启动"]
# The menu's items, separators left out: the options are items 1 to 11.
ITEM_KEEP_IN_FRONT = 9
ITEM_ESC_EXITS = 10
ITEM_AUTOSTART = 11


def settings_bytes(values):
    """The settings file as the program writes it from nothing."""
    text = "[%s]\r\n" % SECTION + "".join("%s=%s\r\n" % (k, "真" if v else "假") for k, v in zip(KEYS, values))
    return text.encode("gbk")


class SettingsTest(SessionTestCase):
    def setUp(self):
        self.session.wine(["reg", "delete", RUN_KEY, "/v", RUN_VALUE, "/f"], check=False)

    # -- helpers ---------------------------------------------------------------
    def start(self, name, settings=None, args=()):
        folder = self.session.program_folder(name)
        if settings is not None:
            with open(os.path.join(folder, "Pelomar.ini"), "wb") as f:
                f.write(settings)
        program = self.session.launch(folder, args)
        window = program.main_window(START_TIMEOUT)
        self.assertIsNotNone(window, "main window did not appear")
        time.sleep(0.8)
        return program, window

    def close(self, program, window):
        self.session.click(*self.session.close_box(window))
        self.assertEqual(program.wait_exit(), 0)

    def read_settings(self, program):
        with open(program.ini_path(), "rb") as f:
            return f.read()

    def run_value(self):
        """The start-up entry's data, exported by reg.exe as UTF-16 text so
        that no console code page stands between; None when absent."""
        exported = os.path.join(harness.WORK_DIR, "run-key.reg")
        if os.path.exists(exported):
            os.remove(exported)
        self.session.wine(["reg", "export", RUN_KEY, harness.windows_path(exported), "/y"], check=False)
        if not os.path.exists(exported):
            return None
        with open(exported, "rb") as f:
            text = f.read().decode("utf-16")
        prefix = '"%s"=' % RUN_VALUE
        for line in text.splitlines():
            if line.startswith(prefix):
                data = line[len(prefix):]
                self.assertTrue(data.startswith('"') and data.endswith('"'), "not a string value: " + data)
                return data[1:-1].replace('\\"', '"').replace("\\\\", "\\")
        return None

    def choose_item(self, window, item):
        """Opens the menu with a right press on the chart, away from the
        symbols, and chooses its item-th item with the keyboard."""
        cx, cy = self.session.client_origin(window)
        self.session.click(cx + 100, cy + 60, button=3)
        time.sleep(0.8)
        for _ in range(item):
            self.session.key("Down")
        self.session.key("Return")
        time.sleep(0.8)

    def window_state(self):
        """What Windows knows of the main window (see window_state_win32.cpp):
        0 when there is none, else 1 + 2 if topmost + 4 if visible."""
        helper = os.environ.get("PELOMAR_WINDOW_STATE", "")
        if not os.path.isfile(helper):
            self.skipTest("PELOMAR_WINDOW_STATE does not name the window-state helper")
        result = subprocess.run([harness.WINE, helper, harness.MAIN_TITLE.encode("utf-8").hex()],
                                env=self.session.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                timeout=60)
        return result.returncode

    def kept_in_front(self):
        """Whether the main window is topmost. Wine's virtual desktop draws a
        newly opened window over a topmost one, so the screen cannot tell."""
        state = self.window_state()
        self.assertTrue(state & 1, "main window not found")
        return bool(state & 2)

    # -- tests -----------------------------------------------------------------
    def test_first_start_without_settings(self):
        program, window = self.start("first-start")
        # Start with the system is on: the entry is written at start.
        expected = '"%s" %s' % (harness.windows_path(os.path.join(program.folder, "Pelomar.exe")), HIDDEN)
        self.assertEqual(self.run_value(), expected)
        self.assertTrue(self.kept_in_front())
        # Nothing is written until the window closes.
        self.assertFalse(os.path.exists(program.ini_path()))
        self.close(program, window)
        self.assertEqual(self.read_settings(program), settings_bytes([True] * 11))

    def test_options_unchecked_in_the_menu_stay_off_after_a_restart(self):
        program, window = self.start("restart")
        self.choose_item(window, ITEM_KEEP_IN_FRONT)
        self.assertFalse(self.kept_in_front(), "still kept in front after unchecking")
        self.choose_item(window, ITEM_ESC_EXITS)
        # Unchecked, Esc leaves the window open at once.
        self.session.click(*self._caption(window))
        self.session.key("Escape")
        time.sleep(1.5)
        self.assertTrue(program.running(), "Esc closed the window with the option off")
        # Changes are not written until the window closes.
        self.assertFalse(os.path.exists(program.ini_path()))
        self.close(program, window)
        values = [True] * 11
        values[8] = values[9] = False
        self.assertEqual(self.read_settings(program), settings_bytes(values))

        # The next start reads both as off: not in front, and Esc does nothing.
        program = self.session.launch(program.folder)
        window = program.main_window(START_TIMEOUT)
        self.assertIsNotNone(window)
        time.sleep(0.8)
        self.assertFalse(self.kept_in_front(), "kept in front after a restart")
        self.session.click(*self._caption(window))
        self.session.key("Escape")
        time.sleep(1.5)
        self.assertTrue(program.running(), "Esc closed the window after a restart")
        self.close(program, window)
        self.assertEqual(self.read_settings(program), settings_bytes(values))

    def test_the_start_up_entry_follows_its_option_at_once(self):
        program, window = self.start("autostart")
        self.assertIsNotNone(self.run_value())
        self.choose_item(window, ITEM_AUTOSTART)
        self.assertIsNone(self.run_value(), "unchecking did not delete the entry")
        self.choose_item(window, ITEM_AUTOSTART)
        self.assertIsNotNone(self.run_value(), "checking did not write the entry again")
        self.choose_item(window, ITEM_AUTOSTART)
        # Neither toggle writes the settings file; killing the program loses the change.
        self.assertFalse(os.path.exists(program.ini_path()))
        program.kill()
        self.assertFalse(os.path.exists(program.ini_path()))
        self.assertIsNone(self.run_value())

    def test_other_sections_and_lines_are_kept(self):
        before = ("; notes of my own\r\n[其他]\r\nx = 1\r\n\r\n[%s]\r\n%s=假\r\n\r\n[more]\n y=2" % (SECTION, KEYS[8]))
        program, window = self.start("kept", settings=before.encode("gbk"))
        self.assertFalse(self.kept_in_front(), "保持前端=假 was not read")
        self.close(program, window)
        after = ("; notes of my own\r\n[其他]\r\nx = 1\r\n\r\n[%s]\r\n%s=假\r\n" % (SECTION, KEYS[8]) +
                 "".join("%s=真\r\n" % k for k in KEYS[:8] + KEYS[9:]) + "\r\n[more]\n y=2")
        self.assertEqual(self.read_settings(program), after.encode("gbk"))

    def test_hover_sound_off_is_silent_but_pops_up_cards(self):
        # What the program plays is caught in a file: ALSA's file plugin in
        # front of the null device.
        asoundrc = os.path.join(self.session.home, ".asoundrc")
        capture = os.path.join(harness.WORK_DIR, "sound-capture.raw")
        with open(asoundrc) as f:
            plain = f.read()
        if os.path.exists(capture):
            os.remove(capture)
        with open(asoundrc, "w") as f:
            f.write('pcm.!default { type file slave.pcm "null" file "%s" format "raw" }\n' % capture)
        try:
            settings = ("[%s]\r\n%s=假\r\n" % (SECTION, KEYS[0])).encode("gbk")
            program, window = self.start("hover-silent", settings=settings)
            cx, cy = self.session.client_origin(window)
            symbol = (cx + 170, cy + 130)  # inside the cell of symbol 1
            self.session.move(*symbol)
            card = wait_until(lambda: self.card_shown(program, window), 5)
            self.assertTrue(card, "no card on hover")
            time.sleep(2.0)
            self.assertFalse(self.sound_in(capture), "hovering played a sound")
            # A click still plays: the capture works and the option was the reason.
            self.session.click(*symbol)
            self.assertTrue(wait_until(lambda: self.sound_in(capture), 5), "a click played nothing")
            self.session.move(2, 2)
            self.close(program, window)
        finally:
            with open(asoundrc, "w") as f:
                f.write(plain)
        self.assertIn(("%s=假\r\n" % KEYS[0]).encode("gbk"), self.read_settings(program))

    def card_shown(self, program, window):
        ids = self.session.xdotool("search", "--onlyvisible", "--pid", program.pid).split()
        return [w for w in map(int, ids) if w != window and self.session.geometry(w)[2:] == CARD_SIZE]

    @staticmethod
    def sound_in(capture):
        """True when the captured output holds more than silence (a sound
        has many different sample values, silence one or two)."""
        if not os.path.exists(capture):
            return False
        with open(capture, "rb") as f:
            return len(set(f.read())) > 4

    def test_the_end_of_the_session_saves(self):
        program, _ = self.start("end-session")
        self.session.end_session()
        self.assertEqual(program.wait_exit(30), 0)
        self.assertEqual(self.read_settings(program), settings_bytes([True] * 11))
        # Wine then runs the start-up entry, as at a logon: the program comes
        # back with its window hidden.
        # (The window exists a moment before its settings make it topmost.)
        self.assertEqual(wait_until(lambda: self.window_state() == 1 | 2 and 1 | 2, 20) or self.window_state(), 1 | 2,
                         "not started hidden from the entry")
        self.session.stop_stragglers()

    def test_a_save_killed_half_way_leaves_old_or_new_text_and_nothing_after_the_next_save(self):
        # bench/settings_kill_win32_bench.cpp saves these two texts alternately until it is killed.
        helper = os.environ.get("PELOMAR_SETTINGS_KILL", "")
        if not os.path.isfile(helper):
            self.skipTest("PELOMAR_SETTINGS_KILL does not name the settings kill helper")
        short = settings_bytes([False] * 11)
        long_text = b"[notes]\r\nline=" + b"-" * 400 + b"\r\n" + settings_bytes([True] * 11)
        folder = os.path.join(harness.WORK_DIR, "run", "killed-save")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        ini = os.path.join(folder, "Pelomar.ini")
        # A save that writes and one with nothing to write both clear what the killed one left.
        for next_save in ["keep", "save"] * 4:
            saver = subprocess.Popen([harness.WINE, helper, "loop", harness.windows_path(folder)],
                                     env=self.session.env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            try:
                self.assertEqual(saver.stdout.readline().strip(), b"ready")
                time.sleep(random.uniform(0.0, 0.03))
            finally:
                saver.kill()
                saver.wait()
                saver.stdout.close()
            with open(ini, "rb") as f:
                self.assertIn(f.read(), (short, long_text), "the kill left the settings file torn")
            subprocess.run([harness.WINE, helper, next_save, harness.windows_path(folder)], env=self.session.env(),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60, check=True)
            self.assertEqual(os.listdir(folder), ["Pelomar.ini"], "left beside it after the next save")

    def _caption(self, window):
        x, y, w, _ = self.session.geometry(window)
        return x + w // 2, y + 10


if __name__ == "__main__":
    unittest.main(verbosity=2)

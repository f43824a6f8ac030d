"""Where the real program keeps its settings and what a save may touch: a
program folder nobody may write (the settings go to the user's own folder),
a copy run from the temporary folder (no start-up entry, its option greyed)
and links planted beside the program (nothing outside the folder is ever
written). The folder nobody may write is an immutable one: as root, a plain
chmod would not stop the program."""
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import test_settings  # noqa: E402
from harness import HIDDEN, SessionTestCase  # noqa: E402

RUN_KEY = test_settings.RUN_KEY
RUN_VALUE = test_settings.RUN_VALUE
ITEM_ESC_EXITS = test_settings.ITEM_ESC_EXITS
ITEM_AUTOSTART = test_settings.ITEM_AUTOSTART
settings_bytes = test_settings.settings_bytes
ALL_ON = settings_bytes([True] * 11)
AUTOSTART_OFF = settings_bytes([True] * 10 + [False])
# Folders these tests make immutable; each is made writable again before and after every test.
LOCKED = ["locked", "locked-link"]
OUTSIDE = os.path.join(harness.WORK_DIR, "run", "outside.txt")
OUTSIDE_TEXT = "[%s]\r\n%s=假\r\n" % (test_settings.SECTION, test_settings.KEYS[8])  # 保持前端 off


def set_immutable(folder, on):
    if os.path.isdir(folder):
        subprocess.run(["chattr", "+i" if on else "-i", folder], check=True)


class SettingsPlaceTest(SessionTestCase):
    # The helpers of the settings tests: starting, closing, the menu and the start-up entry.
    start = test_settings.SettingsTest.start
    close = test_settings.SettingsTest.close
    run_value = test_settings.SettingsTest.run_value
    choose_item = test_settings.SettingsTest.choose_item
    window_state = test_settings.SettingsTest.window_state
    kept_in_front = test_settings.SettingsTest.kept_in_front

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.user_folder = cls.unix_folder("%LOCALAPPDATA%")
        cls.temp_folder = cls.unix_folder("%TEMP%")

    @classmethod
    def unix_folder(cls, variable):
        dos = cls.session.wine(["cmd", "/c", "echo", variable]).strip()
        return cls.session.wine(["winepath", "-u", dos]).strip().rstrip("/")

    def setUp(self):
        self.clear()

    def tearDown(self):
        super().tearDown()
        self.clear()

    def clear(self):
        for name in LOCKED:
            set_immutable(os.path.join(harness.WORK_DIR, "run", name), False)
        shutil.rmtree(os.path.join(self.user_folder, "Pelomar"), ignore_errors=True)
        self.session.wine(["reg", "delete", RUN_KEY, "/v", RUN_VALUE, "/f"], check=False)
        if os.path.lexists(OUTSIDE):
            os.remove(OUTSIDE)

    # -- helpers ---------------------------------------------------------------
    def locked_folder(self, name, plant=None):
        """A fresh program folder that no one may change, with what plant(folder) put in it first."""
        folder = self.session.program_folder(name)
        if plant:
            plant(folder)
        set_immutable(folder, True)
        return folder

    def restart(self, folder):
        program = self.session.launch(folder)
        window = program.main_window(test_settings.START_TIMEOUT)
        self.assertIsNotNone(window, "main window did not appear")
        time.sleep(0.8)
        return program, window

    def users_settings(self):
        path = os.path.join(self.user_folder, "Pelomar", "Pelomar.ini")
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def plant_outside(self):
        with open(OUTSIDE, "w", encoding="gbk", newline="") as f:
            f.write(OUTSIDE_TEXT)

    def assert_outside_untouched(self):
        self.assertTrue(os.path.isfile(OUTSIDE), "the file outside the folder is gone")
        with open(OUTSIDE, "rb") as f:
            self.assertEqual(f.read(), OUTSIDE_TEXT.encode("gbk"), "the file outside the folder was written")

    # -- a folder that may not be written ----------------------------------------
    def test_unticking_start_with_the_system_sticks_where_the_program_folder_may_not_be_written(self):
        folder = self.locked_folder(LOCKED[0])
        program, window = self.restart(folder)
        self.assertIsNotNone(self.run_value(), "the first start writes the entry")
        self.choose_item(window, ITEM_AUTOSTART)
        self.assertIsNone(self.run_value(), "unticking did not delete the entry")
        self.close(program, window)
        self.assertEqual(sorted(os.listdir(folder)), ["Pelomar.exe"], "something was left beside the program")
        self.assertEqual(self.users_settings(), AUTOSTART_OFF, "the settings in the user's folder")

        # The next start reads them there: the option stays off, no entry is written.
        program, window = self.restart(folder)
        self.assertIsNone(self.run_value(), "the next start wrote the entry again")
        self.close(program, window)
        self.assertEqual(sorted(os.listdir(folder)), ["Pelomar.exe"])
        self.assertEqual(self.users_settings(), AUTOSTART_OFF)

    def test_a_read_only_settings_file_stays_as_it_is_and_nothing_goes_elsewhere(self):
        folder = self.session.program_folder("read-only-settings")
        ini = os.path.join(folder, "Pelomar.ini")
        with open(ini, "wb") as f:
            f.write(ALL_ON)
        os.chmod(ini, 0o444)  # Wine shows a file without write permission as read-only
        program, window = self.restart(folder)
        self.choose_item(window, ITEM_ESC_EXITS)
        self.close(program, window)
        with open(ini, "rb") as f:
            self.assertEqual(f.read(), ALL_ON)
        self.assertIsNone(self.users_settings(), "a locked file's settings went to the user's folder")

    # -- a copy in the temporary folder ------------------------------------------
    def test_a_copy_in_the_temporary_folder_leaves_the_start_up_entry_alone(self):
        # Where Explorer puts a program opened inside a zip archive.
        folder = os.path.join(self.temp_folder, "Temp1_Pelomar-%s-win64.zip" % harness.VERSION)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.addCleanup(shutil.rmtree, folder, True)
        shutil.copy2(harness.EXE, os.path.join(folder, "Pelomar.exe"))
        with open(os.path.join(folder, "Pelomar.ini"), "wb") as f:
            f.write(ALL_ON)

        # An entry of an installed copy is neither rewritten nor deleted.
        installed = '"C:\\Pelomar\\Pelomar.exe" %s' % HIDDEN
        self.session.wine(["reg", "add", RUN_KEY, "/v", RUN_VALUE, "/t", "REG_SZ", "/d", installed, "/f"])
        program, window = self.restart(folder)
        self.assertEqual(self.run_value(), installed)
        marks, greyed = self.autostart_row(window)
        self.assertEqual(marks, (True, False), "Esc键退出 ticked, 随系统启动 unticked")
        self.assertEqual(greyed, (False, True), "only 随系统启动 greyed")
        self.choose_autostart_with_the_mouse(window)
        self.assertEqual(self.run_value(), installed, "choosing the greyed item changed the entry")
        self.close(program, window)
        with open(os.path.join(folder, "Pelomar.ini"), "rb") as f:
            self.assertEqual(f.read(), ALL_ON, "the stored value was not kept")

        # Without an entry none is written; everything else works (the window is kept in front).
        self.session.wine(["reg", "delete", RUN_KEY, "/v", RUN_VALUE, "/f"])
        program, window = self.restart(folder)
        self.assertTrue(self.kept_in_front())
        self.assertIsNone(self.run_value(), "an entry was written from the temporary folder")
        self.close(program, window)

    def open_menu(self, window):
        cx, cy = self.session.client_origin(window)
        self.session.move(cx + 100, cy + 60)
        time.sleep(0.3)
        before = self.session.screenshot()
        self.session.click(cx + 100, cy + 60, button=3)
        box, shot = harness.wait_for_change(self.session, before)
        self.assertIsNotNone(box, "no menu appeared")
        self.before_menu = before
        return box, shot

    def autostart_row(self, window):
        """The marks and the greying of the items Esc键退出 and 随系统启动."""
        box, shot = self.open_menu(window)
        self.session.screenshot(save_as="menu-from-the-temporary-folder.png")
        bands = harness.menu_item_bands(self.session, box, shot)
        self.session.key("Escape")
        time.sleep(0.5)
        self.assertEqual(len(bands), harness.MENU_ITEMS, "menu items found by the Down key")
        rows = (bands[ITEM_ESC_EXITS - 1], bands[ITEM_AUTOSTART - 1])
        self.autostart_band = rows[1]
        return (tuple(harness.menu_item_checked(shot, box, band) for band in rows),
                tuple(self.greyed(shot, box, band) for band in rows))

    @staticmethod
    def greyed(shot, box, band):
        """A greyed item's caption has no dark pixels."""
        area = (box[0] + 18, band[0], box[2] - 4, band[1])
        return harness.count_pixels(shot, area, lambda p: sum(p) < 150) == 0

    def choose_autostart_with_the_mouse(self, window):
        box, _ = self.open_menu(window)
        self.session.click((box[0] + box[2]) // 2, sum(self.autostart_band) // 2)
        time.sleep(0.8)
        # A greyed item does not close the menu; Esc does (and would close the window without it).
        if harness.changed_box(self.before_menu, self.session.screenshot(), box) is not None:
            self.session.key("Escape")
            time.sleep(0.5)

    # -- links -----------------------------------------------------------------
    def test_a_link_at_the_temporary_name_is_removed_and_what_it_leads_to_is_untouched(self):
        for target in ("outside", "nowhere"):
            with self.subTest(link_to=target):
                folder = self.session.program_folder("link-" + target)
                self.plant_outside()
                temporary = os.path.join(folder, "Pelomar.ini.tmp")
                os.symlink(OUTSIDE if target == "outside" else os.path.join(folder, "gone"), temporary)
                program, window = self.restart(folder)
                self.close(program, window)
                self.assert_outside_untouched()
                self.assertEqual(sorted(os.listdir(folder)), ["Pelomar.exe", "Pelomar.ini"])
                self.assertFalse(os.path.islink(os.path.join(folder, "Pelomar.ini")))
                with open(os.path.join(folder, "Pelomar.ini"), "rb") as f:
                    self.assertEqual(f.read(), ALL_ON)

    def test_a_settings_file_that_is_a_link_is_not_read_and_is_replaced_by_a_file_of_its_own(self):
        folder = self.session.program_folder("link-settings")
        self.plant_outside()
        ini = os.path.join(folder, "Pelomar.ini")
        os.symlink(OUTSIDE, ini)
        program, window = self.restart(folder)
        in_front = self.kept_in_front()
        self.close(program, window)
        self.assert_outside_untouched()
        self.assertTrue(in_front, "the linked file was read")
        self.assertFalse(os.path.islink(ini))
        with open(ini, "rb") as f:
            self.assertEqual(f.read(), ALL_ON)

    def test_a_settings_file_that_is_a_link_is_not_rewritten_in_place_through_it(self):
        # The folder takes no new files: the settings go to the user's folder instead.
        self.plant_outside()
        folder = self.locked_folder(LOCKED[1], plant=lambda f: os.symlink(OUTSIDE, os.path.join(f, "Pelomar.ini")))
        program, window = self.restart(folder)
        self.close(program, window)
        self.assert_outside_untouched()
        self.assertTrue(os.path.islink(os.path.join(folder, "Pelomar.ini")))
        self.assertEqual(self.users_settings(), ALL_ON)


if __name__ == "__main__":
    unittest.main(verbosity=2)

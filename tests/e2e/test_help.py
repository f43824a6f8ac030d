"""Help and about on the real program: the help box, and the about window's
place, pictures, links, dragging and ways of closing."""
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from harness import SCREEN, SessionTestCase  # noqa: E402

START_TIMEOUT = 20.0
HELP_ITEM = 13   # 帮助, 1-based among the menu's 16 items
ABOUT_ITEM = 14  # 关于
HELP_BOX = "^信息：$"
ABOUT = "^关于 Pelomar\\(Vok\\)$"
ABOUT_SIZE = (356, 395)
CLIENT_INSET = 5  # 3-pixel dialog frame and 2-pixel sunken edge
LINK6 = (159, 360, 169, 20)  # "Pelomar(Vok) v1.1", client coordinates


def reddish(p):
    return p[0] > 200 and p[1] < 140 and p[2] < 140


def bluish(p):
    return p[2] > 200 and p[0] < 140 and p[1] < 140


def magentaish(p):
    return p[0] > 200 and p[2] > 200 and p[1] < 140


class HelpTest(SessionTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # Links handed to the shell end in a program that does nothing.
        for name in ("Browsers", "Mailers"):
            cls.session.wine(["reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", name, "/t", "REG_SZ", "/d",
                              "/bin/true", "/f"])

    def start(self, name):
        program = self.session.launch(self.session.program_folder(name))
        window = program.main_window(START_TIMEOUT)
        self.assertIsNotNone(window)
        time.sleep(0.5)
        return program, window

    def choose(self, window, item, spot=(30, 60)):
        """Opens the menu on the chart and chooses an item with the keyboard."""
        cx, cy = self.session.client_origin(window)
        self.session.click(cx + spot[0], cy + spot[1], button=3)
        time.sleep(0.8)
        for _ in range(item):
            self.session.key("Down")
        self.session.key("Return")

    def about_window(self, timeout=10.0):
        return self.session.find_window(ABOUT, timeout)

    def gone(self, pattern):
        return harness.wait_until(lambda: not self.session.windows(pattern), 5.0)

    def test_help_box_appears_and_two_can_be_open_at_once(self):
        program, window = self.start("help-box")
        self.choose(window, HELP_ITEM)
        box = self.session.find_window(HELP_BOX)
        self.assertIsNotNone(box, "help box did not appear")
        self.session.screenshot(save_as="help-box.png")
        # The box has no owner: the chart's menu still works and opens a second box.
        self.choose(window, HELP_ITEM)
        both = harness.wait_until(lambda: len(self.session.windows(HELP_BOX)) == 2, 10.0)
        self.assertTrue(both, "a second help box did not open")
        self.session.key("Return")
        self.assertTrue(harness.wait_until(lambda: len(self.session.windows(HELP_BOX)) == 1, 5.0))
        time.sleep(1.0)
        self.assertEqual(len(self.session.windows(HELP_BOX)), 1, "closing one box closed the other")
        self.assertTrue(program.running())
        # The program can end while a box is still open; the box goes with it.
        self.session.click(*self.session.close_box(window))
        self.assertEqual(program.wait_exit(), 0)
        self.assertTrue(self.gone(HELP_BOX))

    def test_about_window_place_pictures_and_links(self):
        program, window = self.start("about")
        self.choose(window, ABOUT_ITEM)
        about = self.about_window()
        self.assertIsNotNone(about, "about window did not appear")
        x, y, w, h = self.session.geometry(about)
        self.assertEqual((w, h), ABOUT_SIZE)
        self.assertEqual((x, y), ((SCREEN[0] - w) // 2, (SCREEN[1] - h) // 2))
        cx, cy = x + CLIENT_INSET, y + CLIENT_INSET
        self.session.move(2, 2)
        time.sleep(0.8)
        shot = self.session.screenshot(save_as="about.png")
        # The logo fills the top unscaled (its last 4 columns are cut off), the portrait sits at (8, 198).
        logo = harness.decoded_asset("logo.gif")
        self.assertEqual(harness.differing_pixels(shot, logo, (cx, cy, cx + 346, cy + 195)), 0)
        portrait = harness.decoded_asset("portrait.gif")
        self.assertEqual(harness.differing_pixels(shot, portrait, (cx + 8, cy + 198, cx + 158, cy + 348)), 0)

        link = (cx + LINK6[0] + 2, cy + LINK6[1] + 2, cx + LINK6[0] + LINK6[2] - 2, cy + LINK6[1] + LINK6[3] - 2)
        self.assertGreater(harness.count_pixels(shot, link, bluish), 20, "links are blue")
        self.assertEqual(harness.count_pixels(shot, link, reddish), 0)
        centre = ((link[0] + link[2]) // 2, (link[1] + link[3]) // 2)
        self.session.move(*centre)
        time.sleep(0.8)
        hover = self.session.screenshot(save_as="about-hover.png")
        self.assertGreater(harness.count_pixels(hover, link, reddish), 20, "red under the pointer")
        self.assertEqual(harness.count_pixels(hover, link, bluish), 0)
        self.session.move(cx + 250, cy + 120)
        time.sleep(0.8)
        off = self.session.screenshot()
        self.assertGreater(harness.count_pixels(off, link, bluish), 20, "blue again once the pointer left")
        self.assertEqual(harness.count_pixels(off, link, reddish), 0)
        # Opened, the link turns magenta (the shell hands it to a program that does nothing).
        self.session.click(*centre)
        time.sleep(3.0)
        self.session.move(cx + 250, cy + 120)
        visited = harness.wait_until(
            lambda: harness.count_pixels(self.session.screenshot(), link, magentaish) > 20, 10.0)
        self.assertTrue(visited, "the opened link did not turn magenta")
        self.assertTrue(program.running())

        # Choosing 关于 again brings the same window forward: still one.
        self.choose(window, ABOUT_ITEM)
        time.sleep(1.0)
        self.assertEqual(self.session.windows(ABOUT), [about])

        # The program ending takes the about window with it.
        self.session.click(*self.session.close_box(window))
        self.assertEqual(program.wait_exit(), 0)
        self.assertEqual(self.session.windows(ABOUT), [])

    def test_a_link_the_shell_cannot_open_goes_to_the_htm_browser(self):
        recorder = os.environ.get("PELOMAR_COMMAND_LINE_RECORDER", "")
        if not os.path.isfile(recorder):
            self.skipTest("PELOMAR_COMMAND_LINE_RECORDER does not name the command-line recorder")
        # The browser: a program that writes down its command line, in a folder with a blank,
        # registered as browsers often are, with an environment reference in a REG_EXPAND_SZ.
        browser = os.path.join(harness.WORK_DIR, "run", "web browser")
        shutil.rmtree(browser, ignore_errors=True)
        os.makedirs(browser)
        shutil.copy2(recorder, os.path.join(browser, "browser.exe"))
        record = os.path.join(browser, "command-line.txt")
        with self.session.registry_restored(r"HKCR\.htm", r"HKCR\PelomarTestPage", r"HKCR\https"):
            self.session.wine(["reg", "add", r"HKCR\.htm", "/ve", "/d", "PelomarTestPage", "/f"])
            self.session.wine(["reg", "add", r"HKCR\PelomarTestPage\shell\open\command", "/ve", "/t",
                               "REG_EXPAND_SZ", "/d", '"%PELOMAR_TEST_BROWSER%\\browser.exe" -page "%1"', "/f"])
            # No program for https links: the shell cannot open the link, and the fallback runs.
            self.session.wine(["reg", "delete", r"HKCR\https", "/f"], check=False)
            os.environ["PELOMAR_TEST_BROWSER"] = harness.windows_path(browser)
            try:
                program, window = self.start("link-fallback")
            finally:
                del os.environ["PELOMAR_TEST_BROWSER"]
            self.choose(window, ABOUT_ITEM)
            about = self.about_window()
            self.assertIsNotNone(about, "about window did not appear")
            x, y, _, _ = self.session.geometry(about)
            cx, cy = x + CLIENT_INSET, y + CLIENT_INSET
            link = (cx + LINK6[0] + 2, cy + LINK6[1] + 2, cx + LINK6[0] + LINK6[2] - 2, cy + LINK6[1] + LINK6[3] - 2)
            self.session.click((link[0] + link[2]) // 2, (link[1] + link[3]) // 2)
            self.assertTrue(harness.wait_until(lambda: os.path.exists(record), 15.0), "the .htm browser did not run")
            with open(record, encoding="utf-8") as f:
                self.assertEqual(f.read(), '"%s\\browser.exe" -page  "https://www.example.com/pelomar/"'
                                 % harness.windows_path(browser))
            # Opened by the fallback, the link counts as visited.
            self.session.move(cx + 250, cy + 120)
            visited = harness.wait_until(
                lambda: harness.count_pixels(self.session.screenshot(), link, magentaish) > 20, 10.0)
            self.assertTrue(visited, "the opened link did not turn magenta")
            self.session.click(*self.session.close_box(window))
            self.assertEqual(program.wait_exit(), 0)

    def test_about_window_drags_by_the_portrait_and_closes_by_esc_or_background(self):
        program, window = self.start("about-close")
        self.choose(window, ABOUT_ITEM)
        about = self.about_window()
        self.assertIsNotNone(about)
        x, y, _, _ = self.session.geometry(about)
        # A press on a caption field does not close it.
        self.session.click(x + CLIENT_INSET + 190, y + CLIENT_INSET + 205)
        time.sleep(0.5)
        self.assertEqual(self.session.windows(ABOUT), [about])
        # Esc closes it, and the main window stays.
        self.session.key("Escape")
        self.assertTrue(self.gone(ABOUT), "Esc did not close the about window")
        self.assertTrue(program.running())
        self.assertTrue(self.session.windows(harness.MAIN_TITLE_PATTERN))

        # Dragging the portrait moves the window and keeps it open.
        self.choose(window, ABOUT_ITEM)
        about = self.about_window()
        self.assertIsNotNone(about)
        x, y, _, _ = self.session.geometry(about)
        px, py = x + CLIENT_INSET + 80, y + CLIENT_INSET + 270
        self.session.move(px, py)
        time.sleep(0.3)
        self.session.press(1)
        for step in range(1, 7):
            self.session.move(px + 10 * step, py + 5 * step)
            time.sleep(0.1)
        self.session.release(1)
        time.sleep(0.8)
        about = self.about_window(3.0)
        self.assertIsNotNone(about, "dragging closed the window")
        self.assertEqual(self.session.geometry(about)[:2], (x + 60, y + 30))

        # A left press on the background (the logo) closes it.
        nx, ny, _, _ = self.session.geometry(about)
        self.session.click(nx + CLIENT_INSET + 100, ny + CLIENT_INSET + 60)
        self.assertTrue(self.gone(ABOUT), "a press on the background did not close the about window")
        self.assertTrue(program.running())
        self.session.click(*self.session.close_box(window))
        self.assertEqual(program.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)

"""The chart in use, as a learner sees it: hovering frames a symbol and pops
up its card beside the pointer, the card flips at the screen's edges and goes
away on a right click, and a group caption reads its members one a second
while the window keeps answering."""
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from harness import SCREEN, SessionTestCase, wait_until  # noqa: E402

START_TIMEOUT = 20.0
CARD_SIZE = (309, 314)
CARD_OFFSET = 50
RED = (255, 0, 0)
YELLOW = (255, 255, 0)

# Chart regions in panel coordinates: (left, top, width, height).
_ROWS = [  # first symbol, top, height, cells
    (1, 116, 33, 8), (9, 150, 33, 3), (12, 195, 33, 8), (20, 229, 33, 3),
    (23, 263, 33, 6), (29, 327, 37, 5), (34, 369, 37, 7), (41, 412, 37, 8),
]
SYMBOLS = {}
for first, top, height, cells in _ROWS:
    for i in range(cells):
        SYMBOLS[first + i] = (157 + 38 * i, top, 37, height)
GROUPS = {1: (3, 122, 39, 92), 2: (56, 140, 88, 24), 3: (56, 214, 88, 24), 4: (3, 329, 39, 92),
          5: (56, 332, 88, 24), 6: (56, 375, 88, 24), 7: (56, 418, 88, 24)}

# Points on the panel that lie in no region.
BAND_BETWEEN_ROWS = (170, 190)
ABOVE_THE_CELLS = (265, 40)
LEFT_OF_THE_CELLS = (50, 300)  # never under a card, which pops up right of the cells


def inside(region, dx=13, dy=14):
    left, top, _, _ = region
    return left + dx, top + dy


class InteractionTest(SessionTestCase):
    def setUp(self):
        self.chart = harness.decoded_asset("chart.gif")

    # -- helpers ---------------------------------------------------------------
    def start(self, name="interaction"):
        program = self.session.launch(self.session.program_folder(name))
        window = program.main_window(START_TIMEOUT)
        self.assertIsNotNone(window, "main window did not appear")
        self.program, self.window = program, window
        self.origin = self.session.client_origin(window)
        time.sleep(0.5)
        return program

    def screen(self, point):
        return self.origin[0] + point[0], self.origin[1] + point[1]

    def point_at(self, point):
        """Moves the pointer onto a panel point; returns its screen position."""
        x, y = self.screen(point)
        self.session.move(x, y)
        return x, y

    def card_windows(self):
        ids = self.session.xdotool("search", "--onlyvisible", "--pid", self.program.pid).split()
        cards = []
        for wid in map(int, ids):
            if wid == self.window:
                continue
            geometry = self.session.geometry(wid)
            if geometry[2:] == CARD_SIZE:
                cards.append((wid, geometry))
        return cards

    def wait_card_at(self, position, timeout=5.0):
        """Waits for the card window at position (left, top); returns its geometry."""
        found = wait_until(lambda: [g for _, g in self.card_windows() if g[:2] == position], timeout)
        if not found:
            self.session.screenshot(save_as="%s-card-missing.png" % self.id())
            self.fail("no card window at %r; visible cards: %r" % (position, self.card_windows()))
        return found[0]

    def wait_no_card(self, timeout=5.0):
        gone = wait_until(lambda: not self.card_windows(), timeout)
        self.assertTrue(gone, "the card is still shown: %r" % (self.card_windows(),))

    def frame_colour(self, shot, region):
        """The colour of a frame drawn on a region's outline, or None: the pen
        covers the middle of all four sides."""
        left, top, width, height = region
        sides = [(left + width // 2, top), (left + width // 2, top + height),
                 (left, top + height // 2), (left + width, top + height // 2)]
        colours = {shot.getpixel(self.screen(p)) for p in sides}
        if len(colours) == 1:
            colour = colours.pop()
            if colour in (RED, YELLOW):
                return colour
        return None

    def framed(self, shot):
        """The symbols and groups that carry a frame on the screenshot."""
        found = []
        for n, region in SYMBOLS.items():
            if self.frame_colour(shot, region):
                found.append(("symbol", n))
        for g, region in GROUPS.items():
            if self.frame_colour(shot, region):
                found.append(("group", g))
        return found

    def chart_differences(self, shot):
        x, y = self.origin
        return harness.differing_pixels(shot, self.chart, (x, y, x + 530, y + 459))

    def card_differences(self, shot, geometry, n):
        """Pixels of the card window's client area that differ from card n's
        picture; the client area is found inside the window's frame."""
        picture = harness.decoded_asset("card/%02d.gif" % n)
        x, y, w, h = geometry
        for border in range(0, 12):
            corner = (x + border, y + border, x + border + 24, y + border + 24)
            if harness.differing_pixels(shot, picture, corner) == 0:
                visible_w = min(w - 2 * border, picture.width)
                visible_h = min(h - 2 * border, picture.height)
                self.assertGreaterEqual(visible_w, 290)
                self.assertGreaterEqual(visible_h, 295)
                box = (x + border, y + border, x + border + visible_w, y + border + visible_h)
                return harness.differing_pixels(shot, picture, box)
        return w * h

    @staticmethod
    def card_place(px, py):
        """Where the card goes for a pointer at (px, py): beside it, flipped at the screen's edges."""
        left, top = px + CARD_OFFSET, py + CARD_OFFSET
        if left + CARD_SIZE[0] > SCREEN[0]:
            left = px - CARD_OFFSET - CARD_SIZE[0]
        if top + CARD_SIZE[1] > SCREEN[1]:
            top = py - CARD_OFFSET - CARD_SIZE[1]
        return left, top

    def flick(self, a, b, gap=0.0005):
        """Two pointer motions sent back to back through XTest, each flushed
        to the X server, gap seconds apart: a quick flick across two cells."""
        from Xlib import X, display  # Debian package python3-xlib
        from Xlib.ext import xtest
        d = display.Display(self.session.display)
        try:
            xtest.fake_input(d, X.MotionNotify, x=a[0], y=a[1])
            d.flush()
            time.sleep(gap)
            xtest.fake_input(d, X.MotionNotify, x=b[0], y=b[1])
            d.sync()
        finally:
            d.close()

    def save(self, shot, what):
        os.makedirs(harness.ARTIFACTS, exist_ok=True)
        shot.save(os.path.join(harness.ARTIFACTS, "%s-%s.png" % (self.id(), what)))

    # -- tests -----------------------------------------------------------------
    def test_hover_frames_the_symbol_and_shows_its_card_beside_the_pointer(self):
        self.start()
        px, py = self.point_at(inside(SYMBOLS[1]))
        card = self.wait_card_at((px + CARD_OFFSET, py + CARD_OFFSET))
        time.sleep(0.3)
        shot = self.session.screenshot()
        self.assertEqual(self.framed(shot), [("symbol", 1)])
        self.assertEqual(self.frame_colour(shot, SYMBOLS[1]), RED)
        # The pen is 5 pixels wide and centred on the outline; further out the chart shows.
        left, top, width, height = SYMBOLS[1]
        self.assertEqual(shot.getpixel(self.screen((left + 18, top - 2))), RED)
        self.assertEqual(shot.getpixel(self.screen((left + 18, top + 2))), RED)
        for p in ((left + 18, top - 4), (left + 18, top + 4), (left - 4, top + 16)):
            self.assertEqual(shot.getpixel(self.screen(p)), self.chart.getpixel(p))
        bad = self.card_differences(shot, card, 1)
        if bad:
            self.save(shot, "card-1")
        self.assertEqual(bad, 0, "card 1 pixels that differ from card/01.gif")

        # Further moves inside the cell change nothing: the card stays where it was.
        self.point_at(inside(SYMBOLS[1], 30, 28))
        time.sleep(0.5)
        self.assertEqual([g for _, g in self.card_windows()], [card])

        # The neighbouring cell takes the frame and the card.
        px, py = self.point_at(inside(SYMBOLS[2], 5, 10))
        card = self.wait_card_at((px + CARD_OFFSET, py + CARD_OFFSET))
        time.sleep(0.3)
        shot = self.session.screenshot()
        self.assertEqual(self.framed(shot), [("symbol", 2)])
        bad = self.card_differences(shot, card, 2)
        if bad:
            self.save(shot, "card-2")
        self.assertEqual(bad, 0, "card 2 pixels that differ from card/02.gif")

        # Into the band between the rows: the frame and the card go away.
        self.point_at(BAND_BETWEEN_ROWS)
        self.wait_no_card()
        time.sleep(0.3)
        shot = self.session.screenshot()
        bad = self.chart_differences(shot)
        if bad:
            self.save(shot, "band")
        self.assertEqual(bad, 0, "pixels of the chart that differ from chart.gif after leaving the cells")

    def test_a_quick_flick_leaves_frame_and_card_on_the_second_cell(self):
        self.start("flick")
        for a, b in ((1, 2), (3, 4), (12, 13), (29, 30), (41, 42), (43, 44)):
            with self.subTest(cells=(a, b)):
                self.point_at(LEFT_OF_THE_CELLS)
                self.wait_no_card()
                time.sleep(0.3)
                pb = self.screen(inside(SYMBOLS[b]))
                self.flick(self.screen(inside(SYMBOLS[a])), pb)
                card = self.wait_card_at(self.card_place(*pb))
                time.sleep(0.5)  # anything still to come would have come by now
                shot = self.session.screenshot()
                self.assertEqual(self.framed(shot), [("symbol", b)])
                self.assertEqual([g for _, g in self.card_windows()], [card])
                bad = self.card_differences(shot, card, b)
                if bad:
                    self.save(shot, "flick-%d-%d" % (a, b))
                self.assertEqual(bad, 0, "the card shown is not card %d" % b)

    def test_a_dll_left_beside_the_program_is_never_loaded(self):
        planted = os.environ.get("PELOMAR_PLANTED_DLL", "")
        if not os.path.isfile(planted):
            self.skipTest("PELOMAR_PLANTED_DLL does not name the planted DLL")
        folder = self.session.program_folder("planted")
        shutil.copy2(planted, os.path.join(folder, "winmm.dll"))
        # Windows would take a winmm.dll from the program's folder before its
        # own; Wine does so when told to prefer native DLLs.
        program = self.session.launch(folder, dll_overrides="winmm=n,b")
        window = program.main_window(START_TIMEOUT)
        self.assertIsNotNone(window, "main window did not appear")
        self.program, self.window = program, window
        self.origin = self.session.client_origin(window)
        time.sleep(0.5)
        px, py = self.point_at(inside(SYMBOLS[1]))  # a sound: WINMM is in use
        self.wait_card_at((px + CARD_OFFSET, py + CARD_OFFSET))
        time.sleep(1.0)
        self.assertTrue(program.running())
        self.assertFalse(os.path.exists(os.path.join(folder, "planted-dll-loaded.txt")),
                         "the winmm.dll beside the program was loaded")

    def test_the_card_flips_left_and_up_near_the_screen_edges(self):
        self.start("flip")
        cases = [
            (8, "left"),   # the right column: the card would pass the right edge
            (41, "up"),    # the bottom row: it would pass the bottom edge
            (48, "both"),
            (1, "none"),
        ]
        for n, flip in cases:
            with self.subTest(symbol=n):
                self.point_at(ABOVE_THE_CELLS)
                self.wait_no_card()
                px, py = self.point_at(inside(SYMBOLS[n]))
                left = px + CARD_OFFSET
                top = py + CARD_OFFSET
                if flip in ("left", "both"):
                    self.assertGreater(left + CARD_SIZE[0], SCREEN[0])
                    left = px - CARD_OFFSET - CARD_SIZE[0]
                if flip in ("up", "both"):
                    self.assertGreater(top + CARD_SIZE[1], SCREEN[1])
                    top = py - CARD_OFFSET - CARD_SIZE[1]
                self.wait_card_at((left, top))
        shot = self.session.screenshot(save_as="%s-last.png" % self.id())
        self.assertEqual(self.framed(shot), [("symbol", 1)])

    def test_a_right_click_on_the_card_hides_it_until_another_cell(self):
        self.start("right-click")
        px, py = self.point_at(inside(SYMBOLS[1]))
        x, y, w, h = self.wait_card_at((px + CARD_OFFSET, py + CARD_OFFSET))
        # Clicked where the card overhangs the main window, so that what the
        # pointer rests on once the card is gone is the desktop, not the chart
        # (which would take it as a move onto another place).
        main_bottom = self.session.geometry(self.window)[1] + self.session.geometry(self.window)[3]
        self.assertGreater(y + h - 8, main_bottom)
        self.session.click(x + w // 2, y + h - 8, button=3)
        self.wait_no_card()
        # Back on the same cell: no new region, so the card stays away.
        self.point_at(inside(SYMBOLS[1], 20, 20))
        time.sleep(1.0)
        self.assertEqual(self.card_windows(), [])
        px, py = self.point_at(inside(SYMBOLS[9]))
        self.wait_card_at((px + CARD_OFFSET, py + CARD_OFFSET))

    def test_a_press_on_the_hovered_symbol_keeps_the_card_up_until_another_program_is_active(self):
        from Xlib import X, display  # Debian package python3-xlib
        from Xlib.ext import xtest
        self.start("keep-once")
        px, py = self.point_at(inside(SYMBOLS[1]))
        place = self.wait_card_at((px + CARD_OFFSET, py + CARD_OFFSET))
        [(card, _)] = self.card_windows()
        time.sleep(0.3)
        # The press and release through XTest, with an eye on the card's X
        # window: the card must not be taken down in between, not even for a
        # moment.
        d = display.Display(self.session.display)
        try:
            d.create_resource_object("window", card).change_attributes(event_mask=X.StructureNotifyMask)
            d.sync()
            xtest.fake_input(d, X.ButtonPress, 1)
            d.sync()
            time.sleep(0.5)
            xtest.fake_input(d, X.ButtonRelease, 1)
            d.sync()
            time.sleep(0.5)
            seen = []
            while d.pending_events():
                event = d.next_event()
                if event.type in (X.UnmapNotify, X.DestroyNotify, X.MapNotify):
                    seen.append(type(event).__name__)
        finally:
            d.close()
        self.assertEqual([e for e in seen if e != "MapNotify"], [], "the card went down during the press: %r" % seen)
        self.assertEqual([g for _, g in self.card_windows()], [place])
        self.assertEqual(self.framed(self.session.screenshot()), [("symbol", 1)])

        # Another program takes the focus: now the card goes.
        other = self.session.launch(self.session.program_folder("keep-once-other"))
        ids = wait_until(lambda: self.session.xdotool("search", "--onlyvisible", "--pid", other.pid,
                                                      "--name", harness.MAIN_TITLE_PATTERN).split(), START_TIMEOUT)
        self.assertTrue(ids, "the other program's window did not appear")
        x, y, w, _ = self.session.geometry(int(ids[0]))
        self.session.click(x + w // 2, y + 10)
        self.wait_no_card()

    def test_escape_hides_the_card_and_the_program_goes_on(self):
        self.start("escape")
        px, py = self.point_at(inside(SYMBOLS[1]))
        self.wait_card_at((px + CARD_OFFSET, py + CARD_OFFSET))
        time.sleep(0.3)
        self.session.key("Escape")  # the card is the active window, not the chart
        self.wait_no_card()
        time.sleep(0.5)
        self.assertTrue(self.program.running())
        self.assertEqual(self.session.windows(harness.MAIN_TITLE_PATTERN), [self.window])
        px, py = self.point_at(inside(SYMBOLS[2]))
        self.wait_card_at((px + CARD_OFFSET, py + CARD_OFFSET))

    def test_the_card_is_dragged_with_the_left_button(self):
        self.start("drag")
        px, py = self.point_at(inside(SYMBOLS[1]))
        x, y, _, _ = self.wait_card_at((px + CARD_OFFSET, py + CARD_OFFSET))
        self.session.move(x + 100, y + 100)
        time.sleep(0.2)
        self.session.press()
        time.sleep(0.2)
        for step in range(1, 11):
            self.session.move(x + 100 + 8 * step, y + 100 + 5 * step)
            time.sleep(0.05)
        time.sleep(0.2)
        self.session.release()
        self.wait_card_at((x + 80, y + 50))
        # The next card goes beside the pointer again.
        px, py = self.point_at(inside(SYMBOLS[3]))
        self.wait_card_at((px + CARD_OFFSET, py + CARD_OFFSET))

    def read_frames(self, until, duration, on_frame=None):
        """Samples the screen while a reading runs; returns the regions in the
        order they were first seen framed, with the time of first sight."""
        seen = []
        end = time.monotonic() + duration
        while time.monotonic() < end:
            shot = self.session.screenshot()
            now = time.monotonic()
            for region in self.framed(shot):
                if region not in [r for r, _ in seen]:
                    seen.append((region, now))
                    if on_frame:
                        on_frame(region, shot)
            if until in [r for r, _ in seen]:
                break
        return seen

    def test_a_caption_reads_its_group_in_order_while_the_window_answers(self):
        # How far apart the members come, and how long a message waits during
        # a reading, are measured by the interaction benchmark.
        self.start("reading")
        state = {}

        def hover_during_reading(region, shot):
            # Once symbol 30 is read, the pointer goes onto another caption: it
            # is framed while the reading goes on (a caption starts no sound),
            # and the screen shows nothing of symbol 31 until it is.
            if region == ("symbol", 30) and "hovered" not in state:
                state["hovered"] = True
                self.point_at(inside(GROUPS[2]))
                framed = wait_until(lambda: ("group", 2) in self.framed(self.session.screenshot()), 3.0)
                state["framed"] = bool(framed)

        self.session.click(*self.screen(inside(GROUPS[5])))
        seen = self.read_frames(("symbol", 33), 15.0, hover_during_reading)
        order = [r for r, _ in seen if r[0] == "symbol"]
        if order != [("symbol", n) for n in range(29, 34)]:
            self.session.screenshot(save_as="%s-order.png" % self.id())
        self.assertTrue(state.get("framed"), "the caption hovered during the reading was not framed")
        # The hover ended nothing: every member came after it, in order.
        self.assertEqual(order, [("symbol", n) for n in range(29, 34)])
        # No card pops up during a reading.
        self.assertEqual(self.card_windows(), [])

    def test_a_hover_that_plays_a_symbol_ends_the_reading(self):
        self.start("reading-ends")
        self.session.click(*self.screen(inside(GROUPS[1])))
        seen = self.read_frames(("symbol", 2), 10.0)
        self.assertIn(("symbol", 2), [r for r, _ in seen])
        px, py = self.point_at(inside(SYMBOLS[12]))
        self.wait_card_at((px + CARD_OFFSET, py + CARD_OFFSET), timeout=1.0)
        # The reading ends after its current wait: no later member is framed.
        time.sleep(2.5)
        shot = self.session.screenshot()
        self.assertEqual(self.framed(shot), [("symbol", 12)])


if __name__ == "__main__":
    unittest.main(verbosity=2)

"""The 300 x 304 symbol cards: title strip, letter combinations, three tabs
and the paragraph on how the sound is made."""

from PIL import Image, ImageDraw

import text

W, H = 300, 304

# Palette of the cards (and the chart, which shares its look).
INK = (34, 40, 49)
TEAL = (28, 99, 128)
TEAL_DARK = (18, 70, 94)
TEAL_LIGHT = (214, 233, 241)
PAPER = (246, 249, 251)
WHITE = (255, 255, 255)
LINE = (140, 176, 194)
RED = (196, 52, 44)
GREY = (122, 132, 140)
TAB_OFF = (226, 232, 236)

TITLE_H = 42
BOX_TOP, BOX_BOTTOM = 56, 136
BOX_ROWS, ROW_H = 3, 22
TABS_TOP, TABS_BOTTOM = 146, 170
PANEL_BOTTOM = 297
MARGIN = 10
PARA_SIZE = 14
PARA_LINE = 21
# IPA and Latin letters in the paragraph: at 14 px DejaVu's lowercase is
# about half as tall as a Chinese character and "x" reads as a times sign;
# at 16 px its x-height is two thirds of the Chinese and its ascenders match.
PARA_LATIN_SIZE = 16
TABS = ("发音规则", "举例学习", "对比学习")


class CardError(Exception):
    pass


def _title(d, sym):
    d.rectangle((0, 0, W - 1, TITLE_H - 1), fill=TEAL)
    d.rectangle((0, TITLE_H - 3, W - 1, TITLE_H - 1), fill=TEAL_DARK)
    label = "音标：[ %s ]" % sym.glyph
    text.draw_centred(d, (0, 0, W, TITLE_H - 3), label, 21, WHITE, bold=True)


def _letters(d, sym):
    if len(sym.letters) > 2 * BOX_ROWS:
        raise CardError("symbol %d: more than %d letter combinations" % (sym.no, 2 * BOX_ROWS))
    left, right = MARGIN, W - 1 - MARGIN
    d.rounded_rectangle((left, BOX_TOP, right, BOX_BOTTOM), radius=6, outline=LINE, fill=WHITE)
    caption = "字母组合"
    cw = int(text.width(caption, 13, bold=True))
    d.rectangle((left + 12, BOX_TOP - 2, left + 12 + cw + 10, BOX_TOP + 2), fill=WHITE)
    text.draw(d, (left + 17, BOX_TOP + 5), caption, 13, TEAL, bold=True)
    col_w = (right - left) // 2
    size = 15
    # Example words start at one x in both columns.
    word_dx = max(text.width(l, size, bold=True) for l, _ in sym.letters) + 12
    for i, (letters, word) in enumerate(sym.letters):
        col, row = divmod(i, BOX_ROWS)
        x0 = left + 16 + col * col_w
        y = BOX_TOP + 12 + (row + 1) * ROW_H - 5
        text.draw(d, (x0, y), letters, size, RED, bold=True)
        x = x0 + int(word_dx)
        pos = word.lower().find(letters.lower())
        if pos < 0:
            raise CardError("symbol %d: %r does not contain %r" % (sym.no, word, letters))
        # The example word, with the letters that make the sound in red.
        x = text.draw(d, (x, y), word[:pos], size, INK)
        x = text.draw(d, (x, y), word[pos:pos + len(letters)], size, RED)
        x = text.draw(d, (x, y), word[pos + len(letters):], size, INK)
        if x > left + (col + 1) * col_w - 4:
            raise CardError("symbol %d: %r is too wide for its column" % (sym.no, word))


def _tabs(d):
    left, right = MARGIN, W - 1 - MARGIN
    gap = 4
    tab_w = (right - left - 2 * gap) // 3
    # The panel the first tab opens onto.
    d.rectangle((left, TABS_BOTTOM, right, PANEL_BOTTOM), fill=WHITE, outline=TEAL)
    for i, caption in enumerate(TABS):
        x0 = left + i * (tab_w + gap)
        x1 = x0 + tab_w
        if i == 0:
            d.rounded_rectangle((x0, TABS_TOP, x1, TABS_BOTTOM + 4), radius=5, fill=WHITE, outline=TEAL)
            d.rectangle((x0 + 1, TABS_BOTTOM, x1 - 1, TABS_BOTTOM + 4), fill=WHITE)
            d.rectangle((x0 + 1, TABS_TOP + 1, x1 - 1, TABS_TOP + 3), fill=TEAL)
            text.draw_centred(d, (x0, TABS_TOP + 3, x1 + 1, TABS_BOTTOM), caption, 13, TEAL_DARK, bold=True)
        else:
            d.rounded_rectangle((x0, TABS_TOP + 3, x1, TABS_BOTTOM + 4), radius=5, fill=TAB_OFF, outline=LINE)
            d.rectangle((x0, TABS_BOTTOM, x1, TABS_BOTTOM + 4), fill=WHITE)
            d.line((x0, TABS_BOTTOM, x1, TABS_BOTTOM), fill=TEAL)
            text.draw_centred(d, (x0, TABS_TOP + 3, x1 + 1, TABS_BOTTOM), caption, 13, GREY)


def _paragraph(d, sym):
    left, right = MARGIN + 9, W - 1 - MARGIN - 8
    lines = text.wrap(sym.paragraph, PARA_SIZE, right - left, PARA_LATIN_SIZE)
    top = TABS_BOTTOM + 8
    bottom_room = PANEL_BOTTOM - 4
    if top + len(lines) * PARA_LINE > bottom_room:
        raise CardError("symbol %d: the description needs %d lines, only %d fit"
                        % (sym.no, len(lines), (bottom_room - top) // PARA_LINE))
    for i, line in enumerate(lines):
        text.draw(d, (left, top + (i + 1) * PARA_LINE - 5), line, PARA_SIZE, INK,
                  latin_size=PARA_LATIN_SIZE)


def render(sym):
    """The card of one symbol as an RGB picture."""
    im = Image.new("RGB", (W, H), PAPER)
    d = ImageDraw.Draw(im)
    _title(d, sym)
    _letters(d, sym)
    _tabs(d)
    _paragraph(d, sym)
    d.rectangle((0, 0, W - 1, H - 1), outline=TEAL_DARK)
    return im

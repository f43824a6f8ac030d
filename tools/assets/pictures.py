"""The chart the main window shows, the about window's logo and portrait, and
the program icon."""

from PIL import Image, ImageDraw

import text
from cards import INK, LINE, PAPER, TEAL, TEAL_DARK, TEAL_LIGHT, WHITE

ORANGE = (204, 104, 32)
ORANGE_DARK = (158, 74, 18)
ORANGE_LIGHT = (251, 232, 214)
SAND = (255, 249, 242)

CHART_W, CHART_H = 530, 459

# Hit regions of the chart as (left, top, width, height); a region covers
# columns left..left+width and rows top..top+height. The program's chart
# model holds the same rectangles.
ROWS = [  # (top, height, glyphs)
    (116, 33, "p t k f θ s ʃ h"),
    (150, 33, "tʃ ts tr"),
    (195, 33, "b d g v ð z ʒ r"),
    (229, 33, "dʒ dz dr"),
    (263, 33, "j w m n ŋ l"),
    (327, 37, "iː əː ɑː ɔː uː"),
    (369, 37, "i e æ ə ʌ ɔ u"),
    (412, 37, "ei ai ɔi əu au iə ɛə uə"),
]
CELL_LEFT, CELL_W, CELL_PITCH = 157, 37, 38
GROUPS = [  # (caption, left, top, width, height)
    ("辅音", 3, 122, 39, 92),
    ("清辅音", 56, 140, 88, 24),
    ("浊辅音", 56, 214, 88, 24),
    ("元音", 3, 329, 39, 92),
    ("长元音", 56, 332, 88, 24),
    ("短元音", 56, 375, 88, 24),
    ("双元音", 56, 418, 88, 24),
]
CAPTION_LINES = (
    "音标是标注英语单词读音的符号，就像汉语拼音标注汉字的读音。",
    "下表把 48 个常用音标分为清辅音、浊辅音、长元音、短元音和双元音。",
    "把鼠标移到一个音标上或点击它，就能听到读音，并打开它的学习卡片。",
)


def symbol_regions():
    """[(glyph, (left, top, width, height))] for symbols 1..48 in order."""
    out = []
    for top, height, glyphs in ROWS:
        for i, g in enumerate(glyphs.split()):
            out.append((g, (CELL_LEFT + i * CELL_PITCH, top, CELL_W, height)))
    return out


def group_regions():
    return [(c, (l, t, w, h)) for c, l, t, w, h in GROUPS]


def chart(symbols):
    """The chart picture; `symbols` supplies the glyph of each cell, which
    must agree with the chart layout."""
    regions = symbol_regions()
    for sym, (glyph, _) in zip(symbols, regions):
        if sym.glyph != glyph:
            raise ValueError("symbol %d: content table says %r, chart says %r" % (sym.no, sym.glyph, glyph))
    im = Image.new("RGB", (CHART_W, CHART_H), PAPER)
    d = ImageDraw.Draw(im)

    # Caption banner.
    d.rounded_rectangle((6, 6, CHART_W - 7, 104), radius=8, fill=WHITE, outline=LINE)
    d.rectangle((6, 16, 10, 94), fill=TEAL)
    for i, line in enumerate(CAPTION_LINES):
        if text.width(line, 15) > CHART_W - 40:
            raise ValueError("chart caption line %d is too long" % (i + 1))
        text.draw(d, (22, 36 + i * 27), line, 15, INK)

    # Block backgrounds: consonants and vowels.
    d.rounded_rectangle((0, 111, CHART_W - 1, 302), radius=8, fill=TEAL_LIGHT)
    d.rounded_rectangle((0, 319, CHART_W - 1, CHART_H - 1), radius=8, fill=ORANGE_LIGHT)

    for n, (caption, (l, t, w, h)) in enumerate(group_regions(), start=1):
        consonant = n <= 3
        fill = TEAL if consonant else ORANGE
        if n in (1, 4):
            d.rounded_rectangle((l, t, l + w, t + h), radius=8, fill=fill)
            # Written top to bottom: one character in each half of the
            # caption, moved a little toward the middle.
            top_half = (l, t + 4, l + w + 1, t + h // 2 + 4)
            bottom_half = (l, t + h // 2 - 3, l + w + 1, t + h - 3)
            for ch, box in zip(caption, (top_half, bottom_half)):
                text.draw_centred(d, box, ch, 24, WHITE, bold=True)
        else:
            d.rounded_rectangle((l, t, l + w, t + h), radius=6, fill=WHITE,
                                outline=fill, width=2)
            text.draw_centred(d, (l, t, l + w + 1, t + h + 1), caption, 16,
                              TEAL_DARK if consonant else ORANGE_DARK, bold=True)

    # Symbol cells: tiles one pixel inside each region, so neighbours are
    # parted by a two-pixel gap that a highlight frame covers.
    for top, height, glyphs in ROWS:
        band = _row_band(glyphs.split())
        for i, glyph in enumerate(glyphs.split()):
            l, t, w, h = CELL_LEFT + i * CELL_PITCH, top, CELL_W, height
            consonant = top < 300
            d.rectangle((l + 1, t + 1, l + w - 1, t + h - 1), fill=WHITE if consonant else SAND,
                        outline=TEAL if consonant else ORANGE)
            il, _, ir, _ = text.ink_box(glyph, GLYPH_SIZE)
            x = int(round(l + 1 + ((w - 1) - (ir - il)) / 2.0 - il))
            y = int(round(t + 1 + ((h - 1) - (band[1] - band[0])) / 2.0 - band[0]))
            text.draw(d, (x, y), glyph, GLYPH_SIZE, INK)
    return im


GLYPH_SIZE = 20


def _row_band(glyphs):
    """The vertical extent, relative to the baseline, that a row's glyphs
    are centred by: every glyph of a row shares one baseline, and a
    descender counts for a third of its depth so that it does not lift
    the whole row."""
    boxes = [text.ink_box(g, GLYPH_SIZE) for g in glyphs]
    top = min(b[1] for b in boxes)
    bottom = max(b[3] for b in boxes)
    return top, bottom / 3.0 if bottom > 0 else bottom


def mark(size, detail=True):
    """The brand mark: a rounded teal square holding a white schwa with
    sound arcs. Drawn large and scaled down; RGBA."""
    s = 8
    big = size * s
    im = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(im)
    d.rounded_rectangle((0, 0, big - 1, big - 1), radius=big // 5, fill=TEAL + (255,))
    font = text.font("latin-bold", int(big * (0.78 if detail else 0.95)))
    box = font.getbbox("ə")
    cx = big * (0.40 if detail else 0.5)
    cy = big * 0.5
    d.text((cx - (box[0] + box[2]) / 2.0, cy - (box[1] + box[3]) / 2.0), "ə", font=font,
           fill=WHITE + (255,))
    if detail:
        for r in (0.16, 0.27):
            rr = big * r
            ax, ay = big * 0.62, big * 0.5
            d.arc((ax - rr, ay - rr, ax + rr, ay + rr), -50, 50, fill=ORANGE_LIGHT + (255,),
                  width=max(s, int(big * 0.055)))
    return im.resize((size, size), Image.LANCZOS)


LOGO_W, LOGO_H = 350, 195


def logo():
    im = Image.new("RGB", (LOGO_W, LOGO_H), WHITE)
    d = ImageDraw.Draw(im)
    d.rectangle((0, 0, LOGO_W - 1, 6), fill=TEAL)
    d.rectangle((0, 7, LOGO_W - 1, 9), fill=ORANGE)
    m = mark(112)
    im.paste(m, (22, 40), m)
    # The about window shows only the left 346 columns of the logo.
    size = 42
    while 150 + text.ink_box("Pelomar", size, bold=True)[2] > LOGO_W - 18:
        size -= 1
    text.draw(d, (150, 96), "Pelomar", size, TEAL_DARK, bold=True)
    text.draw(d, (152, 126), "英语国际音标学习", 18, INK)
    text.draw(d, (152, 150), "48 个音标 · 听读音 · 看嘴型", 13, ORANGE_DARK)
    d.line((22, 178, LOGO_W - 26, 178), fill=LINE)
    return im


PORTRAIT = 150


def portrait():
    """An illustrated head-and-shoulders portrait, drawn large and scaled."""
    s = 4
    n = PORTRAIT * s
    im = Image.new("RGB", (n, n), (222, 236, 243))
    d = ImageDraw.Draw(im)

    def P(*v):
        return tuple(int(x * s) for x in v)

    # Backdrop: soft circles.
    d.ellipse(P(-30, -40, 120, 110), fill=(206, 227, 237))
    d.ellipse(P(70, 60, 190, 180), fill=(232, 242, 247))
    skin = (240, 200, 168)
    skin_shade = (222, 176, 142)
    hair = (52, 40, 34)
    shirt = TEAL
    # Shoulders and shirt.
    d.rounded_rectangle(P(18, 118, 132, 190), radius=28 * s, fill=shirt)
    d.polygon(P(60, 116, 75, 138, 90, 116), fill=WHITE)
    d.polygon(P(60, 116, 68, 136, 56, 128), fill=(240, 244, 246))
    d.polygon(P(90, 116, 82, 136, 94, 128), fill=(240, 244, 246))
    d.line(P(75, 138, 75, 150), fill=TEAL_DARK, width=s * 2)
    # Neck.
    d.rectangle(P(64, 96, 86, 120), fill=skin_shade)
    # Ears.
    d.ellipse(P(38, 62, 50, 82), fill=skin_shade)
    d.ellipse(P(100, 62, 112, 82), fill=skin_shade)
    # Face.
    d.ellipse(P(44, 30, 106, 108), fill=skin)
    # Hair: a cap over the top with a side parting.
    d.chord(P(40, 18, 110, 78), 180, 360, fill=hair)
    d.polygon(P(42, 50, 56, 34, 80, 30, 104, 40, 108, 56, 96, 44, 70, 42, 52, 48, 46, 62),
              fill=hair)
    d.ellipse(P(40, 40, 50, 64), fill=hair)
    d.ellipse(P(100, 40, 110, 64), fill=hair)
    # Eyebrows.
    d.line(P(56, 58, 68, 56), fill=hair, width=int(s * 2.2))
    d.line(P(82, 56, 94, 58), fill=hair, width=int(s * 2.2))
    # Glasses.
    for cx in (62, 88):
        d.rounded_rectangle(P(cx - 11, 61, cx + 11, 77), radius=5 * s, outline=(60, 60, 70),
                            width=int(s * 1.6))
    d.line(P(73, 67, 77, 67), fill=(60, 60, 70), width=int(s * 1.6))
    # Eyes.
    for cx in (62, 88):
        d.ellipse(P(cx - 3, 66, cx + 3, 72), fill=(40, 32, 30))
        d.ellipse(P(cx - 1, 67, cx + 1, 69), fill=WHITE)
    # Nose and smile.
    d.line(P(75, 72, 72, 86, 76, 88), fill=skin_shade, width=int(s * 1.6))
    d.arc(P(62, 84, 88, 100), 20, 160, fill=(170, 80, 70), width=int(s * 2))
    # Cheeks.
    d.ellipse(P(52, 82, 60, 88), fill=(244, 186, 166))
    d.ellipse(P(90, 82, 98, 88), fill=(244, 186, 166))
    return im.resize((PORTRAIT, PORTRAIT), Image.LANCZOS)


def icon_images():
    return [mark(n, detail=n >= 32) for n in (16, 24, 32, 48)]

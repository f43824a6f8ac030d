"""Fonts and text layout for the pictures: Chinese from Noto Sans CJK SC,
Latin and IPA from DejaVu Sans, with a check that every character really has
a glyph (nothing may come out as an empty box)."""

import os

from PIL import Image, ImageDraw, ImageFont

FONT_FILES = {
    "cjk": ("/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc", 2),
    "cjk-bold": ("/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc", 2),
    "latin": ("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0),
    "latin-bold": ("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", 0),
}
EXPECTED_FACE = {"cjk": "Noto Sans CJK SC", "cjk-bold": "Noto Sans CJK SC",
                 "latin": "DejaVu Sans", "latin-bold": "DejaVu Sans"}

_cache = {}
_notdef = {}


class GlyphError(Exception):
    pass


def font(family, size):
    key = (family, size)
    if key not in _cache:
        path, index = FONT_FILES[family]
        if not os.path.exists(path):
            raise GlyphError("font file missing: %s (see tools/assets/README.md)" % path)
        f = ImageFont.truetype(path, size, index=index)
        if f.getname()[0] != EXPECTED_FACE[family]:
            raise GlyphError("%s: face %r, expected %r" % (path, f.getname()[0], EXPECTED_FACE[family]))
        _cache[key] = f
    return _cache[key]


def _mask_bytes(f, ch):
    m = f.getmask(ch)
    return m.size, bytes(m)


_known = {}


def has_glyph(f, ch):
    """True when the font draws ch with a real glyph rather than .notdef."""
    if ch.isspace():
        return True
    if (f, ch) not in _known:
        _known[(f, ch)] = _has_glyph(f, ch)
    return _known[(f, ch)]


def _has_glyph(f, ch):
    key = (f.path, f.index, f.size)
    if key not in _notdef:
        # Private-use code points that these fonts leave empty.
        _notdef[key] = {_mask_bytes(f, c) for c in ("\ue000", "\U0010fffd")}
    got = _mask_bytes(f, ch)
    if got in _notdef[key]:
        return False
    return any(got[1])


def is_cjk(ch):
    o = ord(ch)
    return (0x2E80 <= o <= 0x9FFF or 0xF900 <= o <= 0xFAFF or 0xFE30 <= o <= 0xFE4F
            or 0xFF00 <= o <= 0xFFEF or 0x3000 <= o <= 0x303F or ch in "“”‘’…·")


def runs(text, size, bold=False, latin_size=None):
    """Split text into (font, string) runs: CJK in Noto, the rest in DejaVu,
    at latin_size when given (Latin letters at the size of the Chinese look
    too small next to it)."""
    cjk = font("cjk-bold" if bold else "cjk", size)
    lat = font("latin-bold" if bold else "latin", latin_size or size)
    out = []
    for ch in text:
        f = cjk if is_cjk(ch) else lat
        if not has_glyph(f, ch):
            other = lat if f is cjk else cjk
            if not has_glyph(other, ch):
                raise GlyphError("no font has a glyph for %r (U+%04X)" % (ch, ord(ch)))
            f = other
        if out and out[-1][0] is f:
            out[-1][1] += ch
        else:
            out.append([f, ch])
    return [(f, s) for f, s in out]


def width(text, size, bold=False, latin_size=None):
    return sum(f.getlength(s) for f, s in runs(text, size, bold, latin_size))


# Small text is drawn without antialiasing: crisp like the system's bitmap
# fonts, and it keeps the pictures within their byte budgets.
SMOOTH_FROM = 18


def draw(d, xy, text, size, fill, bold=False, latin_size=None):
    """Draw text with its left end at x and its baseline at y."""
    x, y = xy
    d.fontmode = "L" if size >= SMOOTH_FROM else "1"
    for f, s in runs(text, size, bold, latin_size):
        d.text((x, y), s, font=f, fill=fill, anchor="ls")
        x += f.getlength(s)
    return x


def ink_box(text, size, bold=False):
    """(left, top, right, bottom) of the inked pixels relative to the
    baseline-left origin."""
    w = int(width(text, size, bold)) + size * 2
    im = Image.new("L", (w, size * 3), 0)
    draw(ImageDraw.Draw(im), (size, size * 2), text, size, 255, bold)
    box = im.getbbox()
    if box is None:
        return (0, 0, 0, 0)
    return (box[0] - size, box[1] - size * 2, box[2] - size, box[3] - size * 2)


def draw_centred(d, box, text, size, fill, bold=False):
    """Draw text so that its inked pixels are centred in box (l, t, r, b),
    r and b exclusive. Returns the ink rectangle drawn."""
    l, t, r, b = box
    il, it, ir, ib = ink_box(text, size, bold)
    x = l + ((r - l) - (ir - il)) / 2.0 - il
    y = t + ((b - t) - (ib - it)) / 2.0 - it
    x, y = int(round(x)), int(round(y))
    draw(d, (x, y), text, size, fill, bold)
    return (x + il, y + it, x + ir, y + ib)


NO_LINE_START = set("，。、；：？！）》」』”’,.;:?!)")
NO_LINE_END = set("（《「『“‘(")


def _tokens(text):
    """CJK characters one by one; Latin and IPA words kept whole."""
    out = []
    word = ""
    for ch in text:
        if is_cjk(ch) or ch.isspace():
            if word:
                out.append(word)
                word = ""
            out.append(ch)
        else:
            word += ch
    if word:
        out.append(word)
    return out


def wrap(text, size, max_width, latin_size=None):
    """Break text into lines no wider than max_width, keeping closing
    punctuation off the start of a line and opening marks off its end."""
    lines = [[]]
    for tok in _tokens(text):
        line = lines[-1]
        if tok.isspace() and not line:
            continue
        if line and width("".join(line + [tok]), size, latin_size=latin_size) > max_width:
            carry = []
            if tok in NO_LINE_START:
                carry.append(line.pop())
            while line and line[-1] in NO_LINE_END:
                carry.insert(0, line.pop())
            while line and line[-1].isspace():
                line.pop()
            lines.append(carry)
            line = lines[-1]
            if tok.isspace() and not line:
                continue
        line.append(tok)
    out = ["".join(l) for l in lines if l]
    for l in out:
        if width(l, size, latin_size=latin_size) > max_width:
            raise GlyphError("cannot fit %r into %d pixels" % (l, max_width))
    return out

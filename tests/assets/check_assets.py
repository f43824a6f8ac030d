#!/usr/bin/python3
"""Check the media files the program embeds (media/assets/).

    /usr/bin/python3 tests/assets/check_assets.py [repo_root]

Every sound, card and picture is read and checked against the sizes and
formats the program relies on: WAV chunk layout and sample formats, exact
byte counts, sounds that end in exact silence, GIF87a structure and
dimensions, the icon's images, and that no two sounds or cards are the same.
Two sounds are measured as a listener would hear them: e must be open
enough (its first formant), tr voiceless after its release.
A second group of cases damages copies of real files and makes sure each
damage is caught.

Prints every failure and ends with the line "N passed, M failed"; the exit
status is 0 only when nothing failed.
"""

import io
import os
import struct
import sys

try:
    from PIL import Image
except ImportError:  # the structural checks still run
    Image = None

# The sizes and formats the program embeds its media with are kept in one
# place, the generator's content module.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "assets"))
import content  # noqa: E402
import speech  # noqa: E402
from content import CARD_SIZE, ICON_SIZES, SIZES, WIDE_ENTRIES as WIDE  # noqa: E402

PICTURES = {name + ".gif": size for name, size in content.PICTURES.items()}
CLOSING_SILENCE_MS = 20
CARD_W, CARD_H = CARD_SIZE
GLYPHS = ("p t k f θ s ʃ h tʃ ts tr b d g v ð z ʒ r dʒ dz dr j w m n ŋ l "
          "iː əː ɑː ɔː uː i e æ ə ʌ ɔ u ei ai ɔi əu au iə ɛə uə").split()


def u16(b, o):
    return struct.unpack_from("<H", b, o)[0]


def u32(b, o):
    return struct.unpack_from("<I", b, o)[0]


# ---------------------------------------------------------------- sounds

def wav_problems(data, n):
    """What is wrong with the bytes of sound n (empty list when nothing)."""
    p = []
    wav_bytes, pcm_bytes, _ = SIZES[n]
    if len(data) != wav_bytes:
        p.append("file is %d bytes, expected %d" % (len(data), wav_bytes))
    if len(data) < 44 or data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
        return p + ["not a RIFF WAVE file"]
    if u32(data, 4) != len(data) - 8:
        p.append("RIFF size %d, file length - 8 is %d" % (u32(data, 4), len(data) - 8))
    if data[12:16] != b"fmt " or u32(data, 16) != 16:
        return p + ["no 16-byte fmt chunk at offset 12"]
    tag, channels, rate, byte_rate, align, bits = struct.unpack_from("<HHIIHH", data, 20)
    want = (22050, 16) if n in WIDE else (11025, 8)
    if tag != 1 or channels != 1:
        p.append("format tag %d, %d channels (PCM mono expected)" % (tag, channels))
    if (rate, bits) != want:
        p.append("%d Hz %d-bit, expected %d Hz %d-bit" % ((rate, bits) + want))
    if align != bits // 8 or byte_rate != rate * align:
        p.append("block align %d / byte rate %d do not match" % (align, byte_rate))
    if data[36:40] != b"data":
        return p + ["no data chunk at offset 36"]
    size = u32(data, 40)
    if size != pcm_bytes:
        p.append("data chunk %d bytes, expected %d" % (size, pcm_bytes))
    pos = 44 + size
    if size % 2:
        if pos >= len(data) or data[pos] != 0:
            p.append("odd data length without a zero pad byte")
        pos += 1
    if data[pos:pos + 4] != b"LIST" or data[pos + 8:pos + 12] != b"INFO":
        return p + ["no LIST INFO chunk after the data"]
    body = u32(data, pos + 4)
    if body not in (64, 66):
        p.append("LIST body %d bytes, expected 64 or 66" % body)
    end = pos + 8 + body
    if end != len(data):
        p.append("%d bytes after the LIST chunk" % (len(data) - end))
    q = pos + 12
    tags = []
    while q + 8 <= min(end, len(data)):
        tags.append(data[q:q + 4])
        q += 8 + u32(data, q + 4) + (u32(data, q + 4) % 2)
    if q != end or sorted(tags) != [b"ICRD", b"IENG", b"ISFT"]:
        p.append("INFO list does not hold exactly ICRD, IENG, ISFT (%r)" % tags)
    if not p:
        samples = data[44:44 + size]
        quiet = b"\x80" if bits == 8 else b"\x00"
        if samples.count(quiet) == len(samples):
            p.append("all samples are silent")
        # Every sound ends in silence, and silence is exactly the zero level:
        # no dither noise, no offset.
        tail = samples[-(rate * bits // 8 * CLOSING_SILENCE_MS // 1000):]
        if tail.count(quiet) != len(tail):
            p.append("the last %d ms are not all at the zero level" % CLOSING_SILENCE_MS)
    return p


# e is the vowel of bed, open-mid: more open than the start of ei, whose
# first formant is about 530 Hz. espeak-ng's close-mid e (about 445 Hz)
# sits between ei and i and is heard as neither.
E_SOUND, E_MIN_F1_HZ = GLYPHS.index("e") + 1, 530
# tr is one of the chart's voiceless sounds: the r after the release is
# voiceless too. A voiced stretch longer than this is heard as a voiced r.
TR_SOUND, TR_MAX_VOICED_MS = GLYPHS.index("tr") + 1, 60
# Their neighbours, whose samples stand in for them in the damage cases.
I_SOUND, DR_SOUND = GLYPHS.index("i") + 1, GLYPHS.index("dr") + 1


def samples_of(data):
    """(samples as floats, rate) of a WAV file that passed wav_problems."""
    rate, bits = u32(data, 24), u16(data, 34)
    raw = data[44:44 + u32(data, 40)]
    if bits == 8:
        return [(b - 128) / 128.0 for b in raw], rate
    return [v / 32768.0 for v in struct.unpack("<%dh" % (len(raw) // 2), raw)], rate


def e_problems(data):
    s, rate = samples_of(data)
    parts = speech.stretches(s, rate, 0.02)
    f = speech.vowel_formants(s, rate, (parts[0][0], parts[0][1] + 1)) if parts else None
    if f is None:
        return ["no vowel formants found"]
    if f[0] < E_MIN_F1_HZ:
        return ["first formant %.0f Hz, below %d Hz: too close a vowel for e" % (f[0], E_MIN_F1_HZ)]
    return []


def tr_problems(data):
    s, rate = samples_of(data)
    ms = speech.voiced_stretch_ms(s, rate)
    if ms > TR_MAX_VOICED_MS:
        return ["voiced for %.0f ms, more than %d ms: the r is voiced" % (ms, TR_MAX_VOICED_MS)]
    return []


# ---------------------------------------------------------------- pictures

def gif_problems(data, width, height, size):
    p = []
    if len(data) != size:
        p.append("file is %d bytes, expected %d" % (len(data), size))
    if data[:6] != b"GIF87a":
        return p + ["does not start with GIF87a"]
    if len(data) < 13 + 768:
        return p + ["truncated"]
    w, h, flags = u16(data, 6), u16(data, 8), data[10]
    if (w, h) != (width, height):
        p.append("screen %dx%d, expected %dx%d" % (w, h, width, height))
    if not flags & 0x80 or flags & 0x07 != 7:
        return p + ["no global colour table of 256 entries (flags %#04x)" % flags]
    pos = 13 + 768
    images = 0
    while True:
        if pos >= len(data):
            return p + ["no trailer"]
        intro = data[pos]
        if intro == 0x3B:
            if pos != len(data) - 1:
                p.append("%d bytes after the trailer" % (len(data) - 1 - pos))
            break
        if intro == 0x21:
            return p + ["extension block at offset %d" % pos]
        if intro != 0x2C:
            return p + ["unknown block %#04x at offset %d" % (intro, pos)]
        images += 1
        if pos + 11 > len(data):
            return p + ["truncated image descriptor"]
        left, top, iw, ih, iflags = struct.unpack_from("<HHHHB", data, pos + 1)
        if (left, top, iw, ih) != (0, 0, width, height):
            p.append("image at %d,%d size %dx%d, expected the full %dx%d"
                     % (left, top, iw, ih, width, height))
        if iflags & 0x80:
            p.append("image has a local colour table")
        if data[pos + 10] != 8:
            p.append("LZW minimum code size %d, expected 8" % data[pos + 10])
        pos += 11
        while pos < len(data) and data[pos]:
            pos += data[pos] + 1
        pos += 1
    if images != 1:
        p.append("%d image descriptors, expected 1" % images)
    if not p and Image is not None:
        try:
            im = Image.open(io.BytesIO(data))
            im.load()
            if im.size != (width, height) or getattr(im, "n_frames", 1) != 1:
                p.append("decodes to %dx%d with %d frames" % (im.size + (getattr(im, "n_frames", 1),)))
        except Exception as e:  # any decoder error is the finding
            p.append("does not decode: %s" % e)
    return p


def ico_problems(data):
    p = []
    if len(data) < 6 or struct.unpack_from("<HHH", data, 0)[:2] != (0, 1):
        return ["not an icon file"]
    count = u16(data, 4)
    sizes = []
    for i in range(count):
        e = 6 + 16 * i
        if e + 16 > len(data):
            return p + ["entry %d truncated" % i]
        w, h, colours, _, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, e)
        w, h = w or 256, h or 256
        sizes.append(w)
        if (w != h or planes != 1 or bpp != 32 or colours != 0):
            p.append("entry %d: %dx%d, %d planes, %d bits" % (i, w, h, planes, bpp))
        if offset + length > len(data):
            p.append("entry %d points past the end of the file" % i)
            continue
        img = data[offset:offset + length]
        if img[:8] == b"\x89PNG\r\n\x1a\n":
            p.append("entry %d is PNG, a DIB is expected" % i)
            continue
        hsize, dw, dh, dplanes, dbpp, comp = struct.unpack_from("<IiiHHI", img, 0)
        mask_stride = (w + 31) // 32 * 4
        if (hsize, dw, dh, dplanes, dbpp, comp) != (40, w, 2 * h, 1, 32, 0):
            p.append("entry %d: DIB header %r" % (i, (hsize, dw, dh, dplanes, dbpp, comp)))
        if length != 40 + w * h * 4 + mask_stride * h:
            p.append("entry %d: %d bytes, expected colour rows and AND mask" % (i, length))
    if sorted(sizes) != list(ICON_SIZES):
        p.append("icon sizes %r, expected %r" % (sorted(sizes), list(ICON_SIZES)))
    return p


def tsv_problems(text):
    rows = [l.split("\t") for l in text.splitlines() if l.strip()]
    if not rows or rows[0][:2] != ["no", "glyph"]:
        return ["content table has no 'no, glyph' header"]
    body = rows[1:]
    p = []
    missing = [c for c in ("articulation", "trap") if c not in rows[0]]
    if missing:
        return ["content table has no %s column" % " or ".join(missing)]
    trap = rows[0].index("trap")
    if len(body) != 48:
        p.append("%d symbols, expected 48" % len(body))
    for i, r in enumerate(body[:48]):
        if r[0] != str(i + 1) or r[1] != GLYPHS[i]:
            p.append("row %d is %r %r, expected %d %r" % (i + 1, r[0], r[1] if len(r) > 1 else "",
                                                         i + 1, GLYPHS[i]))
        if len(r) != len(rows[0]) or any(not c.strip() for c in r):
            p.append("row %d has empty or missing columns" % (i + 1))
        elif not r[trap].endswith("。") or r[trap].count("。") != 1:
            p.append("row %d: the trap is not one sentence" % (i + 1))
    return p


# ---------------------------------------------------------------- running

class Results:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def case(self, name, problems):
        if problems:
            self.failed += 1
            for msg in problems:
                print("FAIL %s: %s" % (name, msg))
        else:
            self.passed += 1


def read(path):
    with open(path, "rb") as f:
        return f.read()


def check_tree(root, res):
    assets = os.path.join(root, "media", "assets")
    for sub, ext in (("sound", ".wav"), ("card", ".gif")):
        want = ["%02d%s" % (n, ext) for n in range(1, 49)]
        folder = os.path.join(assets, sub)
        have = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
        res.case("%s files" % sub, [] if have == want else
                 ["expected exactly %s .. %s, found %d files (%s)" % (want[0], want[-1], len(have),
                                                                       ", ".join(sorted(set(have) ^ set(want))[:6]))])
    waves, cards = {}, {}
    for n in range(1, 49):
        path = os.path.join(assets, "sound", "%02d.wav" % n)
        if os.path.exists(path):
            waves[n] = read(path)
            res.case("sound %02d" % n, wav_problems(waves[n], n))
        path = os.path.join(assets, "card", "%02d.gif" % n)
        if os.path.exists(path):
            cards[n] = read(path)
            res.case("card %02d" % n, gif_problems(cards[n], CARD_W, CARD_H, SIZES[n][2]))
    res.case("sounds all differ", duplicates(waves, lambda b: b[44:44 + u32(b, 40)] if len(b) > 44 else b))
    for n, name, problems in ((E_SOUND, "e is open enough", e_problems),
                              (TR_SOUND, "tr is voiceless", tr_problems)):
        if n in waves and not wav_problems(waves[n], n):
            res.case("sound %02d: %s" % (n, name), problems(waves[n]))
    res.case("cards all differ", duplicates(cards, decoded_pixels))
    for name, (w, h, size) in PICTURES.items():
        path = os.path.join(assets, name)
        res.case(name, gif_problems(read(path), w, h, size) if os.path.exists(path) else ["missing"])
    path = os.path.join(assets, "app.ico")
    res.case("app.ico", ico_problems(read(path)) if os.path.exists(path) else ["missing"])
    path = os.path.join(assets, "cards.tsv")
    res.case("cards.tsv", tsv_problems(read(path).decode("utf-8")) if os.path.exists(path) else ["missing"])


def decoded_pixels(data):
    if Image is None:
        return data
    try:
        return Image.open(io.BytesIO(data)).convert("RGB").tobytes()
    except Exception:
        return data


def duplicates(items, key):
    seen = {}
    out = []
    for n, data in sorted(items.items()):
        k = key(data)
        if k in seen:
            out.append("%02d is the same as %02d" % (n, seen[k]))
        else:
            seen[k] = n
    return out


def set_u32(b, o, v):
    b = bytearray(b)
    struct.pack_into("<I", b, o, v)
    return bytes(b)


def check_damage(root, res):
    """Damaged copies of real files must each be caught."""
    assets = os.path.join(root, "media", "assets")
    try:
        wav1 = read(os.path.join(assets, "sound", "01.wav"))
        wav2 = read(os.path.join(assets, "sound", "02.wav"))
        wav20 = read(os.path.join(assets, "sound", "20.wav"))
        sound = {n: read(os.path.join(assets, "sound", "%02d.wav" % n))
                 for n in (E_SOUND, TR_SOUND, I_SOUND, DR_SOUND)}
        card = read(os.path.join(assets, "card", "01.gif"))
        ico = read(os.path.join(assets, "app.ico"))
    except OSError as e:
        res.case("damaged copies", ["cannot read the files to damage: %s" % e])
        return
    pad = 44 + u32(wav20, 40)
    wav_cases = [
        ("RIFF size off by one", 1, set_u32(wav1, 4, len(wav1) - 7)),
        ("one byte cut", 1, wav1[:-1]),
        ("sound 01 stored as 02", 2, wav1),
        ("16-bit header on 8-bit data", 1, wav1[:34] + b"\x10\x00" + wav1[36:]),
        ("data chunk moved", 1, wav1[:36] + b"junk" + wav1[40:]),
        ("pad byte not zero", 20, wav20[:pad] + b"\x01" + wav20[pad + 1:]),
        ("pad byte missing", 20, wav20[:pad] + wav20[pad + 1:] + b"\x00"),
        ("LIST renamed", 1, wav1.replace(b"LIST", b"JUNK")),
        ("silent samples", 1, wav1[:44] + b"\x80" * SIZES[1][1] + wav1[44 + SIZES[1][1]:]),
        ("noise in the closing silence", 1, wav1[:44 + SIZES[1][1] - 5] + b"\x81" + wav1[44 + SIZES[1][1] - 4:]),
        ("16-bit closing silence off zero", 2,
         wav2[:44 + SIZES[2][1] - 2] + b"\xff\xff" + wav2[44 + SIZES[2][1]:]),
    ]
    for name, n, data in wav_cases:
        res.case("damaged sound caught: " + name, [] if wav_problems(data, n) else ["not noticed"])
    # The samples of a neighbour in the place of e and of tr: i is far too
    # close a vowel, dr has a voiced r.
    for name, n, other, problems in (("i recorded as e", E_SOUND, I_SOUND, e_problems),
                                     ("dr recorded as tr", TR_SOUND, DR_SOUND, tr_problems)):
        size = u32(sound[n], 40)
        data = sound[n][:44] + sound[other][44:44 + size] + sound[n][44 + size:]
        res.case("wrong sound caught: " + name, [] if problems(data) else ["not noticed"])
    ext = b"\x21\xf9\x04\x01\x00\x00\x00\x00"
    gif_cases = [
        ("GIF89a signature", b"GIF89a" + card[6:]),
        ("extension block", card[:13 + 768] + ext + card[13 + 768:-len(ext)]),
        ("local colour table only", card[:10] + bytes([card[10] & 0x7F]) + card[11:]),
        ("trailer missing", card[:-1] + b"\x00"),
        ("wrong height", card[:8] + struct.pack("<H", 303) + card[10:]),
        ("LZW data damaged", card[:2000] + bytes(b ^ 0x5A for b in card[2000:2200]) + card[2200:]),
    ]
    for name, data in gif_cases:
        res.case("damaged card caught: " + name,
                 [] if gif_problems(data, CARD_W, CARD_H, SIZES[1][2]) else ["not noticed"])
    first = u32(ico, 6 + 12)
    ico_cases = [
        ("PNG entry", ico[:first] + b"\x89PNG\r\n\x1a\n" + ico[first + 8:]),
        ("8-bit entry", ico[:6 + 6] + struct.pack("<H", 8) + ico[6 + 8:]),
        ("entry missing", ico[:4] + struct.pack("<H", 3) + ico[6:]),
    ]
    for name, data in ico_cases:
        res.case("damaged icon caught: " + name, [] if ico_problems(data) else ["not noticed"])
    res.case("repeated card caught", [] if duplicates({1: card, 2: card}, decoded_pixels) else ["not noticed"])


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.dirname(os.path.dirname(
        os.path.dirname(os.path.abspath(__file__))))
    res = Results()
    check_tree(root, res)
    check_damage(root, res)
    print("%d passed, %d failed" % (res.passed, res.failed))
    return 1 if res.failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

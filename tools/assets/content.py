"""The content table (media/assets/cards.tsv) and the fixed sizes the program
embeds its media with."""

import csv
import os
from dataclasses import dataclass

KINDS = {"plosive", "affricate", "cluster", "fricative", "nasal", "lateral",
         "glide", "long", "short", "diphthong"}

# Entries recorded at 22050 Hz, 16 bits; all others are 8-bit 11025 Hz.
WIDE_ENTRIES = {2, 10, 11, 21, 22}

# The chart's voiceless consonants (its 清辅音 rows) are symbols 1 to 11.
LAST_VOICELESS = 11

# symbol: (WAV file bytes, data chunk bytes, card GIF bytes)
SIZES = {
    1: (11902, 11784, 8863), 2: (96116, 95998, 8349), 3: (13438, 13320, 8188),
    4: (12414, 12296, 8228), 5: (11390, 11272, 9993), 6: (15486, 15368, 9267),
    7: (16510, 16392, 10240), 8: (9854, 9736, 7955), 9: (12414, 12296, 8494),
    10: (16500, 16384, 7518), 11: (22644, 22528, 7772), 12: (14128, 14010, 9375),
    13: (18046, 17928, 8790), 14: (6782, 6664, 7921), 15: (17534, 17416, 8095),
    16: (11902, 11784, 9672), 17: (19070, 18952, 8301), 18: (15998, 15880, 9185),
    19: (20094, 19976, 9240), 20: (11428, 11309, 8573), 21: (21620, 21504, 7562),
    22: (23668, 23552, 7828), 23: (16510, 16392, 8574), 24: (21630, 21512, 8467),
    25: (15998, 15880, 8242), 26: (12498, 12380, 7657), 27: (18558, 18440, 9134),
    28: (20606, 20488, 8390), 29: (13950, 13832, 8745), 30: (14496, 14378, 7835),
    31: (11490, 11372, 7724), 32: (17568, 17450, 8058), 33: (8830, 8712, 8314),
    34: (10878, 10760, 8356), 35: (8528, 8410, 7939), 36: (12002, 11884, 7894),
    37: (8930, 8812, 7499), 38: (11390, 11272, 8047), 39: (8318, 8200, 7422),
    40: (7806, 7688, 7612), 41: (11926, 11807, 7601), 42: (14462, 14344, 7963),
    43: (13950, 13832, 7812), 44: (13950, 13832, 7673), 45: (14974, 14856, 7547),
    46: (12414, 12296, 7996), 47: (11390, 11272, 7956), 48: (12926, 12808, 7882),
}

CARD_SIZE = (300, 304)
PICTURES = {  # name: (width, height, file bytes)
    "chart": (530, 459, 41082),
    "logo": (350, 195, 21312),
    "portrait": (150, 150, 20102),
}
ICON_SIZES = (16, 24, 32, 48)


@dataclass
class Symbol:
    no: int
    glyph: str          # as printed on the chart and the card
    ipa: str            # modern IPA value of the phoneme
    kind: str           # manner, decides how the sound is shaped
    voice: str          # espeak-ng voice
    espeak: str         # espeak-ng phoneme input, without the [[ ]]
    letters: list       # [(letter group, example word), ...]
    articulation: str   # Chinese description of how the sound is made
    trap: str           # the learner's most likely mistake with it, one sentence

    @property
    def paragraph(self):
        """The card's text: how the sound is made, then the trap."""
        return self.articulation + self.trap

    @property
    def voiceless(self):
        return self.no <= LAST_VOICELESS

    @property
    def wide(self):
        return self.no in WIDE_ENTRIES

    @property
    def bits(self):
        return 16 if self.wide else 8

    @property
    def rate(self):
        return 22050 if self.wide else 11025

    @property
    def wav_bytes(self):
        return SIZES[self.no][0]

    @property
    def pcm_bytes(self):
        return SIZES[self.no][1]

    @property
    def gif_bytes(self):
        return SIZES[self.no][2]


def repo_root():
    return os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def load(path=None):
    path = path or os.path.join(repo_root(), "media", "assets", "cards.tsv")
    symbols = []
    with open(path, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f, delimiter="\t", quoting=csv.QUOTE_NONE))
    for line, row in enumerate(rows, start=2):
        def bad(msg):
            return ValueError("%s:%d: %s" % (path, line, msg))
        try:
            no = int(row["no"])
        except (TypeError, ValueError):
            raise bad("symbol number missing")
        if no != len(symbols) + 1:
            raise bad("symbols must be numbered 1, 2, ... in order")
        if row["kind"] not in KINDS:
            raise bad("unknown kind %r" % row["kind"])
        letters = []
        for item in row["letters"].split(";"):
            parts = item.split()
            if len(parts) != 2:
                raise bad("letter combination %r is not 'letters word'" % item.strip())
            letters.append((parts[0], parts[1]))
        text = (row.get("articulation") or "").strip()
        if not text:
            raise bad("articulation text missing")
        trap = (row.get("trap") or "").strip()
        if not trap:
            raise bad("trap sentence missing")
        symbols.append(Symbol(no, row["glyph"].strip(), row["ipa"].strip(), row["kind"],
                              row["voice"].strip(), row["espeak"].strip(), letters, text, trap))
    if len(symbols) != 48:
        raise ValueError("%s: expected 48 symbols, found %d" % (path, len(symbols)))
    return symbols

"""The words to listen to: every example word of the cards and the minimal
pairs of media/assets/practice.tsv, and the check that each word holds the
sound it stands for.

A word's transcription comes from the voice itself (espeak-ng -x) and is
turned into symbol numbers through PHONEMES; t+s, d+z, t+r and d+r are one
unit each, as on the chart. A card word must contain its symbol; the two
words of a pair must have transcriptions of the same length that differ in
exactly one unit, the first word's symbol against the second's.
"""

import csv
import os
import subprocess
from dataclasses import dataclass, field

import content

# espeak-ng's English phoneme names (its -x output) and the symbols they are
# on the chart. Vowels that espeak-ng tells apart by position or r-colour
# fall together here: i and I2 are i, A@ and aa are ɑː, O@ is ɔː, a# is ə.
PHONEMES = {
    "p": (1,), "t": (2,), "k": (3,), "f": (4,), "T": (5,), "s": (6,), "S": (7,), "h": (8,),
    "tS": (9,), "b": (12,), "d": (13,), "g": (14,), "v": (15,), "D": (16,), "z": (17,),
    "Z": (18,), "r": (19,), "dZ": (20,), "j": (23,), "w": (24,), "m": (25,), "n": (26,),
    "N": (27,), "l": (28,),
    "i:": (29,), "3:": (30,), "A:": (31,), "A@": (31,), "aa": (31,), "O:": (32,), "O@": (32,),
    "u:": (33,), "I": (34,), "I2": (34,), "I#": (34,), "i": (34,), "e": (35,), "E": (35,),
    "a": (36,), "@": (37,), "@2": (37,), "@5": (37,), "a#": (37,), "V": (38,), "0": (39,),
    "U": (40,), "eI": (41,), "aI": (42,), "OI": (43,), "oU": (44,), "@U": (44,), "aU": (45,),
    "i@": (46,), "i@3": (46,), "e@": (47,), "U@": (48,),
    "@L": (37, 28), "aI@": (42, 37), "aU@": (45, 37),
}
# Two symbols heard as one unit: (first, second) -> the unit's symbol.
UNITS = {(2, 6): 10, (13, 17): 21, (2, 19): 11, (13, 19): 22}
# Marks in espeak-ng's output that are not phonemes: stress and syllables.
MARKS = "',%=_|"

GLYPHS = ("p t k f θ s ʃ h tʃ ts tr b d g v ð z ʒ r dʒ dz dr j w m n ŋ l "
          "iː əː ɑː ɔː uː i e æ ə ʌ ɔ u ei ai ɔi əu au iə ɛə uə").split()


def glyph(symbol):
    return GLYPHS[symbol - 1]


@dataclass
class Use:
    """A word standing for one symbol, with the letters that carry it."""
    word: str
    letters: str
    symbol: int

    @property
    def letters_at(self):
        """Where the letters start in the word (the first place they occur)."""
        return self.word.lower().find(self.letters.lower())


@dataclass
class Pair:
    first: Use
    second: Use


@dataclass
class Check:
    """What the check found for one word in one voice."""
    phonemes: list                  # espeak-ng's names, marks removed
    symbols: list                   # the units as symbol numbers
    unknown: list = field(default_factory=list)


def card_uses(symbols):
    return [Use(word, letters, sym.no) for sym in symbols for letters, word in sym.letters]


def load_pairs(path=None):
    path = path or os.path.join(content.repo_root(), "media", "assets", "practice.tsv")
    pairs = []
    with open(path, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f, delimiter="\t", quoting=csv.QUOTE_NONE))
    for line, row in enumerate(rows, start=2):
        try:
            first = Use(row["word1"].strip(), row["letters1"].strip(), int(row["symbol1"]))
            second = Use(row["word2"].strip(), row["letters2"].strip(), int(row["symbol2"]))
        except (TypeError, ValueError, AttributeError):
            raise ValueError("%s:%d: a pair needs word, letters and symbol number twice" % (path, line))
        for use in (first, second):
            if not 1 <= use.symbol <= 48:
                raise ValueError("%s:%d: symbol %d is not 1..48" % (path, line, use.symbol))
            if not use.word.isascii() or not use.word.replace("'", "").isalpha():
                raise ValueError("%s:%d: %r is not a plain word" % (path, line, use.word))
            if use.letters_at < 0:
                raise ValueError("%s:%d: %r is not in %r" % (path, line, use.letters, use.word))
        if first.symbol == second.symbol or first.word == second.word:
            raise ValueError("%s:%d: the two words of a pair must differ" % (path, line))
        pairs.append(Pair(first, second))
    return pairs


def split_phonemes(text):
    """espeak-ng's -x output written with --sep=_ as a list of phoneme
    names, stress and syllable marks left out."""
    out = []
    for part in text.strip().split("_"):
        name = part.strip(MARKS + " ")
        if name:
            out.append(name)
    return out


def to_symbols(phonemes):
    """(symbol numbers, phonemes that have none). Pairs of UNITS merge."""
    symbols, unknown = [], []
    for name in phonemes:
        if name not in PHONEMES:
            unknown.append(name)
            continue
        for s in PHONEMES[name]:
            if symbols and (symbols[-1], s) in UNITS:
                symbols[-1] = UNITS[(symbols[-1], s)]
            else:
                symbols.append(s)
    return symbols, unknown


def transcribe(word, voice):
    r = subprocess.run(["espeak-ng", "-q", "-x", "--sep=_", "-v", voice, word],
                       capture_output=True, check=True)
    phonemes = split_phonemes(r.stdout.decode("utf-8"))
    symbols, unknown = to_symbols(phonemes)
    return Check(phonemes, symbols, unknown)


def use_problem(use, check):
    """Why a card word fails in one voice, or None."""
    if check.unknown:
        return "unknown phonemes %s" % " ".join(check.unknown)
    if use.symbol not in check.symbols:
        return "no %s in [%s]" % (glyph(use.symbol), " ".join(glyph(s) for s in check.symbols))
    return None


def pair_problem(pair, first, second):
    """Why a pair fails in one voice, or None: the two transcriptions must
    differ in exactly one unit, the first word's symbol against the second's."""
    for check in (first, second):
        if check.unknown:
            return "unknown phonemes %s" % " ".join(check.unknown)
    a, b = first.symbols, second.symbols
    if len(a) != len(b):
        return "%d units against %d" % (len(a), len(b))
    diff = [(x, y) for x, y in zip(a, b) if x != y]
    if diff != [(pair.first.symbol, pair.second.symbol)]:
        return "differ in %s" % (", ".join("%s/%s" % (glyph(x), glyph(y)) for x, y in diff) or "nothing")
    return None

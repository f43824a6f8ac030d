#!/usr/bin/python3
"""Turns media/assets/words.tsv into the program's word tables, and has the
assembler take media/assets/words.bin in as it is (.incbin), so that the
megabytes of coded words never pass through the compiler as text.

Usage: embed_words.py WORDS_TSV WORDS_BIN TABLES.cpp BLOB.cpp
Fails, naming the line, when the index does not fit the blob or itself.
"""
import os
import sys


class WordsIndexError(Exception):
    pass


def read_index(tsv, blob_size):
    words, cards, pairs = [], [], []
    voices = None
    for no, line in enumerate(open(tsv, encoding="ascii"), start=1):
        line = line.rstrip("\n")
        if not line or line.startswith("#"):
            continue
        f = line.split("\t")

        def bad(msg):
            return WordsIndexError("%s:%d: %s" % (tsv, no, msg))
        if f[0] == "voices":
            voices = int(f[1])
        elif f[0] == "rate":
            if f[1] != "16000":
                raise bad("words must be stored at 16000 Hz")
        elif f[0] == "word":
            text, units, spans = f[1], [int(u) for u in f[2].split()], f[3].split()
            if not text.isascii() or not text.replace("'", "").isalpha():
                raise bad("word %r is not ASCII letters (and apostrophes)" % text)
            if voices is None or len(spans) != voices + 1:
                raise bad("%d renditions, expected %d" % (len(spans), voices + 1))
            spans = [tuple(int(x) for x in s.split(":")) for s in spans]
            for offset, size, samples in spans:
                if offset + size > blob_size or size < 1 + (samples + 1) // 2:
                    raise bad("rendition %d:%d:%d does not fit the blob" % (offset, size, samples))
            if not units or any(not 1 <= u <= 48 for u in units):
                raise bad("units must be symbol numbers 1..48")
            if words and words[-1][0] >= text:
                raise bad("words must be sorted and each once")
            words.append((text, units, spans))
        elif f[0] == "card":
            cards.append((int(f[1]), f[2], f[3]))
        elif f[0] == "pair":
            pairs.append(((f[1], f[2], int(f[3])), (f[4], f[5], int(f[6]))))
        else:
            raise bad("unknown row %r" % f[0])
    if voices is None:
        raise WordsIndexError("%s: no voices row" % tsv)
    return voices, words, cards, pairs


def cpp_string(s):
    return '"%s"' % s.replace("\\", "\\\\").replace('"', '\\"')


def main():
    tsv, blob, output, blob_output = sys.argv[1:5]
    blob_size = os.path.getsize(blob)
    voices, words, cards, pairs = read_index(tsv, blob_size)
    index = {w[0]: i for i, w in enumerate(words)}

    def use(word, letters, symbol):
        if word not in index:
            raise WordsIndexError("%s: %s is not among the words" % (tsv, word))
        at = word.lower().find(letters.lower())
        if at < 0 or not 1 <= symbol <= 48:
            raise WordsIndexError("%s: %s %s %d" % (tsv, word, letters, symbol))
        return "{%d, %d, %s, %d}" % (index[word], symbol, cpp_string(letters), at)

    out = ["// Generated from media/assets/words.tsv by cmake/embed_words.py. Do not edit.",
           '#include "media/words_data.h"', "",
           "namespace pelomar::words_data {", "",
           'static_assert(kWordVoices == %d, "media/words.h and words.tsv differ in their voices");' % voices, "",
           "// constinit: tables, not start-up code (and a compiler left to choose",
           "// may build them at run time, slowly to compile as well).", ""]
    units, starts = [], []
    for _, u, _ in words:
        starts.append(len(units))
        units += u
    out.append("constinit const unsigned char kUnits[] = {%s};" % ",".join(str(u) for u in units))
    out.append("const int kWordCount = %d;" % len(words))
    out.append("constinit const StoredWord kWords[] = {")
    for (text, u, spans), start in zip(words, starts):
        out.append("    {%s, %d, %d, {%s}, {%s}, {%s}}," % (
            cpp_string(text), start, len(u), ", ".join(str(s[0]) for s in spans),
            ", ".join(str(s[1]) for s in spans), ", ".join(str(s[2]) for s in spans)))
    out.append("};")
    cards.sort(key=lambda c: c[0])  # stable: the card's order within a symbol
    start = [0] * 49
    for symbol, _, _ in cards:
        start[symbol] += 1
    for n in range(1, 49):
        start[n] += start[n - 1]
    out.append("const int kCardWordCount = %d;" % len(cards))
    out.append("constinit const WordUse kCardWords[] = {%s};" % ",\n    ".join(use(w, l, s) for s, l, w in cards))
    out.append("constinit const std::uint16_t kCardWordStart[49] = {%s};" % ", ".join(str(s) for s in start))
    out.append("const int kPairCount = %d;" % len(pairs))
    out.append("constinit const MinimalPair kPairs[] = {%s};" % ",\n    ".join("{%s, %s}" % (use(*a), use(*b)) for a, b in pairs))
    out.append("")
    out.append("std::uint32_t blobSize() { return %d; }" % blob_size)
    out.append("")
    out.append("}  // namespace pelomar::words_data")
    write(output, out)
    write(blob_output, blob_source(blob))
    return 0


def blob_source(blob):
    """A source of nothing but the blob, in a read-only section of its own:
    the compiler's own output never follows the assembler's section change.
    The label bypasses the C symbol prefix that 32-bit Windows adds, since
    both sides use the same assembler name."""
    path = os.path.abspath(blob).replace("\\", "/")
    if any(c in path for c in '"\n'):
        raise WordsIndexError("%s: the assembler cannot take this path" % path)
    return ["// Generated by cmake/embed_words.py. Do not edit.",
            '#include "media/words_data.h"', "",
            "#if defined(_WIN32)",
            'asm(".section .rdata$pelomar_words,\\"dr\\"\\n"',
            "#else",
            'asm(".section .rodata.pelomar_words,\\"a\\"\\n"',
            "#endif",
            '    ".balign 16\\n"',
            '    "pelomar_words_blob:\\n"',
            '    ".incbin \\"%s\\"\\n"' % path,
            '    ".text\\n");',
            "",
            'extern "C" const unsigned char pelomarWordsBlob[] asm("pelomar_words_blob");',
            "const unsigned char* pelomar::words_data::blob() { return pelomarWordsBlob; }"]


def write(path, lines):
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(tmp, path)


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (WordsIndexError, ValueError, OSError) as e:
        sys.stderr.write("embed_words: %s\n" % e)
        sys.exit(1)

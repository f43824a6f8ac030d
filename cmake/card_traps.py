#!/usr/bin/python3
"""Writes the trap sentence of every card (the `trap` column of
media/assets/cards.tsv, the one place they are kept) as a C++ header of
UTF-16 constants, indexed by symbol number less one.

Usage: card_traps.py CARDS.tsv OUTPUT.h

Fails, naming the row, on a table without the column, a row out of order,
or an empty sentence. The sentences are shown through the wide functions
only, so they may hold what GBK cannot (the phonetic symbols they name).
"""
import csv
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gbk_texts import wide_literal  # noqa: E402

SYMBOLS = 48


def traps(path):
    with open(path, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f, delimiter="\t", quoting=csv.QUOTE_NONE))
    if not rows or "trap" not in rows[0] or "no" not in rows[0]:
        raise ValueError("%s: no 'no' and 'trap' columns" % path)
    out = []
    for number, row in enumerate(rows, 1):
        if row["no"] != str(number):
            raise ValueError("%s: row %d is symbol %r" % (path, number, row["no"]))
        sentence = (row["trap"] or "").strip()
        if not sentence:
            raise ValueError("%s: symbol %d has no trap sentence" % (path, number))
        if any(ord(ch) < 0x20 for ch in sentence):
            raise ValueError("%s: symbol %d: a control character in the sentence" % (path, number))
        out.append(sentence)
    if len(out) != SYMBOLS:
        raise ValueError("%s: %d symbols, expected %d" % (path, len(out), SYMBOLS))
    return out


def header(sentences):
    lines = ["// Generated from media/assets/cards.tsv by cmake/card_traps.py. Do not edit.\n",
             "// The trap sentence of each symbol's card, shown after a wrong answer.\n",
             "#pragma once\n\n#include <array>\n#include <string_view>\n\nnamespace pelomar::text {\n\n",
             "inline constexpr std::array<std::wstring_view, %d> kCardTraps = {{\n" % SYMBOLS]
    for n, s in enumerate(sentences, 1):
        lines.append("    %s,  // %d\n" % (wide_literal(s), n))
    lines.append("}};\n\n}  // namespace pelomar::text\n")
    return "".join(lines)


def main():
    source, output = sys.argv[1:3]
    try:
        text = header(traps(source))
    except ValueError as e:
        sys.stderr.write("%s\n" % e)
        return 1
    tmp = output + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, output)
    return 0


if __name__ == "__main__":
    sys.exit(main())

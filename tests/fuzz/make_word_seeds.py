#!/usr/bin/env python3
"""Writes the seed corpus of the word decoder: three real renditions (a short
word in each of two voices and a slow one) and a few small damaged ones (no
step byte, a step index past the table, fewer nibbles than samples asked
for, an odd count). Each seed is the sample count (u16) and the coded bytes.
Run from anywhere; rewrites corpus/word_decoder/."""
import pathlib
import shutil
import struct

HERE = pathlib.Path(__file__).resolve().parent
ASSETS = HERE.parent.parent / "media" / "assets"
OUT = HERE / "corpus" / "word_decoder"


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    OUT.mkdir(parents=True)
    blob = (ASSETS / "words.bin").read_bytes()
    rows = [line.split("\t") for line in (ASSETS / "words.tsv").read_text().splitlines() if line.startswith("word\t")]
    spans = {r[1]: [tuple(int(x) for x in s.split(":")) for s in r[3].split()] for r in rows}
    for name, word, rendition in (("go-0", "go", 0), ("go-1", "go", 1), ("he-slow", "he", -1)):
        offset, size, count = spans[word][rendition]
        (OUT / name).write_bytes(struct.pack("<H", count) + blob[offset:offset + size])
    seeds = {
        "empty": struct.pack("<H", 0),
        "no-step": struct.pack("<H", 4),
        "step-89": struct.pack("<H", 2) + bytes([89, 0x77]),
        "short": struct.pack("<H", 9) + bytes([0, 0x77, 0x77]),
        "odd-count": struct.pack("<H", 3) + bytes([0, 0x77, 0x07]),
        "saturate": struct.pack("<H", 400) + bytes([88]) + bytes([0x77]) * 200,
    }
    for name, data in seeds.items():
        (OUT / name).write_bytes(data)


if __name__ == "__main__":
    main()

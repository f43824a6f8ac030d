#!/usr/bin/env python3
"""Writes the seed corpus of the WAV chunk walk: the program's 48 sounds and a
set of small damaged images (cut short, lying sizes, odd chunks, chunks out of
order, empty or missing data). Run from anywhere; rewrites corpus/wav_chunks/."""
import pathlib
import shutil
import struct

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
OUT = HERE / "corpus" / "wav_chunks"


def chunk(cid, body, size=None, pad=True):
    head = cid + struct.pack("<I", len(body) if size is None else size)
    return head + body + (b"\0" if pad and len(body) % 2 else b"")


def fmt(rate=11025, bits=8, extra=None, extra_size=None):
    body = struct.pack("<HHIIHH", 1, 1, rate, rate * bits // 8, bits // 8, bits)
    if extra is not None:
        body += struct.pack("<H", len(extra) if extra_size is None else extra_size) + extra
    return chunk(b"fmt ", body)


def data(n, size=None):
    return chunk(b"data", bytes((i * 37) & 0xFF for i in range(n)), size)


def riff(*chunks, size=None, form=b"WAVE"):
    body = b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body) + 4 if size is None else size) + form + body


LIST = chunk(b"LIST", b"INFOISFT" + struct.pack("<I", 10) + b"Pelomar\0\0\0")

SEEDS = {
    "plain": riff(fmt(), data(40), LIST),
    "sixteen-bit": riff(fmt(22050, 16), data(64), LIST),
    "data-first": riff(data(40), LIST, fmt()),
    "odd-data-then-list": riff(fmt(), data(41), LIST),
    "odd-list-first": riff(chunk(b"LIST", b"INFOabc"), fmt(), data(40)),
    "odd-list-unpadded": riff(chunk(b"LIST", b"INFOabc", pad=False), fmt(), data(40)),
    "two-formats": riff(fmt(), fmt(22050, 16), data(64)),
    "two-data": riff(data(10), data(20), fmt()),
    "empty-data": riff(fmt(), data(0)),
    "no-data": riff(fmt(), LIST),
    "no-format": riff(data(40), LIST),
    "short-format": riff(chunk(b"fmt ", b"\1\0\1\0\x11\x2b"), data(40)),
    "extended-format": riff(fmt(extra=b"\7\7"), data(40)),
    "extra-size-lies": riff(fmt(extra=b"\7\7", extra_size=4), data(40)),
    "data-size-too-big": riff(fmt(), data(40, size=0xFFFFFFF0)),
    "chunk-size-too-big": riff(fmt(), chunk(b"junk", b"x" * 8, size=0xFFFFFFFE), data(40)),
    "riff-size-zero": riff(fmt(), data(40), size=0),
    "riff-size-short": riff(fmt(), data(40), size=30),
    "riff-size-huge": riff(fmt(), data(40), size=0xFFFFFFFF),
    "header-cut": riff(fmt()) + b"data\x10\0",
    "cut-35": riff(fmt(), data(40))[:35],
    "cut-44": riff(fmt(), data(40))[:44],
    "cut-in-data": riff(fmt(), data(40))[:60],
    "not-wave": riff(fmt(), data(40), form=b"AVI "),
}


def main():
    if OUT.exists():
        shutil.rmtree(OUT)
    OUT.mkdir(parents=True)
    for wav in sorted((ROOT / "media" / "assets" / "sound").glob("*.wav")):
        shutil.copyfile(wav, OUT / f"sound-{wav.name}")
    for name, image in SEEDS.items():
        (OUT / f"{name}.wav").write_bytes(image)


if __name__ == "__main__":
    main()

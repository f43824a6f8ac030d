"""RIFF WAVE writer for the symbol sounds: mono PCM, the fmt chunk at offset
12, the data chunk at offset 36, then a LIST/INFO chunk with fixed texts."""

import struct

CREATION_DATE = "2024-05-11"
ENGINEER = "Pelomar"
# The INFO list is 66 bytes for single phonemes and 64 bytes for the four
# consonant clusters; the software tag tells the two sets apart.
SOFTWARE = {66: "Pelomar phonemes", 64: "Pelomar cluster"}


def _sub_chunk(tag, text):
    body = text.encode("ascii") + b"\x00"
    out = tag + struct.pack("<I", len(body)) + body
    if len(body) % 2:
        out += b"\x00"
    return out


def info_list(body_size):
    """The LIST chunk (header included) whose body is body_size bytes."""
    body = b"INFO"
    body += _sub_chunk(b"ICRD", CREATION_DATE)
    body += _sub_chunk(b"IENG", ENGINEER)
    body += _sub_chunk(b"ISFT", SOFTWARE[body_size])
    assert len(body) == body_size, (len(body), body_size)
    return b"LIST" + struct.pack("<I", len(body)) + body


def build(samples, bits, rate, info_size):
    """samples: bytes already in the target sample format."""
    if bits not in (8, 16):
        raise ValueError("8 or 16 bits only")
    block = bits // 8
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * block, block, bits)
    data = bytes(samples)
    out = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    out += b"data" + struct.pack("<I", len(data)) + data
    if len(data) % 2:
        out += b"\x00"
    out += info_list(info_size)
    return b"RIFF" + struct.pack("<I", len(out)) + out


def info_size_for(wav_bytes, pcm_bytes):
    """The INFO body size implied by a file length and a data length."""
    return wav_bytes - 44 - pcm_bytes - (pcm_bytes % 2) - 8

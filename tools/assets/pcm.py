"""Quantisation of the finished sounds to the stored sample formats.

Plain rounding to 8 bits turns the quiet ends of fades and decays into a
few coarse steps that follow the signal: a harsh distortion rather than a
hiss. Adding triangular (TPDF) dither of +-1 step before rounding makes the
error a steady noise that does not depend on the signal. The dither comes
from a seeded generator, so the bytes are the same on every run, and it is
left out wherever the sound is meant to be silent: those samples are written
as exactly the zero level (128 for 8-bit, 0 for 16-bit).
"""

import math
import struct

import dsp


def steps(bits):
    """(quantisation steps per unit of full scale, lowest, highest code)."""
    if bits == 8:
        return 128.0, -128, 127
    if bits == 16:
        return 32768.0, -32768, 32767
    raise ValueError("8 or 16 bits only")


def quantise(samples, bits, silent, seed, dither=True, shaping=0.0):
    """PCM bytes (8-bit unsigned or 16-bit signed little-endian) of float
    samples with full scale 1.0.

    silent: per sample, True where the sound is meant to be silent.
    shaping: first-order error feedback (0 none, 1 full), which moves the
    noise toward the top of the band; measured, see the sound report.
    """
    if len(silent) != len(samples):
        raise ValueError("silence mask of %d for %d samples" % (len(silent), len(samples)))
    scale, lo, hi = steps(bits)
    noise = dsp.Noise(seed)
    codes = []
    err = 0.0
    for v, quiet in zip(samples, silent):
        if quiet:
            codes.append(0)
            err = 0.0
            continue
        want = v * scale - shaping * err
        d = noise.uniform() - noise.uniform() if dither else 0.0
        q = min(hi, max(lo, int(math.floor(want + d + 0.5))))
        err = q - want
        codes.append(q)
    if bits == 8:
        return bytes(q + 128 for q in codes)
    return struct.pack("<%dh" % len(codes), *codes)

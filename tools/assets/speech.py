"""Speech measures of the sounds, in plain Python: formants by linear
prediction (LPC) and voicing by the periodicity of the low band.

They say whether a recording is the sound its card names: how open a vowel
is (its first formant) and how long a consonant cluster is voiced. The
generator reports them, and the asset checks hold the sounds to them.
"""

import cmath
import math

import dsp

# ---------------------------------------------------------------- LPC

LPC_FRAME_MS = 30
LPC_HOP_MS = 10
PRE_EMPHASIS_HZ = 50          # first-order pre-emphasis from about here up
MIN_FORMANT_HZ = 90
MAX_BANDWIDTH_HZ = 600        # wider resonances shape the tilt, not a formant
LOUD_SHARE = 0.3              # frames quieter than this (of the loudest, RMS) are left out


def lpc(frame, order):
    """(prediction coefficients [1, a1, ..., ap], energy of the prediction
    error) of a windowed frame by the autocorrelation method
    (Levinson-Durbin recursion)."""
    n = len(frame)
    r = [sum(frame[i] * frame[i + k] for i in range(n - k)) for k in range(order + 1)]
    if r[0] <= 0.0:
        return [1.0] + [0.0] * order, 0.0
    r[0] *= 1.0 + 1e-9        # a touch of white noise keeps the recursion stable
    a = [1.0] + [0.0] * order
    err = r[0]
    for i in range(1, order + 1):
        k = -sum(a[j] * r[i - j] for j in range(i)) / err
        a = [a[j] + k * a[i - j] if 0 < j < i else a[j] for j in range(order + 1)]
        a[i] = k
        err *= 1.0 - k * k
    return a, err


def roots(coeffs, iterations=500):
    """All complex roots of the polynomial c0 z^p + c1 z^(p-1) + ... + cp
    (c0 != 0), by the Aberth-Ehrlich iteration."""
    c = [complex(v) / coeffs[0] for v in coeffs]
    p = len(c) - 1
    if p < 1:
        return []
    # Start on a circle a little inside the largest root's bound.
    radius = 1 + max(abs(v) for v in c[1:])
    z = [0.9 * min(radius, 1.5) * cmath.exp(1j * (2 * math.pi * k / p + 0.4)) for k in range(p)]
    d = [(p - i) * c[i] for i in range(p)]
    for _ in range(iterations):
        biggest = 0.0
        for k in range(p):
            val = c[0]
            for v in c[1:]:
                val = val * z[k] + v
            der = d[0]
            for v in d[1:]:
                der = der * z[k] + v
            if val == 0:
                continue
            ratio = val / der if der != 0 else complex(1e-3)
            rep = sum(1.0 / (z[k] - z[j]) for j in range(p) if j != k and z[k] != z[j])
            step = ratio / (1 - ratio * rep)
            z[k] -= step
            biggest = max(biggest, abs(step))
        if biggest < 1e-12:
            break
    return z


def frame_formants(frame, rate, order=None):
    """[(Hz, bandwidth Hz)] of the resonances of one frame, lowest first."""
    order = order or 2 + int(rate / 1000)
    emph = math.exp(-2 * math.pi * PRE_EMPHASIS_HZ / rate)
    x = [frame[i] - emph * frame[i - 1] if i else frame[0] for i in range(len(frame))]
    n = len(x)
    x = [v * (0.54 - 0.46 * math.cos(2 * math.pi * i / (n - 1))) for i, v in enumerate(x)]
    out = []
    for z in roots(lpc(x, order)[0]):
        if z.imag <= 0:
            continue
        hz = cmath.phase(z) * rate / (2 * math.pi)
        bw = -math.log(max(abs(z), 1e-9)) * rate / math.pi
        if hz >= MIN_FORMANT_HZ and bw <= MAX_BANDWIDTH_HZ and hz < rate / 2 - 50:
            out.append((hz, bw))
    return sorted(out)


def vowel_formants(samples, rate, span=None, part=(0.25, 0.75)):
    """Median (F1, F2) in Hz over part of a vowel: of its stretch of sound
    (start, end sample indices; default the whole), the frames whose
    middle lies between the two fractions `part` of its length and that
    are at least LOUD_SHARE as loud as its loudest frame. None when no frame
    shows two formants."""
    a, b = span or (0, len(samples))
    frame, hop = int(rate * LPC_FRAME_MS / 1000), int(rate * LPC_HOP_MS / 1000)
    starts = list(range(a, max(a + 1, b - frame + 1), hop))
    loud = [_rms(samples[s:s + frame]) for s in starts]
    top = max(loud)
    lo, hi = a + part[0] * (b - a), a + part[1] * (b - a)
    f1, f2 = [], []
    for s, e in zip(starts, loud):
        if e >= LOUD_SHARE * top and lo <= s + frame // 2 <= hi:
            f = frame_formants(samples[s:s + frame], rate)
            if len(f) >= 2:
                f1.append(f[0][0])
                f2.append(f[1][0])
    if not f1:
        return None
    return _median(f1), _median(f2)


# ---------------------------------------------------------------- voicing

VOICE_BAND_HZ = (60, 900)     # the periodicity is looked for in this band
VOICE_FRAME_MS = 30
VOICE_HOP_MS = 5
PITCH_RANGE_HZ = (70, 300)
# Normalised autocorrelation a voiced frame reaches at its period and at
# twice its period. Noise through a narrow resonance can repeat itself
# once by chance; a voice goes on repeating.
VOICED_CORRELATION = (0.6, 0.5)
VOICED_LEVEL = 0.03           # frames quieter than this share of the loudest are not voiced


def voicing(samples, rate):
    """(hop in ms, per frame True where the sound is voiced): frame k is
    centred on k hops. A frame is voiced when its VOICE_BAND_HZ band
    repeats itself at a period in PITCH_RANGE_HZ and at twice that period
    (VOICED_CORRELATION) and is not near silence."""
    x = samples
    for f in (dsp.highpass(VOICE_BAND_HZ[0], rate), dsp.lowpass(VOICE_BAND_HZ[1], rate)):
        x = dsp.biquad(dsp.biquad(x, f), f)
    step = max(1, rate // 5000)               # periodicity needs no more than this
    x, r = x[::step], rate / float(step)
    frame, hop = int(r * VOICE_FRAME_MS / 1000), max(1, int(r * VOICE_HOP_MS / 1000))
    lo, hi = int(r / PITCH_RANGE_HZ[1]), int(r / PITCH_RANGE_HZ[0]) + 1
    count = (len(x) + hop - 1) // hop
    x = [0.0] * (frame // 2) + x + [0.0] * (frame + 2 * hi + 2)
    level = [_rms(x[k * hop:k * hop + frame]) for k in range(count)]
    top = max(level) if level else 0.0
    out = []
    for k, e in enumerate(level):
        if top <= 0.0 or e < VOICED_LEVEL * top:
            out.append(False)
            continue
        s = k * hop
        a = x[s:s + frame]
        energy = sum(p * p for p in a)

        def corr(lag):
            b = x[s + lag:s + lag + frame]
            norm = math.sqrt(energy * sum(q * q for q in b))
            return sum(p * q for p, q in zip(a, b)) / norm if norm > 0.0 else 0.0

        once, twice = VOICED_CORRELATION
        best = max(range(lo, hi), key=corr)
        out.append(corr(best) >= once and max(corr(2 * best + d) for d in (-1, 0, 1)) >= twice)
    return hop * 1000.0 / r, out


def voiced_stretch_ms(samples, rate):
    """Length of the longest run of voiced frames, in ms."""
    hop_ms, frames = voicing(samples, rate)
    longest = run = 0
    for v in frames:
        run = run + 1 if v else 0
        longest = max(longest, run)
    return longest * hop_ms


def stretches(s, rate, level):
    """[(first, last)] sample ranges of sound, parted by at least 20 ms of
    samples at or below level."""
    out = []
    gap = int(rate * 0.02)
    start = last = None
    for i, v in enumerate(s):
        if abs(v) > level:
            if start is None:
                start = i
            elif i - last > gap:
                out.append((start, last))
                start = i
            last = i
    if start is not None:
        out.append((start, last))
    return out


def _rms(x):
    return math.sqrt(sum(v * v for v in x) / max(1, len(x)))


def _median(values):
    v = sorted(values)
    n = len(v)
    return v[n // 2] if n % 2 else 0.5 * (v[n // 2 - 1] + v[n // 2])

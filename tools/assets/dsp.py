"""Small signal-processing pieces for the sounds, in plain Python: an FFT,
second-order filters, a seeded noise source and the spectrum figures the
sound report gives.

Nothing here depends on the machine or on library versions, so the sounds
stay reproducible byte for byte.
"""

import cmath
import math

# ---------------------------------------------------------------- FFT


def fft(x, inverse=False):
    """Discrete Fourier transform of a sequence whose length is a power of
    two (iterative radix 2). The inverse is scaled by 1/n."""
    n = len(x)
    if n & (n - 1):
        raise ValueError("FFT length %d is not a power of two" % n)
    a = [complex(v) for v in x]
    j = 0
    for i in range(1, n):
        bit = n >> 1
        while j & bit:
            j ^= bit
            bit >>= 1
        j |= bit
        if i < j:
            a[i], a[j] = a[j], a[i]
    sign = 1 if inverse else -1
    size = 2
    while size <= n:
        half = size // 2
        step = cmath.exp(sign * 2j * math.pi / size)
        twiddles = [1 + 0j]
        for _ in range(half - 1):
            twiddles.append(twiddles[-1] * step)
        for start in range(0, n, size):
            for k in range(half):
                u = a[start + k]
                t = a[start + k + half] * twiddles[k]
                a[start + k] = u + t
                a[start + k + half] = u - t
        size *= 2
    if inverse:
        a = [v / n for v in a]
    return a


def hann(n):
    return [0.5 - 0.5 * math.cos(2 * math.pi * i / n) for i in range(n)]


def power_spectrum(samples, rate):
    """(energy per bin from 0 Hz to rate/2, bin width in Hz) of the whole
    signal, zero-padded to a power of two. The bins add up to the sum of
    the squared samples (Parseval), so shares of it can be read off directly."""
    n = 1
    while n < max(2, len(samples)):
        n *= 2
    spectrum = fft(list(samples) + [0.0] * (n - len(samples)))
    power = ([abs(spectrum[0]) ** 2 / n] + [2 * abs(v) ** 2 / n for v in spectrum[1:n // 2]]
             + [abs(spectrum[n // 2]) ** 2 / n])
    return power, rate / float(n)


def share_below(power, bin_hz, hz):
    """Share of the energy in the bins below hz (0 Hz included)."""
    total = sum(power)
    return sum(p for k, p in enumerate(power) if k * bin_hz < hz) / total if total else 0.0


def centroid(power, bin_hz):
    """Spectral centroid in Hz: the power-weighted mean frequency."""
    total = sum(power)
    return sum(k * bin_hz * p for k, p in enumerate(power)) / total if total else 0.0


def a_weight(hz):
    """IEC 61672 A-weighting as a power factor (1.0 at 1 kHz)."""
    if hz <= 0:
        return 0.0
    f2 = hz * hz
    ra = (12194.0 ** 2 * f2 * f2) / ((f2 + 20.6 ** 2) * math.sqrt((f2 + 107.7 ** 2) * (f2 + 737.9 ** 2))
                                     * (f2 + 12194.0 ** 2))
    return (ra / 0.7943282347) ** 2


# ---------------------------------------------------------------- filters


def biquad(samples, coeffs):
    """Run a second-order section (b0, b1, b2, a1, a2), a0 normalised to 1."""
    b0, b1, b2, a1, a2 = coeffs
    x1 = x2 = y1 = y2 = 0.0
    out = []
    for x in samples:
        y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2
        x2, x1, y2, y1 = x1, x, y1, y
        out.append(y)
    return out


def _normalise(b0, b1, b2, a0, a1, a2):
    return (b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0)


def highpass(hz, rate, q=math.sqrt(0.5)):
    w = 2 * math.pi * hz / rate
    c, alpha = math.cos(w), math.sin(w) / (2 * q)
    return _normalise((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha)


def lowpass(hz, rate, q=math.sqrt(0.5)):
    w = 2 * math.pi * hz / rate
    c, alpha = math.cos(w), math.sin(w) / (2 * q)
    return _normalise((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha)


def peak(hz, rate, gain_db, q=1.0):
    """Bell-shaped boost or cut of gain_db around hz."""
    a = 10 ** (gain_db / 40.0)
    w = 2 * math.pi * hz / rate
    c, alpha = math.cos(w), math.sin(w) / (2 * q)
    return _normalise(1 + alpha * a, -2 * c, 1 - alpha * a, 1 + alpha / a, -2 * c, 1 - alpha / a)


def shelf(hz, rate, gain_db, high=True):
    """Shelving filter: gain_db above hz (high) or below it (not high)."""
    a = 10 ** (gain_db / 40.0)
    w = 2 * math.pi * hz / rate
    c, s = math.cos(w), math.sin(w)
    alpha = s / 2 * math.sqrt(2)  # shelf slope 1
    r = 2 * math.sqrt(a) * alpha
    if high:
        return _normalise(a * ((a + 1) + (a - 1) * c + r), -2 * a * ((a - 1) + (a + 1) * c),
                          a * ((a + 1) + (a - 1) * c - r), (a + 1) - (a - 1) * c + r,
                          2 * ((a - 1) - (a + 1) * c), (a + 1) - (a - 1) * c - r)
    return _normalise(a * ((a + 1) - (a - 1) * c + r), 2 * a * ((a - 1) - (a + 1) * c),
                      a * ((a + 1) - (a - 1) * c - r), (a + 1) + (a - 1) * c + r,
                      -2 * ((a - 1) + (a + 1) * c), (a + 1) + (a - 1) * c - r)


def response_db(coeffs, hz, rate):
    """Gain of a second-order section at hz, in dB."""
    b0, b1, b2, a1, a2 = coeffs
    z = cmath.exp(-2j * math.pi * hz / rate)
    return 20 * math.log10(abs((b0 + b1 * z + b2 * z * z) / (1 + a1 * z + a2 * z * z)))


# ---------------------------------------------------------------- noise


class Noise:
    """A seeded pseudo-random source (splitmix64): the same seed gives the
    same numbers on every machine and every Python version."""

    MASK = (1 << 64) - 1

    def __init__(self, seed):
        self.state = seed & self.MASK

    def next64(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & self.MASK
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & self.MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & self.MASK
        return z ^ (z >> 31)

    def uniform(self):
        """A float in [0, 1) with 53 random bits."""
        return (self.next64() >> 11) / float(1 << 53)

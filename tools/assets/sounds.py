"""Symbol sounds: espeak-ng speaks each phoneme, sox stretches voiced sounds
and resamples, and this module trims, shapes, repeats, levels, quantises and
fits the result to its entry's exact length.

Every step is deterministic: espeak-ng has no randomness, sox runs with -R
(repeatable) and -D (no dither of its own), and the rest is plain arithmetic
here, with noise and dither from seeded generators.
"""

import cmath
import math
import os
import struct
import subprocess
import wave

import dsp
import pcm
import speech
import wavfile

WORK_RATE = 22050            # espeak-ng's own rate; all shaping happens here
SPEED = 110                  # espeak-ng words per minute
PITCH = 50
TARGET_RMS = 0.16            # level of the sounding part, of full scale
PEAK_LIMIT = 0.88            # never closer to full scale than this
KNEE = 0.6                   # the soft limiter starts here
MAX_SQUEEZE = 2.5            # how far peaks may be pushed into the limiter (k's click)
FADE_IN_MS = 4
FADE_OUT_MS = 10
TAIL_MS = 50                 # silence kept after the last repetition

# How each kind of sound is shaped.
#   stretch: (shortest, longest) spoken length in ms; None keeps the natural length
#   gap: (shortest, longest) pause between repetitions in ms
#   vowel_ms: for input ending in a neutral vowel, how much of it to keep
SHAPES = {
    "plosive":   dict(stretch=None, gap=(350, 650), vowel_ms=70),
    "affricate": dict(stretch=None, gap=(350, 650), vowel_ms=70),
    "cluster":   dict(stretch=None, gap=(350, 650), vowel_ms=110),
    "glide":     dict(stretch=None, gap=(350, 650), vowel_ms=90),
    "fricative": dict(stretch=(400, 650), gap=(300, 500)),
    "nasal":     dict(stretch=(400, 650), gap=(300, 500)),
    "lateral":   dict(stretch=(400, 650), gap=(300, 500)),
    "long":      dict(stretch=(380, 700), gap=(300, 500)),
    "short":     dict(stretch=(150, 260), gap=(280, 450), repeats=2),
    "diphthong": dict(stretch=(330, 560), gap=(300, 500)),
}
MAX_REPEATS = 3

# Stops. espeak-ng's voiceless bursts ride on a slow offset lasting some
# 90 ms, heard as a thump under the release; below this is nothing else.
RELEASE_HIGHPASS_HZ = 300
# The offset is in the voiced stops too; their voicing lies above this.
DC_HIGHPASS_HZ = 60
# A voiceless stop's release dies away from its burst, by this many dB
# over this many ms, so that the burst leads and the aspiration trails off.
RELEASE_DECAY = (12, 150)
# A voiced stop's burst is buried under its voicing: lift the part before
# the vowel above this frequency by this many dB.
VOICED_BURST = (1500, 8)

# Fricatives are not time-stretched as they come: sox's tempo effect
# repeats pieces of the noise, and a held hiss made that way flutters. The
# average spectrum of the friction is measured instead and new noise with
# that spectrum is made at the length needed, with its own attack and
# release (ms). A voiced fricative is split at FRICTION_HZ: its voicing is
# stretched, and held friction at the level espeak-ng gives it goes on top
# for the whole length (espeak-ng's own friction stops after 90 ms while
# the voicing goes on, which stretched into a long hum).
HOLD_FRAME = 512
HOLD_ENVELOPE = {"h": (60, 220)}     # a breath: slow to start, dying away
HOLD_ENVELOPE_DEFAULT = (25, 60)
FRICTION_HZ = 1000

# Spectral colour of the fricatives, so that no two sound alike at 11025 Hz,
# where everything above 5.5 kHz is gone and espeak-ng's s, ʃ and θ all end
# up as hiss at 3 to 5 kHz: s keeps only its top, ʃ gets its lower, compact
# peak, f is made duller than θ; z and ʒ get the same split over their
# voicing, and ð a brighter friction than v. Filters applied in order:
# ("shelf", hz, dB, high) or ("peak", hz, dB, q).
COLOUR = {
    "f": [("shelf", 3000, -5, True)],
    "s": [("shelf", 3000, -10, False)],
    "ʃ": [("shelf", 4500, -6, True), ("peak", 2900, 4, 1.0)],
    "v": [("shelf", 1500, 4, True)],
    "ð": [("shelf", 2500, 4, True)],
    "z": [("peak", 4700, 10, 0.8)],
    "ʒ": [("shelf", 3500, -8, True), ("peak", 2500, 3, 1.0)],
}

# tr: after a voiceless stop an English r is voiceless too, but espeak-ng
# voices it, and its voicing was the loudest part of the sound. From where
# the voicing starts, the sound is made again as noise through the same
# resonances, frame by frame (an LPC envelope), as a whisper is: the r keeps
# its colour and its glide into the light release, without a voice. Noise
# drives the low first formant of a voiced r only weakly, and through a
# resonance as narrow as espeak-ng's it would ring like a hum: the formants
# are widened and the band below WHISPER_HIGHPASS_HZ is taken out.
# WHISPER: (frame samples, LPC order, bandwidth added Hz, crossfade ms, dB).
DEVOICED = {"tr"}
WHISPER = (512, 24, 150, 8, -7)
WHISPER_HIGHPASS_HZ = 500

# Checks on the finished sound.
ONSET_LIMIT_MS = 40
SILENCE_LEVEL = 0.02         # |sample| above this counts as sound (8-bit: ~3 steps)
END_WINDOW_MS = 5
END_RMS_LIMIT = 0.01
GATED_LIMIT = 0.5            # steps of the format a silenced sample may have held


class SoundError(Exception):
    pass


def _run(cmd):
    r = subprocess.run(cmd, capture_output=True)
    if r.returncode != 0:
        raise SoundError("%s failed: %s" % (cmd[0], r.stderr.decode(errors="replace").strip()))
    return r


def _read_wav(path):
    with wave.open(path) as w:
        if w.getnchannels() != 1 or w.getsampwidth() != 2:
            raise SoundError("%s: expected 16-bit mono" % path)
        n = w.getnframes()
        rate = w.getframerate()
        raw = w.readframes(n)
    return [v / 32768.0 for v in struct.unpack("<%dh" % n, raw)], rate


def _write_wav16(path, samples, rate):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(struct.pack("<%dh" % len(samples),
                                  *(max(-32768, min(32767, int(round(v * 32767)))) for v in samples)))


def _ms(n):
    return int(round(n * WORK_RATE / 1000.0))


def _envelope(samples, frame):
    return [math.sqrt(sum(v * v for v in samples[i:i + frame]) / frame)
            for i in range(0, len(samples) - frame + 1, frame)]


def _trim(samples):
    """Cut the silence espeak-ng puts around the phoneme."""
    peak = max((abs(v) for v in samples), default=0.0)
    if peak < 1e-4:
        raise SoundError("espeak-ng produced silence")
    thr = peak * 0.02
    first = next(i for i, v in enumerate(samples) if abs(v) > thr)
    last = max(i for i, v in enumerate(samples) if abs(v) > thr)
    return samples[max(0, first - _ms(1)):last + 1]


def _keep_short_vowel(samples, keep_ms):
    """Cut a trailing neutral vowel down to a light release: keep keep_ms
    from where the vowel reaches half its loudness. Returns the samples and
    where the vowel starts."""
    frame = _ms(5)
    env = _envelope(samples, frame)
    top = max(env)
    start = next(i for i, e in enumerate(env) if e >= 0.5 * top) * frame
    end = min(len(samples), start + _ms(keep_ms))
    out = samples[:end]
    return _fade(out, 0, min(_ms(40), len(out) // 2)), start


def _release(sym, unit, vowel_at):
    """Stops, affricates and clusters: a clear release. A voiceless one
    loses everything below RELEASE_HIGHPASS_HZ (espeak-ng's thump) and, if
    a plosive, dies away from its burst; a voiced one loses only the slow
    offset, and its burst is lifted above its voicing. A following vowel
    is kept as it is."""
    if sym.kind not in ("plosive", "affricate", "cluster"):
        return unit
    if sym.voiceless:
        hp = dsp.highpass(RELEASE_HIGHPASS_HZ, WORK_RATE)
        crisp = dsp.biquad(dsp.biquad(unit, hp), hp)
        if sym.kind == "plosive":
            crisp = _decay(crisp, *RELEASE_DECAY)
    else:
        unit = dsp.biquad(unit, dsp.highpass(DC_HIGHPASS_HZ, WORK_RATE))
        if vowel_at is None:
            return unit
        hz, db = VOICED_BURST
        crisp = dsp.biquad(unit, dsp.shelf(hz, WORK_RATE, db))
    if vowel_at is None:
        return crisp
    # Hand over from the release to the vowel in 20 ms.
    a, n = max(0, vowel_at - _ms(10)), _ms(20)
    out = []
    for i, (c, v) in enumerate(zip(crisp, unit)):
        w = min(1.0, max(0.0, (i - a) / float(n)))
        out.append(c * (1 - w) + v * w)
    return out


def _decay(samples, db, ms):
    """Fall by db every ms from the loudest 5 ms of the first 40 ms on."""
    frame = _ms(5)
    env = _envelope(samples[:_ms(40)], frame) or [0.0]
    start = env.index(max(env)) * frame + frame
    per_sample = -db / 20.0 / _ms(ms)
    return [v * 10 ** (per_sample * max(0, i - start)) for i, v in enumerate(samples)]


def _whisper(samples, seed, frame, order, widen_hz):
    """Noise with the spectral envelope of `samples`, frame by frame: each
    Hann frame's LPC filter, its resonances widened by widen_hz, driven by
    white noise and brought to the frame's energy, overlap-added. The
    harmonics of a voice do not pass into it."""
    n, hop = frame, frame // 4
    win = dsp.hann(n)
    noise = dsp.Noise(seed)
    warm = n // 2                       # lets each frame's filter settle first
    widen = math.exp(-math.pi * widen_hz / WORK_RATE)
    padded = [0.0] * n + list(samples) + [0.0] * n
    out = [0.0] * len(padded)
    for start in range(0, len(samples) + n, hop):
        x = [padded[start + i] * win[i] for i in range(n)]
        a, err = speech.lpc(x, order)
        if err <= 0.0:
            continue
        a = [c * widen ** k for k, c in enumerate(a)]
        y = [0.0] * order
        v = []
        for i in range(warm + n):
            y.append(noise.uniform() - 0.5 - sum(a[k] * y[-k] for k in range(1, order + 1)))
            y.pop(0)
            if i >= warm:
                v.append(y[-1] * win[i - warm])
        # The squares of Hann frames a quarter apart add up to 1.5, and the
        # noise of one frame is independent of the next: they add in power.
        gain = math.sqrt(sum(p * p for p in x) / sum(p * p for p in v) / 1.5)
        for i in range(n):
            out[start + i] += gain * v[i]
    return out[n:n + len(samples)]


def _devoice(unit, seed):
    """The unit with everything from its first voiced frame on made
    voiceless (see DEVOICED)."""
    frame, order, widen_hz, fade_ms, db = WHISPER
    hop_ms, voiced = speech.voicing(unit, WORK_RATE)
    if True not in voiced:
        return unit
    at = _ms(voiced.index(True) * hop_ms)
    a, fade = max(0, at - _ms(fade_ms) // 2), _ms(fade_ms)
    hushed = _whisper(unit[a:], seed, frame, order, widen_hz)
    hp = dsp.highpass(WHISPER_HIGHPASS_HZ, WORK_RATE)
    hushed = dsp.biquad(dsp.biquad(hushed, hp), hp)
    g = 10 ** (db / 20.0)
    out = unit[:a]
    for i, (v, h) in enumerate(zip(unit[a:], hushed)):
        w = min(1.0, i / float(fade))
        out.append(v * (1 - w) + g * h * w)
    return out


def _hold(unit, length, seed, envelope):
    """`length` samples of noise with the average spectrum of the louder
    half of `unit`: random phases, overlap-added Hann frames."""
    n, hop = HOLD_FRAME, HOLD_FRAME // 4
    win = dsp.hann(n)
    frames = [unit[i:i + n] for i in range(0, len(unit) - n + 1, hop)]
    if not frames:
        raise SoundError("too short to measure its spectrum (%d samples)" % len(unit))
    rms = [math.sqrt(sum(v * v for v in f) / n) for f in frames]
    top = max(rms)
    power = [0.0] * (n // 2 + 1)
    count = 0
    for f, r in zip(frames, rms):
        if r >= 0.5 * top:
            spectrum = dsp.fft([a * b for a, b in zip(f, win)])
            for k in range(n // 2 + 1):
                power[k] += abs(spectrum[k]) ** 2
            count += 1
    mag = [math.sqrt(p / count) for p in power]
    mag[0] = mag[n // 2] = 0.0
    noise = dsp.Noise(seed)
    out = [0.0] * (length + 2 * n)
    for start in range(0, length + n, hop):
        spectrum = [0j] * n
        for k in range(1, n // 2):
            spectrum[k] = mag[k] * cmath.exp(2j * math.pi * noise.uniform())
            spectrum[n - k] = spectrum[k].conjugate()
        frame = dsp.fft(spectrum, inverse=True)
        for i in range(n):
            out[start + i] += frame[i].real * win[i]
    out = out[n:n + length]
    attack, release = (_ms(v) for v in envelope)
    for i in range(length):
        g = 1.0
        if i < attack:
            g = 0.5 - 0.5 * math.cos(math.pi * i / attack)
        if length - 1 - i < release:
            g *= 0.5 - 0.5 * math.cos(math.pi * (length - 1 - i) / release)
        out[i] *= g
    return out


def _hold_voiced(sym, unit, length, tmpdir):
    """A voiced fricative of `length` samples: stretched voicing below
    FRICTION_HZ plus held friction above it."""
    hp = dsp.highpass(FRICTION_HZ, WORK_RATE)
    lp = dsp.lowpass(FRICTION_HZ, WORK_RATE)
    friction = dsp.biquad(dsp.biquad(unit, hp), hp)
    voicing = dsp.biquad(dsp.biquad(unit, lp), lp)
    # Where espeak-ng's friction is: 10 ms frames at 30 % of its loudest.
    frame = _ms(10)
    env = _envelope(friction, frame)
    loud = [i for i, e in enumerate(env) if e >= 0.3 * max(env)]
    a, b = loud[0] * frame, (loud[-1] + 1) * frame
    ratio = _rms(friction[a:b]) / _rms(voicing[a:b])
    voicing = _stretch(voicing, length, tmpdir, "%02d" % sym.no)
    noise = _hold(friction[a:b], length, sym.no, HOLD_ENVELOPE_DEFAULT)
    gain = ratio * _loud_rms(voicing, frame) / _loud_rms(noise, frame)
    return [v + gain * n for v, n in zip(voicing, noise)]


def _rms(samples):
    return math.sqrt(sum(v * v for v in samples) / max(1, len(samples)))


def _colour(unit, ipa):
    for f in COLOUR.get(ipa, ()):
        if f[0] == "shelf":
            coeffs = dsp.shelf(f[1], WORK_RATE, f[2], high=f[3])
        else:
            coeffs = dsp.peak(f[1], WORK_RATE, f[2], q=f[3])
        unit = dsp.biquad(unit, coeffs)
    return unit


def _fade(samples, fade_in, fade_out):
    out = list(samples)
    for i in range(min(fade_in, len(out))):
        out[i] *= i / fade_in
    n = len(out)
    for i in range(min(fade_out, n)):
        out[n - 1 - i] *= i / fade_out
    return out


def _stretch(samples, length, tmpdir, tag):
    """Time-stretch to `length` samples with sox's WSOLA tempo effect."""
    factor = len(samples) / float(length)
    if abs(factor - 1.0) < 0.02:
        return samples
    src = os.path.join(tmpdir, tag + "_in.wav")
    dst = os.path.join(tmpdir, tag + "_tempo.wav")
    _write_wav16(src, samples, WORK_RATE)
    _run(["sox", "-R", "-D", "-V1", src, dst, "tempo", "-s", "%.5f" % factor])
    out, _ = _read_wav(dst)
    return out


def plan(kind, natural_ms, total_ms):
    """Choose (repeats, spoken ms, pause ms) for a sound of total_ms.

    A long entry repeats the sound after a pause, the way a teacher says a
    sound two or three times, instead of trailing off into silence.
    """
    shape = SHAPES[kind]
    gap_min, gap_max = shape["gap"]
    room = total_ms - TAIL_MS
    for k in range(shape.get("repeats", MAX_REPEATS), 0, -1):
        if shape["stretch"] is None:
            unit = natural_ms
            if k * unit + (k - 1) * gap_min > room:
                continue
        else:
            lo, hi = shape["stretch"]
            unit = (room - (k - 1) * gap_min) / k
            if unit < lo:
                continue
            unit = min(unit, hi)
        gap = 0 if k == 1 else min(gap_max, (room - k * unit) / (k - 1))
        return k, unit, gap
    # Not even one sound of the usual length fits: say it once, shorter.
    return 1, min(natural_ms, room), 0


def synthesize(sym, tmpdir):
    """The samples of one symbol at WORK_RATE, not yet levelled, and how
    they were laid out."""
    raw = os.path.join(tmpdir, "%02d_espeak.wav" % sym.no)
    _run(["espeak-ng", "-v", sym.voice, "-s", str(SPEED), "-p", str(PITCH),
          "-w", raw, "[[%s]]" % sym.espeak])
    samples, rate = _read_wav(raw)
    if rate != WORK_RATE:
        raise SoundError("espeak-ng wrote %d Hz" % rate)
    unit = _trim(samples)
    shape = SHAPES[sym.kind]
    vowel_at = None
    if sym.espeak.endswith("@") and "vowel_ms" in shape:
        unit, vowel_at = _keep_short_vowel(unit, shape["vowel_ms"])
    if sym.ipa in DEVOICED:
        unit, vowel_at = _devoice(unit, sym.no), None
    unit = _release(sym, unit, vowel_at)

    total_ms = sym.pcm_bytes / (sym.bits // 8) * 1000.0 / sym.rate
    natural_ms = len(unit) * 1000.0 / WORK_RATE
    reps, unit_ms, gap_ms = plan(sym.kind, natural_ms, total_ms)
    if sym.kind == "fricative" and sym.voiceless:
        unit = _hold(unit, _ms(unit_ms), sym.no, HOLD_ENVELOPE.get(sym.ipa, HOLD_ENVELOPE_DEFAULT))
    elif sym.kind == "fricative":
        unit = _hold_voiced(sym, unit, _ms(unit_ms), tmpdir)
    elif abs(unit_ms - natural_ms) > 1:
        if shape["stretch"] is None:
            unit = unit[:_ms(unit_ms)]
        else:
            unit = _stretch(unit, _ms(unit_ms), tmpdir, "%02d" % sym.no)
    unit = _colour(unit, sym.ipa)
    unit = _fade(unit, _ms(FADE_IN_MS), _ms(FADE_OUT_MS))

    out = []
    for i in range(reps):
        if i:
            out += [0.0] * _ms(gap_ms)
        out += unit
    length = int(round(total_ms * WORK_RATE / 1000.0))
    if len(out) > length - _ms(TAIL_MS // 2):
        raise SoundError("symbol %d: sound does not fit its %d ms" % (sym.no, total_ms))
    out += [0.0] * (length - len(out))
    return out, dict(repeats=reps, unit_ms=len(unit) * 1000.0 / WORK_RATE, gap_ms=gap_ms)


def _loud_rms(samples, frame):
    """RMS over the 10 ms frames that are sounding (pauses left out)."""
    env = _envelope(samples, frame)
    top = max(env) if env else 0.0
    loud = [e for e in env if e > 0.1 * top] or [0.0]
    return math.sqrt(sum(e * e for e in loud) / len(loud))


def _level(samples, frame):
    """Bring the sounding part (RMS over frames of `frame` samples) to
    TARGET_RMS. Short peaks above KNEE (the burst of a plosive) are rounded
    off by a soft limiter so that nothing comes near full scale; the gain is
    never more than MAX_SQUEEZE times what a plain peak limit would allow."""
    rms = _loud_rms(samples, frame)
    peak = max(abs(v) for v in samples)
    gain = min(TARGET_RMS / rms, MAX_SQUEEZE * PEAK_LIMIT / peak)
    return [_soft_limit(v * gain) for v in samples]


def _soft_limit(v):
    a = abs(v)
    if a <= KNEE:
        return v
    room = PEAK_LIMIT - KNEE
    a = KNEE + room * math.tanh((a - KNEE) / room)
    return a if v > 0 else -a


def resample(sym, samples, tmpdir):
    """The samples at the entry's rate, as floats (sox's resampler, no
    quantisation), cut or padded with silence to the entry's length."""
    src = os.path.join(tmpdir, "%02d_work.f32" % sym.no)
    dst = os.path.join(tmpdir, "%02d_rate.f32" % sym.no)
    with open(src, "wb") as f:
        f.write(struct.pack("<%df" % len(samples), *samples))
    raw = ["-t", "raw", "-e", "floating-point", "-b", "32", "-c", "1"]
    _run(["sox", "-R", "-D", "-V1"] + raw + ["-r", str(WORK_RATE), src]
         + raw + ["-r", str(sym.rate), dst, "rate", "-h"])
    with open(dst, "rb") as f:
        data = f.read()
    out = list(struct.unpack("<%df" % (len(data) // 4), data))
    want = sym.pcm_bytes // (sym.bits // 8)
    return (out + [0.0] * want)[:want]


# Where the sound at WORK_RATE has been exactly zero for at least this long
# on both sides, the stored sound is silent: the zero level, no dither.
# Nearer to sound, the resampler's ringing is dithered like the rest.
SILENCE_GUARD_MS = 3


def silence_mask(samples, rate, count):
    """Per output sample at `rate`: True where `samples` (at WORK_RATE) is
    meant to be silent."""
    n = len(samples)
    far = n + _ms(SILENCE_GUARD_MS) + 1
    dist = [far] * n
    last = -far
    for i, v in enumerate(samples):
        if v != 0.0:
            last = i
        dist[i] = i - last
    last = n + far
    for i in range(n - 1, -1, -1):
        if samples[i] != 0.0:
            last = i
        dist[i] = min(dist[i], last - i)
    guard = _ms(SILENCE_GUARD_MS)
    out = []
    for j in range(count):
        i = int(round(j * WORK_RATE / float(rate)))
        out.append(i >= n or dist[i] > guard)
    return out


def decode(data, bits):
    if bits == 8:
        return [(b - 128) / 128.0 for b in data]
    return [v / 32768.0 for v in struct.unpack("<%dh" % (len(data) // 2), data)]


def measure(data, bits, rate):
    """Duration, peak, RMS of the sounding part, onset and end level."""
    s = decode(data, bits)
    onset = next((i for i, v in enumerate(s) if abs(v) > SILENCE_LEVEL), None)
    tail = s[-max(1, rate * END_WINDOW_MS // 1000):]
    return dict(
        duration_ms=len(s) * 1000.0 / rate,
        peak=max((abs(v) for v in s), default=0.0),
        rms=_loud_rms(s, max(1, rate // 100)),
        onset_ms=None if onset is None else onset * 1000.0 / rate,
        end_rms=math.sqrt(sum(v * v for v in tail) / len(tail)),
    )


def problems(m, bits):
    """What is wrong with a measured sound, as a list of texts."""
    out = []
    full_scale = 127 / 128.0 if bits == 8 else 32767 / 32768.0
    if m["onset_ms"] is None or m["rms"] < 0.01:
        out.append("silent")
    else:
        if m["onset_ms"] > ONSET_LIMIT_MS:
            out.append("starts late (%.0f ms)" % m["onset_ms"])
    if m["peak"] >= full_scale:
        out.append("clipped")
    if m["end_rms"] > END_RMS_LIMIT:
        out.append("cut off (still sounding at the end)")
    if m.get("gated", 0.0) > GATED_LIMIT:
        out.append("silence mask drops sound of %.2f steps" % m["gated"])
    return out


def build(sym, tmpdir):
    """The complete WAV file of one symbol and its measurements. Besides
    the figures of `measure`, the result holds the sound before
    quantisation ("signal") and its silence mask ("silent")."""
    raw, shape = synthesize(sym, tmpdir)
    # Levelled after resampling, so that the limiter sees the sound as it
    # is stored: a burst limited at 22050 Hz overshoots again at 11025 Hz.
    signal = _level(resample(sym, raw, tmpdir), sym.rate // 100)
    silent = silence_mask(raw, sym.rate, len(signal))
    data = pcm.quantise(signal, sym.bits, silent, seed=sym.no)
    m = measure(data, sym.bits, sym.rate)
    m.update(shape)
    m.update(data=data, signal=signal, silent=silent,
             gated=max([abs(v) for v, q in zip(signal, silent) if q] or [0.0]) * pcm.steps(sym.bits)[0])
    info = wavfile.info_size_for(sym.wav_bytes, sym.pcm_bytes)
    wav = wavfile.build(data, sym.bits, sym.rate, info)
    if len(wav) != sym.wav_bytes:
        raise SoundError("symbol %d: %d bytes, expected %d" % (sym.no, len(wav), sym.wav_bytes))
    return wav, m

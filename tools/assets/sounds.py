"""Symbol sounds: espeak-ng speaks each phoneme, sox stretches and converts,
and this module trims, repeats, levels and fits the result to its entry's
exact length.

Every step is deterministic: espeak-ng has no randomness, sox runs with -R
(repeatable) and -D (no dither), and the rest is plain arithmetic here.
"""

import math
import os
import struct
import subprocess
import wave

import wavfile

WORK_RATE = 22050            # espeak-ng's own rate; all shaping happens here
SPEED = 110                  # espeak-ng words per minute
PITCH = 50
TARGET_RMS = 0.16            # level of the sounding part, of full scale
PEAK_LIMIT = 0.88            # never closer to full scale than this
KNEE = 0.6                   # the soft limiter starts here
MAX_SQUEEZE = 1.6            # how far peaks may be pushed into the limiter
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

# Checks on the finished sound.
ONSET_LIMIT_MS = 40
SILENCE_LEVEL = 0.02         # |sample| above this counts as sound (8-bit: ~3 steps)
END_WINDOW_MS = 5
END_RMS_LIMIT = 0.01


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
    from where the vowel reaches half its loudness."""
    frame = _ms(5)
    env = _envelope(samples, frame)
    top = max(env)
    start = next(i for i, e in enumerate(env) if e >= 0.5 * top) * frame
    end = min(len(samples), start + _ms(keep_ms))
    out = samples[:end]
    return _fade(out, 0, min(_ms(40), len(out) // 2))


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
    if sym.espeak.endswith("@") and "vowel_ms" in shape:
        unit = _keep_short_vowel(unit, shape["vowel_ms"])

    total_ms = sym.pcm_bytes / (sym.bits // 8) * 1000.0 / sym.rate
    natural_ms = len(unit) * 1000.0 / WORK_RATE
    reps, unit_ms, gap_ms = plan(sym.kind, natural_ms, total_ms)
    if abs(unit_ms - natural_ms) > 1:
        if shape["stretch"] is None:
            unit = unit[:_ms(unit_ms)]
        else:
            unit = _stretch(unit, _ms(unit_ms), tmpdir, "%02d" % sym.no)
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


def _level(samples, rms=None):
    """Bring the sounding part to TARGET_RMS. Short peaks above KNEE (the
    burst of a plosive) are rounded off by a soft limiter so that nothing
    comes near full scale; the gain is never more than MAX_SQUEEZE times
    what a plain peak limit would allow."""
    rms = rms or _loud_rms(samples, _ms(10))
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


def convert(sym, samples, tmpdir):
    """Resample and requantise with sox into the entry's sample format and
    fit the data to its exact length; returns the data chunk bytes."""
    src = os.path.join(tmpdir, "%02d_level.wav" % sym.no)
    dst = os.path.join(tmpdir, "%02d_final.raw" % sym.no)
    _write_wav16(src, samples, WORK_RATE)
    if sym.bits == 16:
        fmt = ["-b", "16", "-e", "signed-integer"]
    else:
        fmt = ["-b", "8", "-e", "unsigned-integer"]
    _run(["sox", "-R", "-D", "-V1", src, "-t", "raw", "-r", str(sym.rate), "-c", "1"]
         + fmt + [dst, "rate", "-h"])
    with open(dst, "rb") as f:
        data = f.read()
    want = sym.pcm_bytes
    silence = b"\x80" if sym.bits == 8 else b"\x00\x00"
    if len(data) < want:
        data += silence * ((want - len(data)) // len(silence))
    return data[:want]


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
    return out


def build(sym, tmpdir):
    """The complete WAV file of one symbol and its measurements."""
    raw, shape = synthesize(sym, tmpdir)
    raw_rms = _loud_rms(raw, _ms(10))
    first = _level(raw, raw_rms)
    data = convert(sym, first, tmpdir)
    m = measure(data, sym.bits, sym.rate)
    # Resampling to 11025 Hz takes away the top of hissing sounds; level
    # once more so that what is stored reaches the target.
    loss = m["rms"] / _loud_rms(first, _ms(10))
    if abs(m["rms"] / TARGET_RMS - 1) > 0.03:
        data = convert(sym, _level(raw, raw_rms * loss), tmpdir)
        m = measure(data, sym.bits, sym.rate)
    m.update(shape)
    info = wavfile.info_size_for(sym.wav_bytes, sym.pcm_bytes)
    wav = wavfile.build(data, sym.bits, sym.rate, info)
    if len(wav) != sym.wav_bytes:
        raise SoundError("symbol %d: %d bytes, expected %d" % (sym.no, len(wav), sym.wav_bytes))
    return wav, m

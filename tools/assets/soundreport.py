"""The sound report and the spectrogram sheet: figures that show what the
sounds are like.

Given for the sounds before this build and now:

    low <500 Hz  share of a stop's energy below 500 Hz (a thump rather than
                 a burst when high), over the whole sound and over its first
                 30 ms, the release
    centroid     power-weighted mean frequency of a fricative
    repeat       largest autocorrelation of a voiceless fricative at lags of
                 5 to 40 ms: time-stretching noise repeats pieces of it
    stretch      how long a sound's first stretch lasts
    F1, F2       a vowel's first two formants by linear prediction (LPC),
                 over the middle of its first stretch; a diphthong's at its
                 start and its end
    voiced       the longest voiced run of a stop, affricate or cluster

Given for the same signals quantised three ways (plain rounding, as the
sounds used to be made; the dither used now; dither with noise shaping):

    noise        the quantisation error (stored sound minus the sound before
                 quantisation) in dB of full scale, plain and A-weighted,
                 over the sounding parts, over their quiet frames (the ends
                 of fades and decays) and over the silences
    tied         the share of the error that is a function of the signal
"""

import math
import os
import subprocess

from PIL import Image, ImageDraw

import dsp
import pcm
import sounds
import speech
import text

STOPS = ("plosive",)
VOWELS = ("long", "short")
RELEASED = ("plosive", "affricate", "cluster")
# Where in a diphthong its start and its end are measured (fractions of it).
GLIDE_START, GLIDE_END = (0.05, 0.3), (0.7, 0.95)
LOW_HZ = 500
RELEASE_MS = 30
QUIET_STEPS = 4      # quiet frames: RMS below this many steps of the format
TIE_BINS = 16


def _db(power):
    return 10 * math.log10(power) if power > 0 else float("-inf")


def _fmt_db(v):
    return "  -inf" if v == float("-inf") else "%6.1f" % v


def shape_figures(data, bits, rate):
    """Spectral figures of one stored sound."""
    s = sounds.decode(data, bits)
    power, bin_hz = dsp.power_spectrum(s, rate)
    parts = speech.stretches(s, rate, sounds.SILENCE_LEVEL)
    first = parts[0] if parts else (0, len(s) - 1)
    rel = s[first[0]:first[0] + rate * RELEASE_MS // 1000]
    rel_power, rel_bin = dsp.power_spectrum(rel, rate)
    return dict(
        low=dsp.share_below(power, bin_hz, LOW_HZ),
        low_release=dsp.share_below(rel_power, rel_bin, LOW_HZ),
        centroid=dsp.centroid(power, bin_hz),
        span_ms=(first[1] - first[0] + 1) * 1000.0 / rate,
        repeat=_repeat(s[first[0]:first[1] + 1], rate),
    )


def speech_figures(data, bits, rate, kind):
    """Formants of a vowel or diphthong, the voiced run of a stop, affricate
    or cluster; {} for other sounds."""
    s = sounds.decode(data, bits)
    parts = speech.stretches(s, rate, sounds.SILENCE_LEVEL)
    if not parts:
        return {}
    span = (parts[0][0], parts[0][1] + 1)
    if kind in VOWELS:
        return dict(formants=speech.vowel_formants(s, rate, span))
    if kind == "diphthong":
        return dict(start=speech.vowel_formants(s, rate, span, GLIDE_START),
                    end=speech.vowel_formants(s, rate, span, GLIDE_END))
    if kind in RELEASED:
        return dict(voiced_ms=speech.voiced_stretch_ms(s, rate))
    return {}


def _repeat(s, rate):
    """Largest normalised autocorrelation at lags of 5 to 40 ms of the
    middle of a stretch."""
    cut = len(s) // 10
    s = s[cut:len(s) - cut]
    if len(s) < rate // 20:
        return 0.0
    n = 1
    while n < 2 * len(s):
        n *= 2
    spectrum = dsp.fft(s + [0.0] * (n - len(s)))
    ac = dsp.fft([abs(v) ** 2 for v in spectrum], inverse=True)
    zero = ac[0].real
    lags = range(rate // 200, rate // 25 + 1)
    return max(ac[k].real / zero for k in lags) if zero > 0 else 0.0


def noise_figures(sym, m):
    """Quantisation noise of one sound, the same signal quantised three
    ways: {way: figures}."""
    signal, silent = m["signal"], m["silent"]
    scale = pcm.steps(sym.bits)[0]
    ways = {
        "rounding": pcm.quantise(signal, sym.bits, [False] * len(signal), sym.no, dither=False),
        "dither": pcm.quantise(signal, sym.bits, silent, sym.no),
        "shaped": pcm.quantise(signal, sym.bits, silent, sym.no, shaping=1.0),
    }
    frame = sym.rate // 100
    out = {}
    for name, data in ways.items():
        stored = sounds.decode(data, sym.bits)
        err = [q - v for q, v in zip(stored, signal)]
        levels = []      # per sounding 10 ms frame: (signal power, error power)
        for i in range(0, len(signal) - frame + 1, frame):
            if not any(silent[i:i + frame]):
                levels.append((sum(v * v for v in signal[i:i + frame]) / frame,
                               sum(e * e for e in err[i:i + frame]) / frame))
        quiet = [e for p, e in levels if p * scale * scale < QUIET_STEPS ** 2]
        # How much of the error is a function of where the signal falls
        # between two steps: all of it for rounding (a distortion of the
        # signal), none of it for dither (a noise).
        bins = [[0.0, 0] for _ in range(TIE_BINS)]
        for e, v, q in zip(err, signal, silent):
            if not q:
                b = bins[int((v * scale + 0.5) % 1.0 * TIE_BINS) % TIE_BINS]
                b[0] += e
                b[1] += 1
        explained = sum(t * t / n for t, n in bins if n)
        power, bin_hz = dsp.power_spectrum([0.0 if q else e for e, q in zip(err, silent)], sym.rate)
        weighted = sum(p * dsp.a_weight(k * bin_hz) for k, p in enumerate(power))
        sounding = [e for e, q in zip(err, silent) if not q]
        in_silence = [v for v, q in zip(stored, silent) if q]
        out[name] = dict(
            sounding=_db(sum(e * e for e in sounding) / max(1, len(sounding))),
            weighted=_db(weighted / max(1, len(sounding))),
            quiet=_db(sum(quiet) / len(quiet)) if quiet else float("-inf"),
            tied=explained / max(1e-30, sum(e * e for e in sounding)),
            silent_samples=len(in_silence),
            silent_off=sum(1 for v in in_silence if v != 0.0),
            silence=_db(sum(v * v for v in in_silence) / max(1, len(in_silence))),
        )
    return out


def _mean(values):
    values = [v for v in values if v != float("-inf")]
    return sum(values) / len(values) if values else float("-inf")


def report(rows, before):
    """Report lines. rows: [(sym, m, problems)] of this build; before:
    {symbol number: stored bytes of the sound before this build}."""
    lines = ["Pelomar sounds: one line per symbol",
             "no glyph ipa  kind       format      dur_ms  reps unit_ms gap_ms  peak   rms  onset_ms end_rms"
             "  noise_dB silent  status"]
    noise = {}
    for sym, m, bad in rows:
        noise[sym.no] = noise_figures(sym, m)
        d = noise[sym.no]["dither"]
        lines.append("%02d %-5s %-4s %-10s %-11s %6.0f %5d %7.0f %6.0f %6.3f %5.3f %8.1f %7.4f  %s %6d  %s" % (
            sym.no, sym.glyph, sym.ipa, sym.kind,
            "%d-bit %d" % (sym.bits, sym.rate), m["duration_ms"], m["repeats"], m["unit_ms"],
            m["gap_ms"], m["peak"], m["rms"], m["onset_ms"] if m["onset_ms"] is not None else -1,
            m["end_rms"], _fmt_db(d["sounding"]), d["silent_samples"], "; ".join(bad) or "ok"))
    peaks = [m["peak"] for _, m, _ in rows]
    rmss = [m["rms"] for _, m, _ in rows]
    onsets = [m["onset_ms"] or 0 for _, m, _ in rows]
    failures = [(sym, bad) for sym, _, bad in rows if bad]
    lines += ["",
              "peak   min %.3f max %.3f (full scale 1.000)" % (min(peaks), max(peaks)),
              "rms    min %.3f max %.3f (of the sounding part)" % (min(rmss), max(rmss)),
              "onset  max %.1f ms (limit %d ms)" % (max(onsets), sounds.ONSET_LIMIT_MS),
              "problems: %d" % len(failures)]
    lines += ["%02d %s: %s" % (sym.no, sym.glyph, ", ".join(bad)) for sym, bad in failures]

    lines += ["", "Quantisation noise in dB of full scale, mean over the sounds of each format;",
              "the same signals quantised three ways. Quiet: frames under %d steps, the ends" % QUIET_STEPS,
              "of fades and decays. Tied: share of the error that is a function of the signal",
              "(distortion), the rest being noise independent of it.",
              "format  way             sounding  A-weighted  quiet   tied  silences: level, samples off zero / all"]
    for bits in (8, 16):
        syms = [sym for sym, _, _ in rows if sym.bits == bits]
        for name, label in (("rounding", "rounding"), ("dither", "dither"), ("shaped", "dither+shaping")):
            f = [noise[sym.no][name] for sym in syms]
            quiet = _mean(x["quiet"] for x in f)
            lines.append("%-7s %-15s %7s  %10s  %6s  %4.0f%%  %s, %d / %d" % (
                "%d-bit" % bits, label, _fmt_db(_mean(x["sounding"] for x in f)),
                _fmt_db(_mean(x["weighted"] for x in f)),
                "     -" if quiet == float("-inf") else _fmt_db(quiet),
                100 * _mean(x["tied"] for x in f), _fmt_db(_mean(x["silence"] for x in f)).strip(),
                sum(x["silent_off"] for x in f), sum(x["silent_samples"] for x in f)))
    lines.append("rounding: how the sounds were quantised before (sox -D); dither: used now;")
    lines.append("dither+shaping: first-order noise shaping, measured and not used.")

    after = {sym.no: shape_figures(m["data"], sym.bits, sym.rate) for sym, m, _ in rows}
    old = {n: shape_figures(*_samples(b)) for n, b in before.items()}

    def pair(n, key, fmt):
        return (fmt % old[n][key] if n in old else "-") + " -> " + fmt % after[n][key]

    def percent(n, key):
        return ("%3.0f%%" % (100 * old[n][key]) if n in old else "-") + " -> %3.0f%%" % (100 * after[n][key])

    lines += ["", "Stops: share of energy below %d Hz, before -> now" % LOW_HZ,
              "no glyph  whole sound   first %d ms" % RELEASE_MS]
    for sym, m, _ in rows:
        if sym.kind in STOPS:
            lines.append("%02d %-5s  %-12s  %s" % (sym.no, sym.glyph, percent(sym.no, "low"),
                                                   percent(sym.no, "low_release")))
    lines += ["", "Fricatives, before -> now",
              "no glyph  centroid Hz     repeat        first stretch ms"]
    for sym, m, _ in rows:
        if sym.kind == "fricative":
            lines.append("%02d %-5s  %-14s  %-12s  %s" % (
                sym.no, sym.glyph, pair(sym.no, "centroid", "%4.0f"),
                pair(sym.no, "repeat", "%.2f") if sym.voiceless else "",
                pair(sym.no, "span_ms", "%3.0f")))
    lines += _speech_lines(rows, before)
    if not before:
        lines.append("(no earlier sounds to compare with)")
    return lines


def _speech_lines(rows, before):
    now = {sym.no: speech_figures(m["data"], sym.bits, sym.rate, sym.kind) for sym, m, _ in rows}
    old = {sym.no: speech_figures(*(_samples(before[sym.no]) + (sym.kind,)))
           for sym, _, _ in rows if sym.no in before}

    def hz(f, i):
        return "%4.0f" % f[i] if f else "   -"

    def pair(n, key, i):
        was = old.get(n, {}).get(key) if n in old else None
        return ("%s -> " % hz(was, i) if n in old else "") + hz(now[n][key], i)

    lines = [""]
    for sym, _, _ in rows:
        # The two figures tests/assets/check_assets.py holds to a limit.
        figures = [f for f in (old.get(sym.no), now[sym.no]) if f]
        if sym.ipa == "e":
            lines.append("e: first formant %s Hz (before -> now)" % " -> ".join(
                hz(f["formants"], 0).strip() for f in figures))
        if sym.ipa == "tr":
            lines.append("tr: longest voiced run %s ms (before -> now)" % " -> ".join(
                "%.0f" % f["voiced_ms"] for f in figures))
    lines += ["", "Vowels: first and second formant in Hz (LPC), over the middle of the first",
             "stretch; diphthongs at their start and end. Before -> now",
             "no glyph  F1            F2"]
    for sym, _, _ in rows:
        if sym.kind in VOWELS:
            lines.append("%02d %-5s  %-12s  %s" % (sym.no, sym.glyph, pair(sym.no, "formants", 0),
                                                   pair(sym.no, "formants", 1)))
    lines.append("no glyph  start F1      start F2      end F1        end F2")
    for sym, _, _ in rows:
        if sym.kind == "diphthong":
            lines.append("%02d %-5s  %-12s  %-12s  %-12s  %s" % (
                sym.no, sym.glyph, pair(sym.no, "start", 0), pair(sym.no, "start", 1),
                pair(sym.no, "end", 0), pair(sym.no, "end", 1)))
    lines += ["", "Stops, affricates and clusters: longest voiced run in ms, before -> now"]
    for sym, _, _ in rows:
        if sym.kind in RELEASED:
            was = "%3.0f -> " % old[sym.no]["voiced_ms"] if sym.no in old else ""
            lines.append("%02d %-5s  %s%3.0f%s" % (sym.no, sym.glyph, was, now[sym.no]["voiced_ms"],
                                                  "  (voiceless)" if sym.voiceless else ""))
    return lines


def _samples(wav):
    """(sample bytes, bits, rate) of a stored WAV file."""
    rate = int.from_bytes(wav[24:28], "little")
    bits = int.from_bytes(wav[34:36], "little")
    size = int.from_bytes(wav[40:44], "little")
    return wav[44:44 + size], bits, rate


# ---------------------------------------------------------------- sheet

PX_PER_MS = 0.5
HZ_PER_PX = 5512.5 / 64      # 8-bit rows are 64 pixels high, 16-bit 128
LABEL_W = 70


def spectrogram_sheet(rows, out, path, tmpdir):
    """All sounds as spectrograms (sox's, 60 dB range), one row each on a
    common time and frequency scale, labelled with the glyph; ticks every
    100 ms above each row and every kHz at its left."""
    pics = []
    for sym, m, _ in rows:
        wav = os.path.join(out, "sound", "%02d.wav" % sym.no)
        png = os.path.join(tmpdir, "%02d_spec.png" % sym.no)
        height = int(round(sym.rate / 2.0 / HZ_PER_PX))
        width = max(1, int(round(m["duration_ms"] * PX_PER_MS)))
        r = subprocess.run(["sox", "-V1", wav, "-n", "spectrogram", "-r", "-z", "60",
                            "-x", str(width), "-y", str(height + 1), "-o", png], capture_output=True)
        if r.returncode != 0:
            raise sounds.SoundError("sox spectrogram failed: %s" % r.stderr.decode(errors="replace"))
        pics.append((sym, Image.open(png).convert("RGB")))
    gap = 6
    w = LABEL_W + int(2200 * PX_PER_MS) + 10
    h = sum(p.height + gap for _, p in pics) + 20
    sheet = Image.new("RGB", (w, h), (255, 255, 255))
    d = ImageDraw.Draw(sheet)
    for t in range(0, 2201, 500):
        text.draw(d, (LABEL_W + int(t * PX_PER_MS) - 8, 12), "%d ms" % t, 10, (90, 90, 90))
    y = 20
    for sym, p in pics:
        y += gap
        sheet.paste(p, (LABEL_W, y))
        text.draw(d, (4, y + p.height // 2 + 2), "%02d %s" % (sym.no, sym.glyph), 16, (0, 0, 0))
        text.draw(d, (4, y + p.height // 2 + 15), "0-%.1f kHz" % (sym.rate / 2000.0), 9, (120, 120, 120))
        for t in range(0, int(p.width / PX_PER_MS) + 1, 100):
            x = LABEL_W + int(t * PX_PER_MS)
            d.line((x, y - (4 if t % 500 == 0 else 2), x, y - 1), fill=(60, 60, 60))
        for khz in range(0, int(sym.rate / 2000) + 1):
            yy = y + p.height - 1 - int(khz * 1000 / HZ_PER_PX)
            d.line((LABEL_W - 4, yy, LABEL_W - 1, yy), fill=(60, 60, 60))
        y += p.height
    sheet.save(path)

"""The words to listen to: each word of the cards and of the minimal pairs,
spoken by several British voices and once slowly, checked by transcription,
levelled alike, coded as 4-bit ADPCM at 16 kHz and written as one blob.

Writes into the media folder:
- words.bin: every coded rendition, one after the other (adpcm.py);
- words.tsv: the index the build turns into the program's word tables:
  the voices, then per word its units and where its renditions lie, then
  the card words and the pairs;
- words_report.txt: per word its transcription and check, and per rendition
  its length, peak, onset, loudness and coding noise; the words and pairs
  that were dropped, and why.

Every step is deterministic (espeak-ng, sox -R -D, seeded dither), so two
runs give the same bytes.
"""

import math
import os
import struct
import tempfile
import zlib
from concurrent.futures import ProcessPoolExecutor

import adpcm
import dsp
import pcm
import sounds
import wordlist

RATE = 16000                 # the coded rate; the program plays them at 22050 Hz
SPEED = 140                  # espeak-ng words per minute
SLOW_SPEED = 90              # the slow rendition in the main voice: its words last some 1.45 times
                             # as long (espeak-ng slows its pauses less than its sounds), 70 % speed
# (espeak-ng voice, what it is). Voice 0 is the main one, the cards' voice.
VOICES = (
    ("en-gb-x-rp", "male, the cards' voice"),
    ("en-gb-x-rp+f3", "female, high"),
    ("en-gb-x-rp+m8", "male, low"),
)
TARGET_RMS = 0.14            # loudness of the sounding part, the same for every voice
LEAD_MS = 3                  # kept before the first audible sample
TRAIL_MS = 15                # kept after the last audible sample, fading out
TAIL_MS = 40                 # exact silence after the word
# Of the peak: quieter than this is cut at the start and at the end. A word
# that starts with a fricative rises slowly; its first few quiet ms are cut
# so that it is heard at once.
START_LEVEL = 0.015
END_LEVEL = 0.003
DC_HIGHPASS_HZ = 50
# Gentle compression before levelling: above THRESHOLD_DB under the word's
# loudest 10 ms, levels are brought together by RATIO. The weak consonants
# (f, θ, h), some 25 dB under the vowels as espeak-ng says them, come up by
# a few dB, so that a word that starts with one is heard from its start.
COMPRESS_THRESHOLD_DB = -35
COMPRESS_RATIO = 1.5
MAX_MS = 2000                # longer than this, a word has gone wrong


class WordError(Exception):
    pass


_run = sounds._run


def _seed(word, rendition):
    return zlib.crc32(("%s/%d" % (word, rendition)).encode("ascii"))


def speak(word, voice, speed, tmpdir, tag):
    """The word as espeak-ng says it, at sounds.WORK_RATE, trimmed to its
    sound with a short lead, a fade-out and TAIL_MS of silence."""
    raw = os.path.join(tmpdir, tag + ".wav")
    _run(["espeak-ng", "-v", voice, "-s", str(speed), "-w", raw, word])
    samples, rate = sounds._read_wav(raw)
    if rate != sounds.WORK_RATE:
        raise WordError("espeak-ng wrote %d Hz" % rate)
    samples = dsp.biquad(samples, dsp.highpass(DC_HIGHPASS_HZ, rate))
    peak = max((abs(v) for v in samples), default=0.0)
    if peak < 1e-3:
        raise WordError("espeak-ng said nothing")
    start = next(i for i, v in enumerate(samples) if abs(v) > START_LEVEL * peak)
    end = max(i for i, v in enumerate(samples) if abs(v) > END_LEVEL * peak)
    ms = sounds._ms
    first = max(0, start - ms(LEAD_MS))
    last = min(len(samples), end + ms(TRAIL_MS))
    out = sounds._fade(samples[first:last], ms(LEAD_MS), ms(TRAIL_MS))
    return out + [0.0] * ms(TAIL_MS)


def to_rate(samples, tmpdir, tag):
    """sox's resampler from WORK_RATE to RATE, as floats."""
    src = os.path.join(tmpdir, tag + "_work.f32")
    dst = os.path.join(tmpdir, tag + "_rate.f32")
    with open(src, "wb") as f:
        f.write(struct.pack("<%df" % len(samples), *samples))
    raw = ["-t", "raw", "-e", "floating-point", "-b", "32", "-c", "1"]
    _run(["sox", "-R", "-D", "-V1"] + raw + ["-r", str(sounds.WORK_RATE), src]
         + raw + ["-r", str(RATE), dst, "rate", "-h"])
    with open(dst, "rb") as f:
        data = f.read()
    return list(struct.unpack("<%df" % (len(data) // 4), data))


def compress(samples, rate):
    """COMPRESS_RATIO above COMPRESS_THRESHOLD_DB: a gain that follows the
    10 ms RMS envelope (centred, so it sees a loud sound coming), smoothed:
    it falls within 5 ms and rises again over 30 ms, so that it never
    follows single periods of the voice."""
    frame = rate // 100
    power = [v * v for v in samples]
    # Sliding 10 ms RMS, centred.
    acc, env = 0.0, []
    prefix = [0.0]
    for p in power:
        acc += p
        prefix.append(acc)
    n = len(samples)
    for i in range(n):
        a, b = max(0, i - frame // 2), min(n, i + frame // 2)
        env.append(math.sqrt(max(0.0, prefix[b] - prefix[a]) / max(1, b - a)))
    top = max(env)
    if top <= 0:
        return list(samples)
    floor = top * 10 ** (COMPRESS_THRESHOLD_DB / 20.0)
    want = [min(1.0, (max(e, floor) / top) ** (1.0 / COMPRESS_RATIO - 1.0) / (floor / top) ** (1.0 / COMPRESS_RATIO - 1.0))
            for e in env]
    fall, rise = 1 - math.exp(-1.0 / (0.005 * rate)), 1 - math.exp(-1.0 / (0.030 * rate))
    out, g = [], want[0]
    for v, w in zip(samples, want):
        g += (w - g) * (fall if w < g else rise)
        out.append(v * g)
    return out


def level(samples):
    """The sounding part to TARGET_RMS; peaks rounded off below full scale."""
    rms = sounds._loud_rms(samples, RATE // 100)
    peak = max(abs(v) for v in samples)
    gain = min(TARGET_RMS / rms, sounds.MAX_SQUEEZE * sounds.PEAK_LIMIT / peak)
    return [sounds._soft_limit(v * gain) for v in samples]


def render(word, rendition, tmpdir):
    """(coded bytes, sample count, measurements) of one rendition:
    0..len(VOICES)-1 the voices, len(VOICES) the slow one."""
    voice, speed = (VOICES[rendition][0], SPEED) if rendition < len(VOICES) else (VOICES[0][0], SLOW_SPEED)
    tag = "%s_%d" % (word, rendition)
    work = speak(word, voice, speed, tmpdir, tag)
    signal = level(compress(to_rate(work, tmpdir, tag), RATE))
    silent = sounds.silence_mask(work, RATE, len(signal))
    data = pcm.quantise(signal, 16, silent, seed=_seed(word, rendition))
    source = list(struct.unpack("<%dh" % (len(data) // 2), data))
    coded = adpcm.encode(source)
    back = adpcm.decode(coded, len(source))
    return coded, len(source), measure(source, back, silent)


def measure(source, back, silent):
    """Length, peak, onset, loudness and coding noise of a decoded rendition."""
    s = [v / 32768.0 for v in back]
    onset = next((i for i, v in enumerate(s) if abs(v) > sounds.SILENCE_LEVEL), None)
    noise = sum((a - b) ** 2 for a, b in zip(source, back))
    power = sum(a * a for a in source)
    # Where the sound is meant to be silent, how many decoded samples are not.
    stray = sum(1 for v, q in zip(back, silent) if q and v != 0)
    tail = back[-RATE * TAIL_MS // 2000:]
    return dict(
        ms=len(s) * 1000.0 / RATE,
        peak=max(abs(v) for v in s),
        onset_ms=None if onset is None else onset * 1000.0 / RATE,
        rms=sounds._loud_rms(s, RATE // 100),
        snr=10 * math.log10(power / noise) if noise else 99.0,
        stray=stray,
        quiet_end=all(v == 0 for v in tail),
    )


def problems(m):
    out = []
    if m["onset_ms"] is None or m["rms"] < 0.01:
        out.append("silent")
    elif m["onset_ms"] > sounds.ONSET_LIMIT_MS:
        out.append("starts late (%.0f ms)" % m["onset_ms"])
    if m["peak"] >= 32767 / 32768.0:
        out.append("clipped")
    if m["ms"] > MAX_MS:
        out.append("too long (%.0f ms)" % m["ms"])
    if not m["quiet_end"]:
        out.append("does not end in silence")
    return out


def _render_word(word):
    with tempfile.TemporaryDirectory(prefix="pelomar-word-") as tmp:
        return [render(word, r, tmp) for r in range(len(VOICES) + 1)]


def check_words(card_uses, pairs):
    """Transcribe every word in every voice; keep the card words and pairs
    that pass. Returns (kept uses, kept pairs, transcriptions, dropped)."""
    words = sorted({u.word for u in card_uses} | {u.word for p in pairs for u in (p.first, p.second)})
    checks = {w: [wordlist.transcribe(w, v) for v, _ in VOICES] for w in words}
    dropped = []
    uses = []
    for use in card_uses:
        bad = [wordlist.use_problem(use, c) for c in checks[use.word]]
        bad = [b for b in bad if b]
        if bad:
            dropped.append("card word %s (%s for %s): %s" % (use.word, use.letters, wordlist.glyph(use.symbol), bad[0]))
        else:
            uses.append(use)
    kept_pairs = []
    for pair in pairs:
        bad = [wordlist.pair_problem(pair, a, b) for a, b in zip(checks[pair.first.word], checks[pair.second.word])]
        bad = [b for b in bad if b]
        if bad:
            dropped.append("pair %s/%s (%s/%s): %s" % (pair.first.word, pair.second.word, wordlist.glyph(pair.first.symbol),
                                                       wordlist.glyph(pair.second.symbol), bad[0]))
        else:
            kept_pairs.append(pair)
    return uses, kept_pairs, checks, dropped


def build(symbols, out, workers=2, pairs_path=None):
    """Write words.bin, words.tsv and words_report.txt into `out`. Returns
    the problems found (empty when every kept word is sound)."""
    uses, pairs, checks, dropped = check_words(wordlist.card_uses(symbols), wordlist.load_pairs(pairs_path))
    words = sorted({u.word for u in uses} | {u.word for p in pairs for u in (p.first, p.second)})
    with ProcessPoolExecutor(max_workers=workers) as pool:
        rendered = dict(zip(words, pool.map(_render_word, words)))

    blob = bytearray()
    index = ["# Made by tools/assets/generate.py from cards.tsv and practice.tsv; the build embeds it with words.bin.",
             "voices\t%d\t%s" % (len(VOICES), "\t".join(v for v, _ in VOICES)),
             "rate\t%d" % RATE]
    failures = []
    for word in words:
        spans = []
        for r, (coded, count, m) in enumerate(rendered[word]):
            spans.append("%d:%d:%d" % (len(blob), len(coded), count))
            blob += coded
            bad = problems(m)
            if bad:
                failures.append("%s rendition %d: %s" % (word, r, ", ".join(bad)))
        units = " ".join(str(s) for s in checks[word][0].symbols)
        index.append("word\t%s\t%s\t%s" % (word, units, " ".join(spans)))
    for u in uses:
        index.append("card\t%d\t%s\t%s" % (u.symbol, u.letters, u.word))
    for p in pairs:
        index.append("pair\t%s\t%s\t%d\t%s\t%s\t%d" % (p.first.word, p.first.letters, p.first.symbol,
                                                       p.second.word, p.second.letters, p.second.symbol))
    with open(os.path.join(out, "words.bin"), "wb") as f:
        f.write(bytes(blob))
    with open(os.path.join(out, "words.tsv"), "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(index) + "\n")
    lines = report(words, uses, pairs, checks, rendered, dropped, len(blob))
    with open(os.path.join(out, "words_report.txt"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    print("words: %d words, %d card words, %d pairs, %d bytes; %d dropped" %
          (len(words), len(uses), len(pairs), len(blob), len(dropped)), flush=True)
    return failures


def report(words, uses, pairs, checks, rendered, dropped, blob_bytes):
    names = ["v%d" % i for i in range(len(VOICES))] + ["slow"]
    out = ["Words to listen to",
           "",
           "Voices (espeak-ng): " + "; ".join("v%d %s (%s)" % (i, v, what) for i, (v, what) in enumerate(VOICES)),
           "slow: %s at %d of %d words per minute" % (VOICES[0][0], SLOW_SPEED, SPEED),
           "Coded: 4-bit IMA ADPCM at %d Hz; played at 22050 Hz, 16-bit." % RATE,
           "",
           "%d words, %d card words, %d minimal pairs, %d renditions, %d bytes coded." %
           (len(words), len(uses), len(pairs), len(words) * len(names), blob_bytes),
           "",
           "Per word: its units as the voices transcribe them (the check: every voice the same",
           "units, every card word holds its symbol, every pair differs in its one unit), then per",
           "rendition: length ms, peak (of full scale), onset ms, loudness dB (RMS of the sounding",
           "part), coding SNR dB (ADPCM against the 16-bit sound it codes).",
           ""]
    stands = {}
    for u in uses:
        stands.setdefault(u.word, []).append("card %s" % wordlist.glyph(u.symbol))
    for p in pairs:
        for u, other in ((p.first, p.second), (p.second, p.first)):
            stands.setdefault(u.word, []).append("pair %s/%s %s" % (wordlist.glyph(u.symbol), wordlist.glyph(other.symbol), other.word))
    all_m = []
    for word in words:
        c = checks[word]
        same = all(x.symbols == c[0].symbols for x in c)
        out.append("%-10s [%s]  %s  check ok%s; %s" % (
            word, " ".join(wordlist.glyph(s) for s in c[0].symbols), "_".join(c[0].phonemes),
            "" if same else " (voices transcribe differently)", ", ".join(stands[word])))
        for name, (_, _, m) in zip(names, rendered[word]):
            all_m.append((name, m))
            bad = problems(m)
            out.append("    %-4s %5.0f ms  peak %.2f  onset %4.1f ms  %5.1f dB  SNR %4.1f dB%s" % (
                name, m["ms"], m["peak"], m["onset_ms"] or -1, 20 * math.log10(max(m["rms"], 1e-9)), m["snr"],
                ("  " + ", ".join(bad)) if bad else ""))
    out += ["", "Summary per rendition:"]
    for name in names:
        ms = [m for n, m in all_m if n == name]
        out.append("  %-4s length %4.0f..%4.0f ms (mean %4.0f)  peak max %.2f  onset max %4.1f ms  "
                   "loudness %5.1f..%5.1f dB  SNR min %4.1f mean %4.1f dB" % (
                       name, min(m["ms"] for m in ms), max(m["ms"] for m in ms), sum(m["ms"] for m in ms) / len(ms),
                       max(m["peak"] for m in ms), max(m["onset_ms"] or 0 for m in ms),
                       min(20 * math.log10(m["rms"]) for m in ms), max(20 * math.log10(m["rms"]) for m in ms),
                       min(m["snr"] for m in ms), sum(m["snr"] for m in ms) / len(ms)))
    slow = sum(m["ms"] for n, m in all_m if n == "slow") / max(1, sum(m["ms"] for n, m in all_m if n == "v0"))
    out.append("  slow against v0: %.2f times as long" % slow)
    out += ["", "Dropped (%d):" % len(dropped)] + ["  " + d for d in dropped or ["none"]]
    return out

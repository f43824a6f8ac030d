#!/usr/bin/python3
"""Rebuild every media file of Pelomar from media/assets/cards.tsv.

    /usr/bin/python3 tools/assets/generate.py [--out DIR] [--build DIR] [--only PART ...]

Writes media/assets/sound/NN.wav, card/NN.gif, chart.gif, logo.gif,
portrait.gif, app.ico and the words (words.bin, words.tsv,
words_report.txt; see words.py), and into build-assets/ (not part of the sources):
sound_report.txt, cards_sheet.png, chart_regions.png, sound_waves.png and
sound_spectrograms.png.
The output is the same, byte for byte, on every run.
"""

import argparse
import io
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from PIL import Image, ImageDraw  # noqa: E402

import cards  # noqa: E402
import content  # noqa: E402
import gif87a  # noqa: E402
import icofile  # noqa: E402
import pictures  # noqa: E402
import soundreport  # noqa: E402
import sounds  # noqa: E402
import words  # noqa: E402

PARTS = ("sounds", "cards", "pictures", "icon", "words")


class BuildError(Exception):
    pass


def indexed(im, colours=256):
    """(palette, pixel bytes) of an RGB picture. Pictures with at most 256
    colours keep them exactly; others are reduced without dithering."""
    counts = im.getcolors(colours)
    if counts is not None:
        order = sorted(counts, key=lambda c: (-c[0], c[1]))
        palette = [rgb for _, rgb in order]
        lookup = {rgb: i for i, rgb in enumerate(palette)}
        return palette, bytes(lookup[p] for p in im.getdata())
    q = im.quantize(colors=colours, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    flat = q.getpalette()[:3 * colours]
    palette = [tuple(flat[i:i + 3]) for i in range(0, len(flat), 3)]
    return palette, q.tobytes()


def to_gif(im, target_size):
    palette, pixels = indexed(im)
    data = gif87a.encode(im.width, im.height, palette, pixels, target_size)
    # The file must decode to exactly the pixels meant.
    back = Image.open(io.BytesIO(data))
    back.load()
    want = Image.new("RGB", im.size)
    want.putdata([palette[i] for i in pixels])
    if back.convert("RGB").tobytes() != want.tobytes():
        raise BuildError("GIF does not decode to its own pixels")
    if shutil.which("convert"):
        r = subprocess.run(["convert", "gif:-", "-depth", "8", "rgb:-"], input=data,
                           capture_output=True)
        if r.returncode != 0 or r.stdout != want.tobytes() or r.stderr:
            raise BuildError("ImageMagick reads the GIF differently: %s" % r.stderr[:200])
    return data


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def build_sounds(symbols, out, build, before_dir=None):
    """Write the sounds, the sound report and the two sound sheets. The
    report compares with the sounds in before_dir (default: the ones this
    build replaces)."""
    before = {}
    for sym in symbols:
        path = os.path.join(before_dir or out, "sound", "%02d.wav" % sym.no)
        if os.path.exists(path):
            with open(path, "rb") as f:
                before[sym.no] = f.read()
    rows = []
    failures = []
    with tempfile.TemporaryDirectory(prefix="pelomar-sound-") as tmp:
        for sym in symbols:
            wav, m = sounds.build(sym, tmp)
            write(os.path.join(out, "sound", "%02d.wav" % sym.no), wav)
            bad = sounds.problems(m, sym.bits)
            if bad:
                failures.append("%02d %s: %s" % (sym.no, sym.glyph, ", ".join(bad)))
            rows.append((sym, m, bad))
            print("sound %02d %-3s %s" % (sym.no, sym.glyph, ", ".join(bad) or "ok"), flush=True)
        lines = soundreport.report(rows, before)
        write(os.path.join(build, "sound_report.txt"), ("\n".join(lines) + "\n").encode("utf-8"))
        soundreport.spectrogram_sheet(rows, out, os.path.join(build, "sound_spectrograms.png"), tmp)
    _wave_sheet(rows, out, build)
    return failures


def _wave_sheet(rows, out, build):
    """Envelopes of all sounds on one picture, for looking them over."""
    w, h = 1100, 48 * 22 + 10
    im = Image.new("RGB", (w, h), (255, 255, 255))
    d = ImageDraw.Draw(im)
    px_per_ms = (w - 60) / 2200.0
    for i, (sym, m, _) in enumerate(rows):
        with open(os.path.join(out, "sound", "%02d.wav" % sym.no), "rb") as f:
            data = f.read()[44:44 + sym.pcm_bytes]
        s = sounds.decode(data, sym.bits)
        y0 = 5 + i * 22 + 11
        d.text((4, y0 - 6), "%02d" % sym.no, fill=(0, 0, 0))
        d.line((60, y0, 60 + m["duration_ms"] * px_per_ms, y0), fill=(200, 200, 200))
        step = sym.rate // 1000
        for k in range(0, len(s) - step, step):
            a = max(abs(v) for v in s[k:k + step])
            x = 60 + (k * 1000.0 / sym.rate) * px_per_ms
            d.line((x, y0 - a * 10, x, y0 + a * 10), fill=(28, 99, 128))
    im.save(os.path.join(build, "sound_waves.png"))


def build_cards(symbols, out, build):
    sheet = Image.new("RGB", (8 * 304 + 4, 6 * 308 + 4), (90, 90, 90))
    for sym in symbols:
        im = cards.render(sym)
        data = to_gif(im, sym.gif_bytes)
        write(os.path.join(out, "card", "%02d.gif" % sym.no), data)
        col, row = (sym.no - 1) % 8, (sym.no - 1) // 8
        sheet.paste(Image.open(io.BytesIO(data)).convert("RGB"), (4 + col * 304, 4 + row * 308))
    sheet.save(os.path.join(build, "cards_sheet.png"))
    print("cards ok", flush=True)


def build_pictures(symbols, out, build):
    for name, im in (("chart", pictures.chart(symbols)), ("logo", pictures.logo()),
                     ("portrait", pictures.portrait())):
        w, h, size = content.PICTURES[name]
        if im.size != (w, h):
            raise BuildError("%s is %dx%d, expected %dx%d" % ((name,) + im.size + (w, h)))
        data = to_gif(im, size)
        write(os.path.join(out, name + ".gif"), data)
        if name == "chart":
            _region_sheet(data, build)
    print("pictures ok", flush=True)


def _region_sheet(chart_gif, build):
    """The chart with every hit region framed the way the program frames
    them: a 5-pixel red pen centred on the region's outline."""
    im = Image.open(io.BytesIO(chart_gif)).convert("RGB")
    d = ImageDraw.Draw(im)
    regions = [r for _, r in pictures.symbol_regions()] + [r for _, r in pictures.group_regions()]
    for l, t, w, h in regions:
        d.rectangle((l - 2, t - 2, l + w + 2, t + h + 2), outline=(255, 0, 0), width=5)
    im.save(os.path.join(build, "chart_regions.png"))


def build_icon(out):
    write(os.path.join(out, "app.ico"), icofile.build(pictures.icon_images()))
    print("icon ok", flush=True)


def main(argv=None):
    root = content.repo_root()
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", default=os.path.join(root, "media", "assets"),
                    help="directory for the media files (default: media/assets)")
    ap.add_argument("--build", default=os.path.join(root, "build-assets"),
                    help="directory for reports and contact sheets (default: build-assets)")
    ap.add_argument("--tsv", default=os.path.join(root, "media", "assets", "cards.tsv"),
                    help="content table to build from")
    ap.add_argument("--only", nargs="+", choices=PARTS, help="build only these parts")
    ap.add_argument("--before", help="media directory whose sounds the report compares with "
                    "(default: the sounds this build replaces)")
    args = ap.parse_args(argv)
    parts = args.only or PARTS
    os.makedirs(args.out, exist_ok=True)
    os.makedirs(args.build, exist_ok=True)
    symbols = content.load(args.tsv)
    failures = []
    if "sounds" in parts:
        failures += build_sounds(symbols, args.out, args.build, args.before)
    if "cards" in parts:
        build_cards(symbols, args.out, args.build)
    if "pictures" in parts:
        build_pictures(symbols, args.out, args.build)
    if "icon" in parts:
        build_icon(args.out)
    if "words" in parts:
        failures += words.build(symbols, args.out)
    if failures:
        print("sound problems (see %s):" % os.path.join(args.build, "sound_report.txt"))
        for f in failures:
            print("  " + f)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

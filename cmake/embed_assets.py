#!/usr/bin/python3
"""Turns the media build inputs into a C++ source of read-only byte arrays.

Usage: embed_assets.py ASSET_DIR OUTPUT.cpp
Fails, naming the file, when any input is missing or empty.
"""
import os
import sys


def inputs(asset_dir):
    names = ["sound/%02d.wav" % n for n in range(1, 49)]
    names += ["card/%02d.gif" % n for n in range(1, 49)]
    names += ["chart.gif", "logo.gif", "portrait.gif"]
    return [(name, os.path.join(asset_dir, name)) for name in names]


def array(symbol, data):
    # Decimal bytes, 24 a line: compact enough and fast to compile.
    lines = []
    for i in range(0, len(data), 24):
        lines.append(",".join(str(b) for b in data[i:i + 24]))
    return "alignas(4) const unsigned char %s[%d] = {\n%s\n};\n" % (symbol, len(data), ",\n".join(lines))


def main():
    asset_dir, output = sys.argv[1], sys.argv[2]
    missing = [path for _, path in inputs(asset_dir) if not os.path.isfile(path) or os.path.getsize(path) == 0]
    if missing:
        for path in missing:
            sys.stderr.write("embed_assets: missing media file: %s\n" % path)
        return 1
    out = ['// Generated from media/assets by cmake/embed_assets.py. Do not edit.\n',
           '#include "media/assets_data.h"\n\nnamespace pelomar::assets_data {\nnamespace {\n']
    symbols = {}
    for name, path in inputs(asset_dir):
        symbol = "k_" + name.replace("/", "_").replace(".", "_")
        symbols[name] = symbol
        with open(path, "rb") as f:
            out.append(array(symbol, f.read()))
    out.append("}  // namespace\n\n")

    def view(name):
        return "{%s, sizeof %s}" % (symbols[name], symbols[name])

    out.append("const AssetView kSounds[kSymbolCount] = {\n%s};\n" %
               "".join("    %s,\n" % view("sound/%02d.wav" % n) for n in range(1, 49)))
    out.append("const AssetView kCards[kSymbolCount] = {\n%s};\n" %
               "".join("    %s,\n" % view("card/%02d.gif" % n) for n in range(1, 49)))
    out.append("const AssetView kChart = %s;\n" % view("chart.gif"))
    out.append("const AssetView kLogo = %s;\n" % view("logo.gif"))
    out.append("const AssetView kPortrait = %s;\n" % view("portrait.gif"))
    out.append("\n}  // namespace pelomar::assets_data\n")
    tmp = output + ".tmp"
    with open(tmp, "w") as f:
        f.write("".join(out))
    os.replace(tmp, output)
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Packs the release archives: for each built Pelomar.exe, a zip holding the
program and its usage note in Chinese.

The note is written in GBK with CRLF line ends, as Notepad on a Chinese
Windows opens it, and its file name is stored in GBK without the UTF-8 flag,
which is how every version of Windows' own zip folders (and most zip tools)
on a Chinese system read names. Entries carry the date of the last commit,
so the same sources pack into the same bytes.

Usage: tools/release/pack.py VERSION OUT_DIR ARCH=PATH/TO/Pelomar.exe ...
"""
import os
import subprocess
import sys
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
NOTE_NAME = "使用说明.txt"


def note_bytes(version):
    with open(os.path.join(HERE, "usage_zh.txt"), encoding="utf-8") as f:
        text = f.read().replace("@VERSION@", version)
    lines = text.splitlines()
    return ("\r\n".join(lines) + "\r\n").encode("gbk")


def stamp():
    """The last commit's time (or SOURCE_DATE_EPOCH), as a zip date."""
    seconds = os.environ.get("SOURCE_DATE_EPOCH")
    if not seconds:
        try:
            seconds = subprocess.run(["git", "-C", HERE, "log", "-1", "--format=%ct"], capture_output=True,
                                     text=True, check=True).stdout.strip()
        except (OSError, subprocess.CalledProcessError):
            seconds = str(int(time.time()))
    return time.gmtime(int(seconds))[:6]


class GbkNamedInfo(zipfile.ZipInfo):
    """An entry whose name is stored as GBK bytes, without the UTF-8 flag
    (zipfile itself writes any non-ASCII name as flagged UTF-8)."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("gbk"), self.flag_bits & ~0x800


def entry(name, date):
    info = (zipfile.ZipInfo if name.isascii() else GbkNamedInfo)(name, date_time=date)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 0  # MS-DOS: no Unix permissions to carry
    info.external_attr = 0x20  # archive
    return info


def pack(version, out_dir, arch, exe):
    os.makedirs(out_dir, exist_ok=True)
    path = os.path.join(out_dir, "Pelomar-%s-%s.zip" % (version, arch))
    date = stamp()
    with open(exe, "rb") as f:
        program = f.read()
    with zipfile.ZipFile(path, "w", compression=zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.writestr(entry("Pelomar.exe", date), program)
        z.writestr(entry(NOTE_NAME, date), note_bytes(version))
    return path


def main(argv):
    if len(argv) < 4:
        sys.exit(__doc__)
    version, out_dir = argv[1], argv[2]
    for spec in argv[3:]:
        arch, exe = spec.split("=", 1)
        print(pack(version, out_dir, arch, exe))


if __name__ == "__main__":
    main(sys.argv)

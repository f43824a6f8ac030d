#!/usr/bin/python3
"""Checks the release archives that tools/release.sh packs: each holds exactly
the program built for its architecture and the usage note, a GBK text with
CRLF line ends under a GBK name, and the program carries its manifest.

Usage: tests/release/check_release.py DIST_DIR VERSION ARCH=PATH/TO/Pelomar.exe ...
"""
import struct
import sys
import zipfile

NOTE_NAME = "使用说明.txt"
MACHINES = {"win64": 0x8664, "win32": 0x14C}
# Words the note must carry: what to untick, the settings file, the folder to delete; to unzip before
# running; the way past the warning for an unsigned program; the settings' second place.
NOTE_MUST_SAY = ["随系统启动", "Pelomar.ini", "不用安装", "删除", "通知区域", "解压", "压缩包里",
                 "“Windows 已保护你的电脑”", "“更多信息”", "“仍要运行”", "%LOCALAPPDATA%\\Pelomar",
                 "听音练习", "Pelomar-practice.ini"]
MANIFEST_MUST_SAY = [b'level="asInvoker"', b"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                     b"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", b"Microsoft.Windows.Common-Controls",
                     b">false</dpiAware>", b">true</gdiScaling>"]

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def pe_machine(data):
    if data[:2] != b"MZ":
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, offset + 4)[0]


def check_archive(path, version, arch, exe):
    print("== %s" % path)
    with zipfile.ZipFile(path) as z:
        infos = z.infolist()
        check(z.testzip() is None, "%s: every entry reads back intact" % arch)
        names = [i.orig_filename for i in infos]
        gbk_name = NOTE_NAME.encode("gbk").decode("cp437")
        check(names == ["Pelomar.exe", gbk_name], "%s: holds Pelomar.exe and the note, nothing else: %r" % (arch, names))
        check(all(not i.flag_bits & 0x800 for i in infos), "%s: names in GBK, not flagged as UTF-8" % arch)
        with open(exe, "rb") as f:
            built = f.read()
        program = z.read("Pelomar.exe")
        check(program == built, "%s: Pelomar.exe is the program built for it" % arch)
        check(pe_machine(program) == MACHINES[arch], "%s: Pelomar.exe is a %s program" % (arch, arch))
        for part in MANIFEST_MUST_SAY:
            check(part in program, "%s: the manifest carries %s" % (arch, part.decode()))
        note = z.read(gbk_name)
        try:
            text = note.decode("gbk")
        except UnicodeDecodeError:
            text = None
        check(text is not None, "%s: the note is GBK text" % arch)
        text = text or ""
        check(b"\n" not in note.replace(b"\r\n", b"") and b"\r" not in note.replace(b"\r\n", b""),
              "%s: the note's lines end in CR LF only" % arch)
        check(note.endswith(b"\r\n"), "%s: the note ends with a line end" % arch)
        check(("Pelomar(Vok) %s" % ".".join(version.split(".")[:2])) in text, "%s: the note names the version" % arch)
        for word in NOTE_MUST_SAY:
            check(word in text, "%s: the note says %s" % (arch, word))


def main(argv):
    if len(argv) < 4:
        sys.exit(__doc__)
    dist, version = argv[1], argv[2]
    for spec in argv[3:]:
        arch, exe = spec.split("=", 1)
        check_archive("%s/Pelomar-%s-%s.zip" % (dist, version, arch), version, arch, exe)
    print("%d failed" % len(failures))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main(sys.argv)

#!/usr/bin/python3
"""What a kill in the middle of saving leaves of the settings file.

Starts bench/settings_kill_win32_bench.exe, which saves Pelomar.ini over and
over (a long and a short text, alternately), kills it at a random moment
(0 to 50 ms after it has begun its loop) and looks at the folder: whether
Pelomar.ini holds one of the two texts, one of them followed by blanks (which
reads as that text), or anything else (torn); which other files are there;
and, through the temporary file, which are still there after one ordinary
save run to its end. Two runs:
through the temporary file, and rewriting in place (the helper keeps any
temporary file from being made, as a folder that refuses new files would).

A third run kills the in-place loop at its worst moment, right after the
write of the short text over the long one, with gdb (see run_at_the_cut),
and counts the files that still end in blanks after one save that has
nothing else to write.

Usage: bench/settings_kill_bench.py BUILD_DIR [KILLS [temporary|in-place|at-the-cut]]
  BUILD_DIR is the win64 build folder (build/win64); KILLS per run, 100 by
  default (at most 20 for the third run unless it is named); all three runs
  unless one is named. Runs under the build's bench Wine prefix
  (cmake/wine-run.sh).
"""
import collections
import os
import random
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_RUN = os.path.join(HERE, "..", "cmake", "wine-run.sh")
SECTION = "菜单配置"
KEYS = ["移过时发音", "Ctrl键时忽略_移音", "移过时弹出", "Ctrl键时忽略_移弹", "点击时发音", "Ctrl键时忽略_点音",
        "点击时弹出", "Ctrl键时忽略_点弹", "保持前端", "Esc键退出", "随系统启动"]


def settings_bytes(on):
    text = "[%s]\r\n" % SECTION + "".join("%s=%s\r\n" % (k, "真" if on else "假") for k in KEYS)
    return text.encode("gbk")


SHORT = settings_bytes(False)
LONG = b"[notes]\r\nline=" + b"-" * 400 + b"\r\n" + settings_bytes(True)


def state(path):
    if not os.path.exists(path):
        return "missing"
    with open(path, "rb") as f:
        data = f.read()
    if data in (SHORT, LONG):
        return "old or new text"
    if data.rstrip(b" ") in (SHORT, LONG):
        return "a text and blanks (reads as it)"
    return "torn"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def other_files(folder):
    return sorted(n for n in os.listdir(folder)
                  if n != "Pelomar.ini" and not os.path.isdir(os.path.join(folder, n)))


def start_loop(helper, folder, in_place):
    """The helper, once it has begun its loop. Now and then a Wine program
    started right after one was killed ends at once; it is started again."""
    for _ in range(5):
        args = [WINE_RUN, helper, "loop", windows_path(folder)] + (["in-place"] if in_place else [])
        proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        line = proc.stdout.readline()
        if line.strip() == b"ready":
            return proc
        proc.kill()
        _, err = proc.communicate()
        print("  (a start failed: %r %r)" % (line, err[-300:]), file=sys.stderr)
        for name in os.listdir(folder):
            if os.path.isdir(os.path.join(folder, name)):
                os.rmdir(os.path.join(folder, name))
    raise RuntimeError("the helper did not start its loop")


def run(helper, folder, kills, in_place):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    states = collections.Counter()
    left_by_kill = outlived_save = 0
    for _ in range(kills):
        earlier = set(other_files(folder))
        proc = start_loop(helper, folder, in_place)
        time.sleep(random.uniform(0.0, 0.05))
        proc.kill()
        proc.wait()
        proc.stdout.close()
        states[state(os.path.join(folder, "Pelomar.ini"))] += 1
        left = set(other_files(folder)) - earlier
        left_by_kill += bool(left)
        # The directories that kept temporary files away go before the save that follows.
        for name in os.listdir(folder):
            if os.path.isdir(os.path.join(folder, name)):
                os.rmdir(os.path.join(folder, name))
        if not in_place:
            subprocess.run([WINE_RUN, helper, "save", windows_path(folder)], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=True, timeout=120)
            outlived_save += bool(left & set(other_files(folder)))
    return states, left_by_kill, outlived_save, other_files(folder)


def run_at_the_cut(helper, folder, kills):
    """Kills the in-place loop right after the write of the short text over
    the long one, before anything else: gdb stops the helper when that
    write returns (a write of over 100 bytes whose second byte is the first
    byte of the settings section's name) and kills it there."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    states = collections.Counter()
    ini = os.path.join(folder, "Pelomar.ini")
    for _ in range(kills):
        proc = start_loop(helper, folder, True)
        subprocess.run(["gdb", "-nx", "-batch", "-p", str(proc.pid), "-ex", "catch syscall write",
                        "-ex", "condition 1 $rdx > 100 && *(unsigned char *)($rsi + 1) == 0xb2",
                        "-ex", "continue", "-ex", "continue", "-ex", "kill"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        proc.kill()
        proc.wait()
        proc.stdout.close()
        states[state(ini)] += 1
        for name in os.listdir(folder):
            if os.path.isdir(os.path.join(folder, name)):
                os.rmdir(os.path.join(folder, name))
        subprocess.run([WINE_RUN, helper, "keep", windows_path(folder)], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True, timeout=120)
        with open(ini, "rb") as f:
            states["blanks after the next save"] += f.read().endswith(b" ")
    return states


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = sys.argv[1]
    kills = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    helper = os.path.join(build, "bench", "settings_kill_win32_bench.exe")
    which = sys.argv[3] if len(sys.argv) > 3 else ""
    if which in ("", "at-the-cut"):
        folder = os.path.join(build, "bench", "settings-kill", "at-the-cut")
        cut_kills = min(kills, 20) if not which else kills
        states = run_at_the_cut(helper, folder, cut_kills)
        print("rewriting in place, killed right after the write, %d kills:" % cut_kills)
        for name in ("old or new text", "a text and blanks (reads as it)", "torn", "missing",
                     "blanks after the next save"):
            print("  Pelomar.ini %-33s %4d" % (name + ":", states[name]))
    runs = {"temporary": [False], "in-place": [True], "at-the-cut": []}.get(which, [False, True])
    for in_place in runs:
        folder = os.path.join(build, "bench", "settings-kill", "in-place" if in_place else "temporary")
        states, left_by_kill, outlived_save, left_at_end = run(helper, folder, kills, in_place)
        print("%s, %d kills:" % ("rewriting in place" if in_place else "through the temporary file", kills))
        for name in ("old or new text", "a text and blanks (reads as it)", "torn", "missing"):
            print("  Pelomar.ini %-33s %4d" % (name + ":", states[name]))
        print("  kills that left another file beside it:      %4d" % left_by_kill)
        if not in_place:
            print("  ... that was still there after the next save: %4d" % outlived_save)
        print("  other files at the end: %d %s" % (len(left_at_end), " ".join(left_at_end[:2])))


if __name__ == "__main__":
    main()

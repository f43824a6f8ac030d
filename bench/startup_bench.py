#!/usr/bin/python3
"""Start-up time of Pelomar.exe against an empty window program.

Both are started the same way (wine64 PROGRAM on a private Xvfb and Wine
virtual desktop), alternately, and timed from the start of the process to
its main window being mapped on the X screen. Prints the medians, their
ratio and the executable sizes.

Usage: bench/startup_bench.py BUILD_DIR [ROUNDS]
  BUILD_DIR is the win64 build folder (build/win64).
"""
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/win64")
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    os.environ["PELOMAR_EXE"] = os.path.join(build, "Pelomar.exe")
    os.environ.setdefault("PELOMAR_E2E_DIR", os.path.join(build, "bench"))
    import harness  # after the environment is set

    empty = os.path.join(build, "bench", "empty_window.exe")
    session = harness.Session("startup-bench")
    session.start()
    try:
        folder = session.program_folder("bench")

        def time_start(exe, title_pattern):
            for w in session.windows(title_pattern):  # nothing of ours may be on screen yet
                raise RuntimeError("a window is already there")
            started = time.perf_counter()
            proc = subprocess.Popen([harness.WINE, exe], cwd=folder, env=session.env(),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            while not session.windows(title_pattern):
                if proc.poll() is not None:
                    raise RuntimeError("%s ended before showing a window" % exe)
            elapsed = time.perf_counter() - started
            proc.kill()
            proc.wait()
            harness.wait_until(lambda: not session.windows(title_pattern), 10)
            return elapsed

        pelomar_exe = os.path.join(folder, "Pelomar.exe")
        # One unmeasured start of each warms the prefix and the file cache.
        time_start(pelomar_exe, harness.MAIN_TITLE_PATTERN)
        time_start(empty, "^Empty window$")
        pelomar, baseline = [], []
        for _ in range(rounds):
            pelomar.append(time_start(pelomar_exe, harness.MAIN_TITLE_PATTERN))
            baseline.append(time_start(empty, "^Empty window$"))
    finally:
        session.stop()

    mp, mb = statistics.median(pelomar), statistics.median(baseline)
    print("rounds: %d (alternating)" % rounds)
    print("Pelomar.exe      median %.1f ms  (min %.1f, max %.1f)" % (mp * 1000, min(pelomar) * 1000, max(pelomar) * 1000))
    print("empty_window.exe median %.1f ms  (min %.1f, max %.1f)" % (mb * 1000, min(baseline) * 1000, max(baseline) * 1000))
    print("ratio of medians: %.3f (goal: at most 1.10)" % (mp / mb))
    for exe in (os.path.join(build, "Pelomar.exe"), empty,
                os.path.join(os.path.dirname(build), "win32", "Pelomar.exe")):
        if os.path.exists(exe):
            print("size %-40s %8d bytes" % (os.path.relpath(exe, os.path.dirname(build)), os.path.getsize(exe)))


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Runs say_it_win32_bench.exe with a microphone that hears a word every
second: a private PulseAudio server (tests/e2e/pulse_audio.py) whose pipe
source is fed in real time, a Wine prefix of its own with the pulse driver,
and a private Xvfb (tests/e2e/harness.py). The word is made with espeak-ng.

Usage: bench/say_it_bench.py BUILD_DIR [TAKES]
  BUILD_DIR is the win64 build folder (build/win64).
"""
import os
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/win64")
    takes = sys.argv[2] if len(sys.argv) > 2 else "100"
    os.environ.setdefault("PELOMAR_EXE", os.path.join(build, "Pelomar.exe"))
    os.environ.setdefault("PELOMAR_E2E_DIR", os.path.join(build, "bench", "say-it"))
    import harness
    import pulse_audio
    import test_microphone

    word = test_microphone.said_word("pelomar", "bench-word")
    pulse = pulse_audio.PulseServer(os.path.join(harness.WORK_DIR, "pulse"))
    pulse.start()
    session = harness.Session("say-it-bench", prefix_name="wineprefix-pulse", audio="pulse")
    session.extra_env = pulse.env()
    speaking = threading.Event()
    speaking.set()

    def speak():
        while speaking.is_set():
            pulse.say(word)
            time.sleep(1.0)

    speaker = threading.Thread(target=speak, daemon=True)
    try:
        session.start()
        speaker.start()
        bench = os.path.join(build, "bench", "say_it_win32_bench.exe")
        result = subprocess.run([harness.WINE, bench, takes], env=session.env(), stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True, timeout=1800)
        sys.stdout.write(result.stdout)
        return result.returncode
    finally:
        speaking.clear()
        speaker.join(timeout=5)
        session.stop()
        pulse.stop()


if __name__ == "__main__":
    sys.exit(main())

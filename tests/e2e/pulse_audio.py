"""A private PulseAudio server for the tests that need a microphone.

Its default source is a pipe source fed through a FIFO in real time: 10 ms
chunks paced by the clock, quiet noise between the sounds a test has it say.
The pipe source reads only while something records, and then takes at
once whatever waits in the FIFO: the FIFO is kept small and the time nobody
records passes without its noise, so a recording does not begin with
seconds of the past. Its
default sink is a null sink, 22050 Hz mono, whose monitor parec records:
it keeps real time, which a pipe sink does not. Wine reaches it through its
pulse driver (a prefix of its own whose Drivers key says Audio = pulse) and
PULSE_SERVER. The server, the feeder and parec are ended by their ids.
"""
import array
import fcntl
import os
import random
import shutil
import subprocess
import threading
import time
import unittest

import harness

RATE = 22050
CHUNK = RATE // 100  # 10 ms
ROOM = 30            # the quiet noise's peak, on the 16-bit scale


class PulseServer:
    def __init__(self, folder):
        self.folder = folder
        self.fifo = os.path.join(folder, "microphone.fifo")
        self.socket = os.path.join(folder, "native")
        self.server = None
        self.feeder = None
        self.running = False
        self.lock = threading.Lock()
        self.queue = array.array("h")
        self.said_at = None   # monotonic time the queued sound began to be fed
        self.recorders = []

    @staticmethod
    def available():
        return bool(shutil.which("pulseaudio") and shutil.which("parec"))

    def env(self):
        return {"PULSE_SERVER": "unix:" + self.socket}

    def start(self):
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(os.path.join(self.folder, "run"))
        config = os.path.join(self.folder, "default.pa")
        with open(config, "w") as f:
            f.write(".fail\n")  # a module that does not load ends the server
            # The pipe source makes its FIFO itself.
            f.write("load-module module-pipe-source source_name=microphone file=%s format=s16le rate=%d channels=1\n"
                    % (self.fifo, RATE))
            f.write("load-module module-null-sink sink_name=speakers rate=%d channels=1\n" % RATE)
            f.write("set-default-source microphone\nset-default-sink speakers\n")
            f.write("load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n" % self.socket)
        env = dict(os.environ)
        # A home and runtime folder of its own: running as root needs no
        # system mode then, and nothing of another server is touched.
        env.update({"HOME": self.folder, "XDG_RUNTIME_DIR": os.path.join(self.folder, "run")})
        self.server = subprocess.Popen(
            ["pulseaudio", "-n", "-F", config, "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--disable-shm=yes", "--log-target=stderr"],
            env=env, stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.folder, "server.log"), "w"))
        end = time.monotonic() + 20
        while not (os.path.exists(self.socket) and os.path.exists(self.fifo)):
            if self.server.poll() is not None or time.monotonic() > end:
                raise RuntimeError("the PulseAudio server did not start (see %s)" % self.folder)
            time.sleep(0.05)
        self.running = True
        self.feeder = threading.Thread(target=self._feed, daemon=True)
        self.feeder.start()

    def _feed(self):
        noise = random.Random(1)
        fd = os.open(self.fifo, os.O_WRONLY)
        # The pipe source reads only while something records: meanwhile the
        # FIFO fills. A small FIFO that is never waited on keeps what a
        # recording finds there at its start to some 90 ms.
        try:
            fcntl.fcntl(fd, getattr(fcntl, "F_SETPIPE_SZ", 1031), 4096)
        except OSError:
            pass
        os.set_blocking(fd, False)
        try:
            start = time.monotonic()
            fed = 0
            while self.running:
                due = int((time.monotonic() - start) * RATE) + CHUNK
                while fed < due:
                    with self.lock:
                        piece = self.queue[:CHUNK]
                    speech = len(piece)
                    piece.extend(noise.randint(-ROOM, ROOM) for _ in range(CHUNK - len(piece)))
                    try:
                        os.write(fd, piece.tobytes())
                    except BlockingIOError:
                        # Nobody records: the time passes without its noise,
                        # and what is to be said waits.
                        fed = due
                        break
                    with self.lock:
                        if speech and self.said_at is None:
                            self.said_at = time.monotonic()
                        del self.queue[:speech]
                    fed += CHUNK
                time.sleep(0.005)
        except OSError:
            pass
        finally:
            os.close(fd)

    def say(self, samples):
        """Has the microphone hear these samples (16-bit, 22050 Hz) next."""
        with self.lock:
            self.said_at = None
            self.queue.extend(samples)

    def said(self):
        """True once everything said has been fed."""
        with self.lock:
            return not self.queue

    def record_speakers(self, path):
        """Starts recording what is played, 16-bit mono at 22050 Hz, into path."""
        out = open(path, "wb")
        env = dict(os.environ, **self.env())
        proc = subprocess.Popen(["parec", "-d", "speakers.monitor", "--rate=%d" % RATE, "--channels=1",
                                 "--format=s16le", "--raw", "--latency-msec=20"],
                                env=env, stdout=out, stderr=subprocess.DEVNULL)
        self.recorders.append((proc, out))
        return proc

    def stop_recording(self, proc):
        for entry in list(self.recorders):
            if entry[0] is proc:
                proc.terminate()
                try:
                    proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
                entry[1].close()
                self.recorders.remove(entry)

    def stop(self):
        for proc, _ in list(self.recorders):
            self.stop_recording(proc)
        self.running = False
        if self.server:
            self.server.terminate()
            try:
                self.server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
            self.server = None
        if self.feeder:
            # The server's end breaks the pipe, which ends the feeder.
            self.feeder.join(timeout=10)
            self.feeder = None


class PulseTestCase(unittest.TestCase):
    """A test case class whose module shares a PulseAudio server and a Wine
    session of its own (prefix and all) that records and plays through it."""

    session = None
    pulse = None

    @classmethod
    def setUpClass(cls):
        if not PulseServer.available():
            raise unittest.SkipTest("pulseaudio and parec (pulseaudio-utils) are not installed")
        cls.pulse = PulseServer(os.path.join(harness.WORK_DIR, "pulse-" + cls.__name__))
        cls.pulse.start()
        cls.session = harness.Session(cls.__name__, prefix_name="wineprefix-pulse", audio="pulse")
        cls.session.extra_env = cls.pulse.env()
        cls.session.start()

    @classmethod
    def tearDownClass(cls):
        if cls.session:
            cls.session.stop()
        if cls.pulse:
            cls.pulse.stop()

    def tearDown(self):
        for program in self.session.programs:
            program.kill()
        self.session.programs = []


def samples_of(path):
    data = array.array("h")
    with open(path, "rb") as f:
        raw = f.read()
    data.frombytes(raw[:len(raw) // 2 * 2])
    return data

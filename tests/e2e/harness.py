"""Drives the real Pelomar.exe under Wine on a private X server.

Each test module starts one Session: an Xvfb screen of 1024 x 768, a private
Wine prefix whose default desktop is a 1024 x 768 virtual desktop with a
taskbar and notification area, and helpers to start the program, find its
windows, move and click the pointer, take screenshots and read the registry.
Only processes started here are stopped, by their ids, and the prefix's own
wineserver.
"""
import contextlib
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

from PIL import Image

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
SCREEN = (1024, 768)
CHART_SIZE = (530, 459)
HIDDEN = "隐藏"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
RUN_VALUE = "Pelomar(Vok)"

SOURCE_DIR = os.environ.get("PELOMAR_SOURCE_DIR", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))


def _version():
    """major.minor of the project version in CMakeLists.txt, the one place it is kept."""
    with open(os.path.join(SOURCE_DIR, "CMakeLists.txt"), encoding="utf-8") as f:
        m = re.search(r"project\(Pelomar VERSION (\d+)\.(\d+)", f.read())
    return "%s.%s" % m.groups()


VERSION = _version()
MAIN_TITLE = "Pelomar(Vok) %s - 右键设置" % VERSION
MAIN_TITLE_PATTERN = "^" + re.escape(MAIN_TITLE) + "$"
EXE = os.environ.get("PELOMAR_EXE", "")
LAUNCHER = os.environ.get("PELOMAR_LAUNCH", "")
WORK_DIR = os.environ.get("PELOMAR_E2E_DIR", os.path.join(tempfile.gettempdir(), "pelomar-e2e"))
ARTIFACTS = os.path.join(WORK_DIR, "artifacts")


def windows_path(unix_path):
    """The path under Wine's drive Z:."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def wait_until(predicate, timeout=15.0, interval=0.1):
    """Polls predicate until it returns something truthy; returns that or None."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= end:
            return None
        time.sleep(interval)


class Program:
    """One running copy of Pelomar.exe."""

    def __init__(self, session, proc, folder):
        self.session = session
        self.proc = proc
        self.folder = folder

    @property
    def pid(self):
        return self.proc.pid

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout=20.0):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.running():
            self.proc.kill()
            self.proc.wait(timeout=10)

    def main_window(self, timeout=15.0):
        return self.session.find_window(MAIN_TITLE_PATTERN, timeout)

    def ini_path(self):
        return os.path.join(self.folder, "Pelomar.ini")


class Session:
    def __init__(self, name, lang=None, prefix_name="wineprefix", audio=None):
        """audio names Wine's sound driver for a prefix of its own (prefix_name);
        the shared prefix keeps ALSA's null device. extra_env goes to every
        Wine process of the session."""
        self.name = name
        self.lang = lang or os.environ.get("LANG", "zh_CN.UTF-8")
        self.prefix = os.environ.get("PELOMAR_E2E_WINEPREFIX", os.path.join(WORK_DIR, prefix_name)) \
            if prefix_name == "wineprefix" else os.path.join(WORK_DIR, prefix_name)
        self.audio = audio
        self.extra_env = {}
        self.home = os.path.join(WORK_DIR, "home")
        self.xvfb = None
        self.display = None
        self.programs = []

    # -- set-up and tear-down ------------------------------------------------
    def start(self):
        if not EXE or not os.path.isfile(EXE):
            raise unittest.SkipTest("PELOMAR_EXE does not name the built Pelomar.exe")
        os.makedirs(WORK_DIR, exist_ok=True)
        os.makedirs(self.home, exist_ok=True)
        with open(os.path.join(self.home, ".asoundrc"), "w") as f:
            f.write("pcm.!default { type null }\n")
        # Wine draws its caption buttons with its own Marlett font, which this Wine does not find in
        # its data folder; through the private home's font folder fontconfig offers it.
        marlett = "/usr/share/wine/fonts/marlett.ttf"
        fonts = os.path.join(self.home, ".local", "share", "fonts")
        if os.path.isfile(marlett) and not os.path.lexists(os.path.join(fonts, "marlett.ttf")):
            os.makedirs(fonts, exist_ok=True)
            os.symlink(marlett, os.path.join(fonts, "marlett.ttf"))
        read_fd, write_fd = os.pipe()
        # -noreset: without it the server starts afresh whenever its last client leaves, which puts the
        # pointer back in the middle of the screen (on the chart) however it was parked.
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as r:
            number = r.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not report a display")
        self.display = ":" + number
        self._prepare_prefix()
        self._forget_start_up_entry()
        self.move(2, 2)

    def _forget_start_up_entry(self):
        """Removes the start-with-system entry an earlier run left in the
        prefix. Wine starts the current user's start-up entries whenever its
        server starts, which would put a hidden copy of an earlier test's
        program (with its tray icon) beside this session's: the prefix is
        started once to delete the entry and once more clean."""
        if self._wine_detached(["reg", "query", RUN_KEY, "/v", RUN_VALUE]) != 0:
            return
        self._wine_detached(["reg", "delete", RUN_KEY, "/v", RUN_VALUE, "/f"])
        self.stop_stragglers()

    def stop(self):
        for program in self.programs:
            program.kill()
        self.programs = []
        if self.xvfb:
            self._wine_detached(["reg", "delete", RUN_KEY, "/v", RUN_VALUE, "/f"])
        self.stop_stragglers()
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
            self.xvfb = None

    def env(self, lang=None):
        env = dict(os.environ)
        env.update({
            "WINEPREFIX": self.prefix,
            "WINEARCH": "win64",
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "HOME": self.home,
            "LANG": lang or self.lang,
            "LC_ALL": lang or self.lang,
        })
        if self.display:
            env["DISPLAY"] = self.display
        env.update(self.extra_env)
        return env

    def _prepare_prefix(self):
        marker = os.path.join(self.prefix, ".pelomar-desktop")
        if os.path.exists(marker):
            return
        values = [
            (r"HKCU\Software\Wine\Explorer", "Desktop", "REG_SZ", "Default"),
            (r"HKCU\Software\Wine\Explorer\Desktops", "Default", "REG_SZ", "%dx%d" % SCREEN),
            (r"HKCU\Software\Wine\Explorer\Desktops\Default", "EnableShell", "REG_DWORD", "1"),
        ]
        if self.audio:
            values.append((r"HKCU\Software\Wine\Drivers", "Audio", "REG_SZ", self.audio))
        for key, value, kind, data in values:
            self.wine(["reg", "add", key, "/v", value, "/t", kind, "/d", data, "/f"])
        subprocess.run([WINESERVER, "-w"], env=self.env())
        with open(marker, "w") as f:
            f.write("virtual desktop with shell\n")

    def end_session(self, timeout=120):
        """Ends the Windows session as a log-off does. Wine goes on to run the
        current user's start-up entries, which may start a hidden copy of the
        program holding on to any pipe: nothing is captured, and the caller
        stops such copies with stop_stragglers."""
        subprocess.run([WINE, "wineboot", "--end-session"], env=self.env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=timeout)

    def stop_stragglers(self):
        """Ends every program of this session's Wine and waits for its server
        to go: what is left of programs started through the launcher, or
        everything when the session ends."""
        subprocess.run([WINESERVER, "-k"], env=self.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=self.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # -- running programs ----------------------------------------------------
    def _wine_detached(self, args):
        """Runs a Wine built-in without pipes (a program Wine starts on the
        way would hold them open); returns its exit code."""
        return subprocess.run([WINE] + args, env=self.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=120).returncode

    def wine(self, args, lang=None, check=True):
        """Runs a Wine built-in (reg, ...) to completion; returns its output."""
        result = subprocess.run([WINE] + args, env=self.env(lang), capture_output=True, timeout=120)
        if check and result.returncode != 0:
            raise RuntimeError("wine %s failed: %s" % (" ".join(args), result.stderr.decode(errors="replace")))
        return result.stdout.decode("utf-8", errors="replace")

    def program_folder(self, name, exotic=False):
        """A fresh folder holding a copy of Pelomar.exe; exotic adds characters
        outside code page 936 and blanks to its path."""
        sub = name + (" ü ħ 音标" if exotic else "")
        folder = os.path.join(WORK_DIR, "run", sub)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        shutil.copy2(EXE, os.path.join(folder, "Pelomar.exe"))
        return folder

    def launch(self, folder, args=(), lang=None, without_display=False, dll_overrides=""):
        """Starts folder/Pelomar.exe with the given arguments (each passed as
        one argv entry; Wine quotes those with blanks). Without a display,
        Wine can create no window; dll_overrides adds to WINEDLLOVERRIDES."""
        exe = os.path.join(folder, "Pelomar.exe")
        argv = [WINE, exe] + list(args)
        env = self.env(lang)
        if without_display:
            env.pop("DISPLAY", None)
        if dll_overrides:
            env["WINEDLLOVERRIDES"] += ";" + dll_overrides
        proc = subprocess.Popen(argv, cwd=folder, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        program = Program(self, proc, folder)
        self.programs.append(program)
        return program

    def launch_exact(self, folder, arguments_text, lang=None):
        """Starts folder/Pelomar.exe with an exact Windows command line: the
        quoted program path, a blank and arguments_text, untouched. The
        returned Program's exit code is the program's own."""
        if not LAUNCHER or not os.path.isfile(LAUNCHER):
            raise unittest.SkipTest("PELOMAR_LAUNCH does not name the launcher")
        command = '"%s" %s' % (windows_path(os.path.join(folder, "Pelomar.exe")), arguments_text)
        proc = subprocess.Popen([WINE, LAUNCHER, command.encode("utf-8").hex()], cwd=folder, env=self.env(lang),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        program = Program(self, proc, folder)
        self.programs.append(program)
        return program

    def window_state(self, minimise=False):
        """What Windows knows of the main window (see window_state_win32.cpp):
        0 when there is none, else 1 + 2 if topmost + 4 if visible + 8 if
        minimised + 16 if it is the foreground window. minimise minimises it
        first."""
        helper = os.environ.get("PELOMAR_WINDOW_STATE", "")
        if not os.path.isfile(helper):
            raise unittest.SkipTest("PELOMAR_WINDOW_STATE does not name the window-state helper")
        args = [WINE, helper] + (["minimise"] if minimise else []) + [MAIN_TITLE.encode("utf-8").hex()]
        return subprocess.run(args, env=self.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=60).returncode

    @contextlib.contextmanager
    def sound_output(self, pcm):
        """Programs started meanwhile play into this ALSA default device (the
        body of a pcm.!default block); afterwards the null device is back."""
        asoundrc = os.path.join(self.home, ".asoundrc")
        with open(asoundrc) as f:
            plain = f.read()
        with open(asoundrc, "w") as f:
            f.write("pcm.!default { %s }\n" % pcm)
        try:
            yield
        finally:
            with open(asoundrc, "w") as f:
                f.write(plain)

    # -- X helpers -------------------------------------------------------------
    def xdotool(self, *args, check=False):
        result = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env(), capture_output=True, timeout=30)
        if check and result.returncode != 0:
            raise RuntimeError("xdotool %s failed" % " ".join(map(str, args)))
        return result.stdout.decode(errors="replace")

    def windows(self, name_regex):
        out = self.xdotool("search", "--onlyvisible", "--name", name_regex)
        return [int(w) for w in out.split()]

    def find_window(self, name_regex, timeout=15.0):
        found = wait_until(lambda: self.windows(name_regex), timeout)
        return found[0] if found else None

    def geometry(self, window):
        """Absolute (x, y, width, height) of an X window."""
        out = subprocess.run(["xwininfo", "-id", str(window)], env=self.env(), capture_output=True,
                             timeout=30).stdout.decode()
        values = {}
        for key, label in (("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"),
                           ("w", "Width"), ("h", "Height")):
            m = re.search(label + r":\s+(-?\d+)", out)
            values[key] = int(m.group(1)) if m else None
        return values["x"], values["y"], values["w"], values["h"]

    def client_origin(self, window, client_size=CHART_SIZE):
        """Screen position of a framed window's client area: equal side
        borders, the rest of the height above the client is the caption."""
        x, y, w, h = self.geometry(window)
        border = (w - client_size[0]) // 2
        return x + border, y + h - client_size[1] - border

    def move(self, x, y):
        self.xdotool("mousemove", x, y)

    def click(self, x, y, button=1):
        self.xdotool("mousemove", x, y)
        time.sleep(0.05)
        self.xdotool("click", button)

    def press(self, button=1):
        self.xdotool("mousedown", button)

    def release(self, button=1):
        self.xdotool("mouseup", button)

    def key(self, *keys):
        self.xdotool("key", *keys)

    def close_box(self, window):
        """The close box of a captioned window, as Wine draws it."""
        x, y, w, _ = self.geometry(window)
        return x + w - 11, y + 12

    def screenshot(self, save_as=None):
        path = os.path.join(WORK_DIR, "shot-%s.png" % self.name)
        subprocess.run(["import", "-window", "root", path], env=self.env(), check=True, timeout=60)
        image = Image.open(path).convert("RGB")
        if save_as:
            os.makedirs(ARTIFACTS, exist_ok=True)
            image.save(os.path.join(ARTIFACTS, save_as))
        return image

    # -- registry --------------------------------------------------------------
    @contextlib.contextmanager
    def registry_restored(self, *keys):
        """Lets a test change the given registry keys: afterwards each is as
        it was, its values and subkeys, or gone if it was not there."""
        backups = []
        for number, key in enumerate(keys):
            backup = os.path.join(WORK_DIR, "registry-backup-%d.reg" % number)
            if os.path.exists(backup):
                os.remove(backup)
            self._wine_detached(["reg", "export", key, windows_path(backup), "/y"])
            backups.append((key, backup if os.path.exists(backup) else None))
        try:
            yield
        finally:
            for key, backup in backups:
                self._wine_detached(["reg", "delete", key, "/f"])
                if backup:
                    self._wine_detached(["reg", "import", windows_path(backup)])

    def reg_value(self, key, name):
        """The data of a registry value as reg.exe prints it, or None."""
        result = subprocess.run([WINE, "reg", "query", key, "/v", name], env=self.env(), capture_output=True,
                                timeout=120)
        if result.returncode != 0:
            return None
        for line in result.stdout.decode("utf-8", errors="replace").splitlines():
            parts = re.split(r"\s{4}", line.strip(), maxsplit=2)
            if len(parts) == 3 and parts[0] == name:
                return parts[2]
        return None


def decoded_asset(name):
    """A media asset decoded to RGB by PIL."""
    folder = os.environ.get("PELOMAR_ASSET_DIR") or os.path.join(SOURCE_DIR, "media", "assets")
    with Image.open(os.path.join(folder, name)) as image:
        return image.convert("RGB")


def differing_pixels(a, b, box_a, offset_b=(0, 0)):
    """Number of pixels of image a inside box_a that differ from image b at
    the same place shifted by offset_b."""
    x0, y0, x1, y1 = box_a
    pa, pb = a.load(), b.load()
    count = 0
    for y in range(y0, y1):
        for x in range(x0, x1):
            if pa[x, y] != pb[x - x0 + offset_b[0], y - y0 + offset_b[1]]:
                count += 1
    return count


class SessionTestCase(unittest.TestCase):
    """A test case class whose module shares one Session. Screenshots of a
    failed test are saved as artifacts under the e2e folder."""

    session = None

    @classmethod
    def setUpClass(cls):
        cls.session = Session(cls.__name__)
        cls.session.start()

    @classmethod
    def tearDownClass(cls):
        if cls.session:
            cls.session.stop()

    def tearDown(self):
        failed = any(error for _, error in getattr(self._outcome, "errors", []) if error) if hasattr(
            self._outcome, "errors") else False
        result = getattr(self._outcome, "result", None)
        if result is not None and hasattr(result, "failures"):
            failed = failed or any(t is self for t, _ in result.failures + result.errors)
        if failed:
            try:
                self.session.screenshot(save_as="%s.png" % self.id())
            except Exception:
                pass
        for program in self.session.programs:
            program.kill()
        self.session.programs = []
        self.session.move(2, 2)


class SoundPipe:
    """A sound output whose device writes into a FIFO that is read here, for
    programs started meanwhile: opened() tells whether one of them has the
    device open. Whatever is written is read and dropped."""

    def __init__(self, session):
        self.session = session
        self.path = os.path.join(WORK_DIR, "sound-%s.fifo" % session.name)

    def __enter__(self):
        if os.path.exists(self.path):
            os.remove(self.path)
        os.mkfifo(self.path)
        # Opened first and without waiting, so that the device's own opening
        # of the FIFO never waits for a reader.
        self.fd = os.open(self.path, os.O_RDONLY | os.O_NONBLOCK)
        self.output = self.session.sound_output('type file slave.pcm "null" file "%s" format "raw"' % self.path)
        self.output.__enter__()
        return self

    def opened(self):
        """True while a writer has the FIFO open: a read finds no data but no
        end of file either."""
        while True:
            try:
                if not os.read(self.fd, 1 << 16):
                    return False
            except BlockingIOError:
                return True

    def __exit__(self, *exc):
        self.output.__exit__(*exc)
        os.close(self.fd)
        os.remove(self.path)


# -- screen comparisons, the pop-up menu and the tray ------------------------------
TRAY_AREA = (900, SCREEN[1] - 20, SCREEN[0], SCREEN[1])  # the right end of the taskbar
MENU_ITEMS = 16  # the menu's 22 rows less its 6 separators


def changed_box(before, after, region=None):
    """(left, top, right, bottom) around the pixels that differ between two
    screenshots, inside region when given; None when nothing differs."""
    from PIL import ImageChops
    if region:
        box = ImageChops.difference(before.crop(region), after.crop(region)).getbbox()
        return None if box is None else (box[0] + region[0], box[1] + region[1], box[2] + region[0],
                                         box[3] + region[1])
    return ImageChops.difference(before, after).getbbox()


def wait_for_change(session, before, region=None, timeout=10.0):
    """Screenshots until something differs from before; returns (box, shot)
    or (None, last shot)."""
    end = time.monotonic() + timeout
    while True:
        time.sleep(0.2)
        shot = session.screenshot()
        box = changed_box(before, shot, region)
        if box or time.monotonic() >= end:
            return box, shot


def count_pixels(image, box, predicate):
    """How many pixels inside box satisfy predicate((r, g, b))."""
    x0, y0, x1, y1 = box
    pixels = image.load()
    return sum(1 for y in range(y0, y1) for x in range(x0, x1) if predicate(pixels[x, y]))


def menu_item_bands(session, menu_box, shot):
    """The vertical extent (top, bottom) of each of the open menu's items,
    found by walking them with the Down key and seeing which band lights up.
    Leaves the last item selected."""
    bands = []
    previous = shot
    for _ in range(MENU_ITEMS):
        session.key("Down")
        box, now = wait_for_change(session, previous, menu_box, timeout=5.0)
        lit = changed_box(shot, now, menu_box)
        if lit is None:
            break
        bands.append((lit[1], lit[3]))
        previous = now
    return bands


def menu_item_checked(shot, menu_box, band):
    """True when the item's mark column shows a check mark (dark pixels)."""
    left = menu_box[0]
    area = (left + 2, band[0], left + 17, band[1])
    return count_pixels(shot, area, lambda p: sum(p) < 250) >= 4

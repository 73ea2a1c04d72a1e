#!/usr/bin/env python3
"""Checks of what a Windows user downloads, each in a fresh Wine prefix.

  packagecheck.py zip ZIP WORKDIR [SCREENSHOT]
      The portable zip: exactly the expected files, every text of packaging/Texts.cmake and
      the fonts among them; every DLL that lumaril.exe and Qt's plugins import is in it or part
      of Windows; unzipped into a folder whose name has spaces and non-ASCII letters,
      `lumaril.exe --check-data` works there and `..\\lumaril --check-data` in each text's
      folder, `lumaril --check-data` typed into cmd.exe in a console answers before the
      prompt with its exit status in %ERRORLEVEL% (there and in the folder above, which has no
      quran.txt), and the window starts, loads
      every DLL of the zip and no DLL from anywhere else. With SCREENSHOT (and an X display with a
      window manager), the window after a search for "mercy" is saved there. The licences: the
      GNU texts and the fonts' licence, and the notices each DLL and font shipped needs.

  packagecheck.py installer SETUP WORKDIR
      Round trips in one prefix, each ending with a complete installation (files, licences,
      a shortcut for the program and each text starting in that text's folder, Apps & features
      entry, --check-data from the shortcuts' working folders, no font put into Windows) or
      with none: silent install, silent install over it, with DISPLAY the wizard cancelled on
      each page and then finished with "Run Lumaril"; uninstall; with DISPLAY an install
      without two texts, which stay left out on a silent upgrade and one through the wizard,
      and uninstall; install, uninstall. Then, in a
      fresh prefix and a folder whose parent setup makes: setup over a failing uninstaller
      and over an entry whose uninstaller is gone, and uninstalling.

  packagecheck.py sources SOURCES
      The sources archive beside the downloads: Debian's qt6-base source package README.txt
      names, every file its .dsc lists with that size and SHA-256 and no other, the script and
      toolchain file that built the DLLs and the configure line they were built with.

Needs wine (Debian's wine64 is enough), x86_64-w64-mingw32-objdump, and for the window an X
display (DISPLAY). Exits 1 with the reasons when a check fails.
"""
import fcntl
import os
import pty
import re
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import time
import tty
import zipfile

# The helper is imported from beside this script; no bytecode is left in the source tree.
sys.dont_write_bytecode = True
from xwindows import find_windows  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def read_texts():
    """The texts other than English as {code: name in its own script}, from packaging/Texts.cmake."""
    source = open(os.path.join(ROOT, "packaging", "Texts.cmake"), encoding="utf-8").read()
    codes = re.search(r"^set\(LUMARIL_TEXTS ([^)]*)\)", source, re.M).group(1).split()
    names = dict(re.findall(r'^set\(LUMARIL_TEXT_(\w+)_NATIVE "([^"]*)"\)', source, re.M))
    return {code: names[code] for code in codes if code != "en"}


# Each in a folder of its own, which its shortcut starts the program in.
TEXTS = read_texts()
FONTS = {"fonts/Amiri-Regular.ttf", "fonts/NotoNastaliqUrdu-Regular.ttf"}
TEXT_FILES = {code + "/quran.txt" for code in TEXTS}
EXPECTED_FILES = TEXT_FILES | FONTS | {
    "lumaril.exe", "lumaril.com", "quran.txt", "README.txt", "licences/OFL-1.1.txt",
    "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll",
    "platforms/qwindows.dll", "styles/qwindowsvistastyle.dll", "imageformats/qgif.dll",
    "libgcc_s_seh-1.dll", "libstdc++-6.dll", "libwinpthread-1.dll",
    "licences/LGPL-3.0.txt", "licences/GPL-3.0.txt", "licences/third-party-notices.txt",
}
# The code of others inside each DLL, by the start of its entry's title in
# licences/third-party-notices.txt; found in Debian's qt6-base source (qt_attribution.json)
# and the build's configuration. A DLL not listed here fails until its notices are known.
NOTICES = {
    "qt6core.dll": ["Data Compression Library (zlib)", "PCRE2 ", "PCRE2 - Stack-less",
                    "Efficient Binary-Decimal", "TinyCBOR", "Easing Equations", "BLAKE2",
                    "Secure Hash Algorithm SHA-3 - brg_endian", "Secure Hash Algorithm SHA-3 - Keccak",
                    "Secure Hash Algorithms SHA-384", "Secure Hash Algorithm SHA-1", "MD4",
                    "MD5", "SipHash", "Unicode Character Database",
                    "Unicode Common Locale Data Repository"],
    "qt6gui.dll": ["Data Compression Library (zlib)", "Freetype 2 ", "Freetype 2 - Bitmap",
                   "Freetype 2 - Portable", "HarfBuzz", "LibPNG", "MD4C",
                   "Anti-aliasing rasterizer", "Smooth Scaling", "X Server helper",
                   "Adobe Glyph List", "sRGB color profile", "WebGradients"],
    "qt6widgets.dll": [], "qwindows.dll": [], "qwindowsvistastyle.dll": [], "qgif.dll": [],
    "libgcc_s_seh-1.dll": ["GCC runtime libraries"], "libstdc++-6.dll": ["GCC runtime libraries"],
    "libwinpthread-1.dll": ["MinGW-w64 winpthreads"],
    # Linked into the program files: MinGW-w64's start-up code and C library parts (gdtoa and
    # mingw_pformat among them) and GCC's runtime.
    "lumaril.exe": ["MinGW-w64 runtime", "GCC runtime libraries"],
    "lumaril.com": ["MinGW-w64 runtime", "GCC runtime libraries"],
}
GNU_TEXTS = {"LGPL-3.0.txt": "GNU LESSER GENERAL PUBLIC LICENSE", "GPL-3.0.txt": "GNU GENERAL PUBLIC LICENSE"}
VERSES = "verses: 6236"
failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message, flush=True)


def ok(message):
    print("ok: " + message, flush=True)


class Prefix:
    """A fresh Wine prefix of its own, removed afterwards."""

    def __init__(self, folder):
        self.path = folder
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.env = dict(os.environ, WINEPREFIX=folder, WINEDEBUG="-all", WINEARCH="win64",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        self.env.pop("WINEPATH", None)
        # The fonts a Windows user has (tools/wine-run says which and why).
        r = self.run([os.path.join(ROOT, "tools", "wine-run"), "--prefix-only"])
        if r.returncode != 0:
            raise RuntimeError(f"making the Wine prefix {folder} failed: {r.stderr}")
        self.wait()

    def run(self, argv, cwd=None, timeout=300, env=None):
        return subprocess.run(argv, cwd=cwd, env=env or self.env, timeout=timeout,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                              errors="replace")

    def wine(self, argv, **kw):
        r = self.run(["wine"] + argv, **kw)
        # Wine says so on the crashed program's error output before its debugger takes over,
        # and the program then ends with an error. Wine's background services, started by the
        # first program run in a prefix, write to its error output too: a crash of theirs
        # beside a program that ended well is only noted.
        if "Unhandled" in r.stderr and "starting debugger" in r.stderr:
            if r.returncode != 0:
                fail(f"{argv[0]} crashed: {r.stderr[-500:]!r}")
            else:
                print(f"note: {argv[0]} ended well, but a Wine process beside it crashed", flush=True)
        return r

    def wait(self):
        subprocess.run(["wineserver", "--wait"], env=self.env, timeout=300)

    def kill(self):
        subprocess.run(["wineserver", "--kill"], env=self.env, timeout=60)

    def unix(self, windows_path):
        """C:\\x\\y -> <prefix>/drive_c/x/y"""
        drive, rest = windows_path.split(":", 1)
        return os.path.join(self.path, "drive_" + drive.lower(), *[p for p in rest.split("\\") if p])

    def files(self):
        out = set()
        for base, dirs, names in os.walk(os.path.join(self.path, "drive_c")):
            for n in names + dirs:
                out.add(os.path.relpath(os.path.join(base, n), self.path))
        return out

    def registry(self):
        """Every key of the machine and user hives, as names."""
        keys = set()
        for hive in ("system.reg", "user.reg"):
            with open(os.path.join(self.path, hive), encoding="utf-8", errors="replace") as f:
                for line in f:
                    m = re.match(r"^\[(.*)\] \d+", line)
                    if m:
                        keys.add(hive + ":" + m.group(1))
        return keys


def imports(path):
    out = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", path], stdout=subprocess.PIPE,
                         text=True, check=True).stdout
    return {m.group(1) for m in re.finditer(r"DLL Name: (\S+)", out)}


def check_imports(folder, system32):
    """Every DLL imported by a program file of the folder is in it or one of Windows' own."""
    shipped = {}
    for base, _, names in os.walk(folder):
        for n in names:
            if n.lower().endswith((".exe", ".dll")):
                shipped[n.lower()] = os.path.join(base, n)
    top = {n.lower() for n in os.listdir(folder)}
    system = {n.lower() for n in os.listdir(system32)}
    needed = set()
    for name, path in sorted(shipped.items()):
        for dll in imports(path):
            d = dll.lower()
            if d in top:
                needed.add(d)
            # api-ms-win-* and ext-ms-* are Windows' API sets, not files of their own.
            elif d not in system and not d.startswith(("api-ms-win-", "ext-ms-")):
                fail(f"{name} imports {dll}, which is neither in the zip nor part of Windows")
    return needed


def loaded_dlls(prefix, exe_windows, cwd, seconds, after_start=None):
    """Starts the program with Wine's DLL loading trace; the native DLLs it loaded."""
    env = dict(prefix.env, WINEDEBUG="+loaddll")
    log = tempfile.TemporaryFile(mode="w+", encoding="utf-8", errors="replace")
    proc = subprocess.Popen(["wine", exe_windows], cwd=cwd, env=env, stdout=subprocess.DEVNULL,
                            stderr=log)
    try:
        if after_start:
            after_start(proc)
        else:
            time.sleep(seconds)
        running = proc.poll() is None
    finally:
        prefix.kill()
        proc.wait(timeout=60)
    log.seek(0)
    dlls = set()
    for line in log:
        m = re.search(r'Loaded L"([^"]+)" at \S+: native', line)
        if m:
            # Wine's trace writes a backslash as "\\" and other letters as "\00e9".
            name = re.sub(r"\\([0-9a-f]{4})", lambda c: chr(int(c.group(1), 16)),
                          m.group(1).replace("\\\\", "\x00")).replace("\x00", "\\")
            if name.lower().endswith(".dll"):
                dlls.add(name)
    return running, dlls


def window_screenshot(prefix, cwd, exe, screenshot):
    def drive(proc):
        found = find_windows("Lumaril", timeout=120)
        window = found[0] if found else None
        if not window:
            fail("the window did not appear")
            return
        time.sleep(3)
        subprocess.run(["xdotool", "windowactivate", "--sync", window], timeout=30)
        time.sleep(1)
        # The query box has the focus; Tab goes to "Search !", which Space presses.
        subprocess.run(["xdotool", "type", "--delay", "80", "mercy"], timeout=30)
        subprocess.run(["xdotool", "key", "Tab", "space"], timeout=30)
        # The count comes in a message box; OK closes it (the Linux screenshot has none).
        box = find_windows("^Results !$", timeout=120)
        if not box:
            fail("no message box with the count after the search")
            return
        subprocess.run(["xdotool", "windowactivate", "--sync", box[0]], timeout=30)
        subprocess.run(["xdotool", "key", "Return"], timeout=30)
        time.sleep(3)
        # The screen cut to the window with its frame; a grab of the window alone would be
        # black wherever another window had covered it.
        info = subprocess.run(["xwininfo", "-id", window], stdout=subprocess.PIPE, text=True,
                              timeout=30).stdout
        g = {k: int(v) for k, v in re.findall(r"^\s*(Absolute upper-left [XY]|Width|Height):\s+(-?\d+)",
                                              info, re.MULTILINE)}
        g = {"X": g["Absolute upper-left X"], "Y": g["Absolute upper-left Y"],
             "WIDTH": g["Width"], "HEIGHT": g["Height"]}
        extents = subprocess.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"],
                                 stdout=subprocess.PIPE, text=True, timeout=30).stdout
        numbers = [int(n) for n in re.findall(r"\d+", extents.split("=", 1)[-1])] or [0, 0, 0, 0]
        left, right, top, bottom = (numbers + [0, 0, 0, 0])[:4]
        x, y = int(g["X"]) - left, int(g["Y"]) - top
        w, h = int(g["WIDTH"]) + left + right, int(g["HEIGHT"]) + top + bottom
        subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                        screenshot], timeout=60)
        # The title bar's icon: the program file's own, which Qt leaves to the window class.
        icon = subprocess.run(["xprop", "-id", window, "_NET_WM_ICON"], stdout=subprocess.PIPE,
                              text=True, timeout=30).stdout
        if "Icon (16 x 16)" not in icon or "Icon (32 x 32)" not in icon:
            fail(f"the window has no 16 and 32 pixel icons: {icon[:80]!r}")
    return loaded_dlls(prefix, exe, cwd, 0, after_start=drive)


def console_session(prefix, cwd, commands, timeout=120):
    """Types commands into an interactive cmd.exe in a console (Wine's, on a terminal of its
    own), each once the prompt is back; returns what each printed before the next prompt."""
    # With no X display Wine keeps the console on the terminal rather than opening a window.
    env = {k: v for k, v in prefix.env.items() if k != "DISPLAY"}
    pid, fd = pty.fork()
    if pid == 0:
        # Raw from the start, as Wine's console sets it once cmd.exe reads: no line editing of
        # its own, and a typed Return arrives as the CR a console expects.
        tty.setraw(0)
        # Wide enough that a long prompt and the typed line never wrap.
        fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 400, 0, 0))
        os.chdir(cwd)
        os.execvpe("wine", ["wine", "cmd"], env)
    screen = ""
    prompt = re.compile(r"(^|\n)[A-Z]:\\[^\n>]*>$")

    def until_prompt():
        nonlocal screen
        start = len(screen)
        deadline = time.time() + timeout
        while time.time() < deadline:
            if select.select([fd], [], [], 1)[0]:
                try:
                    chunk = os.read(fd, 4096).decode("utf-8", "replace")
                except OSError:
                    break
                # The console's cursor moves become the blanks they stand for.
                chunk = re.sub(r"\x1b\[(\d*)C", lambda m: " " * int(m.group(1) or 1), chunk)
                screen += re.sub(r"\x1b\][^\x07]*\x07|\x1b\[[0-9;?]*[A-Za-z]|\r", "", chunk)
                if prompt.search(screen[start:]):
                    return screen[start:]
        return None

    answers = []
    try:
        if until_prompt() is None:
            return None
        for command in commands:
            os.write(fd, command.encode() + b"\r")
            seen = until_prompt()
            if seen is None:
                return None
            # The typed line, what came of it, and the next prompt.
            answers.append("\n".join(seen.split("\n")[1:-1]).strip())
        os.write(fd, b"exit\r")
    finally:
        prefix.kill()
        os.waitpid(pid, 0)
        os.close(fd)
    return answers


def check_console(prefix, folder, top):
    """From cmd.exe in a console, "lumaril --check-data" answers before the prompt returns, and
    %ERRORLEVEL% is its exit status, in the program's folder and outside it."""
    commands = ["lumaril --check-data", "echo status %ERRORLEVEL%", "cd ..",
                f"{top}\\lumaril --check-data", "echo status %ERRORLEVEL%"]
    answers = console_session(prefix, folder, commands)
    ok_run = answers is not None and answers[:2] == [VERSES, "status 0"]
    missing_run = (answers is not None and answers[3].endswith("\\quran.txt: it does not exist")
                   and answers[4] == "status 1")
    if not (ok_run and missing_run):
        fail(f"lumaril --check-data typed into cmd.exe: {answers!r}")
    else:
        ok(f"typed into cmd.exe, lumaril --check-data prints {answers[0]!r} and "
           f"{answers[3]!r} before the prompt, %ERRORLEVEL% {answers[1][-1]} and {answers[4][-1]}")


def check_licences(folder):
    """The GNU texts in full, and every notice each DLL in the folder needs."""
    before = len(failures)
    read = lambda name: open(os.path.join(folder, "licences", name), encoding="utf-8").read()
    for name, title in GNU_TEXTS.items():
        if not (title in read(name) and "Version 3, 29 June 2007" in read(name) and len(read(name)) > 7000):
            fail(f"licences/{name} is not the full {title} version 3")
    entries = []  # (title, the DLLs of its "In:" line, the text below)
    for block in re.split(r"^={78}\r?$", read("third-party-notices.txt"), flags=re.M)[1:]:
        lines = block.strip().splitlines()
        entries.append((lines[0], lines[1].lower(), "\n".join(lines[3:]).strip()))
    for dll in (n.lower() for _, _, names in os.walk(folder) for n in names
                if n.lower().endswith((".dll", ".exe", ".com")) and n.lower() != "uninstall.exe"):
        for title in NOTICES.get(dll, [f"(no list of what {dll} contains)"]):
            if not any(t.startswith(title) and dll in d and len(text) > 30 for t, d, text in entries):
                fail(f"{dll}: no notice for {title!r}")
    # Each font shipped: its copyright and the licence it is under, and that licence in full.
    fonts = os.path.join(folder, "fonts")
    for font in sorted(os.listdir(fonts)) if os.path.isdir(fonts) else []:
        if not any("fonts\\" + font.lower() in d and "Copyright" in text and "OFL-1.1.txt" in text
                   for _, d, text in entries):
            fail(f"fonts\\{font}: no notice with its copyright and licence")
    ofl = read("OFL-1.1.txt") if os.path.isfile(os.path.join(folder, "licences", "OFL-1.1.txt")) else ""
    if "SIL OPEN FONT LICENSE Version 1.1" not in ofl or "DISCLAIMER" not in ofl or len(ofl) < 4000:
        fail("licences/OFL-1.1.txt is not the full SIL Open Font License 1.1")
    if len(failures) == before:
        ok(f"full LGPL, GPL and OFL texts and {len(entries)} notices, covering every DLL, program "
           f"and font shipped")


def check_answer_bytes(prefix, folder, top):
    """Written to a pipe, the answer is UTF-8 whatever Windows' code pages: the folder above,
    which has no quran.txt, is named in full."""
    for program in ("lumaril.exe", "lumaril.com"):
        r = subprocess.run(["wine", f"{top}\\{program}", "--check-data"], env=prefix.env,
                           cwd=os.path.dirname(folder), stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, timeout=120)
        want = "\\Téléchargements à moi\\quran.txt: it does not exist\r\n".encode()
        if r.returncode != 1 or not r.stderr.endswith(want):
            fail(f"{program} --check-data to a pipe: exit {r.returncode}, bytes {r.stderr[-80:]!r}")
        else:
            ok(f"{program} --check-data writes UTF-8 to a pipe")


def check_double_click(prefix, folder):
    """lumaril.com started as Explorer starts it, in a console of its own: the window opens and
    no console window stays."""
    if not os.environ.get("DISPLAY"):
        print("skip: lumaril.com double-clicked (no DISPLAY)", flush=True)
        return
    subprocess.run(["wine", "start", "/unix", os.path.join(folder, "lumaril.com")], env=prefix.env,
                   timeout=120)
    try:
        if not find_windows("^Lumaril !", timeout=120):
            fail("lumaril.com double-clicked: no window")
            return
        time.sleep(3)
        consoles = find_windows("conhost", by="--class")
        if consoles:
            fail(f"lumaril.com double-clicked: a console window stays ({len(consoles)})")
        else:
            ok("lumaril.com double-clicked: the window opens and no console window stays")
    except subprocess.TimeoutExpired:
        fail("lumaril.com double-clicked: no window")
    finally:
        prefix.kill()


def check_fonts(folder, work):
    """Each text is drawn whole, those with a face of its own from the zip's fonts folder: Wine
    otherwise finds this machine's copies of the same faces through fontconfig, so it is shown
    Liberation Sans alone (Arial's stand-in) in a prefix of its own."""
    conf = os.path.join(work, "fonts-hidden.conf")
    with open(conf, "w") as f:
        f.write('<?xml version="1.0"?>\n<fontconfig><dir>/usr/share/fonts/truetype/liberation</dir>'
                f'<cachedir>{os.path.join(work, "fonts-hidden-cache")}</cachedir></fontconfig>\n')
    saved = os.environ.get("FONTCONFIG_FILE")
    os.environ["FONTCONFIG_FILE"] = conf
    try:
        prefix = Prefix(os.path.join(work, "fonts-prefix"))
    finally:
        if saved is None:
            os.environ.pop("FONTCONFIG_FILE")
        else:
            os.environ["FONTCONFIG_FILE"] = saved
    count = VERSES.split()[1]
    # Bengali and Chinese are drawn in faces every Windows has, which Wine has not.
    faces = {"ar": "Amiri", "ur": "Noto Nastaliq Urdu"}
    for code in ["en"] + [c for c in TEXTS if c not in ("bn", "zh")]:
        face = faces.get(code, "Arial")
        cwd = folder if code == "en" else os.path.join(folder, code)
        r = prefix.wine([os.path.join(folder, "lumaril.com"), "--check-fonts"], cwd=cwd, timeout=300)
        expected = f"fonts: OK, {count} verses drawn in {face}"
        if r.returncode != 0 or not r.stdout.strip().startswith(expected):
            fail(f"--check-fonts in {code}: exit {r.returncode}, out {r.stdout.strip()!r}, "
                 f"err {r.stderr[-800:]!r}")
        else:
            ok(f"--check-fonts in {code}: {r.stdout.strip()!r}, with the machine's fonts hidden")
    prefix.kill()
    shutil.rmtree(prefix.path, ignore_errors=True)


def check_zip(zip_path, work, screenshot=None):
    with zipfile.ZipFile(zip_path) as z:
        names = [n for n in z.namelist() if not n.endswith("/")]
    tops = {n.split("/", 1)[0] for n in names}
    if len(tops) != 1:
        fail(f"the zip should unpack into one folder, not {sorted(tops)}")
        return
    top = tops.pop()
    inside = {n.split("/", 1)[1] for n in names}
    if inside != EXPECTED_FILES:
        fail(f"zip contents: missing {sorted(EXPECTED_FILES - inside)}, "
             f"extra {sorted(inside - EXPECTED_FILES)}")
    else:
        ok(f"the zip holds exactly the {len(inside)} expected files in {top}/")

    prefix = Prefix(os.path.join(work, "zip-prefix"))
    downloads = os.path.join(prefix.path, "drive_c", "users", "Public", "Téléchargements à moi")
    os.makedirs(downloads)
    with zipfile.ZipFile(zip_path) as z:
        z.extractall(downloads)
    folder = os.path.join(downloads, top)
    system32 = os.path.join(prefix.path, "drive_c", "windows", "system32")
    before = len(failures)
    needed = check_imports(folder, system32)
    if len(failures) == before:
        ok("every DLL imported by the zip's program files is in it or part of Windows")

    check_licences(folder)

    exe = "lumaril.exe"
    r = prefix.wine([exe, "--check-data"], cwd=folder, timeout=120)
    if r.returncode != 0 or r.stdout.strip() != VERSES:
        fail(f"--check-data in the unzipped folder: exit {r.returncode}, out {r.stdout!r}, "
             f"err {r.stderr[-500:]!r}")
    else:
        ok(f"lumaril.exe --check-data in the unzipped folder prints {VERSES!r}")
    # As README.txt says: in cmd.exe, cd into a text's folder and start the program from above.
    answers = console_session(prefix, folder, [f"cd {code} & ..\\lumaril --check-data & cd .."
                                               for code in TEXTS])
    wrong = [c for c, a in zip(TEXTS, answers or []) if a != VERSES]
    if answers is None or len(answers) != len(TEXTS) or wrong:
        fail(f"..\\lumaril --check-data in the texts' folders: {answers!r}")
    else:
        ok(f"..\\lumaril --check-data prints {VERSES!r} in each of the {len(TEXTS)} texts' folders")
    check_console(prefix, folder, top)
    check_answer_bytes(prefix, folder, top)
    check_double_click(prefix, folder)

    if screenshot:
        running, dlls = window_screenshot(prefix, folder, exe, screenshot)
    else:
        running, dlls = loaded_dlls(prefix, exe, folder, 15)
    if not running:
        fail("lumaril.exe did not keep running with its window open")
    folder_win = "C:\\users\\Public\\Téléchargements à moi\\" + top + "\\"
    from_zip = {d[len(folder_win):].replace("\\", "/").lower() for d in dlls
                if d.lower().startswith(folder_win.lower())}
    elsewhere = {d for d in dlls if not d.lower().startswith(folder_win.lower())
                 and not d.lower().startswith("c:\\windows\\")}
    zip_dlls = {n.lower() for n in EXPECTED_FILES if n.endswith(".dll")}
    if from_zip != zip_dlls:
        fail(f"DLLs loaded from the zip folder: not loaded {sorted(zip_dlls - from_zip)}, "
             f"unexpected {sorted(from_zip - zip_dlls)}")
    else:
        ok(f"the window loads every one of the zip's {len(zip_dlls)} DLLs")
    if elsewhere:
        fail(f"DLLs loaded from outside the zip and Windows: {sorted(elsewhere)}")
    if not needed <= zip_dlls:
        fail(f"imported but not loaded: {sorted(needed - zip_dlls)}")
    if screenshot and os.path.exists(screenshot):
        ok(f"screenshot of the window after a search: {screenshot}")
    prefix.kill()
    check_fonts(folder, work)
    shutil.rmtree(prefix.path, ignore_errors=True)


def shortcut_fields(lnk):
    """The target's path (from LinkInfo) and the working folder of a .lnk file."""
    b = open(lnk, "rb").read()
    flags = struct.unpack_from("<I", b, 0x14)[0]
    at = 0x4C
    if flags & 0x1:  # HasLinkTargetIDList
        at += 2 + struct.unpack_from("<H", b, at)[0]
    target = None
    if flags & 0x2:  # HasLinkInfo
        size, header, info_flags, _, base_offset = struct.unpack_from("<IIIII", b, at)
        if info_flags & 0x1:
            end = b.index(b"\0", at + base_offset)
            target = b[at + base_offset:end].decode("mbcs" if os.name == "nt" else "cp1252")
            if header >= 0x24:
                uni = struct.unpack_from("<I", b, at + 0x1C)[0]
                if uni:
                    s = at + uni
                    e = s
                    while b[e:e + 2] != b"\0\0":
                        e += 2
                    target = b[s:e].decode("utf-16-le")
        at += size
    unicode = flags & 0x80
    fields = {}
    for bit, name in ((0x4, "name"), (0x8, "relative"), (0x10, "workdir"), (0x20, "args"),
                      (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", b, at)[0]
            at += 2
            width = 2 if unicode else 1
            raw = b[at:at + count * width]
            fields[name] = raw.decode("utf-16-le" if unicode else "cp1252").rstrip("\0")
            at += count * width
    return target, fields.get("workdir")


def reg_values(prefix, key):
    """The key's values as {name: (type, data)}."""
    r = prefix.wine(["reg", "query", key], timeout=120)
    values = {}
    for line in r.stdout.splitlines():
        m = re.match(r"^\s+(\S+)\s+(REG_\w+)\s+(.*)$", line)
        if m:
            values[m.group(1)] = (m.group(2), m.group(3).strip())
    return r.returncode, values


INSTALL = "C:\\Program Files\\Lumaril"
START_MENU = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lumaril"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumaril"
SETUP_TITLE = "Lumaril 1.00 Setup"


def text_shortcut(code):
    return f"Lumaril \u2014 {TEXTS[code]}.lnk"


def expect_installed(prefix, how, install=INSTALL, texts=tuple(TEXTS), every_text=False):
    """A complete installation of the program with TEXTS: every file and no other text, the
    shortcuts, the Apps & features entry, and the program finds its verses from the English
    shortcut's working folder (with EVERY_TEXT, from each text's shortcut's too). Nothing of
    the fonts is put into Windows."""
    problems = []
    folder = prefix.unix(install)
    wanted = EXPECTED_FILES - TEXT_FILES | {code + "/quran.txt" for code in texts}
    for name in sorted(wanted | {"Uninstall.exe"}):
        if not os.path.isfile(os.path.join(folder, *name.split("/"))):
            problems.append(f"not installed: {name}")
    left_out = sorted(c for c in TEXTS if c not in texts and os.path.exists(os.path.join(folder, c)))
    if left_out:
        problems.append(f"installed though left out: {left_out}")
    fonts = os.path.join(prefix.path, "drive_c", "windows", "Fonts")
    shipped = {os.path.basename(f).lower() for f in FONTS}
    if os.path.isdir(fonts) and shipped & {n.lower() for n in os.listdir(fonts)}:
        problems.append(f"fonts copied into {fonts}")
    # Wine itself lists this machine's own fonts (in Z:\usr\share\fonts), the same ones among them.
    for hive in ("system.reg", "user.reg"):
        for line in open(os.path.join(prefix.path, hive), encoding="utf-8", errors="replace"):
            if any(f in line.lower() for f in shipped) and "Z:\\\\usr\\\\share" not in line:
                problems.append(f"a font registered with Windows in {hive}: {line.strip()}")
    menu = prefix.unix(START_MENU)
    shortcuts = set(os.listdir(menu)) if os.path.isdir(menu) else set()
    # The program's shortcut and each text's: the name, the program started and its working folder.
    expected_shortcuts = {"Lumaril.lnk": install} | {text_shortcut(c): install + "\\" + c for c in texts}
    if shortcuts != set(expected_shortcuts) | {"Uninstall Lumaril.lnk"}:
        problems.append(f"Start-menu entries: missing {sorted(set(expected_shortcuts) - shortcuts)}, "
                        f"extra {sorted(shortcuts - set(expected_shortcuts) - {'Uninstall Lumaril.lnk'})}")
    workdirs = []
    for name, expected in expected_shortcuts.items():
        if name not in shortcuts:
            continue
        target, workdir = shortcut_fields(os.path.join(menu, name))
        if (target or "").lower() != (install + "\\lumaril.exe").lower():
            problems.append(f"{name} starts {target!r}")
        if (workdir or "").lower() != expected.lower():
            problems.append(f"{name}'s working folder is {workdir!r}, not {expected!r}")
        elif name == "Lumaril.lnk" or every_text:
            workdirs.append(workdir)

    code, values = reg_values(prefix, UNINSTALL_KEY)
    expected = {"DisplayName": ("REG_SZ", "Lumaril"), "DisplayVersion": ("REG_SZ", "1.00"),
                "Publisher": ("REG_SZ", "Lumaril Project"), "NoModify": ("REG_DWORD", "0x1"),
                "NoRepair": ("REG_DWORD", "0x1")}
    got = {k: values.get(k) for k in expected}
    if code != 0 or got != expected:
        problems.append(f"Apps & features entry: {got}")
    if not values.get("UninstallString", ("", ""))[1].strip('"').lower().endswith("uninstall.exe"):
        problems.append(f"no uninstaller registered: {values.get('UninstallString')!r}")
    kind, size = values.get("EstimatedSize", ("", "0"))
    on_disk = sum(os.path.getsize(os.path.join(b, n)) for b, _, ns in os.walk(folder) for n in ns) // 1024
    if kind != "REG_DWORD" or abs(int(size, 16) - on_disk) > on_disk // 10:
        problems.append(f"EstimatedSize {kind} {size}, the folder holds {on_disk} KB")

    for workdir in workdirs:
        r = prefix.wine([install + "\\lumaril.exe", "--check-data"], cwd=prefix.unix(workdir),
                        timeout=120)
        if r.returncode != 0 or r.stdout.strip() != VERSES:
            problems.append(f"--check-data from the shortcut's working folder: exit {r.returncode}, "
                            f"out {r.stdout!r}, err {r.stderr[-300:]!r}")
    for p in problems:
        fail(f"{how}: {p}")
    if not problems:
        ok(f"{how}: the installation is complete")


def expect_nothing_left(prefix, how, files_before, keys_before):
    # The uninstaller runs a copy of itself from the temporary folder, which Windows removes.
    temp = re.compile(r"^drive_c/users/[^/]+/(AppData/Local/)?Temp(/|$)|^drive_c/windows/temp(/|$)",
                      re.IGNORECASE)
    left = sorted(f for f in prefix.files() - files_before if not temp.match(f))
    if left:
        fail(f"{how}: left behind: {left}")
    # Wine's crash debugger writes its own settings and a console's. A program started here
    # that crashed has failed in wine() above; these come from one of Wine's background services.
    debugger = "user.reg:Software\\\\Wine\\\\WineDbg"
    new_keys = prefix.registry() - keys_before
    if debugger in new_keys:
        print(f"note: {how}: Wine's crash debugger ran meanwhile", flush=True)
    keys_left = sorted(new_keys - {debugger, "user.reg:Console"})
    if keys_left:
        fail(f"{how}: registry keys left behind: {keys_left}")
    if not left and not keys_left:
        ok(f"{how}: no file and no registry key left behind")


def silently(prefix, argv, how):
    r = prefix.wine(argv, timeout=300)
    prefix.wait()
    if r.returncode != 0:
        fail(f"{how} ended with {r.returncode}: {r.stderr[-500:]!r}")


def xdo(*argv, timeout=30):
    return subprocess.run(["xdotool", *argv], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          text=True, timeout=timeout).stdout.split()


def wizard(prefix, setup, keys, work, name, last_page_after=0):
    """Runs the installer, pressing one key a page (or several, separated by blanks) once it
    has settled (the last one LAST_PAGE_AFTER seconds later still); the page Escape is pressed
    on, or else the last one, goes to WORK/NAME.png. True when the installer ended."""
    proc = subprocess.Popen(["wine", setup], env=prefix.env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    try:
        for i, key in enumerate(keys):
            time.sleep((4 if i == 0 else 2.5) + (last_page_after if i == len(keys) - 1 else 0))
            window = []
            for _ in range(60):
                window = proc.poll() is None and find_windows(SETUP_TITLE)
                if window or proc.poll() is not None:
                    break
                time.sleep(1)
            if not window:
                fail(f"{name}: no installer window for key {i + 1} ({key})")
                return False
            if key == "Escape" or i == len(keys) - 1 and "Escape" not in keys:
                subprocess.run(["import", "-window", "root", os.path.join(work, name + ".png")], timeout=60)
            xdo("windowactivate", "--sync", window[-1])
            xdo("key", *key.split())
        proc.wait(timeout=120)
        return True
    except subprocess.TimeoutExpired:
        fail(f"{name}: the installer did not end")
        return False
    finally:
        if proc.poll() is None:
            proc.kill()


def run_lumaril_found_verses(prefix):
    """The window "Run Lumaril" started finds quran.txt: a search for "mercy" counts results."""
    window = find_windows("^Lumaril !", timeout=120)
    if not window:
        return False
    time.sleep(3)
    xdo("windowactivate", "--sync", window[0])
    xdo("type", "--delay", "80", "mercy")
    xdo("key", "Tab", "space")
    found = find_windows("^Results !$", timeout=60)
    prefix.kill()
    return bool(found)


def check_installer(setup, work):
    prefix = Prefix(os.path.join(work, "installer-prefix"))
    files_before = prefix.files()
    keys_before = prefix.registry()

    silently(prefix, [setup, "/S"], "the silent install")
    expect_installed(prefix, "silent install", every_text=True)
    check_licences(prefix.unix(INSTALL))
    silently(prefix, [setup, "/S"], "the silent install over the installed one")
    expect_installed(prefix, "silent install over the same version")

    if os.environ.get("DISPLAY"):
        # The pages: the notice of the installation already there, Welcome, the licence, the
        # folder, the Start-menu folder, the components. Escape is Cancel on each; on a page of
        # the wizard, Return then answers Yes to "Are you sure you want to quit Lumaril Setup?".
        pages = ["notice", "welcome", "licence", "folder", "start-menu", "components"]
        for n, page in enumerate(pages):
            cancel = ["Escape", "Return"] if n else ["Escape"]
            wizard(prefix, setup, ["Return"] * n + cancel, work, "cancel-at-" + page)
            prefix.wait()
            expect_installed(prefix, f"upgrade cancelled at the {page} page")
        # Return goes on to the next page, Install on the last; then the finish page with
        # "Run Lumaril" ticked.
        if wizard(prefix, setup, ["Return"] * len(pages) + ["Return"], work, "upgrade-finished",
                  last_page_after=20):
            if run_lumaril_found_verses(prefix):
                ok("Run Lumaril on the finish page: the window found its verses")
            else:
                fail("Run Lumaril on the finish page: no window with a search result")
        expect_installed(prefix, "upgrade through the wizard")
    else:
        print("skip: the installer's pages (no DISPLAY)", flush=True)

    for round_trip in ("first", "second"):
        silently(prefix, [INSTALL + "\\Uninstall.exe", "/S"], "the silent uninstall")
        expect_nothing_left(prefix, f"{round_trip} uninstall", files_before, keys_before)
        if round_trip == "first":
            if os.environ.get("DISPLAY"):
                check_texts_left_out(prefix, setup, work, files_before, keys_before)
            # What was left out before the uninstall is installed again.
            silently(prefix, [setup, "/S"], "the install after uninstalling")
            expect_installed(prefix, "install after uninstalling")
    prefix.kill()
    shutil.rmtree(prefix.path, ignore_errors=True)


def check_texts_left_out(prefix, setup, work, files_before, keys_before):
    """Installed through the wizard without the first and the last text of the components
    page, they stay left out on upgrades, silent or through the wizard; uninstalling then
    leaves nothing."""
    first, last = sorted(TEXTS)[0], sorted(TEXTS)[-1]
    kept = [c for c in TEXTS if c not in (first, last)]
    how = f"installed without {first} and {last}"
    # Welcome, the licence, the folder, the Start-menu folder; on the components page the list
    # has the focus on the program; Install; Finish (which starts Lumaril).
    if wizard(prefix, setup, ["Return"] * 4 + ["Down space End space Return", "Return"], work,
              "components-left-out", last_page_after=20):
        prefix.kill()
        prefix.wait()
        expect_installed(prefix, how, texts=kept)
        silently(prefix, [setup, "/S"], "the silent upgrade of an installation without some texts")
        expect_installed(prefix, how + ", then a silent upgrade", texts=kept)
        # The notice, Welcome, the licence, the folder, the Start-menu folder, the components
        # as they were; Finish.
        wizard(prefix, setup, ["Return"] * 7, work, "components-kept", last_page_after=20)
        prefix.kill()
        prefix.wait()
        expect_installed(prefix, how + ", then an upgrade through the wizard", texts=kept)
    silently(prefix, [INSTALL + "\\Uninstall.exe", "/S"], "the silent uninstall")
    expect_nothing_left(prefix, "uninstall of an installation without some texts", files_before,
                        keys_before)


QT_SOURCE = "qt6-base_6.4.2+dfsg-10"


def check_sources(archive):
    import hashlib
    import tarfile
    with tarfile.open(archive) as t:
        files = {m.name.split("/", 1)[1]: t.extractfile(m).read() for m in t.getmembers()
                 if m.isfile() and "/" in m.name}
    readme = open(os.path.join(ROOT, "packaging", "windows", "README.txt"), encoding="utf-8").read()
    if "6.4.2+dfsg-10" not in readme or "-sources.tar.xz" not in readme:
        fail("README.txt does not say which source package the DLLs come from and where it is")
    dsc = files.get(QT_SOURCE + ".dsc", b"").decode("utf-8", "replace")
    listed = re.findall(r"^ ([0-9a-f]{64}) (\d+) (\S+)$",
                        dsc.split("Checksums-Sha256:", 1)[-1].split("\nFiles:", 1)[0], re.M)
    if not listed:
        fail(f"the archive has no {QT_SOURCE}.dsc listing SHA-256 checksums")
    for digest, size, name in listed:
        data = files.get(name)
        if data is None:
            fail(f"{name}, named by the .dsc, is not in the archive")
        elif len(data) != int(size) or hashlib.sha256(data).hexdigest() != digest:
            fail(f"{name} is not the file the .dsc names (size or SHA-256)")
    expected = {QT_SOURCE + ".dsc", "README.txt", "configure-line.txt", "tools/build-qt-windows",
                "cmake/mingw-w64-x86_64.cmake"} | {name for _, _, name in listed}
    if set(files) != expected:
        fail(f"sources archive: missing {sorted(expected - set(files))}, extra {sorted(set(files) - expected)}")
    line = files.get("configure-line.txt", b"").decode().split()
    script = files.get("tools/build-qt-windows", b"").decode()
    if "-DFEATURE_tabletevent=OFF" not in line or not all(
            a in script for a in line if a.startswith("-DFEATURE")):
        fail("configure-line.txt is not the line tools/build-qt-windows configures Qt with")
    if not failures:
        ok(f"{os.path.basename(archive)}: {QT_SOURCE} ({len(listed)} files checked against its "
           f".dsc), the build script and configure line; {os.path.getsize(archive)} bytes")


def check_installer_failures(setup, work):
    """In a fresh prefix, installed where setup also makes the folder above: setup over an
    installation whose uninstaller fails stops with a non-zero exit code and leaves it as it
    was; over one whose uninstaller is gone it takes the Apps & features entry away and
    installs. Uninstalling takes away the folder above as well."""
    prefix = Prefix(os.path.join(work, "installer-failures-prefix"))
    files_before, keys_before = prefix.files(), prefix.registry()
    # No blank: a program gets its arguments back quoted, and setup reads /D= only unquoted.
    install = "C:\\Programmes-é\\Lumaril"
    silently(prefix, [setup, "/S", "/D=" + install], "the install into " + install)
    uninstaller = os.path.join(prefix.unix(install), "Uninstall.exe")
    failing = os.path.join(work, "failing-uninstall.exe")
    # A GUI program, as the real one is: a console one would have Wine make a console.
    subprocess.run(["x86_64-w64-mingw32-gcc", "-mwindows", "-x", "c", "-", "-o", failing],
                   check=True, input="int main(void) { return 3; }", text=True)
    shutil.copy(failing, uninstaller)
    installed = {f: os.path.getsize(os.path.join(prefix.path, f)) for f in prefix.files()
                 if os.path.isfile(os.path.join(prefix.path, f))}
    r = prefix.wine([setup, "/S", "/D=" + install], timeout=300)
    prefix.wait()
    now = {f: os.path.getsize(os.path.join(prefix.path, f)) for f in prefix.files()
           if os.path.isfile(os.path.join(prefix.path, f))}
    changed = sorted(f for f in installed.keys() | now.keys()
                     if installed.get(f) != now.get(f) and not f.endswith(".reg")
                     and not re.search(r"/(Temp|temp)/", f))
    if r.returncode == 0 or changed:
        fail(f"setup over a failing uninstaller: exit {r.returncode}, changed {changed[:5]}")
    else:
        ok(f"setup over a failing uninstaller stops (exit {r.returncode}) and changes nothing")
    expect_installed(prefix, "after the failing uninstaller", install)

    os.remove(uninstaller)
    silently(prefix, [setup, "/S", "/D=" + install], "setup over an entry whose uninstaller is gone")
    expect_installed(prefix, "setup over an entry whose uninstaller is gone", install)
    silently(prefix, [install + "\\Uninstall.exe", "/S"], "the uninstall")
    expect_nothing_left(prefix, "uninstall from " + install, files_before, keys_before)
    prefix.kill()
    shutil.rmtree(prefix.path, ignore_errors=True)


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "sources":
        check_sources(os.path.abspath(sys.argv[2]))
        print("packagecheck sources: " + ("FAILED" if failures else "all checks passed"))
        return 1 if failures else 0
    if len(sys.argv) < 4 or sys.argv[1] not in ("zip", "installer"):
        print(__doc__, file=sys.stderr)
        return 2
    kind, package, work = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    if kind == "zip":
        check_zip(os.path.abspath(package), os.path.abspath(work),
                  os.path.abspath(sys.argv[4]) if len(sys.argv) > 4 else None)
    else:
        check_installer(os.path.abspath(package), os.path.abspath(work))
        check_installer_failures(os.path.abspath(package), os.path.abspath(work))
    if failures:
        print(f"packagecheck {kind}: {len(failures)} check(s) failed", file=sys.stderr)
        return 1
    print(f"packagecheck {kind}: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())

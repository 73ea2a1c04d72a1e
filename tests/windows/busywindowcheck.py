#!/usr/bin/python3
"""Minimises and restores lumaril.exe under Wine while a long search runs, and reads the
screen: the window must be whole again (background, results box, busy panel) before the
search has ended, not black until it does. Alt+F4 then must bring the farewell after it.

Usage: busywindowcheck.py WINE_RUN LUMARIL_EXE WORK_FOLDER
Run by tools/test-windows on its X server with a window manager (openbox), which is what
minimises and maps the window here, as a user's taskbar would.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

# The helper is imported from beside this script; no bytecode is left in the source tree.
sys.dont_write_bytecode = True
from xwindows import find_windows  # noqa: E402

PANEL, BACKGROUND, RESULTS = (0x80, 0x80, 0xFF), (0xC0, 0xC0, 0xFF), (0x91, 0x88, 0xFF)


def xdotool(*args, timeout=60):
    return subprocess.run(["xdotool", *args], stdout=subprocess.PIPE, text=True,
                          timeout=timeout).stdout.split()


def colour_counts():
    """How many pixels of the screen show the panel's, the window's and the results' colours."""
    pixels = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                            stdout=subprocess.PIPE, timeout=60).stdout
    counts = {colour: 0 for colour in (PANEL, BACKGROUND, RESULTS)}
    for i in range(0, len(pixels) - 2, 3):
        key = (pixels[i], pixels[i + 1], pixels[i + 2])
        if key in counts:
            counts[key] += 1
    return counts


def main():
    wine_run, exe, work = sys.argv[1:4]
    # One verse, then a record of gigabytes that the file does not store (a hole, read as
    # zeros), then the only match: seconds of reading, whatever the search's own speed. In
    # memory-backed /dev/shm a hole costs neither disk nor memory to read.
    folder = tempfile.mkdtemp(prefix="busy window ", dir="/dev/shm" if os.path.isdir("/dev/shm") else work)
    with open(os.path.join(folder, "quran.txt"), "wb") as f:
        f.write(b"verses\r\n" + b"#verse of the book\r\n" * 300)
        f.seek(f.tell() + (64 << 30))
        f.write(b"#114.006 the only verse of mercy\r\n#")
    program = subprocess.Popen([wine_run, exe], cwd=folder, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    failures = []
    try:
        found = find_windows("Lumaril", timeout=120)
        if not found:
            print("FAIL: the window did not appear")
            return 1
        window = found[0]
        time.sleep(2)
        xdotool("windowactivate", "--sync", window)
        time.sleep(0.5)
        before = colour_counts()
        xdotool("type", "--delay", "50", "mercy")
        xdotool("key", "Tab", "space")
        time.sleep(1)
        xdotool("windowminimize", "--sync", window)
        time.sleep(0.4)
        xdotool("windowactivate", "--sync", window)
        time.sleep(0.4)
        during = colour_counts()
        searching = not find_windows("^Results !$")
        print(f"busywindowcheck: colour counts before the search {before}, restored during it {during}")
        if not searching:
            failures.append("the search ended before the screen was read: make the file longer")
        if during[PANEL] < 10000:
            failures.append("the busy panel is not on the screen after the restore")
        if during[BACKGROUND] < before[BACKGROUND] * 0.9 or during[RESULTS] < 0.9 * (before[RESULTS] - 17000):
            failures.append("the window is not whole on the screen after the restore")
        xdotool("key", "alt+F4")
        box = find_windows("^Results !$", timeout=300)
        if not box:
            failures.append("the search never ended with its message")
        xdotool("key", "Return")
        time.sleep(1)
        if not find_windows("^Thanks !$"):
            failures.append("Alt+F4 during the search: no farewell after its message")
        xdotool("key", "Return")
        try:
            program.wait(timeout=30)
        except subprocess.TimeoutExpired:
            failures.append("Alt+F4 during the search: the program did not end")
    finally:
        program.kill()
        subprocess.run(["wineserver", "--kill"], timeout=60)
        program.wait(timeout=60)
        shutil.rmtree(folder, ignore_errors=True)
    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("ok: minimised and restored during a search, the window is whole again at once")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

"""Looking for a window on the X server by its name, for the checks of the Windows build."""

import subprocess
import time


def find_windows(pattern, timeout=0, by="--name"):
    """The visible windows whose name (or, with by="--class", class) matches pattern, waiting
    up to timeout seconds for one to show. Each look is a search of its own rather than
    xdotool's --sync: a window that Wine destroys while xdotool looks at it ends xdotool with
    an X error (BadWindow), and such a look is taken again, even once the time is up."""
    deadline = time.monotonic() + timeout
    raced = 0
    while True:
        r = subprocess.run(["xdotool", "search", "--onlyvisible", by, pattern],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=30)
        found = r.stdout.split()
        if found:
            return found
        if "X Error" in r.stderr and raced < 20:
            raced += 1
            continue
        if time.monotonic() >= deadline:
            return []
        time.sleep(0.25)

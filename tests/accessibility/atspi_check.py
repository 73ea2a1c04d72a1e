#!/usr/bin/python3
"""Drives a running lumaril the way a screen reader does: over AT-SPI, through the desktop's
accessibility registry, with no knowledge of Qt or of the program's widgets.

Run by run-atspi-check inside a private X server and D-Bus session; the program is started
there already, in a folder whose quran.txt holds three records, two of which contain "Allah".

Every wait is bounded: nothing here can hang, whatever the program does.
"""

import argparse
import os
import re
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import GLib  # noqa: E402
import pyatspi  # noqa: E402

QUERY = "Allah"
MATCHES = ["001.001 In the name of Allah", "001.002 Praise to Allah"]
NOT_MATCHED = "001.003 The Merciful"

# The boxes, named by the labels beside them; the buttons, by caption and tool tip.
BOXES = ["Enter Text :", "Enter Surat", "Enter Ayat ", "Results :"]
BUTTONS = {"Search !": "Search !", "Exit": "Exit !", "Show": "Show", "About": "About This software !"}
# Where Tab goes, starting from the query box, and round to it again.
TAB_ORDER = [
    (pyatspi.ROLE_TEXT, "Enter Text :"),
    (pyatspi.ROLE_PUSH_BUTTON, "Search !"),
    (pyatspi.ROLE_PUSH_BUTTON, "Exit"),
    (pyatspi.ROLE_TEXT, "Enter Surat"),
    (pyatspi.ROLE_TEXT, "Enter Ayat "),
    (pyatspi.ROLE_PUSH_BUTTON, "Show"),
    (pyatspi.ROLE_PUSH_BUTTON, "About"),
    (pyatspi.ROLE_TEXT, "Results :"),
    (pyatspi.ROLE_TEXT, "Enter Text :"),
]
TAB_KEYSYM = 0xFF09


class CheckFailed(Exception):
    def __init__(self, what, recorded=False):
        super().__init__(what)
        self.recorded = recorded


class Report:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, what, detail=""):
        if ok:
            self.passed += 1
            print(f"ok   {what}")
        else:
            self.failed += 1
            print(f"FAIL {what}" + (f": {detail}" if detail else ""))
        sys.stdout.flush()
        return ok

    def require(self, ok, what, detail=""):
        """A check the rest of the run depends on: stop at once when it fails."""
        if not self.check(ok, what, detail):
            raise CheckFailed(what, recorded=True)


def pump():
    """Lets libatspi take in the events the program sent, so states and children are fresh."""
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_for(probe, seconds, step=0.05):
    """Polls probe() until it gives something true, for at most `seconds`; returns the last
    value. An AT-SPI error while the program changes its tree counts as "not yet"."""
    deadline = time.monotonic() + seconds
    while True:
        pump()
        try:
            value = probe()
        except GLib.GError:
            value = None
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(step)


def children(acc):
    out = []
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            out.append(child)
    return out


def descendants(acc):
    for child in children(acc):
        yield child
        yield from descendants(child)


def find(acc, role, name=None):
    for node in descendants(acc):
        if node.getRole() == role and (name is None or node.name == name):
            return node
    return None


def find_all(acc, role):
    return [node for node in descendants(acc) if node.getRole() == role]


def has_state(acc, state):
    return acc.getState().contains(state)


def text_of(acc):
    text = acc.queryText()
    return text.getText(0, text.characterCount)


def press(acc):
    """Presses a button through its Action interface, by the action's name, as a screen
    reader's "activate" command does."""
    action = acc.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        raise CheckFailed(f"{acc.name!r} offers no Press action, only {names}")
    return action.doAction(names.index("Press"))


def describe(acc):
    return f"{acc.getRoleName()} {acc.name!r}" if acc is not None else "nothing"


class FocusLog:
    """What a screen reader hears about focus: the object:state-changed:focused events."""

    def __init__(self, frame):
        """Call once the program answers for its window. Qt asks the registry which events
        are listened to when its bridge starts, and hears of later listeners by a signal; a
        listener added while the bridge is starting can fall between the two and go unheard."""
        self.gained = []
        pyatspi.Registry.registerEventListener(self.on_event, "object:state-changed:focused")
        # The registry tells the program of the new listener before it answers us, and the
        # program handles its messages in order: once it has answered a call of ours (the
        # extents are never cached here), it knows it has a listener.
        frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)

    def on_event(self, event):
        if event.detail1:
            try:
                self.gained.append((event.source.getRole(), event.source.name))
            except GLib.GError:
                pass

    def heard(self, since=0):
        return [f"{pyatspi.Role(role)} {name!r}" for role, name in self.gained[since:]]

    def close(self):
        pyatspi.Registry.deregisterEventListener(self.on_event, "object:state-changed:focused")


def find_application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        try:
            if app.get_process_id() == pid:
                return app
        except GLib.GError:
            continue
    return None


def main_frame(app):
    for child in children(app):
        if child.getRole() == pyatspi.ROLE_FRAME and find(child, pyatspi.ROLE_PUSH_BUTTON,
                                                            "Search !"):
            return child
    return None


def focused_control(frame):
    """The box or button that holds the focus. A text box's viewport says it is focused along
    with its box, so only the controls themselves are asked."""
    for node in descendants(frame):
        if node.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_PUSH_BUTTON) and has_state(
            node, pyatspi.STATE_FOCUSED
        ):
            return node
    return None


def is_control(acc, role, name):
    return acc is not None and acc.getRole() == role and acc.name == name


def focus_is_on(frame, role, name):
    focus = focused_control(frame)
    return focus if is_control(focus, role, name) else None


def check_controls(r, frame):
    """Names, descriptions, the label relations and the focusable set, as they are exposed."""
    for caption, tip in BUTTONS.items():
        button = find(frame, pyatspi.ROLE_PUSH_BUTTON, caption)
        if not r.check(button is not None, f"a push button is named by its caption {caption!r}"):
            continue
        r.check(button.description == tip, f"button {caption!r} is described by its tool tip",
                f"description is {button.description!r}, expected {tip!r}")
        r.check(has_state(button, pyatspi.STATE_FOCUSABLE), f"button {caption!r} is focusable")
        r.check(has_state(button, pyatspi.STATE_ENABLED), f"button {caption!r} is enabled")

    for label_text in BOXES:
        box = find(frame, pyatspi.ROLE_TEXT, label_text)
        label = find(frame, pyatspi.ROLE_LABEL, label_text)
        if not r.check(box is not None, f"a text box is named {label_text!r} after its label"):
            continue
        r.check(has_state(box, pyatspi.STATE_FOCUSABLE), f"box {label_text!r} is focusable")
        interfaces = box.get_interfaces()
        r.check("Text" in interfaces, f"box {label_text!r} offers the Text interface", str(interfaces))
        relations = {rel.getRelationType(): [rel.getTarget(i) for i in range(rel.getNTargets())]
                     for rel in box.getRelationSet()}
        labelled_by = relations.get(pyatspi.RELATION_LABELLED_BY, [])
        r.check(label is not None and any(t.name == label_text and t.getRole() == pyatspi.ROLE_LABEL
                                          for t in labelled_by),
                f"box {label_text!r} is labelled by its label",
                f"labelled by {[describe(t) for t in labelled_by]}")

    results = find(frame, pyatspi.ROLE_TEXT, "Results :")
    if results is not None:
        r.check(has_state(results, pyatspi.STATE_READ_ONLY)
                and not has_state(results, pyatspi.STATE_EDITABLE), "the results box says it is read-only")
        r.check(has_state(results, pyatspi.STATE_MULTI_LINE), "the results box says it is multi-line")
    for name in ("Enter Text :", "Enter Surat", "Enter Ayat "):
        box = find(frame, pyatspi.ROLE_TEXT, name)
        if box is not None:
            r.check(has_state(box, pyatspi.STATE_EDITABLE), f"box {name!r} says it is editable")

    # Only the boxes and buttons take focus: labels and the banner are passed over.
    focusable = sorted((node.getRoleName(), node.name) for node in descendants(frame)
                       if has_state(node, pyatspi.STATE_FOCUSABLE)
                       and node.getRole() not in (pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_SCROLL_BAR))
    expected = sorted([("text", name) for name in BOXES] + [("push button", name) for name in BUTTONS])
    r.check(focusable == expected, "the focusable set is the four boxes and the four buttons",
            f"got {focusable}")

    for image in find_all(frame, pyatspi.ROLE_IMAGE):
        r.check(bool(image.name), "the banner picture has a name a screen reader can say",
                "no accessible name")


def click_title(frame):
    """Clicks the title label, which takes no focus itself, so the window becomes the active
    one and the focus goes where the program keeps it. There is no window manager to do it."""
    title = find(frame, pyatspi.ROLE_LABEL, "Lumaril !")
    if title is None:
        raise CheckFailed("the window's title label is not exposed")
    box = title.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(box.x + box.width // 2, box.y + box.height // 2,
                                        pyatspi.MOUSE_B1C)


def activate_window(r, frame, focus_log):
    click_title(frame)
    r.require(wait_for(lambda: has_state(frame, pyatspi.STATE_ACTIVE), 10),
              "a click makes the window the active one")
    focus = wait_for(lambda: focused_control(frame), 5)
    r.check(is_control(focus, pyatspi.ROLE_TEXT, "Enter Text :"),
            "the query box has the focus when the window is activated",
            f"focus is on {describe(focus)}")
    heard = wait_for(lambda: (pyatspi.ROLE_TEXT, "Enter Text :") in focus_log.gained, 5)
    r.check(heard, "a focus event announces the query box", f"heard {focus_log.heard()}")


def walk_tab_order(r, frame, focus_log):
    start = focused_control(frame)
    r.require(is_control(start, *TAB_ORDER[0]), "the Tab walk starts from the query box",
              f"focus is on {describe(start)}")
    for role, name in TAB_ORDER[1:]:
        before = len(focus_log.gained)
        pyatspi.Registry.generateKeyboardEvent(TAB_KEYSYM, None, pyatspi.KEY_SYM)
        focus = wait_for(lambda: focus_is_on(frame, role, name), 5)
        if not r.check(focus is not None, f"Tab moves the focus to {name!r}",
                       f"focus is on {describe(focused_control(frame))}"):
            return
        heard = wait_for(lambda: (role, name) in focus_log.gained[before:], 5)
        r.check(heard, f"a focus event announces {name!r}", f"heard {focus_log.heard(before)}")


def type_query(r, frame):
    box = find(frame, pyatspi.ROLE_TEXT, "Enter Text :")
    interfaces = box.get_interfaces()
    r.require("EditableText" in interfaces, "the query box offers the EditableText interface",
              str(interfaces))
    r.check(box.queryText().characterCount == 0, "the query box starts empty", repr(text_of(box)))
    r.require(box.queryEditableText().insertText(0, QUERY, len(QUERY)),
              f"EditableText.insertText types {QUERY!r} into the query box")
    typed = wait_for(lambda: text_of(box) == QUERY, 5)
    r.require(typed, "the Text interface reads the typed query back", repr(text_of(box)))


def find_dialog(app, frame):
    for child in children(app):
        if child.getRole() in (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG) and child != frame:
            return child
    return None


def search_and_confirm(r, app, frame):
    search = find(frame, pyatspi.ROLE_PUSH_BUTTON, "Search !")
    r.require(press(search), "the Search ! button's Press action is accepted")
    dialog = wait_for(lambda: find_dialog(app, frame), 15)
    r.require(dialog is not None, "a message appears after the search",
              f"the application shows {[describe(c) for c in children(app)]}")
    r.check(dialog.getRole() == pyatspi.ROLE_ALERT, "the message is exposed as an alert",
            dialog.getRoleName())
    r.check(dialog.name == "Results !", "the message's title is read as its name", repr(dialog.name))
    r.check(wait_for(lambda: has_state(dialog, pyatspi.STATE_ACTIVE), 5), "the message is the active window")
    r.check(not has_state(frame, pyatspi.STATE_ACTIVE), "the main window is no longer the active one")
    labels = [node.name for node in find_all(dialog, pyatspi.ROLE_LABEL)]
    r.check("2 Results found !" in labels, "the message reads \"2 Results found !\"", f"labels: {labels}")
    buttons = find_all(dialog, pyatspi.ROLE_PUSH_BUTTON)
    r.require([b.name for b in buttons] == ["OK"], "the message has one button, OK",
              f"buttons: {[b.name for b in buttons]}")
    ok = buttons[0]
    r.check(wait_for(lambda: has_state(ok, pyatspi.STATE_FOCUSED), 5),
            "OK has the focus, so Enter closes the message")
    r.require(press(ok), "OK's Press action is accepted")
    gone = wait_for(lambda: find_dialog(app, frame) is None, 10)
    r.require(gone, "pressing OK closes the message",
              f"the application shows {[describe(c) for c in children(app)]}")
    # With no window manager nobody hands the activation back, so the check does it as a
    # window manager would; the focus must come back to where it was, the query box.
    if not wait_for(lambda: has_state(frame, pyatspi.STATE_ACTIVE), 1):
        click_title(frame)
    r.check(wait_for(lambda: has_state(frame, pyatspi.STATE_ACTIVE), 10), "the main window is active again")
    focus = wait_for(lambda: focused_control(frame), 5)
    r.check(is_control(focus, pyatspi.ROLE_TEXT, "Enter Text :"),
            "after the message the focus is back on the query box", f"focus is on {describe(focus)}")


def normalise(text):
    # A paragraph break may be read as U+2029 by some bridges; here it counts as a line break.
    return text.replace("\r\n", "\n").replace("\u2029", "\n")


def check_results(r, frame):
    results = find(frame, pyatspi.ROLE_TEXT, "Results :")
    text = results.queryText()
    whole = text.getText(0, text.characterCount)
    r.check(len(whole) == text.characterCount,
            "the results box's character count matches its text",
            f"{text.characterCount} characters, text of {len(whole)}")
    r.check(text.getText(0, -1) == whole, "reading to offset -1 gives the whole results text")
    shown = normalise(whole)
    found = [m.start() for m in (re.search(r"\n\n" + re.escape(record), shown) for record in MATCHES) if m]
    r.check(len(found) == len(MATCHES),
            "the results box holds both matching records, each after two line breaks", repr(shown))
    r.check(found == sorted(found), "the records are listed in the file's order", repr(shown))
    r.check(shown.startswith("\n\n" + MATCHES[0]),
            "the results begin with two line breaks and the first match", repr(shown[:40]))
    r.check(NOT_MATCHED not in shown, "the record without the word is not listed", repr(shown))
    query = find(frame, pyatspi.ROLE_TEXT, "Enter Text :")
    r.check(text_of(query) == QUERY, "the query box still holds the query", repr(text_of(query)))
    # Reading by line, as a screen reader's "say line" does, reaches the second match too.
    offset = whole.find(MATCHES[1])
    if offset >= 0:
        line = text.getTextAtOffset(offset, pyatspi.TEXT_BOUNDARY_LINE_START)
        r.check(MATCHES[1] in line[0], "reading the line at the second match gives that record",
                repr(line))


def dialogs(app, frame):
    return [child for child in children(app)
            if child.getRole() in (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG) and child != frame]


def one_dialog_named(app, frame, title):
    shown = dialogs(app, frame)
    return len(shown) == 1 and shown[0].name == title


def press_ok(app, frame):
    buttons = [b for d in dialogs(app, frame) for b in find_all(d, pyatspi.ROLE_PUSH_BUTTON)]
    if len(buttons) != 1:
        raise CheckFailed(f"expected one message with one button, got {[describe(b) for b in buttons]}")
    press(buttons[0])


def program_ended(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return True
    # Ended but not yet reaped by its parent: a zombie.
    with open(f"/proc/{pid}/stat") as stat:
        return stat.read().split(")")[-1].split()[0] == "Z"


def check_answers_during_search(r, app, frame, pid):
    """While a long search holds the program, a screen reader's read and press are answered
    within a frame or two, not once the search ends. The verse file is swapped for a symbolic
    link to one with a hole of gigabytes (read as zeros, in memory-backed /dev/shm), which
    takes a second or more to search, then put back."""
    verses = os.path.join(os.readlink(f"/proc/{pid}/cwd"), "quran.txt")
    shm = "/dev/shm" if os.path.isdir("/dev/shm") else os.path.dirname(verses)
    long_file = os.path.join(shm, f"lumaril-atspi-{pid}.txt")
    with open(verses, "rb") as small, open(long_file, "wb") as f:
        # Text enough before the hole that the file is not taken for UTF-16.
        f.write(small.read() + b"verse of the book\r\n#" * 300)
        f.seek(8 << 30)
        f.write(b"#")
    os.rename(verses, verses + ".small")
    os.symlink(long_file, verses)
    try:
        box = find(frame, pyatspi.ROLE_TEXT, "Enter Text :")
        about = find(frame, pyatspi.ROLE_PUSH_BUTTON, "About")
        r.require(press(find(frame, pyatspi.ROLE_PUSH_BUTTON, "Search !")), "Search ! is pressed for a long search")
        time.sleep(0.3)
        began = time.monotonic()
        read = text_of(box)
        read_time = time.monotonic() - began
        began = time.monotonic()
        pressed = press(about)
        press_time = time.monotonic() - began
        still = not dialogs(app, frame)
        print(f"atspi: during a search, a read answered in {read_time * 1000:.0f} ms, "
              f"a press in {press_time * 1000:.0f} ms")
        r.require(still, "the search still runs after the read and the press: make the file longer")
        # A frame is some 17 ms; the bound leaves room for a busy machine.
        r.check(read == QUERY and read_time < 1.0, "a read during the search is answered at once",
                f"{read!r} after {read_time:.2f} s")
        r.check(pressed and press_time < 1.0, "a press during the search is answered at once",
                f"after {press_time:.2f} s")
        for title in ("Results !", "About !"):
            r.require(wait_for(lambda: one_dialog_named(app, frame, title), 60),
                      f"{title!r} shows, the press waiting its turn",
                      f"the application shows {[describe(c) for c in dialogs(app, frame)]}")
            press_ok(app, frame)
        r.require(wait_for(lambda: not dialogs(app, frame), 10), "the messages are gone")
    finally:
        os.remove(verses)
        os.rename(verses + ".small", verses)
        os.remove(long_file)


def check_commands_wait(r, app, frame, pid):
    """Buttons pressed through AT-SPI while a command shows its message run after it, one
    message at a time: About during the search's message, then Exit during About's, which
    shows the farewell once About is closed and then ends the program."""
    r.require(press(find(frame, pyatspi.ROLE_PUSH_BUTTON, "Search !")), "Search ! is pressed again")
    r.require(wait_for(lambda: one_dialog_named(app, frame, "Results !"), 15), "the search's message shows")
    for button, now, then in (("About", "Results !", "About !"), ("Exit", "About !", "Thanks !")):
        r.require(press(find(frame, pyatspi.ROLE_PUSH_BUTTON, button)),
                  f"{button} can be pressed while the message {now!r} shows")
        time.sleep(0.5)
        pump()
        r.check(one_dialog_named(app, frame, now), f"{button} waits while {now!r} shows",
                f"the application shows {[describe(c) for c in dialogs(app, frame)]}")
        press_ok(app, frame)
        r.require(wait_for(lambda: one_dialog_named(app, frame, then), 10),
                  f"{button} runs once {now!r} is closed: {then!r} alone shows",
                  f"the application shows {[describe(c) for c in dialogs(app, frame)]}")
    press_ok(app, frame)
    r.check(wait_for(lambda: program_ended(pid), 10), "the program ends after the farewell")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pid", type=int, required=True, help="process id of the running lumaril")
    args = parser.parse_args()
    started = time.monotonic()
    r = Report()
    focus_log = None
    try:
        app = wait_for(lambda: find_application(args.pid), 20, step=0.2)
        r.require(app is not None, "the program registers with the accessibility registry")
        r.check(app.getRole() == pyatspi.ROLE_APPLICATION and app.name == "Lumaril",
                "the application is exposed as Lumaril", describe(app))
        frame = wait_for(lambda: main_frame(app), 10, step=0.1)
        r.require(frame is not None, "the application has its main window, a frame with its controls")
        r.check(frame.name.startswith("Lumaril !"), "the frame is named by the window's caption",
                repr(frame.name))
        check_controls(r, frame)
        focus_log = FocusLog(frame)
        activate_window(r, frame, focus_log)
        walk_tab_order(r, frame, focus_log)
        type_query(r, frame)
        search_and_confirm(r, app, frame)
        check_results(r, frame)
        check_answers_during_search(r, app, frame, args.pid)
        check_commands_wait(r, app, frame, args.pid)
    except CheckFailed as failure:
        if not failure.recorded:
            r.check(False, str(failure))
    except GLib.GError as error:
        r.check(False, "AT-SPI calls succeed", str(error))
    finally:
        if focus_log is not None:
            focus_log.close()
    print(f"atspi: {r.passed} passed, {r.failed} failed in {time.monotonic() - started:.1f} s")
    return 0 if r.failed == 0 and r.passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())

# SPDX-License-Identifier: MIT
# A screen reader's view of the program: finds the window on the
# accessibility bus, reads the welcome text, adds two entries through the
# tool bar and the Edit dialog by name, and reads each entry's text and the
# key list back. Exits non-zero with a message at the first surprise.
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def wait_for(what, probe, seconds=10.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    fail("gave up waiting for " + what)


def children(node):
    try:
        return [node.get_child_at_index(i) for i in range(node.get_child_count())]
    except gi.repository.GLib.Error:
        return []


def find(node, match, depth=12):
    """Depth first, the first node that matches; None when none does."""
    if node is None or depth < 0:
        return None
    try:
        if match(node):
            return node
    except gi.repository.GLib.Error:
        return None
    for child in children(node):
        found = find(child, match, depth - 1)
        if found is not None:
            return found
    return None


def role_and_name(role, name):
    return lambda n: n.get_role_name() == role and n.get_name() == name


def text_of(node):
    return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))


def press(node):
    # A button that opens a modal dialog answers only once the dialog has
    # closed, long after the bus gave up waiting; what the press did is
    # checked by what appears next.
    try:
        Atspi.Action.do_action(node, 0)
    except gi.repository.GLib.Error:
        pass


def application():
    desktop = Atspi.get_desktop(0)
    for app in children(desktop):
        if app is not None and app.get_name() == "Ovrin":
            return app
    return None


def view_content(app):
    """The one child of the view pane: the entry text or the key list."""
    pane = find(app, lambda n: n.get_role_name() == "filler"
                and n.get_name() in ("Welcome", "Description", "Key words")
                and n.get_child_count() == 1)
    return pane.get_child_at_index(0) if pane is not None else None


def add_entry(app, key_words, description):
    press(wait_for("the Add button", lambda: find(app, role_and_name("push button", "Add entry"))))
    dialog = wait_for("the Edit dialog", lambda: find(app, lambda n: n.get_name() == "Edit-Dialog"))
    for name, value in (("Key words", key_words), ("Description", description)):
        field = wait_for("the field " + name, lambda: find(dialog, lambda n: n.get_name() == name
                                                          and n.get_role_name() == "text"))
        if not Atspi.EditableText.set_text_contents(field, value):
            fail("could not write into " + name)
    press(find(dialog, role_and_name("push button", "OK")))


def main():
    program = subprocess.Popen([sys.argv[1]])
    try:
        app = wait_for("the program on the accessibility bus", application, 20.0)
        # Once the program is up, a call it cannot answer at once (a press
        # that opens a modal dialog) need not hold the reader for long.
        Atspi.set_timeout(1000, 1000)
        welcome = wait_for("the welcome text", lambda: view_content(app))
        if "Please open Ovrin document" not in text_of(welcome):
            fail("welcome text reads %r" % text_of(welcome))

        add_entry(app, "Gamma notes", "first line\nsecond line")
        entry = wait_for("the new entry", lambda: (lambda c: c if c is not None
                                                   and c.get_name() == "Gamma notes" else None)(view_content(app)))
        text = text_of(entry).split("\n")
        if text[0] != "Gamma notes" or text[2:] != ["first line", "second line"] or not text[1]:
            fail("entry text reads %r" % text_of(entry))

        add_entry(app, "Alpha notes", "other")
        wait_for("the second entry", lambda: (lambda c: c is not None
                                              and c.get_name() == "Alpha notes")(view_content(app)))

        press(find(app, role_and_name("push button", "keywords")))
        key_list = wait_for("the key list", lambda: (lambda c: c if c is not None
                                                     and c.get_role_name() == "list" else None)(view_content(app)))
        items = children(key_list)
        names = [i.get_name() for i in items]
        if names != ["Alpha notes", "Gamma notes"]:
            fail("key list reads %r" % names)
        selected = [i.get_name() for i in items if i.get_state_set().contains(Atspi.StateType.SELECTED)]
        if selected != ["Alpha notes"]:
            fail("the current entry in the key list is %r" % selected)
        print("the reader found the welcome text, both entries and the key list")
    finally:
        program.kill()
        program.wait()


main()

#!/usr/bin/python3
"""Lists the input controls of a running program that a screen reader meets without a name.

Walks the AT-SPI tree of the program's windows and prints each edit, spin box, combo box,
check box and tree/table/list with its name and its label (labelled-by); controls without a
name are marked "UNNAMED". Exit status 1 when one was found.

With --create it first answers the first-start dialog (creates the vault that the dialog
proposes, with a random master password that is never shown), then walks the main window and the modeless
windows it opens (password generator, find).

Run it on private buses and a private display, never the desktop's, with a throw-away HOME so
that the program's settings and vault stay in a temporary folder. Needs python3-pyatspi,
at-spi2-core and xvfb (Debian packages):

  export HOME=$(mktemp -d) XDG_CONFIG_HOME= XDG_DATA_HOME=
  dbus-run-session -- sh -c '
      Xvfb :97 -screen 0 1280x1024x24 & export DISPLAY=:97
      /usr/libexec/at-spi-bus-launcher --launch-immediately & sleep 2
      QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 build/src/app/cofferix & sleep 3
      /usr/bin/python3 scripts/atspi-walk.py --create
      kill %3 %2 %1'
"""

import argparse
import secrets
import sys
import time

import pyatspi

INPUT_ROLES = {
    pyatspi.ROLE_TEXT,
    pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_TREE,
    pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_TABLE,
    pyatspi.ROLE_LIST,
}
# Their insides (a combo box's list, a tree's cells) are named by the control itself.
COMPOSITE_ROLES = {
    pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_TREE,
    pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_TABLE,
    pyatspi.ROLE_LIST,
}


def find_program(name, seconds=20):
    deadline = time.time() + seconds
    seen = set()
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None:
                continue
            seen.add(app.name)
            if name.lower() in (app.name or "").lower():
                return app
        time.sleep(0.5)
    sys.exit("no program named %r on the accessibility bus (there: %s)" % (name, sorted(seen)))


def labels_of(acc):
    names = []
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                names.append(relation.getTarget(i).name)
    return names


def walk(acc, found, depth=0):
    if acc is None or depth > 40:
        return
    role = acc.getRole()
    if role in INPUT_ROLES:
        found.append(acc)
        if role in COMPOSITE_ROLES:
            return
    for child in acc:
        walk(child, found, depth + 1)


def report(app):
    unnamed = 0
    for window in app:
        if window is None:
            continue
        print("window %r (%s)" % (window.name, window.getRoleName()))
        found = []
        walk(window, found)
        for acc in found:
            name = acc.name or ""
            mark = "" if name.strip() else "  UNNAMED"
            unnamed += 1 if mark else 0
            states = acc.getState()
            hidden = "" if states.contains(pyatspi.STATE_SHOWING) else " (not showing)"
            print("  %-14s name=%r labelled-by=%r%s%s"
                  % (acc.getRoleName(), name, labels_of(acc), hidden, mark))
    return unnamed


def find_all(acc, role, depth=0):
    if acc is None or depth > 40:
        return []
    hits = [acc] if acc.getRole() == role else []
    for child in acc:
        hits += find_all(child, role, depth + 1)
    return hits


def press(app, caption):
    for button in find_all(app, pyatspi.ROLE_PUSH_BUTTON):
        if button.name == caption and button.getState().contains(pyatspi.STATE_SHOWING):
            button.queryAction().doAction(0)
            return True
    return False


def create_vault(app, password):
    edits = [e for e in find_all(app, pyatspi.ROLE_PASSWORD_TEXT)
             if e.getState().contains(pyatspi.STATE_SHOWING)]
    if len(edits) < 2:
        sys.exit("the first-start dialog with its two password edits is not there")
    for edit in edits[:2]:
        edit.queryEditableText().setTextContents(password)
    if not press(app, "OK"):
        sys.exit("no OK button to press")
    time.sleep(3)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--app", default="cofferix", help="the program's name on the bus")
    parser.add_argument("--create", action="store_true",
                        help="answer the first-start dialog, then walk the main window")
    options = parser.parse_args()

    app = find_program(options.app)
    unnamed = report(app)
    if options.create:
        create_vault(app, secrets.token_urlsafe(12))
        for caption in ("Password Generator", "Find"):
            if not press(app, caption):
                print("no %r button to press" % caption)
        time.sleep(2)
        print("-- after creating the vault and opening the generator and the find window --")
        unnamed += report(find_program(options.app))
    print("%d unnamed input control(s)" % unnamed)
    return 1 if unnamed else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""A screen reader's side of the AT-SPI test: it finds the program on the
accessibility bus and does what a blind administrator's reader does. It reads
the students grid's column titles and current cell, moves down with the Down
key and listens for the cell that takes the focus, presses the navigator's
Next button through its accessible action, opens the disciplines view from
the menu, chooses faculties and toggles a course mark through the list items'
actions, and commits with a view switch. Each thing it read or heard is one
JSON line on standard output; the test program compares them with the
database. Any failure ends it with a message on standard error and exit 1.

    atspi_client.py APPLICATION STUDENTS DISCIPLINES COURSE NEXT_HINT
"""

import json
import sys
import time

import pyatspi
from gi.repository import GLib


def fail(message):
    print("atspi_client: " + message, file=sys.stderr, flush=True)
    sys.exit(1)


def say(**facts):
    print(json.dumps(facts, ensure_ascii=False), flush=True)


def wait_for(what, find, timeout=30.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = find()
        if found is not None:
            return found
        time.sleep(0.2)
    fail("no " + what + " within %d s" % timeout)


def states(accessible):
    return accessible.getState()


def showing(accessible):
    s = states(accessible)
    return s.contains(pyatspi.STATE_SHOWING) and s.contains(pyatspi.STATE_VISIBLE)


def descendants(root, role, name=None, only_showing=True):
    """Depth-first, skipping what is not shown, and not going into cells."""
    found = []

    def walk(node, depth):
        if node is None or depth > 12:
            return
        try:
            node_role = node.getRole()
        except Exception:  # an object that went away meanwhile
            return
        if node_role == role and (name is None or node.name == name):
            if not only_showing or showing(node):
                found.append(node)
        if node_role in (pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST):
            return
        for i in range(node.childCount):
            walk(node.getChildAtIndex(i), depth + 1)

    walk(root, 0)
    return found


def one(root, role, name, what):
    return wait_for(what, lambda: (descendants(root, role, name) or [None])[0])


def action_index(accessible, wanted):
    action = accessible.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for i, n in enumerate(names):
        if n.lower().replace(" ", "") == wanted.lower():
            return action, i
    fail("%s %r offers no %s action, only %s" % (accessible.getRoleName(), accessible.name,
                                                  wanted, names))


def do_action(accessible, wanted):
    action, i = action_index(accessible, wanted)
    if not action.doAction(i):
        fail("the %s action of %r was refused" % (wanted, accessible.name))


def focused_cell(table):
    t = table.queryTable()
    for r in range(t.nRows):
        for c in range(t.nColumns):
            cell = t.getAccessibleAt(r, c)
            if cell is not None and states(cell).contains(pyatspi.STATE_FOCUSED):
                return r, c, cell
    return None


def row_texts(table, row):
    t = table.queryTable()
    return [t.getAccessibleAt(row, c).name for c in range(t.nColumns)]


def row_header(table, row):
    header = table.queryTable().getRowHeader(row)
    return header.name if header is not None else None


class Listener:
    """Collects the focus events of table cells until one arrives."""

    def __init__(self):
        self.heard = []
        self.loop = GLib.MainLoop()
        pyatspi.Registry.registerEventListener(self.on_event, "object:state-changed:focused",
                                               "focus:")

    def on_event(self, event):
        try:
            if event.type.startswith("object:state-changed:focused") and not event.detail1:
                return
            if event.source.getRole() == pyatspi.ROLE_TABLE_CELL:
                self.heard.append(event.source)
                self.loop.quit()
        except Exception:
            pass

    def wait(self, timeout):
        self.heard.clear()
        GLib.timeout_add(int(timeout * 1000), self.loop.quit)
        self.loop.run()
        return self.heard[-1] if self.heard else None


def main():
    if len(sys.argv) != 6:
        fail(__doc__)
    app_name, students_name, disciplines_name, course_name, next_hint = sys.argv[1:]

    desktop = pyatspi.Registry.getDesktop(0)
    app = wait_for("application " + app_name,
                   lambda: next((a for a in desktop if a is not None and a.name == app_name),
                                None), timeout=60)
    frame = wait_for("main window", lambda: (descendants(app, pyatspi.ROLE_FRAME) or [None])[0],
                     timeout=60)
    # Without a window manager nobody activates the window: a click on a
    # label, which does nothing else, stands in for the manager.
    label = one(frame, pyatspi.ROLE_LABEL, None, "label")
    box = label.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(box.x + 2, box.y + box.height // 2, "b1c")
    wait_for("active main window",
             lambda: frame if states(frame).contains(pyatspi.STATE_ACTIVE) else None)
    students = one(frame, pyatspi.ROLE_TABLE, students_name, "students grid")
    table = students.queryTable()
    say(step="titles", titles=[table.getColumnDescription(c) for c in range(table.nColumns)],
        headers=[table.getColumnHeader(c).name for c in range(table.nColumns)],
        rows=table.nRows)

    listener = Listener()
    # The reader's user tabs to the grid; here the reader asks for the focus.
    students.queryComponent().grabFocus()
    heard = listener.wait(10)
    current = wait_for("focused cell", lambda: focused_cell(students), timeout=10)
    row, col, cell = current
    say(step="current", row=row, column=col, text=cell.name, heard=heard.name if heard else None,
        row_texts=row_texts(students, row), row_state=row_header(students, row))

    pyatspi.Registry.generateKeyboardEvent(0xFF54, None, pyatspi.KEY_SYM)  # XK_Down
    heard = listener.wait(10)
    if heard is None:
        fail("no focus event after Down")
    moved = wait_for("cell below", lambda: (lambda f: f if f and f[0] == row + 1 else None)(
        focused_cell(students)), timeout=10)
    say(step="down", heard=heard.name, row=moved[0], column=moved[1],
        row_texts=row_texts(students, moved[0]), row_state=row_header(students, moved[0]))

    # The navigator below the grid carries the grid's name.
    bar = one(frame, pyatspi.ROLE_FILLER, students_name, "students navigator")
    buttons = descendants(bar, pyatspi.ROLE_PUSH_BUTTON)
    say(step="navigator", buttons=[[b.name, states(b).contains(pyatspi.STATE_SENSITIVE)]
                                   for b in buttons])
    next_button = next((b for b in buttons if b.name == next_hint), None)
    if next_button is None:
        fail("no button named %r in the navigator" % next_hint)
    do_action(next_button, "press")
    pressed = wait_for("cell after Next", lambda: (lambda f: f if f and f[0] == moved[0] + 1
                                                   else None)(focused_cell(students)), timeout=10)
    say(step="next", row=pressed[0], row_texts=row_texts(students, pressed[0]))

    menu_item = wait_for("Disciplines menu item", lambda: (descendants(
        frame, pyatspi.ROLE_MENU_ITEM, disciplines_name, only_showing=False) or [None])[0])
    do_action(menu_item, "press")
    courses = one(frame, pyatspi.ROLE_LIST, course_name, "course list")
    faculties_list = wait_for("faculty list", lambda: next(
        (l for l in descendants(frame, pyatspi.ROLE_LIST) if l.name != course_name), None))

    # Faculty by faculty until one has an unmarked course; mark it.
    for f in range(faculties_list.childCount):
        faculty = faculties_list.getChildAtIndex(f)
        do_action(faculty, "setfocus")
        wait_for("selected faculty",
                 lambda: faculty if states(faculty).contains(pyatspi.STATE_SELECTED) else None)
        for c in range(courses.childCount):
            course = courses.getChildAtIndex(c)
            s = states(course)
            if course.getRole() != pyatspi.ROLE_CHECK_BOX and not s.contains(
                    pyatspi.STATE_CHECKABLE):
                fail("course item %r is not a check box" % course.name)
            if s.contains(pyatspi.STATE_CHECKED):
                continue
            do_action(course, "toggle")
            wait_for("the mark", lambda: course if states(course).contains(
                pyatspi.STATE_CHECKED) else None, timeout=10)
            say(step="mark", faculty=faculty.name, course=course.name,
                faculty_marked=states(faculty).contains(pyatspi.STATE_CHECKED))
            # A view switch commits.
            students_item = (descendants(frame, pyatspi.ROLE_MENU_ITEM, students_name,
                                         only_showing=False) or [None])[0]
            if students_item is None:
                fail("no Students menu item")
            do_action(students_item, "press")
            one(frame, pyatspi.ROLE_TABLE, students_name, "students grid again")
            say(step="done")
            return
    fail("every course of every faculty is marked already")


main()

#!/usr/bin/python3
"""Reads one process's accessibility tree through AT-SPI, as a screen reader does.

  atspi_probe.py PID tree                  the tree, a line per item: ROLE "NAME" [ACTION]...
  atspi_probe.py PID do ROLE NAME ACTION   invokes that action of the first showing item of
                                           that role and name through the Action interface

Exit status 2: the process is not (yet) on the accessibility bus; 3: no such item or action.
"""
import sys

import pyatspi


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:  # an application that went away while being asked
            continue
    return None


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def walk(node, depth=0):
    # Deep enough for any window of the program; a loop in a broken tree ends here.
    if node is None or depth > 80:
        return
    yield node
    for index in range(node.childCount):
        yield from walk(node.getChildAtIndex(index), depth + 1)


def main(argv):
    app = application(int(argv[1]))
    if app is None or app.childCount == 0:
        return 2
    if argv[2] == "tree":
        for node in walk(app):
            name = (node.name or "").replace("\n", " ")
            print(f'{node.getRoleName()} "{name}" ' + "".join(f"[{a}]" for a in actions(node)))
        return 0
    role, name, wanted = argv[3], argv[4], argv[5]
    for node in walk(app):
        if node.getRoleName() != role or node.name != name or not node.getState().contains(
                pyatspi.STATE_SHOWING):
            continue
        names = actions(node)
        if wanted in names:
            return 0 if node.queryAction().doAction(names.index(wanted)) else 3
    return 3


if __name__ == "__main__":
    sys.exit(main(sys.argv))

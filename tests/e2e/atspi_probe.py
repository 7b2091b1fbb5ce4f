#!/usr/bin/python3
"""Reads one process's accessibility tree through AT-SPI, as a screen reader does.

  atspi_probe.py PID tree                  the tree as JSON lines: role, name, actions
  atspi_probe.py PID do ROLE NAME ACTION   invokes that action of the first showing item of
                                           that role and name through the Action interface

Exit status 2: the process is not (yet) on the accessibility bus; 3: no such item or action.
"""
import json
import sys

import pyatspi


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
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


def describe(node):
    return {"role": node.getRoleName(), "name": node.name or "", "actions": actions(node)}


def main(argv):
    pid = int(argv[1])
    app = application(pid)
    if app is None or app.childCount == 0:
        return 2
    if argv[2] == "tree":
        for node in walk(app):
            print(json.dumps(describe(node)))
        return 0
    role, name, wanted = argv[3], argv[4], argv[5]
    for node in walk(app):
        if node.getRoleName() != role or node.name != name:
            continue
        if not node.getState().contains(pyatspi.STATE_SHOWING):
            continue
        names = actions(node)
        if wanted in names:
            return 0 if node.queryAction().doAction(names.index(wanted)) else 3
    return 3


if __name__ == "__main__":
    sys.exit(main(sys.argv))

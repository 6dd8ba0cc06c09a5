"""Reads the AT-SPI tree of the running Vostrelle and checks what a screen reader hears.

usage: a11y_tree.py SECONDS NAME=DESCRIPTION...
Waits up to SECONDS for every NAME to appear in the program's tree with a description
containing DESCRIPTION; prints the tree when it does not. A NAME with * or ? in it
is a pattern (a count in a status line, say) that any one name may match.
"""
import fnmatch
import sys
import time

import pyatspi


def walk(node, depth, out):
    if node is None or depth > 40:
        return
    out.append((depth, node.getRoleName(), node.name or "", node.description or ""))
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), depth + 1, out)


def program_tree():
    out = []
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and (app.name or "").lower() == "vostrelle":
            walk(app, 0, out)
    return out


def heard(tree, wanted, part):
    pattern = "*" in wanted or "?" in wanted
    for _, _, name, description in tree:
        found = fnmatch.fnmatchcase(name, wanted) if pattern else name == wanted
        if found and part in description:
            return True
    return False


def main():
    deadline = time.monotonic() + float(sys.argv[1])
    wanted = dict(arg.split("=", 1) for arg in sys.argv[2:])
    while True:
        try:
            tree = program_tree()
        except Exception as error:  # the bus or the program is not up yet
            tree, problem = [], error
        missing = [name for name, part in wanted.items()
                   if not heard(tree, name, part)]
        if not missing:
            return 0
        if time.monotonic() > deadline:
            print("missing:", ", ".join(missing))
            for depth, role, name, description in tree:
                print("  " * depth + f"{role}: {name!r} {description!r}")
            if not tree:
                print("no tree:", locals().get("problem"))
            return 1
        time.sleep(0.2)


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# The window as a screen reader finds it on the accessibility bus (AT-SPI):
# starts the built program, reads its tree through the registry and checks
# that every control a user reaches has a name and a description, and that
# "Mode:" and "Fix new version:" label the controls they stand before.
# Usage (under run-under-x.sh --session-bus): accessible-tree.py PATH-TO-VORLAN
import os
import subprocess
import sys
import tempfile
import time

import pyatspi


def find_application(name, seconds=60):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        for application in pyatspi.Registry.getDesktop(0):
            if application is not None and application.name == name:
                return application
        time.sleep(0.2)
    return None


def nodes(node):
    yield node
    for child in node:
        if child is not None:
            yield from nodes(child)


def labelled_by(node):
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            return [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return []


def problems_of(window):
    problems = []
    showing = [node for node in nodes(window) if node.getState().contains(pyatspi.STATE_SHOWING)]
    named_roles = {"push button": 5, "list": 2, "progress bar": 1}
    for role, count in named_roles.items():
        found = [node for node in showing if node.getRoleName() == role and node.parent == window]
        if len(found) != count:
            problems.append(f"{count} {role}s expected, {len(found)} found")
        for node in found:
            if not node.name:
                problems.append(f"a {role} without a name")
            if role != "progress bar" and not node.description:
                problems.append(f"{role} {node.name!r} without a description")
    for role, label in (("combo box", "Mode:"), ("text", "Fix new version:")):
        found = [node for node in nodes(window) if node.getRoleName() == role and node.parent == window]
        if len(found) != 1 or labelled_by(found[0]) != [label]:
            problems.append(f"the {role} is not labelled by {label!r}")
        elif not found[0].description:
            problems.append(f"the {role} has no description")
    return problems


def main():
    with tempfile.TemporaryDirectory() as data:
        environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_DATA_HOME=data)
        program = subprocess.Popen([sys.argv[1]], env=environment)
        try:
            application = find_application("vorlan")
            if application is None or application.childCount == 0:
                print("accessible-tree: the window never reached the accessibility bus")
                return 1
            problems = problems_of(application[0])
        finally:
            program.terminate()
            program.wait()
    for problem in problems:
        print("accessible-tree: " + problem)
    print(f"{0 if problems else 1} passed, {1 if problems else 0} failed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Checks the layering of the sources by their includes:

- no two source folders include each other, directly or through others
  (the folders form a graph without cycles);
- portable files (not named *_win32.*) include neither <windows.h> nor any
  other Windows header, nor a *_win32.h header, so they build and are tested
  on any machine;
- app/, the composition, is included by no other folder;
- a folder listed in MAY_USE includes no folder beyond those listed for it.

Usage: tests/layers/check_layers.py [SOURCE_DIR]
"""
import os
import re
import sys

FOLDERS = ["app", "chart", "media", "practice", "settings", "shell", "text", "ui"]
# The listening practice is one unit on top of the others: it may use what
# it draws, plays, reads and saves with, and nothing uses it but app/.
MAY_USE = {"practice": {"chart", "media", "settings", "shell", "text", "ui"}}
WINDOWS_HEADERS = re.compile(r"^(windows|windowsx|mmsystem|shellapi|objbase|wincodec|winreg|winuser|commctrl)\.h$",
                             re.IGNORECASE)
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)


def sources(root):
    for folder in FOLDERS:
        path = os.path.join(root, folder)
        if not os.path.isdir(path):
            continue
        for name in sorted(os.listdir(path)):
            if name.endswith((".h", ".cpp")):
                yield folder, name, os.path.join(path, name)


def find_cycle(graph):
    """A cycle of folders as a list, or None."""
    state = {}
    stack = []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main(root):
    problems = []
    graph = {}
    for folder, name, path in sources(root):
        with open(path, encoding="utf-8") as f:
            text = f.read()
        portable = "_win32." not in name
        for kind, header in INCLUDE.findall(text):
            if kind == "<":
                if portable and WINDOWS_HEADERS.match(header):
                    problems.append("%s/%s: a portable file includes <%s>" % (folder, name, header))
                continue
            target = header.split("/", 1)[0] if "/" in header else None
            if portable and header.endswith("_win32.h"):
                problems.append('%s/%s: a portable file includes "%s"' % (folder, name, header))
            if target in FOLDERS and target != folder:
                graph.setdefault(folder, set()).add(target)
                if folder in MAY_USE and target not in MAY_USE[folder] and target != "app":
                    problems.append('%s/%s: includes "%s", which %s/ may not use' % (folder, name, header, folder))
                if target == "practice" and folder != "app":
                    problems.append('%s/%s: only the program entry may use practice/, but it includes "%s"'
                                    % (folder, name, header))
                if target == "app":
                    problems.append('%s/%s: only the program entry may use app/, but it includes "%s"'
                                    % (folder, name, header))
    cycle = find_cycle(graph)
    if cycle:
        problems.append("folders include each other: " + " -> ".join(cycle))
    for folder in sorted(graph):
        print("%-9s uses %s" % (folder + "/", ", ".join(sorted(graph[folder]))))
    for p in problems:
        print("FAIL " + p)
    print("%d problems" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")))

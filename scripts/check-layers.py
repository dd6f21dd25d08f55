#!/usr/bin/env python3
"""Prints every include that reaches sideways or up the house, and product sources over 600 lines.

The layers, lowest first (a folder may use only folders of a lower rank):
    core, platform  <  media, ocr  <  recognition  <  task  <  editor, cli  <  batch  <  app
A form (.ui) is read too: the headers of its promoted widgets are includes of the folder it is in.
Run from the project's root; exit 1 when something is printed.
"""
import re
import subprocess
import sys

RANK = {"core": 0, "platform": 0, "media": 1, "ocr": 1, "recognition": 2, "task": 3,
        "editor": 4, "cli": 4, "batch": 5, "app": 6}

INCLUDE = {".cpp": r'#include\s+"([^"]+)"', ".h": r'#include\s+"([^"]+)"', ".ui": r"<header>([^<]+)</header>"}


def problems(path, text):
    top = path.split("/")[0]
    suffix = path[path.rfind("."):]
    if suffix == ".cpp" and text.count("\n") > 600:
        yield f"{path}: {text.count(chr(10))} lines (over 600)"
    for inc in re.findall(INCLUDE[suffix], text):
        target = inc.split("/")[0]
        if target in RANK and target != top and RANK[target] >= RANK[top]:
            yield f"{path}: includes {inc} ({target} is not below {top})"


def main():
    files = subprocess.run(["git", "ls-files"], capture_output=True, text=True, check=True).stdout.split()
    found = False
    for path in files:
        if path.split("/")[0] not in RANK or not path.endswith(tuple(INCLUDE)):
            continue
        with open(path, encoding="utf-8", errors="replace") as source:
            for problem in problems(path, source.read()):
                print(problem)
                found = True
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())

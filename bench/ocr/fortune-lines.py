#!/usr/bin/env python3
"""Prints English subtitle-sized lines drawn from Debian's fortunes, for held-out strip sets.

Usage: fortune-lines.py SEED [COUNT]   (writes COUNT lines, 80 by default, to stdout)

A fortune qualifies when it is a quotation of one or two short lines (its attribution
dropped), printable ASCII only, so that a set made from another seed is text we never tuned on.
Feed the output to render-strips.sh through STRIP_ENGLISH_TEXTS.
"""
import random
import re
import sys
from pathlib import Path

FORTUNES = Path("/usr/share/games/fortunes")
FILES = ("fortunes", "wisdom", "people", "literature", "humorists", "work", "men-women",
         "love", "food", "education", "politics", "platitudes", "miscellaneous")


def quotations(path):
    text = path.read_text(encoding="latin-1")
    for block in text.split("\n%\n"):
        lines = [l.strip() for l in block.strip().splitlines()]
        lines = [l for l in lines if l and not l.startswith("--")]
        if not 1 <= len(lines) <= 2:
            continue
        line = re.sub(r"\s+", " ", " ".join(lines)).strip()
        if 16 <= len(line) <= 64 and re.fullmatch(r"[A-Za-z0-9 .,;:!?'\"()\-]+", line) \
                and re.search(r"[a-z]{3}", line) and "  " not in line:
            yield line


def main():
    seed = int(sys.argv[1])
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 80
    pool = sorted({q for name in FILES if (FORTUNES / name).exists()
                   for q in quotations(FORTUNES / name)})
    for line in random.Random(seed).sample(pool, min(count, len(pool))):
        print(line)


if __name__ == "__main__":
    main()

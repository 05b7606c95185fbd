#!/usr/bin/env python3
"""Checks the relative links of Markdown pages: the file a link names must
exist, and a "#anchor" must name a heading of that page (GitHub's anchor
rules: lower case, punctuation dropped, spaces as hyphens).

Usage: check-doc-links.py [PAGE ...]   (default: README.md and docs/*.md)
Prints one line per broken link and exits 1 when there is any."""
import glob
import os
import re
import sys

LINK = re.compile(r"\[[^\]]*\]\(([^)\s]+)\)")
FENCE = re.compile(r"^\s*(```|~~~)")


def prose_lines(path):
    """The lines outside fenced and indented code blocks."""
    in_fence = False
    with open(path, encoding="utf-8") as f:
        for line in f:
            if FENCE.match(line):
                in_fence = not in_fence
                continue
            if not in_fence and not line.startswith("    "):
                yield line


def anchor_of(heading):
    text = heading.strip().lower().replace("`", "")
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(path):
    found = set()
    for line in prose_lines(path):
        m = re.match(r"#{1,6}\s+(.*)", line)
        if m:
            found.add(anchor_of(m.group(1)))
    return found


def main(pages):
    broken = []
    for page in pages:
        for line in prose_lines(page):
            for target in LINK.findall(line):
                if re.match(r"[a-z]+:", target):
                    continue  # web and mail addresses are not checked
                file_part, _, anchor = target.partition("#")
                dest = os.path.normpath(os.path.join(os.path.dirname(page), file_part)) if file_part else page
                if not os.path.exists(dest):
                    broken.append(f"{page}: {target}: no such file")
                elif anchor and dest.endswith(".md") and anchor not in anchors(dest):
                    broken.append(f"{page}: {target}: no such heading")
    for line in broken:
        print(line)
    return 1 if broken else 0


if __name__ == "__main__":
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    if len(sys.argv) > 1:
        pages = sys.argv[1:]
    else:
        os.chdir(root)
        pages = ["README.md"] + sorted(glob.glob("docs/*.md"))
    sys.exit(main(pages))

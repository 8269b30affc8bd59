#!/usr/bin/env python3
"""Fails, naming the page and its line, when a Markdown or HTML page links
to a file that is not there, or to a heading (#part) that the page linked to
does not have, or when a Markdown page names in backticks a file of the
project that is not there, such as `docs/ready.sh`. The pages may be those
of a copy of the project, or as the package installs them, in
/usr/share/pointer-notation and /usr/share/doc/pointer-notation/html, with
the package's other notes, such as README.Debian, given by name: an
installed page must not name a path under /usr that is not installed. There,
a named file in a folder that the package leaves out, such as `tests/`, can
only mean a copy of the project, and is not looked for; nor is one in
`debian/` where a copy has none, as the release's tarball.
Usage: check_links.py FOLDER|PAGE..."""

import glob
import os
import re
import sys
import urllib.parse

# [text](target) in Markdown, href="target" in HTML.
LINK = {".md": re.compile(r"\]\(([^)\s]+)\)"),
        ".html": re.compile(r'href="([^"]+)"')}
NAMED = re.compile(r"`([\w.-]+(?:/[\w.*-]+)+)`")
INSTALLED = re.compile(r"(/usr/[\w/.*-]*[\w*])")


def anchors(page):
    """The #parts that a page has: a Markdown heading's, as GitHub makes
    them, or an HTML element's id."""
    with open(page, encoding="utf-8") as f:
        text = f.read()
    if page.endswith(".html"):
        return set(re.findall(r'\bid="([^"]+)"', text))
    return {re.sub(r"[^\w -]", "", heading.strip().lower()).replace(" ", "-")
            for heading in re.findall(r"^#+ (.*)$", text, re.M)}


def top(folder):
    """The project's top folder: the one above `folder` that holds the
    program's source."""
    folder = os.path.abspath(folder)
    while not os.path.exists(os.path.join(folder, "Pointer notation")):
        if folder == os.path.dirname(folder):
            return None
        folder = os.path.dirname(folder)
    return folder


def faults_of(page):
    faults, root, fenced = [], top(os.path.dirname(page)), False
    # The folder that an installed page's /usr is in: / for the system's.
    system = page[:page.find("/usr/share/")] if "/usr/share/" in page else None
    with open(page, encoding="utf-8") as f:
        lines = list(f)
    for number, line in enumerate(lines, 1):
        where = f"{page}:{number}"
        fenced ^= line.startswith("```")
        for path in INSTALLED.findall(line) if system is not None else []:
            if not glob.glob(system + path):
                faults.append(f"{where}: names {path}, which is not installed")
        link = LINK.get(os.path.splitext(page)[1])
        for target in link.findall(line) if link else []:
            target, _, part = urllib.parse.unquote(target).partition("#")
            if "://" in target or target.startswith("mailto:"):
                continue
            linked = os.path.join(os.path.dirname(page), target) if target else page
            if not os.path.exists(linked):
                faults.append(f"{where}: links to {target}, which is not there")
            elif part and part not in anchors(linked):
                faults.append(f"{where}: links to #{part}, which "
                              f"{target or 'the page'} has no heading for")
        if not page.endswith(".md") or fenced or line.startswith("    ") or not root:
            continue
        for path in NAMED.findall(line):
            first = os.path.join(root, path.split("/")[0])
            if path.startswith("build") or not os.path.isdir(first) and (
                    first.endswith("debian") or not os.path.isdir(
                        os.path.join(root, "tests"))):
                continue
            pattern = re.escape(path).replace(r"\*", ".*").replace("NAME", ".*")
            folder = os.path.join(root, os.path.dirname(path))
            if not os.path.isdir(folder) or not any(
                    re.fullmatch(pattern, os.path.join(os.path.dirname(path), n))
                    for n in os.listdir(folder)):
                faults.append(f"{where}: names {path}, which {root} does not "
                              "have")
    return faults


faults, pages = [], 0
for given in sys.argv[1:]:
    found = [given] if os.path.isfile(given) else [
        os.path.join(path, name) for path, _, names in os.walk(given)
        for name in sorted(names) if os.path.splitext(name)[1] in LINK]
    if not found:
        faults.append(f"{given} holds no page to check")
    pages += len(found)
    for page in found:
        faults += faults_of(page)
print("\n".join(faults) or f"every link and file named on {pages} pages is there")
sys.exit(1 if faults else 0)

#!/usr/bin/env python3
"""Fails, naming the page and its line, where a page links to a file or a
heading (#part) that is not there, or names in backticks a file of the
project, such as `docs/ready.sh`, that is not there. The pages are Markdown
and HTML, below the folders given, and other files given by name, such as
README.Debian. As installed, in a folder whose path holds /usr/share/, a
page must also name no path under /usr that is not installed; and a file
named in a folder that the package leaves out, such as tests/, can only
mean a copy of the project, and is not looked for.
Usage: check_links.py FOLDER|FILE..."""

import glob
import os
import re
import sys
import urllib.parse

# [text](target) in Markdown, href="target" in HTML.
LINK = {".md": r"\]\(([^)\s]+)\)", ".html": r'href="([^"]+)"'}


def anchors(page):
    """The #parts that a page has: a Markdown heading's, as GitHub makes
    them, or an HTML element's id."""
    with open(page, encoding="utf-8") as f:
        text = f.read()
    if page.endswith(".html"):
        return set(re.findall(r'\bid="([^"]+)"', text))
    return {re.sub(r"[^\w -]", "", heading.strip().lower()).replace(" ", "-")
            for heading in re.findall(r"^#+ (.*)$", text, re.M)}


def faults_of(page):
    faults, fenced, folder = [], False, os.path.dirname(page)
    # The project's top folder, which holds the program's source, if any.
    top = next((f for f in [folder, os.path.dirname(folder)]
                if os.path.exists(os.path.join(f, "Pointer notation"))), None)
    # The folder that an installed page's /usr is in: "" for the system's.
    system = page[:page.find("/usr/share/")] if "/usr/share/" in page else None
    with open(page, encoding="utf-8") as f:
        lines = list(f)
    for number, line in enumerate(lines, 1):
        where = f"{page}:{number}"
        fenced ^= line.startswith("```")
        for target in re.findall(LINK.get(os.path.splitext(page)[1], "$^"), line):
            target, _, part = urllib.parse.unquote(target).partition("#")
            linked = os.path.join(folder, target) if target else page
            if "://" in target:
                continue
            if not os.path.exists(linked):
                faults.append(f"{where}: links to {target}, which is not there")
            elif part and part not in anchors(linked):
                faults.append(f"{where}: links to #{part}, which "
                              f"{target or 'the page'} has no heading for")
        for path in re.findall(r"(/usr/[\w/.*-]*[\w*])", line) if system is not None else []:
            if not glob.glob(system + path):
                faults.append(f"{where}: names {path}, which is not installed")
        for path in re.findall(r"`([\w.-]+(?:/[\w.*-]+)+)`", line) if (
                top and page.endswith(".md") and not fenced
                and not line.startswith("    ")) else []:
            first = os.path.join(top, path.split("/")[0])
            if path.startswith("build") or not os.path.isdir(first) and (
                    first.endswith("debian") or system is not None):
                continue
            if not glob.glob(os.path.join(top, path.replace("NAME", "*"))):
                faults.append(f"{where}: names {path}, which {top} does not have")
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

"""Fails, naming the page and its line, when a Markdown page below a folder
links to a file that is not there: the pages of a clone of the project, or
the pages as the package installs them in /usr/share/doc/pointer-notation.
Usage: python3 tests/check_links.py FOLDER"""

import os
import re
import sys
import urllib.parse

folder = sys.argv[1]
faults, pages = [], 0
for path, _, names in os.walk(folder):
    for name in sorted(n for n in names if n.endswith(".md")):
        pages += 1
        page = os.path.join(path, name)
        with open(page, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                # [text](target) and [text](target#part); not #part alone.
                for target in re.findall(r"\]\(([^)#]+)", line):
                    target = urllib.parse.unquote(target)
                    if "://" not in target and not os.path.exists(
                            os.path.join(path, target)):
                        faults.append(f"{page}:{number}: links to {target}, "
                                      "which is not there")
if not pages:
    faults.append(f"{folder} holds no Markdown page to check")
print("\n".join(faults) or f"every link of {pages} pages in {folder} is there")
sys.exit(1 if faults else 0)

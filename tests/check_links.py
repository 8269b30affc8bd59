"""Fails, naming the page and its line, when a Markdown or HTML page below a
folder links to a file that is not there: the pages of a clone of the
project, or the pages as the package installs them, in
/usr/share/pointer-notation and /usr/share/doc/pointer-notation/html.
Usage: python3 tests/check_links.py FOLDER..."""

import os
import re
import sys
import urllib.parse

# [text](target) in Markdown, href="target" in HTML; not #part alone.
LINK = {".md": re.compile(r"\]\(([^)#]+)"), ".html": re.compile(r'href="([^"#]+)')}

faults, pages = [], 0
for folder in sys.argv[1:]:
    for path, _, names in os.walk(folder):
        for name in sorted(names):
            link = LINK.get(os.path.splitext(name)[1])
            if not link:
                continue
            pages += 1
            page = os.path.join(path, name)
            with open(page, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    for target in link.findall(line):
                        target = urllib.parse.unquote(target)
                        if "://" not in target and not os.path.exists(
                                os.path.join(path, target)):
                            faults.append(f"{page}:{number}: links to "
                                          f"{target}, which is not there")
    if not any(os.path.splitext(name)[1] in LINK
               for _, _, names in os.walk(folder) for name in names):
        faults.append(f"{folder} holds no page to check")
print("\n".join(faults) or f"every link of {pages} pages is there")
sys.exit(1 if faults else 0)

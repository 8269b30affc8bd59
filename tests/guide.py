"""Runs every command that docs/guide.md shows, with cram, and fails when one
no longer prints what the guide shows, or when the guide shows a command that
this test would not run.

The guide shows output as a terminal shows it. Before cram runs it, each
output line that holds one of these is turned into a regular expression:
  - `…` stands for anything that differs from run to run;
  - an address, 0x and nine or more hexadecimal digits, is an example. One
    that starts with 0x7ff is on the stack: it matches a stack address of the
    same length, ending in 0, 4, 8 or c when the example does. Any other
    matches any address.

Part two runs in a shell of its own, as a learner who comes back another day
starts one. The commands run in the language of whoever runs this test, as
the learner's would. Exits with 77, which CTest shows as a skip, where the
guide cannot run."""

import os
import platform
import re
import shutil
import subprocess
import sys
import tempfile

TESTS = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(TESTS)
GUIDE = os.path.join(TOP, "docs", "guide.md")
INDENT = "    "
SECOND_PART = "# Part two"
FOLDER = "pointer-guide"
TOKEN = re.compile(r"…|0x[0-9a-f]{9,}")


def cannot(reason):
    print(reason)
    sys.exit(77)


def stack():
    return subprocess.run(["setarch", platform.machine(), "grep", r"\[stack\]",
                           "/proc/self/maps"], capture_output=True).stdout


def files(folder):
    """Every file below a folder, with its contents."""
    found = {}
    for path, _, names in os.walk(folder):
        for name in names:
            with open(os.path.join(path, name), "rb") as f:
                found[os.path.join(path, name)] = f.read()
    return found


def pattern(text, number):
    """The regular expression for an output line that shows examples."""
    parts, start = [], 0
    for token in TOKEN.finditer(text):
        parts.append(re.escape(text[start:token.start()]))
        example = token[0]
        if example == "…":
            parts.append(".*")
        elif example.startswith("0x7ff"):
            if len(example) != 14:
                sys.exit(f"guide.md:{number}: {example} is not a whole stack "
                         "address of 12 digits")
            end = "[048c]" if example[-1] in "048c" else "[0-9a-f]"
            parts.append("0x7ff[0-9a-f]{8}" + end)
        else:
            parts.append("0x[0-9a-f]+")
        start = token.end()
    parts.append(re.escape(text[start:]))
    return "".join(parts) + " (re)"


def cram_form(lines):
    """The guide in cram's form; fails naming each line that shows a command
    that cram would not run, or test syntax."""
    faults, converted, fenced, output = [], [], False, False
    for number, line in enumerate(lines, 1):
        text = line.rstrip("\n")
        if text.startswith("```"):
            fenced = not fenced
        command = text.lstrip().startswith("$ ")
        if command and (fenced or not text.startswith(INDENT + "$ ")):
            faults.append(f"guide.md:{number}: a command that the test would "
                          f"not run, since only a $ indented by four blanks "
                          f"and outside a fence is run: {text.strip()}")
        if text.startswith(INDENT + "$ ") or text.startswith(INDENT + "> "):
            output = True
        elif output and text.startswith(INDENT):
            if re.search(r" \((re|glob|esc|no-eol)\)$", text):
                faults.append(f"guide.md:{number}: test syntax on the page: "
                              f"{text.strip()}")
            elif TOKEN.search(text):
                text = INDENT + pattern(text[len(INDENT):], number)
        else:
            output = False
        converted.append(text + "\n")
    for fault in faults:
        print(fault)
    if faults:
        sys.exit(1)
    return converted


def main():
    if platform.machine() != "x86_64":
        cannot("the guide's addresses and debugger sessions are those of "
               f"64-bit x86, not {platform.machine()}")
    for tool in ["cram3", "gdb", "g++", "setarch"]:
        if not shutil.which(tool):
            cannot(f"the guide's commands need {tool}, which is not installed")
    # setarch turns the randomisation back on where a process turned it off
    # for itself and its children; where the system has it off, the stack
    # stays put and the guide's runs would not differ.
    if stack() == stack():
        cannot("the guide's addresses change from run to run, but address "
               "randomisation is off here")

    with open(GUIDE, encoding="utf-8") as f:
        lines = cram_form(f.readlines())
    split = next((number for number, line in enumerate(lines)
                  if line.startswith(SECOND_PART)), None)
    if split is None:
        sys.exit(f"guide.md has no heading '{SECOND_PART}', where the second "
                 "sitting starts")

    with tempfile.TemporaryDirectory() as scratch:
        # A copy of the project, as a learner has it, and an empty home.
        project = os.path.join(scratch, "project")
        os.mkdir(project)
        shutil.copy(os.path.join(TOP, "Pointer notation"), project)
        shutil.copytree(os.path.join(TOP, "docs"), os.path.join(project, "docs"))
        before = files(project)
        home = os.path.join(scratch, "home")
        os.mkdir(home)

        # cram sets the language to C; the shell sets the learner's again.
        env = dict(os.environ, GUIDE_PROJECT=project, GUIDE_HOME=home)
        for name in ["LANG", "LC_ALL", "LANGUAGE"]:
            env["GUIDE_" + name] = os.environ.get(name, "")
        # Each part keeps its lines where the guide has them, and blank lines
        # for the other part's, so that cram's diff names the guide's lines.
        blank = ["\n"] * len(lines)
        for part, text in [("one", lines[:split] + blank[split:]),
                           ("two", blank[:split] + lines[split:])]:
            os.mkdir(os.path.join(scratch, part))
            path = os.path.join(scratch, part, "guide.md")
            with open(path, "w", encoding="utf-8") as f:
                f.writelines(text)
            if subprocess.run(["cram3", f"--indent={len(INDENT)}",
                               f"--shell={TESTS}/guide-shell", path],
                              env=env).returncode:
                sys.exit(f"part {part} of the guide does not print what the "
                         "guide shows, at the lines of guide.md named above")

        if files(project) != before:
            sys.exit("the guide's commands changed the project's own files")
        if os.path.exists(os.path.join(home, FOLDER)):
            sys.exit(f"the guide's last step leaves ~/{FOLDER} behind")

if __name__ == "__main__":
    main()

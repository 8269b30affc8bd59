"""Checks of the pages that no transcript makes: the manual page's exit
statuses against the program's tests, the address patterns of guide.py
against each layout of memory that the lesson supports, the code and the
line numbers that the pages quote, and the facts that they name from the
build. guide.py runs the pages' commands, and check_links.py their links.

The manual page as built is named by POINTER_NOTATION_MANUAL; the other
pages are read from the source tree around this file."""

import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import unittest

# The tests run from the source tree, which the build must not write into.
sys.dont_write_bytecode = True
import test_pointer_notation as program  # noqa: E402
from guide import groff_text, pattern  # noqa: E402

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOCS = sorted(f"docs/{name}" for name in os.listdir(os.path.join(TOP, "docs")))
PAGES = ["README.md"] + [name for name in DOCS if name.endswith(".md")]
PROGRAMS = ["Pointer notation"] + [name for name in DOCS if name.endswith(".cpp")]


def read(name):
    return pathlib.Path(TOP, name).read_text(encoding="utf-8")


def paragraphs(name):
    """The prose paragraphs of a Markdown page, each with the number of its
    first line, its lines joined by blanks."""
    found, lines, fenced = [], [], False
    for number, line in enumerate(read(name).splitlines() + [""], 1):
        fenced ^= line.startswith("```")
        if line.strip() and not fenced and not line.startswith("    "):
            lines.append((number, line.strip()))
        elif lines:
            found.append((lines[0][0], " ".join(text for _, text in lines)))
            lines = []
    return found


def code(line):
    """A line of C++ without its comment and its indent."""
    return re.sub(r"\s*//.*", "", line).strip()


class ManualPage(unittest.TestCase):
    """The manual page's EXIT STATUS, as man shows it, lists the statuses
    that test_pointer_notation.py sees the program end with, and says what
    a shell shows for SIGPIPE. Its examples run as the lesson's do."""

    def test_statuses(self):
        if not shutil.which("groff"):
            self.skipTest("needs groff to show the manual page")
        text = groff_text(os.environ["POINTER_NOTATION_MANUAL"])
        section = (re.search(r"^EXIT STATUS\n((?: .*\n|\n)*)", text, re.M) or ["", ""])[1]
        indent = min((len(line) - len(line.lstrip()) for line in section.splitlines()
                      if line.strip()), default=0)
        # A short tag shares its line with the text, two blanks or more on.
        tags = [re.split(r"\s\s+", tag)[0] for tag in
                re.findall(rf"^ {{{indent}}}(\S.*)$", section, re.M)]
        self.assertEqual(tags, [str(program.SUCCESS), str(program.WRITE_FAILED),
                                "ended by SIGPIPE"], "man/pointer-notation.1.in:"
                         " EXIT STATUS does not list the program's statuses")
        self.assertIn(f"a shell shows status {128 + signal.SIGPIPE}",
                      " ".join(section.split()), "man/pointer-notation.1.in: "
                      "EXIT STATUS gives a wrong status for SIGPIPE")


class Layouts(unittest.TestCase):
    """guide.py's pattern for an example stack address matches a stack
    address of each layout that the lesson supports, as a run there prints
    it, and nothing that an int on the stack cannot be; its pattern for an
    example elsewhere matches no stack address. Each layout is given by
    where its stack ends, as /proc/PID/maps shows it."""

    LAYOUTS = {"64-bit x86, 47 bits": (0x7ffd85234000, "0x7ffd852331e4"),
               "64-bit Arm, 4 KiB pages, 48 bits": (0xffffe9a41000, "0xffffe9a3f4dc"),
               "64-bit Arm, 16 KiB pages, 47 bits": (0x7fffd8afc000, "0x7fffd8afa7ec"),
               "64-bit Arm, 4 KiB pages, 39 bits": (0x7fe3a51000, "0x7fe3a4f56c")}

    def test_each_layout(self):
        for layout, (top, address) in self.LAYOUTS.items():
            stack, elsewhere = "0x7ffd852331e4", "0x55d1c2a0b2a0"[:len(address)]
            lines = {(stack, address): True, (stack, address + "0"): False,
                     (stack, address[:-1]): False, (stack, address[:-1] + "6"): False,
                     (stack, "0x" + address[2:].upper()): False, (stack, "0x5" + address[3:]): False,
                     (elsewhere, "0x55" + address[4:]): True, (elsewhere, address): False}
            for (example, printed), expected in lines.items():
                regex = pattern(f"Ptr : {example}", "test", top)[:-5]
                with self.subTest(layout, example=example, printed=printed):
                    self.assertEqual(bool(re.fullmatch(regex, f"Ptr : {printed}")),
                                     expected, regex)
                    self.assertFalse(re.fullmatch(regex, f"*Ptr : {printed}"))


class Code(unittest.TestCase):
    """The C++ that a page shows outside a transcript, each line of a ```cpp
    block and each statement in its prose (`ptr = &number;`), is a line of a
    program of the lesson, or of the text that a sed of a transcript puts
    into one: so the compiler, through the transcripts, stands behind it.
    A line named by its number, as "line 16, `ptr = &number;`", holds that
    text in some program of the lesson."""

    def test_code_is_the_lessons(self):
        programs = [read(name).splitlines() for name in PROGRAMS]
        known = {code(line) for lines in programs for line in lines}
        faults = []
        for name in PAGES:
            text = read(name)
            for line in re.findall(r"^    [$>] (.*)$", text, re.M):
                known.add(code(re.split(r"'|\\$", re.sub(r"^.*?\d+[aci]\\", "", line))[0]))
            shown, fence = [], None
            for number, line in enumerate(text.splitlines(), 1):
                if line.startswith("```"):
                    fence = None if fence else line[3:]
                elif fence == "cpp" and line.strip():
                    shown.append((number, line))
            shown += [(start, span) for start, paragraph in paragraphs(name)
                      for span in re.findall(r"`([^`]+;)`", paragraph)]
            faults += [f"{name}:{number}: `{line.strip()}` is a line of no "
                       "program of the lesson" for number, line in shown
                       if code(line) not in known]
            for start, paragraph in paragraphs(name):
                for named in re.finditer(r"\blines? (\d+)(?:, `([^`]+)`)?", paragraph):
                    number, quoted = int(named[1]), named[2]
                    if not quoted or not any(quoted in (lines + [""] * number)[number - 1]
                                             for lines in programs):
                        faults.append(f"{name}:{start}: line {number} is named without its "
                                      f"text, or it is not `{quoted}`: say 'line {number}, `TEXT`'")
        self.assertFalse(faults, "\n".join(faults))


class Facts(unittest.TestCase):
    """What the pages name of the build and of the lesson is what its one
    home says: the CMake version and the C++ standard of CMakeLists.txt, the
    oldest GCC and the tools of docs/ready.sh, which each install line of
    the pages brings, and the version that the manual page carries."""

    def setting(self, name, regex):
        found = re.search(regex, read(name), re.M)
        self.assertTrue(found, f"{name} has no {regex} to check the pages by")
        return found[1]

    def check(self, names, regex, expected, home):
        faults = [f"{name}:{start}: names {said}, but {home} says {expected}"
                  for name in names for start, text in paragraphs(name) + [
                      (n, line) for n, line in enumerate(read(name).splitlines(), 1)
                      if line.startswith("    ")]
                  for said in re.findall(regex, text) if said != expected]
        self.assertFalse(faults, "\n".join(faults))

    def test_build(self):
        cmake = self.setting("CMakeLists.txt", r"^cmake_minimum_required\(VERSION ([\d.]+)\)")
        self.check(["README.md"], r"CMake ([\d.]+) or newer", cmake, "cmake_minimum_required")
        standard = self.setting("CMakeLists.txt", r"\bCXX_STANDARD (\d+)")
        self.check(PAGES, r"(?:\bC\+\+|-std=c\+\+)(\d\d)\b", standard, "CXX_STANDARD")
        version = self.setting("CMakeLists.txt", r"^ +VERSION ([\d.]+)$")
        with open(os.environ["POINTER_NOTATION_MANUAL"]) as f:
            self.assertIn(f'"pointer-notation {version}"', f.read(), "man/pointer-notation.1.in: "
                          f"the .TH line does not carry project()'s version, {version}")

    def test_lesson(self):
        gcc = self.setting("docs/ready.sh", r"^oldest_gcc=(\d+)$")
        self.check([p for p in PAGES if p != "docs/exercises.md"], r"\bGCC (\d+) (?:or|and) newer",
                   gcc, "oldest_gcc in docs/ready.sh")
        tools = subprocess.run(["sh", os.path.join(TOP, "docs/ready.sh"), "--tools"],
                               capture_output=True, text=True, check=True).stdout.split()
        lines = [(name, line) for name in PAGES for line in read(name).splitlines()
                 if "apt-get install " in line]
        self.assertTrue(lines, "no page has an apt-get install line")
        for name, line in lines:
            missing = set(tools) - set(line.split("install ")[1].split())
            self.assertFalse(missing, f"{name}: {line.strip()} leaves out "
                             f"{' '.join(sorted(missing))}, which docs/ready.sh lists")


if __name__ == "__main__":
    program.main(sys.modules[__name__])

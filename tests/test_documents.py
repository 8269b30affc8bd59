"""Holds what the pages tell a user to what the program and its build do:
the README's example run, and the manual page's exit statuses and example,
which the tests run and compare; the guide's pictures, against its
transcripts; and the versions that the pages name.

The program is named by the POINTER_NOTATION environment variable, and the
manual page as built by POINTER_NOTATION_MANUAL. The other pages are read
from the source tree around this file.
"""

import glob
import json
import os
import re
import signal
import sys
import unittest

# The tests run from the source tree, which the build must not write into:
# no __pycache__ beside them for the import below.
sys.dont_write_bytecode = True
import test_pointer_notation as program  # noqa: E402
from guide import INT_ALIGNED, stack  # noqa: E402

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MANUAL = os.environ.get("POINTER_NOTATION_MANUAL")
# The build makes the manual page from this file, line for line, so a fault
# is named by the line to change.
MANUAL_SOURCE = "man/pointer-notation.1.in"

# Any address, as the pages and the program write it.
ADDRESS = re.compile(r"0x[0-9a-f]+")
# An int's address on the stack: twelve digits, and a multiple of 4. The
# pages' example addresses are 64-bit x86's, and what the program prints is
# its processor's; a program of another processor may print any address.
STACK_INT = stack("x86_64") + INT_ALIGNED
PROCESSOR = program.processor(program.PROGRAM)
PRINTED = stack(PROCESSOR) + INT_ALIGNED if PROCESSOR else r"0x[0-9a-f]+"


def read(name):
    with open(os.path.join(TOP, name), encoding="utf-8") as f:
        return f.read()


def fenced_blocks(name):
    """Each fenced block of a Markdown page: its info string, and its lines
    as (place, text), where place names the page and the line."""
    blocks, block = [], None
    for number, line in enumerate(read(name).splitlines(), 1):
        if line.startswith("```"):
            if block is None:
                block = (line[3:].strip(), [])
            else:
                blocks.append(block)
                block = None
        elif block is not None:
            block[1].append((f"{name}:{number}", line))
    return blocks


def roff_text(text):
    """Text of a manual page as a reader sees it, from its roff source."""
    return re.sub(r"\\(-|&|e)", lambda m: {"-": "-", "&": "", "e": "\\"}[m[1]],
                  text)


def read_manual_page():
    if not MANUAL:
        sys.exit("set POINTER_NOTATION_MANUAL to the manual page as built, "
                 "for example build/man/pointer-notation.1")
    with open(MANUAL, encoding="utf-8") as f:
        return f.read()


def manual_page():
    """The sections of the built manual page: for each heading, its lines as
    (place, request, text), where request is the roff request that starts
    the line, such as "B" or "TP", or "" for a line of text."""
    sections, lines = {}, []
    for number, line in enumerate(read_manual_page().splitlines(), 1):
        request, text = "", line
        if line.startswith("."):
            request, _, text = line[1:].partition(" ")
        if request == "\\\"":
            continue  # a comment
        # Arguments in quotes keep their blanks; .BR and its kin set
        # theirs in alternating fonts, with no blank between.
        words = [a or b for a, b in re.findall(r'"([^"]*)"|(\S+)', text)]
        if len(request) == 2 and set(request) <= set("BIR"):
            text = "".join(words)
        elif request:
            text = " ".join(words)
        if request == "SH":
            sections[text] = lines = []
        else:
            lines.append((f"{MANUAL_SOURCE}:{number}", request,
                          roff_text(text)))
    return sections


def as_printed(line, address):
    """A regular expression for a line of example output: the same text byte
    for byte, and `address` where the line shows an address."""
    return address.join(re.escape(text) for text in ADDRESS.split(line))


class DocumentTest(unittest.TestCase):
    def assertShowsRun(self, where, shown, args=()):
        """Runs the program and compares what it prints with the output that
        a page shows for that run at `where`, as a list of (place, line)."""
        result = program.run(args)
        self.assertEqual(result.returncode, 0, result.stderr)
        printed = result.stdout.decode(errors="replace").splitlines()
        if len(shown) != len(printed):
            self.fail(f"{where}: shows {len(shown)} lines of output where "
                      f"the program printed {len(printed)}: {printed}")
        for (place, line), actual in zip(shown, printed):
            if not re.fullmatch(as_printed(line, STACK_INT), line):
                self.fail(f"{place}: the example address in '{line}' is not "
                          "one the program prints: a stack address 0x7ff… of "
                          "twelve digits that ends in 0, 4, 8 or c")
            if not re.fullmatch(as_printed(line, PRINTED), actual):
                self.fail(f"{place}: shows '{line}', but the program printed "
                          f"'{actual}'")


class ReadmeExample(DocumentTest):
    """The example run near the top of README.md, and the picture below it."""

    def setUp(self):
        blocks = fenced_blocks("README.md")
        runs = [n for n, (info, lines) in enumerate(blocks)
                if info == "console" and lines
                and lines[0][1].startswith("$ ./build/pointer-notation")]
        self.assertTrue(runs, "README.md shows no example run, a ```console "
                              "block that starts with "
                              "$ ./build/pointer-notation")
        self.run_block = blocks[runs[0]][1]
        self.after = blocks[runs[0] + 1:]

    def test_example_run_is_what_the_program_prints(self):
        (place, command), *output = self.run_block
        self.assertEqual(command, "$ ./build/pointer-notation",
                         f"{place}: the example runs the program with "
                         "arguments, which it does not read")
        self.assertShowsRun(place, output)

    def test_picture_shows_the_example_address(self):
        example = ADDRESS.findall("\n".join(l for _, l in self.run_block))
        pictures = [lines for info, lines in self.after if info == "text"]
        self.assertTrue(pictures, "README.md has no picture, a ```text "
                                  "block, after its example run")
        found = [(place, address) for place, line in pictures[0]
                 for address in ADDRESS.findall(line)]
        self.assertTrue(found, f"{pictures[0][0][0]}: the picture shows no "
                               "address")
        for place, address in found:
            if [address] != example:
                self.fail(f"{place}: the picture shows {address}, not the "
                          f"example run's address, {' '.join(example)}")


class Entry:
    """One entry of a list of tagged paragraphs (.TP) in the manual page."""

    def __init__(self, place, tag):
        self.place, self.tag, self.lines = place, tag, []

    @property
    def text(self):
        return " ".join(text for _, _, text in self.lines)

    @property
    def bold(self):
        """The lines that the entry shows in bold, such as a message."""
        return [text for _, request, text in self.lines if request == "B"]


class ManualPage(DocumentTest):
    """The manual page's EXIT STATUS and EXAMPLES, against the program."""

    @classmethod
    def setUpClass(cls):
        cls.sections = manual_page()
        with open("/dev/full", "wb") as full:
            cls.full = program.run(stdout=full)
        cls.runs = {"writes both lines": program.run(),
                    "cannot write them (standard output on /dev/full)":
                        cls.full}

    def section(self, name):
        if name not in self.sections:
            self.fail(f"{MANUAL_SOURCE} has no section {name}")
        return self.sections[name]

    def exit_statuses(self):
        entries, tagged = [], False
        for place, request, text in self.section("EXIT STATUS"):
            if request == "TP":
                tagged = True
            elif tagged:
                entries.append(Entry(place, text))
                tagged = False
            elif entries:
                entries[-1].lines.append((place, request, text))
        return entries

    def status(self, entries, code):
        """The entry for an exit status, such as "1"."""
        found = [e for e in entries if e.tag == str(code)]
        if not found:
            self.fail(f"{entries[0].place if entries else MANUAL_SOURCE}: "
                      f"EXIT STATUS lists "
                      f"{', '.join(e.tag for e in entries) or 'nothing'}, "
                      f"but not {code}, the program's status when it "
                      + next(what for what, result in self.runs.items()
                             if result.returncode == code))
        return found[0]

    def test_listed_statuses_are_the_programs(self):
        entries = self.exit_statuses()
        for result in self.runs.values():
            self.status(entries, result.returncode)
        given = {str(result.returncode) for result in self.runs.values()}
        for entry in entries:
            if entry.tag.isdigit() and entry.tag not in given:
                self.fail(f"{entry.place}: EXIT STATUS lists {entry.tag}, a "
                          "status the program does not give")

    def test_write_error_message(self):
        entry = self.status(self.exit_statuses(), self.full.returncode)
        shown = [line + "\n" for line in entry.bold]
        printed = self.full.stderr.decode(errors="replace")
        if shown != [printed]:
            self.fail(f"{entry.place}: EXIT STATUS {entry.tag} shows the "
                      f"message {shown}, but on /dev/full the program wrote "
                      f"{printed!r}")

    def test_broken_pipe(self):
        entries = [e for e in self.exit_statuses() if "SIGPIPE" in e.tag]
        if not entries:
            self.fail(f"{MANUAL_SOURCE}: EXIT STATUS does not say that a "
                      "pipe whose reader has gone ends the program by SIGPIPE")
        entry = entries[0]
        ended = program.run_into_broken_pipe()
        if ended.returncode != -signal.SIGPIPE:
            self.fail(f"{entry.place}: EXIT STATUS says '{entry.tag}', but "
                      "on a pipe without a reader the program ended with "
                      f"status {ended.returncode}")
        shell = re.search(r"shell shows status (\d+)", entry.text)
        if not shell or int(shell[1]) != 128 + signal.SIGPIPE:
            self.fail(f"{entry.place}: EXIT STATUS does not say that a shell "
                      f"shows status {128 + signal.SIGPIPE}, 128 and SIGPIPE's "
                      f"number: {entry.text}")
        ignored = program.run_into_broken_pipe(
            preexec_fn=program.ignore_sigpipe)
        status = re.search(r"exits with status (\d+)", entry.text)
        if not status or int(status[1]) != ignored.returncode:
            self.fail(f"{entry.place}: EXIT STATUS does not say that with "
                      "SIGPIPE ignored the program exits with status "
                      f"{ignored.returncode}, as it does: {entry.text}")
        printed = ignored.stderr.decode(errors="replace")
        if [program.write_error(cause.encode()).decode()
                for cause in entry.bold] != [printed]:
            self.fail(f"{entry.place}: EXIT STATUS shows {entry.bold} as the "
                      "cause of the failure with SIGPIPE ignored, but the "
                      f"program wrote {printed!r}")

    def test_no_option_is_listed(self):
        """The program reads no arguments, so the page lists none."""
        if "OPTIONS" in self.sections:
            self.fail(f"{MANUAL_SOURCE}: has an OPTIONS section, but the "
                      "program reads no arguments")
        synopsis = [text for _, _, text in self.section("SYNOPSIS")]
        if synopsis != ["pointer-notation"]:
            self.fail(f"{MANUAL_SOURCE}: SYNOPSIS shows {synopsis}, but the "
                      "program takes no arguments: 'pointer-notation' alone")

    def test_example_is_what_the_program_prints(self):
        shown, no_fill = [], False
        for place, request, text in self.section("EXAMPLES"):
            if request in ("nf", "fi"):
                no_fill = request == "nf"
            elif no_fill:
                shown.append((place, text))
        if not shown or not shown[0][1].startswith("$ "):
            self.fail(f"{MANUAL_SOURCE}: EXAMPLES shows no command, a line "
                      "that starts with $ in a block of .nf and .fi")
        (place, command), *output = shown
        name, *args = command[2:].split()
        if name != "pointer-notation":
            self.fail(f"{place}: the example runs {name}, not pointer-notation")
        self.assertShowsRun(place, output, args)


class GuidePictures(unittest.TestCase):
    """A picture in the guide draws a run that the guide shows, so each
    address in it is one that a transcript shows: the Guide test checks the
    transcripts, and this ties the pictures to them."""

    def test_addresses_are_from_transcripts(self):
        name = "docs/guide.md"
        # Transcripts are the lines indented by four blanks, outside fences.
        shown, fenced = set(), False
        for line in read(name).splitlines():
            if line.startswith("```"):
                fenced = not fenced
            elif not fenced and line.startswith("    "):
                shown.update(ADDRESS.findall(line))
        pictures = [lines for info, lines in fenced_blocks(name)
                    if info == "text"]
        for place, line in [line for lines in pictures for line in lines]:
            for address in ADDRESS.findall(line):
                if address not in shown:
                    self.fail(f"{place}: a picture shows {address}, an "
                              "address that no transcript of the guide shows")


def version(text):
    """A version such as "3.25" as numbers to compare: (3, 25, 0)."""
    numbers = tuple(int(n) for n in text.split("."))
    return numbers + (0,) * (3 - len(numbers))


class Versions(unittest.TestCase):
    """The versions that the pages name are those of the build."""

    def setUp(self):
        self.cmake_lists = read("CMakeLists.txt")

    def setting(self, pattern, what):
        found = re.search(pattern, self.cmake_lists)
        if not found:
            self.fail(f"CMakeLists.txt has no {what} to check the pages by")
        return found[1]

    def named(self, name, pattern, what):
        """Each version that a page names, as (place, version); fails where
        it names none."""
        found = [(f"{name}:{number}", match[match.lastindex])
                 for number, line in enumerate(read(name).splitlines(), 1)
                 for match in re.finditer(pattern, line)]
        if not found:
            self.fail(f"{name} names no {what}")
        return found

    def test_cmake(self):
        needed = self.setting(r"cmake_minimum_required\(VERSION ([\d.]+)\)",
                              "cmake_minimum_required(VERSION)")
        presets = json.loads(read("CMakePresets.json"))["cmakeMinimumRequired"]
        in_presets = ".".join(str(presets.get(field, 0))
                              for field in ("major", "minor", "patch"))
        if version(in_presets) != version(needed):
            self.fail(f"CMakePresets.json's cmakeMinimumRequired is "
                      f"{in_presets}, but CMakeLists.txt needs CMake {needed}")
        for place, named in self.named("README.md", r"CMake ([\d.]+) or newer",
                                       "CMake version ('CMake X.Y or newer')"):
            if version(named) != version(needed):
                self.fail(f"{place}: names CMake {named}, but CMakeLists.txt "
                          f"needs CMake {needed}")

    def test_cxx_standard(self):
        standard = self.setting(r"\bCXX_STANDARD (\d+)\b", "CXX_STANDARD")
        for name in ["README.md", "docs/guide.md"]:
            for place, named in self.named(
                    name, r"\bC\+\+(\d+)\b|-std=(?:c|gnu)\+\+(\d+)",
                    "C++ standard (C++NN or -std=c++NN)"):
                if named != standard:
                    self.fail(f"{place}: names C++{named}, but the program is "
                              f"built as C++{standard} (CXX_STANDARD in "
                              "CMakeLists.txt)")

    def test_project_version(self):
        project = self.setting(
            r"\bproject\(\s*pointer-notation\s+VERSION (\S+)",
            "project(VERSION)")
        title = re.search(r'^\.TH .*"pointer-notation ([^"]*)"',
                          read_manual_page(), re.M)
        if not title or title[1] != project:
            self.fail(f"{MANUAL_SOURCE}: the .TH line names version "
                      f"{title[1] if title else 'none'}, not {project}, the "
                      "version of project() in CMakeLists.txt")


class TeachingNotes(unittest.TestCase):
    def test_the_exercises_that_need_the_sanitizers(self):
        """The notes say which exercises build with the sanitizers, and which
        need only g++: the exercises' own commands say the same."""
        sanitized = {number for number, text in re.findall(
            r"^## (\d+)\. (.*?)(?=^## )", read("docs/exercises.md"),
            re.M | re.S) if "-fsanitize" in text}
        notes = " ".join(read("docs/teaching.md").split())
        for claim, expected in [("build with the sanitizers", sanitized),
                                ("need only `g++`", None)]:
            found = re.search(r"Exercises ([\d, and]+) " + re.escape(claim),
                              notes)
            self.assertTrue(found, f"docs/teaching.md does not say which "
                                   f"exercises {claim}")
            listed = set(re.findall(r"\d+", found[1]))
            if expected is None:
                expected = set(re.findall(r"^## (\d+)\. ",
                                          read("docs/exercises.md"),
                                          re.M)) - sanitized
            self.assertEqual(listed, expected, f"docs/teaching.md says that "
                             f"exercises {sorted(listed, key=int)} {claim}")

    """Each exercise and section of the guide that the notes for teachers
    name, as 'Exercise 6, "TITLE"' or 'Guide, part one, "SECTION"', is
    there, under that title and in that part."""

    def test_named_places_are_there(self):
        exercises = re.findall(r"^## (\d+)\. (.*)$", read("docs/exercises.md"),
                               re.M)
        parts, part = {}, None
        for line in read("docs/guide.md").splitlines():
            if line.startswith("# Part "):
                part = parts.setdefault(line.split()[2].rstrip(":"), set())
            elif line.startswith("## ") and part is not None:
                part.add(line[3:])
        named = 0
        for number, line in enumerate(read("docs/teaching.md").splitlines(),
                                      1):
            place = f"docs/teaching.md:{number}"
            for exercise, title in re.findall(r'Exercise (\d+), "([^"]+)"',
                                              line):
                named += 1
                self.assertIn((exercise, title), exercises,
                              f"{place}: exercises.md has no exercise "
                              f"{exercise}, \"{title}\"")
            for name, section in re.findall(r'Guide, part (\w+), "([^"]+)"',
                                            line):
                named += 1
                self.assertIn(section, parts.get(name, ()),
                              f"{place}: part {name} of the guide has no "
                              f"section \"{section}\"")
        self.assertTrue(named, "docs/teaching.md names no exercise or section")


class QuotedLines(unittest.TestCase):
    """Where a page quotes a line of a program by its number, as "change
    line 16, `ptr = &number;`", some program of the lesson holds that text
    on that line: the program itself, which the lesson copies to
    pointers.cpp, or a file of docs/."""

    def test_quoted_lines_are_on_their_lines(self):
        programs = {}
        for path in ["Pointer notation"] + sorted(
                glob.glob(os.path.join(TOP, "docs", "*.cpp"))):
            programs[path] = read(path).splitlines()
        quoted = 0
        for name in ["docs/guide.md", "docs/exercises.md", "docs/teaching.md"]:
            # Prose only, a paragraph at a time: a line number and its text
            # may stand on two lines of the page.
            for start, paragraph in paragraphs(name):
                for number, code in re.findall(r"\blines? (\d+), `([^`]+)`",
                                               paragraph):
                    quoted += 1
                    if not any(len(lines) >= int(number)
                               and code in lines[int(number) - 1]
                               for lines in programs.values()):
                        self.fail(f"{name}:{start}: quotes line {number} as "
                                  f"`{code}`, but no program of the lesson "
                                  "has that on that line")
        self.assertTrue(quoted, "the pages quote no line of a program")


def paragraphs(name):
    """The prose paragraphs of a Markdown page, each with the number of its
    first line, its lines joined by blanks."""
    found, lines, fenced = [], [], False
    for number, line in enumerate(read(name).splitlines() + [""], 1):
        if line.startswith("```"):
            fenced = not fenced
        if line.strip() and not fenced and not line.startswith("    "):
            lines.append((number, line.strip()))
        elif lines:
            found.append((lines[0][0], " ".join(text for _, text in lines)))
            lines = []
    return found


class NamedPaths(unittest.TestCase):
    """Each file of the project that a page names in its prose, such as
    `docs/ready.sh`, is there: a relative path with a folder in it, other
    than build output, and than debian/'s where the tree has no debian/. A
    pattern (`tests/test_*.py`) names at least one."""

    def test_named_files_are_there(self):
        pages = ["README.md", "CONTRIBUTING.md"] + sorted(
            f"docs/{name}" for name in os.listdir(os.path.join(TOP, "docs"))
            if name.endswith(".md"))
        for name in pages:
            for number, line in enumerate(read(name).splitlines(), 1):
                for path in re.findall(r"`([\w.*-]+(?:/[\w.*-]+)+)`", line):
                    # Build output; and debian/, which distributions that
                    # repack the release's files leave out.
                    if path.startswith("build") or (
                            path.startswith("debian/")
                            and not os.path.isdir(os.path.join(TOP, "debian"))):
                        continue
                    pattern = path.replace("NAME", "*")
                    if not glob.glob(os.path.join(TOP, pattern)):
                        self.fail(f"{name}:{number}: names {path}, which the "
                                  "project does not have")


if __name__ == "__main__":
    program.main(sys.modules[__name__])

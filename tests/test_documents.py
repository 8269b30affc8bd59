"""Holds what the pages tell a user to what the program and its build do:
the manual page's exit statuses, against what the program's tests see it
do; the pictures, against the transcripts; the lines, paths and versions
that the pages name; the keys they give for nano, typed into nano.
guide.py runs the pages' commands.

The program is named by the POINTER_NOTATION environment variable, and the
manual page as built by POINTER_NOTATION_MANUAL. The other pages are read
from the source tree around this file.
"""

import ctypes
import fcntl
import glob
import json
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import unittest

# The tests run from the source tree, which the build must not write into:
# no __pycache__ beside them for the import below.
sys.dont_write_bytecode = True
import test_pointer_notation as program  # noqa: E402
from guide import groff_text  # noqa: E402

# The project's files: the source tree, or where POINTER_NOTATION_TOP says,
# such as /usr/share/pointer-notation, where the package puts the lesson.
TOP = (os.environ.get("POINTER_NOTATION_TOP")
       or os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MANUAL = os.environ.get("POINTER_NOTATION_MANUAL")
# The build makes the manual page from this file, line for line, so a fault
# is named by the line to change.
MANUAL_SOURCE = "man/pointer-notation.1.in"

# Any address, as the pages and the program write it.
ADDRESS = re.compile(r"0x[0-9a-f]+")


def read(name):
    with open(os.path.join(TOP, name), encoding="utf-8") as f:
        return f.read()


class ManualPage(unittest.TestCase):
    """The manual page's EXIT STATUS, as man shows it, says what the tests
    of test_pointer_notation.py see the program do: the statuses, and the
    message of a failed write. The page's example is run as the lesson's
    are, by guide.py."""

    @classmethod
    def setUpClass(cls):
        if not MANUAL:
            sys.exit("set POINTER_NOTATION_MANUAL to the manual page as "
                     "built, for example build/man/pointer-notation.1")
        if not shutil.which("groff"):
            raise unittest.SkipTest("needs groff to show the manual page")
        text = groff_text(MANUAL)
        # Each heading starts a line; the section's lines are indented.
        cls.sections = dict(re.findall(r"^(\S.*)\n((?:(?: .*)?\n)*)", text,
                                       re.M))
        cls.section = cls.sections.get("EXIT STATUS", "")
        # Each entry's tag, at the section's indent (7 blanks, or 5 from
        # groff 1.23 on); its text indented more.
        indent = min((len(line) - len(line.lstrip())
                      for line in cls.section.splitlines() if line.strip()),
                     default=0)
        cls.tags = re.findall(rf"^ {{{indent}}}(\S+(?: \S+)*)", cls.section,
                              re.M)
        cls.text = " ".join(cls.section.split())

    def says(self, text, what):
        if text not in self.text:
            self.fail(f"{MANUAL_SOURCE}: EXIT STATUS does not say {what}: "
                      f"'{text}' is not in '{self.text}'")

    def test_statuses(self):
        numbers = [tag.split()[0] for tag in self.tags
                   if tag.split()[0].isdigit()]
        self.assertEqual(numbers, [str(program.SUCCESS),
                                   str(program.WRITE_FAILED)],
                         f"{MANUAL_SOURCE}: EXIT STATUS lists statuses "
                         f"{numbers}, not the program's")
        self.says(program.write_error(b"No space left on device").decode()
                  .strip(), "the message of a write to a full disk")

    def test_broken_pipe(self):
        self.assertIn("ended by SIGPIPE", self.tags,
                      f"{MANUAL_SOURCE}: EXIT STATUS does not say that a "
                      "pipe whose reader has gone ends the program by SIGPIPE")
        self.says(f"a shell shows status {128 + signal.SIGPIPE}",
                  "the status that a shell shows for SIGPIPE")
        self.says(f"exits with status {program.WRITE_FAILED} and the "
                  "diagnostic Broken pipe", "what the program does with "
                  "SIGPIPE ignored")

    def test_no_option_is_listed(self):
        """The program reads no arguments, so the page lists none."""
        if "OPTIONS" in self.sections:
            self.fail(f"{MANUAL_SOURCE}: has an OPTIONS section, but the "
                      "program reads no arguments")
        synopsis = self.sections.get("SYNOPSIS", "").split()
        if synopsis != ["pointer-notation"]:
            self.fail(f"{MANUAL_SOURCE}: SYNOPSIS shows {synopsis}, but the "
                      "program takes no arguments: 'pointer-notation' alone")


class AddressSteps(unittest.TestCase):
    """Where a page says that the addresses it shows are "each N more than
    the one before", the ```text block that follows shows just that, and N
    is the size of an int: cram matches each example address on its own,
    so it would not see a wrong step."""

    def test_steps_are_what_the_page_says(self):
        said = 0
        for name in ["docs/guide.md", "docs/exercises.md"]:
            text = read(name)
            for claim in re.finditer(r"each\s+(\d+)\s+more\s+than\s+the\s+one"
                                     r"\s+before:?\s*\n+```text\n(.*?)```",
                                     text, re.S):
                said += 1
                place = f"{name}:{text.count(chr(10), 0, claim.start()) + 1}"
                step = int(claim[1])
                addresses = [int(a, 16) for a in ADDRESS.findall(claim[2])]
                steps = {b - a for a, b in zip(addresses, addresses[1:])}
                self.assertEqual(step, ctypes.sizeof(ctypes.c_int),
                                 f"{place}: says each address is {step} more "
                                 "than the one before, but an int takes "
                                 f"{ctypes.sizeof(ctypes.c_int)} bytes")
                self.assertEqual(steps, {step}, f"{place}: says each address "
                                 f"is {step} more than the one before, but "
                                 f"the example steps by {sorted(steps)}")
        self.assertTrue(said, "no page says how its addresses step")


class GuidePictures(unittest.TestCase):
    """A picture, a ```text block, in the README or the guide draws a run
    that the page shows, so each address in it is one that a transcript of
    the page shows: guide.py checks the transcripts, and this ties the
    pictures to them."""

    def test_addresses_are_from_transcripts(self):
        for name in ["README.md", "docs/guide.md"]:
            # Transcripts are the lines indented by four blanks, outside
            # fences; pictures are the ```text fences.
            shown, pictured, fence = set(), [], None
            for number, line in enumerate(read(name).splitlines(), 1):
                if line.startswith("```"):
                    fence = None if fence is not None else line[3:]
                elif fence == "text":
                    pictured += [(number, address)
                                 for address in ADDRESS.findall(line)]
                elif fence is None and line.startswith("    "):
                    shown.update(ADDRESS.findall(line))
            for number, address in pictured:
                if address not in shown:
                    self.fail(f"{name}:{number}: a picture shows {address}, "
                              "an address that no transcript of the page "
                              "shows")


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

    def test_gcc(self):
        """The oldest GCC that the pages name is the one that the learners'
        readiness check accepts."""
        found = re.search(r'"\$\{gcc:-0\}" -lt (\d+)', read("docs/ready.sh"))
        self.assertTrue(found, "docs/ready.sh names no oldest GCC to check "
                               "the pages by")
        # The exercises name the GCC that first gives a warning instead.
        for name in ["README.md", "docs/guide.md", "docs/teaching.md"]:
            for start, paragraph in paragraphs(name):
                for named in re.findall(r"\bGCC (\d+) (?:or|and) newer",
                                        paragraph):
                    place = f"{name}:{start}"
                    if named != found[1]:
                        self.fail(f"{place}: names GCC {named} or newer, "
                                  f"but docs/ready.sh accepts GCC "
                                  f"{found[1]} and newer")

    def test_project_version(self):
        project = self.setting(
            r"\bproject\(\s*pointer-notation\s+VERSION (\S+)",
            "project(VERSION)")
        with open(MANUAL, encoding="utf-8") as f:
            title = re.search(r'^\.TH .*"pointer-notation ([^"]*)"',
                              f.read(), re.M)
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

    def test_wrong_answers_print_otherwise(self):
        """A typical wrong answer, in the notes' table, prints something
        other than what the exercise says a correct answer prints: else the
        learner cannot tell them apart by running it."""
        correct = {number: set(re.findall(r"^```text\n((?:.*\n)*?)```\n\s*"
                                          r"<details>", text, re.M)[0]
                               .splitlines()) if "```text" in text else set()
                   for number, text in re.findall(
                       r"^## (\d+)\. .*?\n(.*?)(?=^## |\Z)",
                       read("docs/exercises.md"), re.M | re.S)}
        for number, line in enumerate(read("docs/teaching.md").splitlines(),
                                      1):
            row = re.match(r'\| Exercise (\d+), .*\|([^|]*)\|$', line)
            if not row:
                continue
            for shown in re.findall(r"`([^`]+)`", row[2]):
                self.assertNotIn(shown, correct.get(row[1], set()),
                                 f"docs/teaching.md:{number}: the typical "
                                 f"wrong answer to exercise {row[1]} prints "
                                 f"`{shown}`, which is what a correct answer "
                                 "prints")

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
    """Where a page names a line of a program by its number, it quotes the
    line, as "change line 16, `ptr = &number;`", and some program of the
    lesson holds that text on that line: the program itself, which the
    lesson copies to pointers.cpp, or a file of docs/. A number alone could
    go stale unseen when a line is added above it."""

    def test_quoted_lines_are_on_their_lines(self):
        programs = {}
        for path in ["Pointer notation"] + sorted(
                glob.glob(os.path.join(TOP, "docs", "*.cpp"))):
            programs[path] = read(path).splitlines()
        quoted, faults = 0, []
        for name in ["README.md", "docs/guide.md", "docs/exercises.md",
                     "docs/teaching.md"]:
            # Prose only, a paragraph at a time: a line number and its text
            # may stand on two lines of the page.
            for start, paragraph in paragraphs(name):
                for named in re.finditer(r"\blines? (\d+)(?:, `([^`]+)`)?",
                                         paragraph):
                    number, code = int(named[1]), named[2]
                    if code is None:
                        faults.append(f"{name}:{start}: names line {number} "
                                      "without its text, as 'line 16, "
                                      "`ptr = &number;`'")
                        continue
                    quoted += 1
                    if not any(len(lines) >= number
                               and code in lines[number - 1]
                               for lines in programs.values()):
                        faults.append(f"{name}:{start}: quotes line {number} "
                                      f"as `{code}`, but no program of the "
                                      "lesson has that on that line")
        if faults:
            self.fail("\n".join(faults))
        self.assertTrue(quoted, "the pages quote no line of a program")


class Fragments(unittest.TestCase):
    """Each piece of C++ that a page shows outside a transcript, a ```cpp
    block or a statement in its prose (`ptr = &number;`), is C++ that the
    lesson compiles: a line of one of its programs, or of a sed in a
    transcript, which cram then holds to what g++ says of it. Any other
    statement must compile at the end of some function of the lesson's
    programs, where its names mean what the lesson means by them."""

    def test_fragments_are_compiled_code(self):
        programs = {path: read(path) for path in ["Pointer notation"] + sorted(
            os.path.relpath(p, TOP)
            for p in glob.glob(os.path.join(TOP, "docs", "*.cpp")))}
        compiler = os.environ.get("CXX") or shutil.which("g++") or "c++"
        pending, checked = [], 0
        for name in ["README.md", "docs/guide.md", "docs/exercises.md",
                     "docs/teaching.md"]:
            text = read(name)
            compiled = {re.sub(r"\s*//.*", "", line).strip()
                        for code in programs.values()
                        for line in code.splitlines()}
            # The text that each sed puts into a program, a line at a time:
            # sed '16a\    TEXT' FILE, or sed '9c\ and lines that go on.
            compiled |= {re.sub(r"^[$>] (sed '\d+[aci]\\)?|\\?('\s.*)?$", "",
                                line.strip()).strip()
                         for line in text.splitlines()
                         if re.match(r"    [$>] ", line)}
            fragments = [(f"{name}:{number}", line.strip())
                         for number, line in fenced_lines(text, "cpp")]
            fragments += [(f"{name}:{start}", code)
                          for start, paragraph in paragraphs(name)
                          for code in re.findall(r"`([^`]+;)`", paragraph)]
            checked += len(fragments)
            pending += [(place, code) for place, code in fragments
                        if code not in compiled]
        good = compiling({code for _, code in pending}, compiler,
                         list(programs.values()))
        faults = [f"{place}: `{code}` is C++ that no program of the lesson "
                  "holds and that compiles at the end of none of their "
                  "functions" for place, code in pending if code not in good]
        if faults:
            self.fail("\n".join(faults))
        self.assertTrue(checked, "the pages show no C++ outside transcripts")


class MachineFacts(unittest.TestCase):
    """What the prose says of the machine, sentence by sentence, is true of
    the machine that runs the tests, the learner's: a size in bytes of an
    `int` (or of several) or of a pointer, the alignment of an `int`, and
    the order of an `int`'s bytes."""

    def test_sizes_alignment_and_byte_order(self):
        int_size, pointer = ctypes.sizeof(ctypes.c_int), ctypes.sizeof(
            ctypes.c_void_p)
        counts = {"two": 2, "three": 3, "four": 4, "five": 5}
        faults = []
        for name in ["README.md", "docs/guide.md", "docs/exercises.md",
                     "docs/teaching.md"]:
            # Prose, and the pictures' captions, which say sizes too.
            texts = paragraphs(name) + [(number, line) for number, line in
                                        fenced_lines(read(name), "text")]
            for start, text in texts:
                for sentence in re.split(r"(?<=[.;:])\s", text):
                    place = f"{name}:{start}"
                    # A size is that of the type named last before it.
                    for size in re.finditer(r"\b(\d+) bytes\b", sentence):
                        named = re.findall(
                            r"(?:\b(two|three|four|five) )?`?\b(int\*|int|"
                            r"pointer)", sentence[:size.start()])
                        if not named:
                            continue
                        count, kind = named[-1]
                        count = counts.get(count, 1)
                        expected = count * (int_size if kind == "int"
                                            else pointer)
                        what = (f"{count} {kind}s take" if count > 1
                                else f"an {kind} takes" if kind != "pointer"
                                else "a pointer takes")
                        if int(size[1]) != expected:
                            faults.append(f"{place}: says {size[1]} bytes, "
                                          f"but {what} {expected} here: "
                                          f"{sentence}")
                    for align in re.findall(r"aligned\*? to (\d+)", sentence):
                        if int(align) != ctypes.alignment(ctypes.c_int):
                            faults.append(f"{place}: says an int is aligned "
                                          f"to {align}, but here to "
                                          f"{ctypes.alignment(ctypes.c_int)}")
                    order = re.search(r"(least|most) significant byte at the "
                                      r"(lowest|highest) address", sentence)
                    endian = re.search(r"(little|big)-endian", sentence)
                    if order:
                        order = ("little" if (order[1] == "least")
                                 == (order[2] == "lowest") else "big")
                    for said in filter(None, [order, endian and endian[1]]):
                        if said != sys.byteorder:
                            faults.append(f"{place}: says the bytes are "
                                          f"{said}-endian, but here they are "
                                          f"{sys.byteorder}-endian: "
                                          f"{sentence}")
        if faults:
            self.fail("\n".join(faults))


def fenced_lines(text, info):
    """The lines of a page's fences of one kind, such as ```cpp, with their
    numbers."""
    found, fence = [], None
    for number, line in enumerate(text.splitlines(), 1):
        if line.startswith("```"):
            fence = None if fence is not None else line[3:].strip()
        elif fence == info:
            found.append((number, line))
    return found


def compiling(fragments, compiler, programs):
    """The statements that compile put before the closing brace of some
    function of the programs. Every such copy of a program goes into one
    source, each in a namespace of its own, so that g++ runs once; the line
    of each error says which copy it is in."""
    headers = sorted({line for program in programs
                      for line in program.splitlines()
                      if line.startswith("#include")})
    lines, copies = list(headers), []
    for code in sorted(fragments):
        for program in programs:
            body = [line for line in program.splitlines()
                    if not line.startswith("#include")]
            for end in [n for n, line in enumerate(body) if line == "}"]:
                first = len(lines) + 1
                lines += [f"namespace copy{len(copies)} {{"] + body[:end] + [
                    code] + body[end:] + ["}"]
                copies.append((code, first, len(lines)))
    with tempfile.TemporaryDirectory() as scratch:
        source = os.path.join(scratch, "fragments.cpp")
        with open(source, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        errors = subprocess.run([compiler, "-std=c++17", "-fsyntax-only",
                                 "-fmax-errors=0", source],
                                capture_output=True, text=True).stderr
    wrong = {int(n) for n in re.findall(r"^[^:\n]*:(\d+):\d+: error:", errors,
                                        re.M)}
    return {code for code, first, last in copies
            if not any(first <= n <= last for n in wrong)}


class ProseCommands(unittest.TestCase):
    """Each command that a page names in its prose, such as `nano -l FILE`
    or `setarch -R`, uses options that its tool has: a compiler's options
    compile an empty file, and any other tool's are in what its --help
    prints. A tool that this machine lacks is left out; CI has them all."""

    def test_options_are_the_tools(self):
        faults, checked = [], 0
        for name in ["README.md", "CONTRIBUTING.md", "docs/guide.md",
                     "docs/exercises.md", "docs/teaching.md"]:
            for start, paragraph in paragraphs(name):
                for code in re.findall(r"`([^`]+)`", paragraph):
                    tool, *words = re.split(r"&&|\|", code)[0].split() or [""]
                    options = [w for w in words if w.startswith("-")
                               and w != "-o"]
                    if not options or not shutil.which(tool) or "/" in tool:
                        continue
                    checked += 1
                    wrong = unknown_options(tool, options)
                    if wrong:
                        faults.append(f"{name}:{start}: `{code}` uses "
                                      f"{' '.join(wrong)}, which {tool} does "
                                      "not have")
        if faults:
            self.fail("\n".join(faults))
        if not checked:
            self.skipTest("none of the tools that the pages name is here")


def unknown_options(tool, options):
    """The options that a tool does not have, of those given."""
    if tool in ("g++", "clang++", "c++"):
        ran = subprocess.run([tool, *options, "-fsyntax-only", "-x", "c++",
                              "/dev/null"], capture_output=True, text=True)
        return [] if ran.returncode == 0 and not ran.stderr else options
    ran = subprocess.run([tool, "--help"], capture_output=True, text=True,
                         stdin=subprocess.DEVNULL)
    shown = ran.stdout + ran.stderr
    # Some tools' --help leaves options out that their manual page lists.
    if shutil.which("man"):
        shown += subprocess.run(["man", "-P", "cat", tool], text=True,
                                capture_output=True,
                                env=dict(os.environ, MANWIDTH="200")).stdout

    def has(option):
        return re.search(r"(^|[\s,\[])" + re.escape(option) + r"(?![\w-])",
                         shown, re.M)
    wrong = []
    for option in options:
        option = option.split("=")[0]
        # Short options written together, as tar -xf.
        if not has(option) and not (
                re.fullmatch(r"-[a-zA-Z]+", option)
                and all(has("-" + letter) for letter in option[1:])):
            wrong.append(option)
    # Without man, an option that --help leaves out cannot be told from one
    # that is not there.
    return wrong if shutil.which("man") else []


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
    pattern (`tests/test_*.py`) names at least one. Run on the lesson as
    the package installs it (POINTER_NOTATION_TOP), a page may name a file
    that is not installed only as one "in a clone" of the project."""

    def test_named_files_are_there(self):
        pages = [name for name in ["README.md", "CONTRIBUTING.md"]
                 if os.path.exists(os.path.join(TOP, name))] + sorted(
            f"docs/{name}" for name in os.listdir(os.path.join(TOP, "docs"))
            if name.endswith(".md"))
        clone = os.path.isdir(os.path.join(TOP, "tests"))
        faults = []
        for name in pages:
            for start, paragraph in paragraphs(name):
                for path in re.findall(r"`([\w.*-]+(?:/[\w.*-]+)+)`",
                                       paragraph):
                    # Build output; and debian/, which distributions that
                    # repack the release's files leave out.
                    if path.startswith("build") or (
                            path.startswith("debian/")
                            and not os.path.isdir(os.path.join(TOP, "debian"))):
                        continue
                    pattern = path.replace("NAME", "*")
                    if glob.glob(os.path.join(TOP, pattern)) or (
                            not clone and f"`{path}`, in a clone" in paragraph):
                        continue
                    faults.append(f"{name}:{start}: names {path}, which "
                                  f"{TOP} does not have")
        if faults:
            self.fail("\n".join(faults))


# Each thing that the pages say a nano key does, as it reads there.
NANO_KEY = re.compile(r"Ctrl\+([A-Z])( and (?:then )?Enter)?(?: in nano)? "
                      r"(deletes|saves|leaves)")
NANO_KEYS = re.compile(r"save it and leave \(((?:Ctrl\+[A-Z]|Enter)"
                       r"(?:, (?:Ctrl\+[A-Z]|Enter))*)\)")


def typed(keys):
    """The bytes that a terminal sends for keys such as "Ctrl+O, Enter"."""
    return b"".join(b"\r" if key == "Enter" else bytes([ord(key[-1]) - 64])
                    for key in keys.split(", "))


def nano(path, keys):
    """Types keys into nano, opened on path in a terminal of its own, and
    says whether nano ended. A nano that waits for more is stopped after
    20 seconds, which only bounds a run that would never end, well inside the
    minute that CTest gives the whole group."""
    controller, terminal = os.openpty()
    fcntl.ioctl(terminal, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
    home = tempfile.mkdtemp()
    editor = subprocess.Popen(
        ["nano", "--ignorercfiles", path], stdin=terminal, stdout=terminal,
        stderr=terminal, start_new_session=True,
        env=dict(os.environ, TERM="xterm", HOME=home))
    os.close(terminal)
    shown, typed_yet = b"", False
    try:
        while True:
            ready, _, _ = select.select([controller], [], [], 20)
            if not ready:
                if not typed_yet:
                    raise AssertionError("nano drew no help line with ^X: "
                                         f"it showed {shown[-300:]!r}")
                return False
            try:
                shown += os.read(controller, 4096)
            except OSError:  # nano has ended and closed its terminal
                return editor.wait() == 0
            # Keys typed before nano has drawn its screen could be lost. Its
            # help lines name the keys as ^X in every language, though the
            # words beside them are the learner's own ("Beenden" in German).
            if not typed_yet and b"^X" in shown:
                os.write(controller, keys)
                typed_yet = True
    finally:
        if editor.poll() is None:
            editor.kill()
        editor.wait()
        os.close(controller)
        shutil.rmtree(home)


@unittest.skipUnless(shutil.which("nano"), "nano is not here")
class NanoKeys(unittest.TestCase):
    """The keys that the pages give for nano do what the pages say. Typed
    into nano, the keys said to delete a line, then to save, then to leave,
    take the first line out of a file, write it and end nano; and so does
    each "save it and leave" with the keys it lists."""

    def test_keys_do_what_the_pages_say(self):
        said = {"deletes": set(), "saves": set(), "leaves": set()}
        sequences, faults, where = set(), [], {}
        for name in ["docs/guide.md", "docs/exercises.md", "docs/teaching.md"]:
            for start, paragraph in paragraphs(name):
                claims = NANO_KEY.findall(paragraph)
                listed = NANO_KEYS.findall(paragraph)
                for key, enter, action in claims:
                    keys = f"Ctrl+{key}{', Enter' if enter else ''}"
                    said[action].add(keys)
                    where.setdefault(keys, set()).add(f"{name}:{start}")
                for keys in listed:
                    sequences.add(keys)
                    where.setdefault(keys, set()).add(f"{name}:{start}")
                named = len(re.findall(r"Ctrl\+", paragraph))
                if named != len(claims) + sum(k.count("Ctrl+") for k in listed):
                    faults.append(f"{name}:{start}: names a nano key without "
                                  "saying that it deletes, saves or leaves")
        self.assertTrue(all(said.values()), f"the pages do not say which "
                        f"keys delete, save and leave in nano: {said}")
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "lines.cpp")
            tries = [(d, s, q) for d in said["deletes"]
                     for s in said["saves"] for q in said["leaves"]]
            tries += [(d, keys) for d in said["deletes"] for keys in sequences]
            for parts in tries:
                keys, left = ", ".join(parts), "second\n"
                with open(path, "w") as f:
                    f.write("first\nsecond\n")
                ended = nano(path, typed(keys))
                with open(path) as f:
                    now = f.read()
                if not ended or now != left:
                    pages = ", ".join(sorted(set().union(
                        *(where[part] for part in parts))))
                    faults.append(f"{pages}: typed into nano, {keys} "
                                  f"{'ends' if ended else 'does not end'} "
                                  f"nano and leaves the file {now!r}, not "
                                  f"{left!r} with nano ended")
        if faults:
            self.fail("\n".join(faults))


if __name__ == "__main__":
    program.main(sys.modules[__name__])

"""Runs every command that a page of the lessons shows, with cram, and fails
when one no longer prints what the page shows, or when the page shows a
command that this test would not run.
Usage: guide.py PAGE FOLDER, where FOLDER is the folder in the home folder
that the page's commands make and remove again, such as pointer-guide; or
guide.py --program PROGRAM PAGE, for a page that only runs the program that
the project builds: the README, whose commands run in the project's top
folder with PROGRAM as build/pointer-notation, or the manual page as built
(a page ending in .1 or .1.gz), whose commands run with PROGRAM as
pointer-notation, on PATH. groff renders the manual page as man shows it,
and its transcripts are the blocks that start with a command.

The page shows output as a terminal shows it. Before cram runs it, each
output line that holds one of these is turned into a regular expression:
  - `…` stands for anything that differs from run to run;
  - an address, 0x and nine or more hexadecimal digits, is an example of
    64-bit x86. One that starts with 0x7ff is on the stack: it matches a
    stack address of the machine that runs the test (STACK_START), of the
    same length, ending in 0, 4, 8 or c when the example does. Any other
    matches an address of the same length that is not on the stack.
A sentence that says where the stack of a processor starts, such as "on
64-bit Arm it starts with `0xfff…`", must say it right for the processor
that runs the test.
A block of ```text right above a fold says what a correct answer prints: it
must be what the last command in the fold prints, as the page shows it.

Each part (a heading that starts with "# Part") runs in a shell of its own,
as a learner who comes back another day starts one, in the home folder, with
the project in ~/pointer-notation. The commands run in the language of
whoever runs this test, as the learner's would. Exits with 77, which CTest
shows as a skip, where the page cannot run: when cram3 is missing, or when
docs/ready.sh, the check that learners run, says the machine is not ready.

Each part must also fit a lab session of 45 minutes: its minutes by this
measure must be at most 40, and the line "About 40 minutes." (or another
number, no fewer) must follow its heading. Each part must ask for at least
one edit, and the first part for at least two predictions. Each exercise
(a heading such as "## 1. Swap two ints") must say its minutes the same
way:
  minutes = words / 120 + 1.5 * commands + 3 * predictions + 2 * edits
            + 2 * answers
where a part or an exercise runs from its heading to the next heading of
the same level, or to the end of the page, and
  - words are all the words of those lines, prose, code and transcripts
    alike, a word being anything between blanks (so `$`, `>` and `|` count);
  - commands are the lines that start with `$ ` after the indent, folded or
    not; the `>` lines that continue one are part of it;
  - predictions are the folds whose summary is "Check your prediction";
  - edits are the changes that the page asks the learner to make by hand:
    each is the `sed` in a prediction's fold that makes the same change, to
    be sure, and writes a .cpp file;
  - answers are the ```text blocks right above a fold, which say what a
    correct answer prints: each is code that the learner writes by hand."""

import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile

TESTS = os.path.dirname(os.path.abspath(__file__))
INDENT = "    "
PART = "# Part"
EXERCISE = r"## \d+\. "
PREDICTION = "<summary>Check your prediction</summary>"
LONGEST = 40
PROJECT = "pointer-notation"
TOKEN = re.compile(r"…|0x[0-9a-f]{9,}")
# Warnings that older GCCs, still in use, do not have: the option, and the
# first GCC that warns with it.
GCC_SINCE = {"-Wdangling-pointer": 12}
# Where Linux puts the stack, near the top of a program's addresses, by
# processor (as uname -m names it): the first digits of a stack address, of
# twelve digits in all. A program's addresses stop below 0x800000000000 on
# 64-bit x86, and below 0x1000000000000 on 64-bit Arm with the 48-bit
# addresses of Debian's kernel. The pages' examples are 64-bit x86's.
STACK_START = {"x86_64": "0x7ff", "aarch64": "0xfff"}
EXAMPLE_START = STACK_START["x86_64"]
# The last digit of an int's address, a multiple of 4.
INT_ALIGNED = "[048c]"
# What the pages call the processors, in sentences such as "on 64-bit Arm
# it starts with `0xfff…`".
NAMED = {"x86": "x86_64", "Arm": "aarch64"}
CLAIM = re.compile(r"64-bit (x86|Arm)\b[^.;]{0,80}?`(0x[0-9a-f]+)…`")


def stack(machine):
    """A stack address of a machine's, but for its last digit: of 64-bit
    x86's where the pages say nothing of the machine."""
    return STACK_START.get(machine, EXAMPLE_START) + "[0-9a-f]{8}"


MACHINE = os.uname().machine
HERE = STACK_START.get(MACHINE, EXAMPLE_START)


def cannot(reason):
    print(reason)
    sys.exit(77)


def files(folder):
    """Every file below a folder, with its contents."""
    found = {}
    for path, _, names in os.walk(folder):
        for name in names:
            with open(os.path.join(path, name), "rb") as f:
                found[os.path.join(path, name)] = f.read()
    return found


def pattern(text, where):
    """The regular expression for an output line that shows examples."""
    parts, start = [], 0
    for token in TOKEN.finditer(text):
        parts.append(re.escape(text[start:token.start()]))
        example = token[0]
        if example == "…":
            parts.append(".*")
        elif example.startswith(EXAMPLE_START):
            if len(example) != 14:
                sys.exit(f"{where}: {example} is not a whole stack address "
                         "of 12 digits")
            end = INT_ALIGNED if example[-1] in "048c" else "[0-9a-f]"
            parts.append(stack(MACHINE) + end)
        else:
            # An address elsewhere, such as a library's: one of the same
            # length that is not on the stack.
            parts.append(f"0x(?!{HERE[2:]})[0-9a-f]{{{len(example) - 2}}}")
        start = token.end()
    parts.append(re.escape(text[start:]))
    return "".join(parts) + " (re)"


def gcc_major():
    """The major version of the learner's g++, or None without one."""
    try:
        return int(subprocess.run(["g++", "-dumpversion"], capture_output=True,
                                  text=True).stdout.split(".")[0])
    except (OSError, ValueError):
        return None


# A command that writes a file: into it (>), or by sed -i, cp, mv, tee or -o.
WRITES = r"(>|\bsed\b.*\s-i|\b(cp|mv|tee)\b|\s-o\s).*(^|[\s/'\"])"


def wrong_claims(paragraph):
    """What a paragraph, its place and then its lines, says wrongly of where
    the stack of this machine's processor starts."""
    return [f"{paragraph[0]}: says that the stack of 64-bit {named} starts "
            f"with {start}, but on this {MACHINE} machine it starts with "
            f"{STACK_START[MACHINE]}"
            for named, start in CLAIM.findall(" ".join(paragraph[1:]))
            if NAMED[named] == MACHINE and start != STACK_START[MACHINE]]


def cram_form(lines, name, gcc=None, starting=()):
    """The page in cram's form, and a list of the correct answers that the
    fold below each does not show; fails naming each line that shows a
    command that cram would not run, or test syntax, and each command of a
    reference answer that writes over a starting file of the lesson, which
    holds the learner's own answer by then. A warning of an option
    that came after the GCC `gcc` is not expected from it: the page says
    which GCC first prints it."""
    faults, converted, fenced, output = [], [], False, False
    mismatches, owed, in_answer, paragraph = [], 0, False, None
    # A ```text block: (its first line, its lines). pending is the last one,
    # until a line other than a blank comes; answer is the one above the
    # fold that is open. shown is what the last command prints.
    block = pending = answer = None
    shown = []
    for number, line in enumerate(lines, 1):
        text = line.rstrip("\n")
        where = f"{name}:{number}"
        closing = False
        if text.startswith("```"):
            fenced = not fenced
            if fenced:
                block = (number, []) if text == "```text" else None
            elif block:
                pending, block, closing = block, None, True
        elif fenced and block:
            block[1].append(text)
        if text == "<details>":
            answer = pending
        if text == "<summary>A reference answer</summary>":
            in_answer = True
        elif text == "</details>":
            in_answer = False
        if in_answer and re.match(INDENT + "[$>] ", text):
            for written in starting:
                if re.search(WRITES + re.escape(written) + r"\b", text):
                    faults.append(f"{where}: a reference answer writes over "
                                  f"{written}, which holds the learner's own "
                                  f"answer: {text.strip()}")
        if text.strip() and not closing:
            pending = None
        # Prose, a paragraph at a time, for what it says of the stack.
        if text.strip() and not fenced and not text.startswith(INDENT):
            paragraph = paragraph or [where]
            paragraph.append(text.strip())
        elif paragraph:
            faults += wrong_claims(paragraph)
            paragraph = None
        command = text.lstrip().startswith("$ ")
        if command and (fenced or not text.startswith(INDENT + "$ ")):
            faults.append(f"{where}: a command that the test would not run, "
                          "since only a $ indented by four blanks and outside "
                          f"a fence is run: {text.strip()}")
        if text.startswith(INDENT + "$ ") or text.startswith(INDENT + "> "):
            output = True
            if text.startswith(INDENT + "$ "):
                shown = []
        elif output and text.startswith(INDENT):
            shown.append(text[len(INDENT):])
            if re.search(r" \((re|glob|esc|no-eol)\)$", text):
                faults.append(f"{where}: test syntax on the page: "
                              f"{text.strip()}")
            elif TOKEN.search(text):
                text = INDENT + pattern(text[len(INDENT):], where)
            option = re.search(r"\[(-W[a-z-]+)=?\]$", text)
            if gcc and option and gcc < GCC_SINCE.get(option[1], 0):
                # Left out, and a blank line after the output instead, so
                # that cram's diff still names the page's lines.
                owed += 1
                continue
        else:
            output = False
            converted += ["\n"] * owed
            owed = 0
        if text == "</details>" and answer:
            if shown != answer[1]:
                mismatches.append(f"{name}:{answer[0]}: the correct answer shown "
                              "here is not what the last command of the fold "
                              f"below it prints, at line {number}")
            answer = None
        # Inside a fence nothing is a transcript, however it is indented.
        converted.append((text.lstrip() if fenced else text) + "\n")
    faults += wrong_claims(paragraph or [])
    for fault in faults:
        print(fault)
    if faults:
        sys.exit(1)
    return converted, mismatches


def measured(lines):
    """The minutes that some lines of a page take, by the measure that the
    docstring of this file gives, and how they were counted."""
    words = sum(len(line.split()) for line in lines)
    commands, folded = [], False
    for line in lines:
        if line.strip() == PREDICTION:
            folded = True
        elif line.strip() == "</details>":
            folded = False
        if line.startswith(INDENT + "$ "):
            commands.append([folded, line[len(INDENT) + 2:].strip()])
        elif line.startswith(INDENT + "> ") and commands:
            commands[-1][1] += " " + line[len(INDENT) + 2:].strip()
    edits = sum(folded and bool(re.fullmatch(r"sed .*(\s-i\b.*|>\s*\S+\.cpp)",
                                             command))
                for folded, command in commands)
    predictions = sum(line.strip() == PREDICTION for line in lines)
    text = "".join(lines)
    answers = len(re.findall(r"^```text\n(?:.*\n)*?```\n\s*<details>", text,
                             re.M))
    minutes = (words / 120 + 1.5 * len(commands) + 3 * predictions
               + 2 * edits + 2 * answers)
    how = (f"{words} words / 120 + 1.5 x {len(commands)} commands + "
           f"3 x {predictions} predictions + 2 x {edits} edits + "
           f"2 x {answers} answers = {minutes:.1f} minutes")
    return minutes, edits, predictions, how


def measure(lines, name):
    """Fails, naming the heading, when a part takes longer than a lab
    allows, or than the part says, or an exercise longer than it says. The
    docstring of this file says how the minutes are counted. Returns where
    the parts start."""
    starts = [number for number, line in enumerate(lines)
              if line.startswith(PART)]
    exercises = [number for number, line in enumerate(lines)
                 if re.match(EXERCISE, line)]
    faults = []
    for start in sorted(starts + exercises):
        level = lines[start].split()[0] + " "
        end = next((number for number in range(start + 1, len(lines))
                    if lines[number].startswith(level)), len(lines))
        minutes, edits, predictions, how = measured(lines[start:end])
        heading = lines[start].strip()
        said = next((re.fullmatch(r"About (\d+) minutes\.", line.strip())
                     for line in lines[start + 1:end] if line.strip()), None)
        print(f"{heading}: {how}")
        if not said:
            faults.append(f"{name}:{start + 1}: '{heading}' does not say how "
                          "long it takes on the line after it, as "
                          "'About 40 minutes.'")
        elif int(said[1]) < minutes:
            faults.append(f"{name}:{start + 1}: '{heading}' says less than "
                          f"the {minutes:.1f} minutes it takes")
        if start in starts and minutes > LONGEST:
            faults.append(f"{name}:{start + 1}: '{heading}' takes "
                          f"{minutes:.1f} minutes, more than the {LONGEST} "
                          "that fit a lab session")
        # A sitting that only types along teaches less: each part has the
        # learner change code, and the first asks for predictions early.
        if start in starts and not edits:
            faults.append(f"{name}:{start + 1}: '{heading}' asks for no "
                          "edit by hand, checked by a sed in a prediction's "
                          "fold")
        if starts[:1] == [start] and predictions < 2:
            faults.append(f"{name}:{start + 1}: '{heading}' asks for "
                          f"{predictions} predictions, fewer than 2")
    for fault in faults:
        print(fault)
    if faults:
        sys.exit(1)
    return starts


def groff_text(page):
    """A manual page, plain or gzipped, as man shows it: plain text, with
    no bold, underline or hyphenation."""
    opener = gzip.open if page.endswith(".gz") else open
    with opener(page, "rb") as f:
        return subprocess.run(["groff", "-man", "-Tutf8", "-rHY=0",
                               "-P-cbou"], input=f.read(), capture_output=True,
                              check=True).stdout.decode()


def rendered(page):
    """A manual page as man shows it, with each of its transcripts indented
    by four blanks and its other lines by none, as in the lesson's pages."""
    if not shutil.which("groff"):
        cannot("the test of the manual page's examples needs groff, which "
               "is not installed")
    lines, indent = [], None
    for line in groff_text(page).splitlines():
        if line.lstrip().startswith("$ "):
            indent = len(line) - len(line.lstrip())
        elif indent is not None and not line[:indent].isspace():
            indent = None
        lines.append(INDENT + line[indent:] + "\n" if indent is not None
                     else line.strip() + "\n")
    return lines


def main():
    program = None
    if sys.argv[1] == "--program":
        program, page = sys.argv[2:]
        folder = None
    else:
        page, folder = sys.argv[1:]
    name = os.path.basename(page)
    if not shutil.which("cram3"):
        cannot("the test of the page's commands needs cram3, which is not "
               "installed")
    if page.endswith((".1", ".1.gz")):
        original = rendered(page)
        top = os.path.dirname(TESTS)
    else:
        with open(page, encoding="utf-8") as f:
            original = f.readlines()
        # The project is the folder above the page: a clone, or the
        # package's files in /usr/share/pointer-notation.
        top = os.path.dirname(os.path.abspath(page))
        if os.path.basename(top) == "docs":
            top = os.path.dirname(top)
    # The starting files that the lessons copy, which the learner changes.
    starting = [file for file in os.listdir(os.path.join(top, "docs"))
                if file.endswith(".cpp") and not file.endswith("_answer.cpp")]
    lines, mismatches = cram_form(original, name, gcc_major(), starting)
    starts = measure(original, name)

    with tempfile.TemporaryDirectory() as scratch:
        # An empty home with a copy of the project in it, as a learner has.
        home = os.path.join(scratch, "home")
        project = os.path.join(home, PROJECT)
        os.makedirs(project)
        shutil.copy(os.path.join(top, "Pointer notation"), project)
        shutil.copytree(os.path.join(top, "docs"), os.path.join(project, "docs"))
        # cram sets the language to C; the shell sets the learner's again.
        env = dict(os.environ, GUIDE_HOME=home)
        for variable in ["LANG", "LC_ALL", "LANGUAGE"]:
            env["GUIDE_" + variable] = os.environ.get(variable, "")
        if program:
            # The program as the README's build makes it, and as installed.
            os.mkdir(os.path.join(project, "build"))
            shutil.copy(program, os.path.join(project, "build", PROJECT))
            os.mkdir(os.path.join(scratch, "bin"))
            shutil.copy(program, os.path.join(scratch, "bin", PROJECT))
            env.update(GUIDE_START=project,
                       PATH=os.path.join(scratch, "bin") + os.pathsep
                       + os.environ["PATH"])
        before = files(project)

        # The learners' own check decides whether the commands can run, in
        # the shell that the commands get.
        # The README and the manual page need only the program.
        ready = subprocess.run([f"{TESTS}/guide-shell", "-c",
                                f"sh ~/{PROJECT}/docs/ready.sh"], env=env,
                               capture_output=True, text=True,
                               check=False) if not program else None
        if ready and ready.returncode:
            cannot("".join(line for line in ready.stdout.splitlines(True)
                           if not line.startswith("ready:"))
                   + ready.stderr)

        # Each part keeps its lines where the page has them, and blank lines
        # for the others', so that cram's diff names the page's lines.
        bounds = [0] + starts[1:] + [len(lines)]
        failed = []
        for part, (start, end) in enumerate(zip(bounds, bounds[1:]), 1):
            text = (["\n"] * start + lines[start:end]
                    + ["\n"] * (len(lines) - end))
            os.mkdir(os.path.join(scratch, str(part)))
            path = os.path.join(scratch, str(part), name)
            with open(path, "w", encoding="utf-8") as f:
                f.writelines(text)
            if subprocess.run(["cram3", f"--indent={len(INDENT)}",
                               f"--shell={TESTS}/guide-shell", path],
                              env=env).returncode:
                failed.append(str(part))
        if failed:
            sys.exit(f"part {' and '.join(failed)} of {name} does not print "
                     f"what the page shows, at the lines of {name} named "
                     "above")

        # cram has shown that each fold prints what it shows; the correct
        # answer above it must say the same.
        for mismatch in mismatches:
            print(mismatch)
        if mismatches:
            sys.exit(1)
        if files(project) != before:
            sys.exit(f"the commands of {name} changed the project's own files")
        if folder and os.path.exists(os.path.join(home, folder)):
            sys.exit(f"the last step of {name} leaves ~/{folder} behind")


if __name__ == "__main__":
    main()

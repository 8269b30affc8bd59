"""Runs every command that a page shows, with cram, and fails where one no
longer prints what the page shows, or where the page breaks a rule below.
Usage: guide.py PAGE FOLDER, where FOLDER is the folder in the home folder
that the page's commands make and remove again, such as pointer-guide; or
guide.py --program PROGRAM PAGE, for the README, whose commands run in the
project's top folder with PROGRAM as build/pointer-notation, or the manual
page as built (.1 or .1.gz, which groff renders as man shows it), whose
commands run with PROGRAM on PATH.

Each part (a heading "# Part ...") runs in a shell of its own, as a learner
who comes back another day starts one: in the home folder, with the lesson
in ~/pointer-notation, in the language of whoever runs this test. Exits
with 77, which CTest shows as a skip, where the page cannot run: without
cram3, or where docs/ready.sh, the learners' check, says not ready.

The page shows output as a terminal shows it. In an output line, `…`
stands for anything, and an address, 0x and nine or more hexadecimal
digits, is an example from 64-bit x86: one of twelve digits that starts
with 0x7ff matches a stack address of the machine that runs the test,
whatever its layout (see stack()), and any other an address of its length
that is not on the stack; each ends in 0, 4, 8 or c where the example does.

The rules, whose faults name the page's line:
  - a ```text block right above a fold says what a correct answer prints,
    which the last command in the fold prints;
  - no command writes to a file that the learner edits: one that the page
    opens in nano, or a starting file NAME.cpp beside NAME_answer.cpp;
  - each part has a prediction (a fold "Check your prediction") and a task
    (a ```text block above a fold), and takes at most 30 minutes; the line
    after each part's heading, and each exercise's ("## 1. Swap two ints"),
    says its minutes, as "About 24 minutes.": the measure, or up to 5 more,
      minutes = words / 120 + 1.5 * commands + 3 * predictions + 2 * tasks
    over the lines from the heading to the next of its level, where words
    are all that stands between blanks, and commands are the lines that
    start with `$ ` after the indent, folded or not."""

import contextlib
import gzip
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

TESTS = os.path.dirname(os.path.abspath(__file__))
INDENT = "    "
PREDICTION = "<summary>Check your prediction</summary>"
LONGEST = 30
PROJECT = "pointer-notation"
TOKEN = re.compile(r"…|0x[0-9a-f]{9,}")
# Warnings that older GCCs, still in use, do not have: the option, and the
# first GCC that warns with it.
GCC_SINCE = {"-Wdangling-pointer": 12}
# A command that writes a file: into it (>), or by sed -i, cp, mv, tee or -o.
WRITES = r"(>|\bsed\b.*\s-i|\b(cp|mv|tee)\b|\s-o\s).*(^|[\s/'\"])"


def stack_top():
    """Where this machine's stack ends, read from this process's own map."""
    return int(re.search(r"-([0-9a-f]+) .*\[stack\]$", pathlib.Path("/proc/self/maps").read_text(),
                         re.M)[1], 16)


def stack(top):
    """A stack address of a machine whose stack ends at top, but for its
    last digit. Linux puts the stack at the top of a program's addresses,
    which stop below 2 to the power of the layout's bits: 47 on 64-bit x86
    and on Arm with 16 KiB pages, 48 on Arm with Debian's 4 KiB pages, 39
    on a Raspberry Pi 3 or 4. Randomisation moves it by less than 16 GiB,
    so it lies in the top 64 GiB: the digits above the last nine are
    fixed."""
    bits = top.bit_length()
    fixed = format((1 << bits) - (1 << 36), "x")[:-9]
    return f"0x{fixed}[0-9a-f]{{{(bits + 3) // 4 - len(fixed) - 1}}}"


def pattern(text, where, top):
    """The regular expression for an output line that shows examples."""
    parts, start = [], 0
    for token in TOKEN.finditer(text):
        parts.append(re.escape(text[start:token.start()]))
        example = token[0]
        end = "[048c]" if example[-1] in "048c" else "[0-9a-f]"
        if example == "…":
            parts.append(".*")
        elif example.startswith("0x7ff"):
            if len(example) != 14:
                sys.exit(f"{where}: {example} is not a stack address of "
                         "64-bit x86, of 12 digits")
            parts.append(stack(top) + end)
        else:
            parts.append(f"(?!{stack(top)})0x[0-9a-f]{{{len(example) - 3}}}" + end)
        start = token.end()
    return "".join(parts) + re.escape(text[start:]) + " (re)"


def gcc_major():
    """The major version of the learner's g++, or None without one."""
    with contextlib.suppress(OSError, ValueError):
        return int(subprocess.run(["g++", "-dumpversion"], capture_output=True,
                                  text=True).stdout.split(".")[0])


def cram_form(lines, name, edited, gcc=None, top=None):
    """The page in cram's form, and the faults of its rules (see above). A
    warning of an option newer than the GCC `gcc` is left out."""
    top = top or stack_top()
    faults, converted, fenced, output, owed = [], [], False, False, 0
    # A ```text block being read; the last one, while only blank lines
    # follow it; the one above the open fold; what the last command printed.
    pending = answer = block = None
    shown = []
    for number, line in enumerate(lines, 1):
        text = line.rstrip("\n")
        where = f"{name}:{number}"
        if text.startswith("```"):
            fenced = not fenced
            if fenced:
                block = [number] if text == "```text" else None
            else:
                pending, block = block, None
        elif fenced:
            if block is not None:
                block.append(text)
        elif text == "<details>":
            answer, pending = pending, None
        elif text.strip():
            pending = None
        if text == "</details>" and answer:
            if shown != answer[1:]:
                faults.append(f"{name}:{answer[0]}: the correct answer shown "
                              "here is not what the last command of the fold "
                              f"below it prints, at line {number}")
            answer = None
        command = re.match(INDENT + r"[$>] ", text)
        if text.lstrip().startswith("$ ") and (fenced or not command):
            faults.append(f"{where}: a command that the test would not run, "
                          "since only a $ indented by four blanks and outside "
                          f"a fence is run: {text.strip()}")
        if command and not fenced:
            for file in edited:
                if re.search(WRITES + re.escape(file) + r"\b", text[6:]):
                    faults.append(f"{where}: writes over {file}, which the "
                                  f"learner edits: {text.strip()}")
            output = True
            if text.startswith(INDENT + "$ "):
                shown = []
        elif output and text.startswith(INDENT) and not fenced:
            shown.append(text[len(INDENT):])
            if re.search(r" \((re|glob|esc|no-eol)\)$", text):
                faults.append(f"{where}: test syntax on the page: "
                              f"{text.strip()}")
            option = re.search(r"\[(-W[a-z-]+)=?\]$", text)
            if gcc and option and gcc < GCC_SINCE.get(option[1], 0):
                # Left out, and a blank line after the output instead, so
                # that cram's diff still names the page's lines.
                owed += 1
                continue
            if TOKEN.search(text):
                text = INDENT + pattern(text[len(INDENT):], where, top)
        else:
            output = False
            converted += ["\n"] * owed
            owed = 0
        # Inside a fence nothing is a transcript, however it is indented.
        converted.append((text.lstrip() if fenced else text) + "\n")
    return converted, faults


def measure(lines, name):
    """The faults of the parts' and the exercises' times, and where the
    parts start."""
    starts = [n for n, line in enumerate(lines) if line.startswith("# Part")]
    faults = []
    for start in [n for n, line in enumerate(lines)
                  if n in starts or re.match(r"## \d+\. ", line)]:
        level = lines[start].split()[0] + " "
        end = next((n for n in range(start + 1, len(lines))
                    if lines[n].startswith(level)), len(lines))
        text, heading = "".join(lines[start:end]), lines[start].strip()
        words, commands = len(text.split()), text.count("\n" + INDENT + "$ ")
        predictions = text.count(PREDICTION)
        answers = len(re.findall(r"^```text\n(?:.*\n)*?```\n\s*<details>", text, re.M))
        minutes = words / 120 + 1.5 * commands + 3 * predictions + 2 * answers
        print(f"{heading}: {words} words / 120 + 1.5 x {commands} commands + "
              f"3 x {predictions} predictions + 2 x {answers} answers = "
              f"{minutes:.1f} minutes")
        said = re.search(r"\n\s*About (\d+) minutes\.\n", text)
        place = f"{name}:{start + 1}: '{heading}' takes {minutes:.1f} minutes"
        if not said or not minutes <= int(said[1]) < minutes + 5:
            faults.append(f"{place}, and the line after it must say so, as "
                          f"'About {int(minutes) + 1} minutes.'")
        if start in starts and minutes > LONGEST:
            faults.append(f"{place}, more than the {LONGEST} of a part")
        if start in starts and not (predictions and answers):
            faults.append(f"{place}, and needs a prediction and a task that "
                          "the learner writes")
    return starts, faults


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
        cannot("the test of the manual page's examples needs groff")
    lines, indent = [], None
    for line in groff_text(page).splitlines():
        if line.lstrip().startswith("$ "):
            indent = len(line) - len(line.lstrip())
        elif indent is not None and not line[:indent].isspace():
            indent = None
        lines.append(INDENT + line[indent:] + "\n" if indent is not None else line.strip() + "\n")
    return lines


def cannot(reason):
    sys.exit(print(reason) or 77)


def files(folder):
    """Every file below a folder, with its contents."""
    return {p: p.read_bytes() for p in pathlib.Path(folder).rglob("*") if p.is_file()}


def main():
    program, page, folder = ([*sys.argv[2:], None] if sys.argv[1] == "--program"
                             else [None, *sys.argv[1:]])
    name = os.path.basename(page)
    if not shutil.which("cram3"):
        cannot("the test of the page's commands needs cram3")
    if page.endswith((".1", ".1.gz")):
        original, top = rendered(page), os.path.dirname(TESTS)
    else:
        with open(page, encoding="utf-8") as f:
            original = f.readlines()
        # The lesson's top folder, that of the README or above the docs/ of
        # a page: a copy of the project, or /usr/share/pointer-notation.
        top = os.path.dirname(os.path.abspath(page)).removesuffix("/docs")
    docs = os.listdir(os.path.join(top, "docs"))
    edited = set(re.findall(r"\bnano(?: -l)? ([\w.-]+\.cpp)", "".join(original)))
    edited |= {file for file in docs if file[:-4] + "_answer.cpp" in docs}
    lines, faults = cram_form(original, name, sorted(edited), gcc_major())
    starts, more = measure(original, name)
    if faults + more:
        sys.exit("\n".join(faults + more))

    with tempfile.TemporaryDirectory() as scratch:
        # An empty home with a copy of the lesson in it, as a learner has.
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
            for where in [os.path.join(project, "build"), os.path.join(scratch, "bin")]:
                os.mkdir(where)
                shutil.copy(program, os.path.join(where, PROJECT))
            env.update(GUIDE_START=project, PATH=os.path.join(scratch, "bin")
                       + os.pathsep + os.environ["PATH"])
        else:
            # The learners' own check decides whether the commands can run.
            ready = subprocess.run([f"{TESTS}/guide-shell", "-c",
                                    f"sh ~/{PROJECT}/docs/ready.sh"], env=env,
                                   capture_output=True, text=True)
            if ready.returncode:
                cannot("".join(line for line in ready.stdout.splitlines(True)
                               if not line.startswith("ready:"))
                       + ready.stderr)
        before = files(project)

        # Each part keeps its lines where the page has them, and blank lines
        # for the others', so that cram's diff names the page's lines.
        bounds = [0] + starts[1:] + [len(lines)]
        failed = []
        for part, (start, end) in enumerate(zip(bounds, bounds[1:]), 1):
            path = os.path.join(scratch, str(part), name)
            os.mkdir(os.path.dirname(path))
            with open(path, "w", encoding="utf-8") as f:
                f.writelines(["\n"] * start + lines[start:end] + ["\n"] * (len(lines) - end))
            if subprocess.run(["cram3", f"--indent={len(INDENT)}",
                               f"--shell={TESTS}/guide-shell", path],
                              env=env).returncode:
                failed.append(str(part))
        if failed:
            sys.exit(f"part {' and '.join(failed)} of {name} does not print "
                     f"what the page shows, at the lines of {name} named "
                     "above")
        if files(project) != before:
            sys.exit(f"the commands of {name} changed the lesson's own files")
        if folder and os.path.exists(os.path.join(home, folder)):
            sys.exit(f"the last step of {name} leaves ~/{folder} behind")


if __name__ == "__main__":
    main()

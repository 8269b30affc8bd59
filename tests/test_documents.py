"""Holds what the pages tell a user to what the program and its build do:
the README's example run, which the tests run and compare.

The program is named by the POINTER_NOTATION environment variable. The
pages are read from the source tree around this file.
"""

import os
import platform
import re
import sys
import unittest

import test_pointer_notation as program

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Any address, as the pages and the program write it.
ADDRESS = re.compile(r"0x[0-9a-f]+")
# An int's address on the stack of 64-bit x86: below 0x800000000000, with
# twelve digits, and a multiple of 4. The pages' example addresses are
# these, so each must be one, and on 64-bit x86 what the program prints
# must be one too; elsewhere the program's addresses are another machine's.
STACK_INT = r"0x7ff[0-9a-f]{8}[048c]"
PRINTED = STACK_INT if platform.machine() == "x86_64" else r"0x[0-9a-f]+"


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


def as_printed(line, address):
    """A regular expression for a line of example output: the same text byte
    for byte, and `address` where the line shows an address."""
    return address.join(re.escape(part) for part in ADDRESS.split(line))


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
                              "block that starts with $ ./build/pointer-notation")
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


if __name__ == "__main__":
    program.main(sys.modules[__name__])

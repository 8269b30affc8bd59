"""The patterns that tests/guide.py makes of the example addresses that the
pages show: each must match the addresses that a learner's run on this
machine can print, and no address that an int on the stack cannot have.
The addresses below are 64-bit x86's, as the pages' examples are; here()
makes them this machine's."""

import re
import sys
import unittest

# The tests run from the source tree, which the build must not write into.
sys.dont_write_bytecode = True
import test_pointer_notation as program  # noqa: E402
from guide import EXAMPLE_START, HERE, MACHINE, STACK_START, cram_form, pattern  # noqa: E402

EXAMPLE = "Ptr : 0x7ffd852331e4"

# A stack address of the same length whose last digit an int can end in.
ACCEPTED = ["0x7ffd852331e4", "0x7ffe1ca123e0", "0x7fff00000008",
            "0x7ffc5c34961c"]
REJECTED = {
    "0x7ffd852331e1": "a last digit that no int's address ends in",
    "0x7ffd852331e6": "a last digit that no int's address ends in",
    "0x7ffd852331e": "one digit too few",
    "0x7ffd852331e40": "one digit too many",
    "0x5ffd852331e4": "an address that is not on the stack",
    "0x7ffd852331E4": "upper-case digits, which the library does not print",
    "0x07ffd852331e": "a leading zero",
}


def here(address):
    """An address of 64-bit x86's stack as this machine's stack has it."""
    return address.replace(EXAMPLE_START, HERE, 1)


def matches(address):
    regex = pattern(EXAMPLE, "test").removesuffix(" (re)")
    return re.fullmatch(regex, f"Ptr : {here(address)}") is not None


class GuidePatterns(unittest.TestCase):
    def test_addresses_that_a_run_can_print_are_accepted(self):
        for address in ACCEPTED:
            with self.subTest(address):
                self.assertTrue(matches(address))

    def test_addresses_that_an_int_cannot_have_are_rejected(self):
        for address, why in REJECTED.items():
            with self.subTest(address, why=why):
                self.assertFalse(matches(address), why)

    def test_an_address_elsewhere_is_not_one_on_the_stack(self):
        regex = pattern("at 0x7f3c1a200020", "test").removesuffix(" (re)")
        self.assertRegex("at 0x7f3c1a2000a8", regex)
        self.assertIsNone(re.fullmatch(regex, f"at {here('0x7ffd144ec9b0')}"),
                          "a stack address matched an example elsewhere")

    def test_a_sentence_on_this_machines_stack_must_be_right(self):
        named = {"x86_64": "x86", "aarch64": "Arm"}.get(MACHINE)
        if not named:
            self.skipTest(f"the pages say nothing of {MACHINE}")
        wrong = "0x5ff" if STACK_START[MACHINE] != "0x5ff" else "0x6ff"
        for start, faults in [(STACK_START[MACHINE], 0), (wrong, 1)]:
            line = f"On 64-bit {named} the stack starts with `{start}…`.\n"
            with self.subTest(start):
                try:
                    cram_form([line], "test")
                    found = 0
                except SystemExit:
                    found = 1
                self.assertEqual(found, faults, line)

    def test_the_rest_of_the_line_is_compared_letter_for_letter(self):
        regex = pattern(EXAMPLE, "test").removesuffix(" (re)")
        self.assertIsNone(re.fullmatch(regex, "Ptr: 0x7ffd852331e4"))
        self.assertIsNone(re.fullmatch(regex, "*Ptr : 0x7ffd852331e4"))


if __name__ == "__main__":
    program.main(sys.modules[__name__])

"""Runs the built pointer-notation program the way a user or a script would.

The program is named by the POINTER_NOTATION environment variable.
"""

import os
import signal
import subprocess
import unittest

PROGRAM = os.environ["POINTER_NOTATION"]

# Exactly two lines: the address (never null, lower-case hex without leading
# zeros), then the value read through the pointer.
OUTPUT = rb"\APtr : 0x[1-9a-f][0-9a-f]*\n\*Ptr : 10\n\Z"


def run(args=(), stdout=subprocess.PIPE, **kwargs):
    return subprocess.run([PROGRAM, *args], stdout=stdout,
                          stderr=subprocess.PIPE, **kwargs)


def write_error(cause):
    return b"pointer-notation: write error: " + cause + b"\n"


class ProgramTest(unittest.TestCase):
    def assertEnded(self, result, status, stderr=b""):
        # Standard error is checked first and shown whole on a mismatch,
        # since that is where a crash or sanitizer report would be.
        self.assertEqual(result.stderr, stderr,
                         result.stderr.decode(errors="replace"))
        self.assertEqual(result.returncode, status)


class NormalRun(ProgramTest):
    def check(self, result):
        self.assertEnded(result, 0)
        self.assertRegex(result.stdout, OUTPUT)

    def test_plain_run(self):
        self.check(run())

    def test_arguments_are_ignored(self):
        self.check(run(["one", "--help", "", "-"]))

    def test_standard_input_closed(self):
        self.check(run(preexec_fn=lambda: os.close(0)))


class WriteErrors(ProgramTest):
    def test_full_device(self):
        with open("/dev/full", "wb") as full:
            result = run(stdout=full)
        self.assertEnded(result, 1, write_error(b"No space left on device"))

    def test_standard_output_closed(self):
        result = run(preexec_fn=lambda: os.close(1))
        self.assertEnded(result, 1, write_error(b"Bad file descriptor"))


class BrokenPipe(ProgramTest):
    """Standard output is a pipe whose reading end is closed before the start."""

    def run_into_broken_pipe(self, **kwargs):
        read_end, write_end = os.pipe()
        os.close(read_end)
        try:
            return run(stdout=write_end, **kwargs)
        finally:
            os.close(write_end)

    def test_default_action_ends_the_process(self):
        result = self.run_into_broken_pipe()
        self.assertEnded(result, -signal.SIGPIPE)

    def test_ignored_signal_is_a_write_error(self):
        result = self.run_into_broken_pipe(
            preexec_fn=lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN))
        self.assertEnded(result, 1, write_error(b"Broken pipe"))


if __name__ == "__main__":
    unittest.main()

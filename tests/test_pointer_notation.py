"""Runs the built pointer-notation program the way a user or a script would.

The program is named by the POINTER_NOTATION environment variable. A
program built for another processor runs under the emulator that
POINTER_NOTATION_EMULATOR names, such as "qemu-s390x -L /usr/s390x-linux-gnu".
"""

import contextlib
import os
import re
import shlex
import signal
import subprocess
import sys
import time
import unittest

PROGRAM = os.environ.get("POINTER_NOTATION")
COMMAND = [*shlex.split(os.environ.get("POINTER_NOTATION_EMULATOR", "")), PROGRAM]

# The program ends at once; a run still going after this long is stuck, for
# instance waiting for input it should never read.
TIMEOUT = 5
# The exit statuses, which the manual page gives: both lines written, or a
# write that failed.
SUCCESS, WRITE_FAILED = 0, 1

# Exactly two lines: the address (never null, lower-case hex without leading
# zeros), then the value read through the pointer.
ADDRESS = rb"Ptr : 0x([1-9a-f][0-9a-f]*)\n"
VALUE_LINE = b"*Ptr : 10\n"
ADDRESS_LINE = rb"\A" + ADDRESS + rb"\Z"
OUTPUT = rb"\A" + ADDRESS + re.escape(VALUE_LINE) + rb"\Z"


def byte_order(program):
    """The order of the bytes of an int in a program, from its own ELF
    header: "little", "big", or None for a program that is not ELF."""
    with contextlib.suppress(OSError), open(program or "", "rb") as f:
        header = f.read(6)
        if header[:4] == b"\x7fELF":
            return {1: "little", 2: "big"}.get(header[5])
    return None


def run(args=(), stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, **kwargs):
    return subprocess.run([*COMMAND, *args], stdin=stdin, stdout=stdout,
                          stderr=subprocess.PIPE, timeout=TIMEOUT, **kwargs)


def write_error(cause):
    return b"pointer-notation: write error: " + cause + b"\n"


class ProgramTest(unittest.TestCase):
    def assertEnded(self, result, status, stderr=b""):
        # Standard error is checked first and shown whole on a mismatch,
        # since that is where a crash or sanitizer report would be.
        self.assertEqual(result.stderr, stderr, result.stderr.decode(errors="replace"))
        self.assertEqual(result.returncode, status)


class NormalRun(ProgramTest):
    def check(self, result):
        self.assertEnded(result, SUCCESS)
        self.assertRegex(result.stdout, OUTPUT)

    def test_plain_run(self):
        self.check(run())

    def test_arguments_are_ignored(self):
        self.check(run(["one", "--help", "", "-"]))

    def test_standard_input_closed(self):
        self.check(run(preexec_fn=lambda: os.close(0)))

    def test_standard_input_open_and_silent(self):
        # The test keeps the writing end open, so a read would wait forever.
        read_end, write_end = os.pipe()
        try:
            self.check(run(stdin=read_end))
        finally:
            os.close(read_end)
            os.close(write_end)


class WriteErrors(ProgramTest):
    def test_full_device(self):
        with open("/dev/full", "wb") as full:
            result = run(stdout=full)
        self.assertEnded(result, WRITE_FAILED, write_error(b"No space left on device"))

    def test_standard_output_closed(self):
        result = run(preexec_fn=lambda: os.close(1))
        self.assertEnded(result, WRITE_FAILED, write_error(b"Bad file descriptor"))


def run_into_broken_pipe(**kwargs):
    """Runs the program into a pipe whose reader has gone before it starts."""
    read_end, write_end = os.pipe()
    os.close(read_end)
    try:
        return run(stdout=write_end, **kwargs)
    finally:
        os.close(write_end)


def ignore_sigpipe():
    signal.signal(signal.SIGPIPE, signal.SIG_IGN)


class BrokenPipe(ProgramTest):
    def test_default_action_ends_the_process(self):
        result = run_into_broken_pipe()
        self.assertEnded(result, -signal.SIGPIPE)

    def test_ignored_signal_is_a_write_error(self):
        result = run_into_broken_pipe(preexec_fn=ignore_sigpipe)
        self.assertEnded(result, WRITE_FAILED, write_error(b"Broken pipe"))


class FlushAndAddress(ProgramTest):
    """Each line is flushed as it ends, and the address printed holds the
    int 10. Standard output is a pipe that is already full, so each write
    blocks until the test makes room: the test sees what every write holds,
    and the program's memory, while the program waits. Linux shows both in
    /proc, for a program under qemu-user too, whose addresses are those of
    the program it runs."""

    def setUp(self):
        self.order = byte_order(PROGRAM)
        if not self.order or not os.path.exists("/proc/self/syscall"):
            self.skipTest("needs an ELF program, whose header says the order "
                          "of its bytes, and /proc/PID/syscall")

    def start(self, **kwargs):
        # In a packet pipe every write takes a slot of its own, so once the
        # slots are full, each write blocks until one slot is read.
        read_end, write_end = os.pipe2(os.O_DIRECT)
        self.pipe = open(read_end, "rb", buffering=0)
        os.set_blocking(write_end, False)
        with contextlib.suppress(BlockingIOError):
            while True:
                os.write(write_end, b"-")
        os.set_blocking(write_end, True)
        self.proc = subprocess.Popen(COMMAND, stdin=subprocess.DEVNULL,
                                     stdout=write_end, stderr=subprocess.PIPE,
                                     **kwargs)
        os.close(write_end)
        # Should a check fail, end the program rather than leave it waiting.
        self.addCleanup(self.proc.__exit__, None, None, None)
        self.addCleanup(self.pipe.close)
        self.addCleanup(self.proc.kill)

    def finish(self):
        stderr = self.proc.communicate(timeout=TIMEOUT)[1]
        return subprocess.CompletedProcess(PROGRAM, self.proc.returncode, stderr=stderr)

    def memory(self, address, size):
        with open(f"/proc/{self.proc.pid}/mem", "rb", buffering=0) as mem:
            mem.seek(address)
            return mem.read(size)

    def blocked_write(self, after=None):
        """What the program's write of a line to standard output holds, once
        it waits in one whose bytes differ from `after`."""
        syscall = f"/proc/{self.proc.pid}/syscall"
        deadline = time.monotonic() + TIMEOUT
        while self.proc.poll() is None and time.monotonic() < deadline:
            time.sleep(0.001)
            # A system call's number, then its arguments: for write(2), the
            # descriptor, the buffer and the count. The numbers differ by
            # processor; a buffer that holds a line tells a write well enough.
            with open(syscall) as f:
                call = f.read().split()
            if len(call) < 4 or call[1] != "0x1":
                continue
            try:
                data = self.memory(int(call[2], 16), min(int(call[3], 16), 4096))
            except PermissionError:
                raise
            except OSError:  # not a buffer
                continue
            # Still the same call after the read: the bytes are its own.
            with open(syscall) as f:
                if f.read().split() == call and data.endswith(b"\n") and data != after:
                    return data
        self.fail("the program never waited in a write to standard output")

    def first_line(self):
        """The address line, caught alone in its write, with the address
        checked to hold the int 10 at that moment."""
        try:
            line = self.blocked_write()
        except PermissionError as error:
            # Yama, or a program that may be run but not read, keeps other
            # processes out of its /proc files.
            self.skipTest(f"may not look into the program: {error}")
        self.assertRegex(line, ADDRESS_LINE)
        target = self.memory(int(re.match(ADDRESS_LINE, line)[1], 16), 4)
        self.assertEqual(int.from_bytes(target, self.order, signed=True), 10,
                         "the int at the address printed, in the order of "
                         f"bytes that the program's header says, {self.order}")
        return line

    def test_each_line_leaves_alone_and_the_address_holds_10(self):
        self.start()
        first = self.first_line()
        rest = [p for p in iter(lambda: self.pipe.read(4096), b"") if p != b"-"]
        self.assertEqual(rest, [first, VALUE_LINE])
        self.assertEnded(self.finish(), 0)

    def test_failure_on_the_value_line_alone_is_reported(self):
        self.start(preexec_fn=ignore_sigpipe)
        first = self.first_line()
        self.pipe.read(4096)  # room for the address line, and no more
        self.assertEqual(self.blocked_write(after=first), VALUE_LINE)
        self.pipe.close()  # the reader goes away during the value line
        self.assertEnded(self.finish(), 1, write_error(b"Broken pipe"))


def groups(module):
    """The groups of cases in a test file, as unittest finds them."""
    return [name for name, item in vars(module).items()
            if isinstance(item, type) and issubclass(item, unittest.TestCase)
            and unittest.defaultTestLoader.getTestCaseNames(item)]


def main(module):
    """Runs the groups of a test file named on the command line, or with
    --groups lists them: tests/CMakeLists.txt registers each group as a test
    of its own."""
    if sys.argv[1:] == ["--groups"]:
        print(";".join(groups(module)))
        sys.exit()
    if not PROGRAM:
        sys.exit("set POINTER_NOTATION to the program to test, for example "
                 "POINTER_NOTATION=build/pointer-notation")
    # A group whose every case skipped exits with 77, which CTest shows as
    # a skip; any failure still exits with 1.
    result = unittest.main(module=module, exit=False).result
    if not result.wasSuccessful() or not result.testsRun:
        sys.exit(1)
    sys.exit(77 if len(result.skipped) == result.testsRun else 0)


if __name__ == "__main__":
    main(sys.modules[__name__])

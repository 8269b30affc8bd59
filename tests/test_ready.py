"""The readiness check that learners run, docs/ready.sh, on machines that are
not ready: each thing that the lesson needs is taken away or broken in
turn, and the check must say "not ready" for it, name it, and exit 1. The
machine is a folder of commands that stands for PATH: this one's, less
those taken away, with stand-ins for those broken. The tools are those that
docs/ready.sh lists."""

import os
import subprocess
import sys
import tempfile
import unittest

# The tests run from the source tree, which the build must not write into.
sys.dont_write_bytecode = True
import test_pointer_notation as program  # noqa: E402

READY = os.path.join(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__))), "docs", "ready.sh")
TOOLS = subprocess.run(["sh", READY, "--tools"], capture_output=True,
                       text=True, check=True).stdout.split()
# A learner who may not use sudo, on a lab PC.
STUDENT = "case $1 in -u) echo 1000 ;; -Gn) echo student ;; *) exec /usr/bin/id \"$@\" ;; esac"


def uname(system, machine):
    return f"case $1 in -s) echo {system} ;; -m) echo {machine} ;; *) exec /bin/uname \"$@\" ;; esac"


def listed(tool):
    """Skips a case about a tool that docs/ready.sh no longer lists."""
    return unittest.skipUnless(tool in TOOLS, f"docs/ready.sh lists {' '.join(TOOLS)}, not {tool}")


class Refusals(unittest.TestCase):
    def check(self, expected, away=(), stand_ins=None, wrapper=(), unwanted=()):
        with tempfile.TemporaryDirectory() as folder:
            for directory in filter(os.path.isdir, os.environ["PATH"].split(os.pathsep)):
                for name in set(os.listdir(directory)) - set(away):
                    if not os.path.lexists(os.path.join(folder, name)):
                        os.symlink(os.path.join(directory, name), os.path.join(folder, name))
            for name, script in (stand_ins or {}).items():
                os.remove(os.path.join(folder, name))
                with open(os.path.join(folder, name), "w") as f:
                    f.write(f"#!/bin/sh\n{script}\n")
                os.chmod(os.path.join(folder, name), 0o755)
            result = subprocess.run([*wrapper, "/bin/sh", READY], env=dict(os.environ, PATH=folder),
                                    capture_output=True, text=True, timeout=60)
        said = result.stdout + result.stderr
        self.assertTrue(any(line.startswith("not ready: ") and expected in line
                            for line in result.stdout.splitlines()),
                        f"docs/ready.sh did not say 'not ready: …{expected}…'; it said:\n{said}")
        self.assertEqual(result.returncode, 1, said)
        for advice in unwanted:
            self.assertNotIn(advice, said, "docs/ready.sh gives advice that does not apply")

    def test_each_tool_missing(self):
        for tool in TOOLS:
            with self.subTest(tool):
                self.check(f"{tool} is not installed", away={tool})

    @listed("g++")
    def test_no_compiler_and_no_sudo(self):
        self.check("g++ is not installed: ask whoever runs this machine to install the package g++",
                   away={"g++"}, stand_ins={"id": STUDENT})

    @listed("g++")
    def test_a_gcc_older_than_the_pages(self):
        self.check("g++ is GCC 10, and the pages show what GCC 11 and newer",
                   stand_ins={"g++": '[ "$1" = -dumpversion ] && echo 10 && exit\nexec /usr/bin/g++ "$@"'})

    @listed("g++")
    def test_a_gplusplus_that_is_not_gcc(self):
        self.check("g++ here is not GCC but Apple clang",
                   stand_ins={"g++": "echo 'Apple clang version 15.0.0'"})

    @listed("gdb")
    def test_a_debugger_that_may_not_trace(self):
        # As in a container without ptrace: gdb starts, the program never.
        self.check("gdb is installed but may not run programs",
                   stand_ins={"gdb": "echo 'ptrace: Operation not permitted.'"})

    def test_another_processor(self):
        self.check("and this is Linux riscv64", stand_ins={"uname": uname("Linux", "riscv64")})

    def test_a_mac(self):
        # macOS has neither apt-get nor /proc: its route is a virtual machine.
        self.check("this is Darwin: run it in a Linux virtual machine, as docs/setup.md says for a Mac",
                   stand_ins={"uname": uname("Darwin", "arm64")}, unwanted=("apt-get", "/proc"))

    def test_randomisation_off(self):
        self.check("address randomisation is off", wrapper=["setarch", "-R"])


if __name__ == "__main__":
    program.main(sys.modules[__name__])

"""The readiness check that learners run, docs/ready.sh, on machines that are
not ready: each thing that the guide needs is taken away or broken in turn,
and the check must say "not ready" for it, name it, and exit 1.

The machine is made by a folder of commands that stands for PATH: every
command of this one, less those taken away, with stand-ins for those
broken."""

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
# A learner who may not use sudo, on a lab PC.
STUDENT = """#!/bin/sh
case $1 in -u) echo 1000 ;; -Gn) echo student ;; *) exec /usr/bin/id "$@" ;; esac
"""


def machine(folder, away=(), stand_ins=None):
    """A folder of commands: this machine's, less `away`, with `stand_ins`,
    scripts by name, in place of the real ones."""
    stand_ins = stand_ins or {}
    os.makedirs(folder)
    for directory in os.environ.get("PATH", "").split(os.pathsep):
        if not os.path.isdir(directory):
            continue
        for name in os.listdir(directory):
            path = os.path.join(folder, name)
            if name in away or os.path.lexists(path):
                continue
            os.symlink(os.path.join(directory, name), path)
    for name, script in stand_ins.items():
        path = os.path.join(folder, name)
        if os.path.lexists(path):
            os.remove(path)
        with open(path, "w") as f:
            f.write(script)
        os.chmod(path, 0o755)
    return folder


class Refusals(unittest.TestCase):
    def check(self, expected, away=(), stand_ins=None, wrapper=()):
        with tempfile.TemporaryDirectory() as scratch:
            path = machine(os.path.join(scratch, "bin"), away, stand_ins)
            result = subprocess.run([*wrapper, "/bin/sh", READY],
                                    env=dict(os.environ, PATH=path),
                                    capture_output=True, text=True,
                                    timeout=60)
        refusals = [line for line in result.stdout.splitlines()
                    if line.startswith("not ready: ")]
        self.assertTrue(any(expected in line for line in refusals),
                        f"docs/ready.sh did not say 'not ready: …{expected}…'"
                        f"; it said:\n{result.stdout}{result.stderr}")
        self.assertEqual(result.returncode, 1, result.stdout)

    def test_no_compiler_and_no_sudo(self):
        self.check("g++, the C++ compiler, is not installed: ask whoever "
                   "runs this machine to install the package g++",
                   away={"g++"}, stand_ins={"id": STUDENT})

    def test_a_gcc_older_than_the_lessons(self):
        self.check("g++ is GCC 10, and the guide shows what GCC 11 and newer",
                   stand_ins={"g++": "#!/bin/sh\n[ \"$1\" = -dumpversion ] "
                                     "&& echo 10 && exit\nexec /usr/bin/g++ "
                                     "\"$@\"\n"})

    def test_a_gplusplus_that_is_not_gcc(self):
        self.check("g++ here is not GCC but Apple clang",
                   stand_ins={"g++": "#!/bin/sh\necho 'Apple clang version "
                                     "15.0.0'\n"})

    def test_no_debugger(self):
        self.check("gdb, the debugger, is not installed", away={"gdb"})

    def test_a_debugger_that_may_not_trace(self):
        # As in a container without ptrace: gdb starts, the program never.
        self.check("gdb is installed but may not run programs",
                   stand_ins={"gdb": "#!/bin/sh\necho 'ptrace: Operation not "
                                     "permitted.'\n"})

    def test_no_editor(self):
        self.check("nano, the editor the guide uses, is not installed",
                   away={"nano"})

    def test_another_processor(self):
        self.check("and this is Linux riscv64",
                   stand_ins={"uname": processor("riscv64")})

    def test_randomisation_off(self):
        self.check("address randomisation is off", wrapper=["setarch", "-R"])


def processor(name):
    """A stand-in for uname that names another processor."""
    return (f"#!/bin/sh\n[ \"$1\" = -m ] && echo {name} && exit\n"
            "exec /bin/uname \"$@\"\n")


class Acceptances(unittest.TestCase):
    """The processors that the lesson supports, as uname -m names them, are
    ready, whatever else this machine lacks."""

    def test_supported_processors(self):
        for name in ["x86_64", "aarch64"]:
            with self.subTest(name), tempfile.TemporaryDirectory() as scratch:
                path = machine(os.path.join(scratch, "bin"),
                               stand_ins={"uname": processor(name)})
                said = subprocess.run(["/bin/sh", READY],
                                      env=dict(os.environ, PATH=path),
                                      capture_output=True, text=True,
                                      timeout=60).stdout
                self.assertIn("ready:     64-bit Linux, on an x86 or Arm "
                              "processor", said, f"docs/ready.sh does not "
                              f"take Linux {name}: it said\n{said}")


if __name__ == "__main__":
    program.main(sys.modules[__name__])

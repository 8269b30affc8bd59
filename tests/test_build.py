"""Holds a build made with a preset of CMakePresets.json to what the preset
and CONTRIBUTING.md promise, from CMake's own record of it: its compile and
link commands and its cache.

The build is the folder named by POINTER_NOTATION_BUILD. A build made
without a preset, such as the Debian package's, has nothing to be held to,
and shows as skipped.
"""

import json
import os
import re
import sys
import unittest

# The tests run from the source tree, which the build must not write into.
sys.dont_write_bytecode = True
import test_pointer_notation as program  # noqa: E402

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("POINTER_NOTATION_BUILD", "")


def read(*path):
    with open(os.path.join(*path), encoding="utf-8") as f:
        return f.read()


class PresetBuild(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        presets = json.loads(read(TOP, "CMakePresets.json"))
        cls.presets = {p["name"]: p for p in presets["configurePresets"]}
        cls.name = next((name for name, p in cls.presets.items()
                         if os.path.realpath(p.get("binaryDir", "").replace(
                             "${sourceDir}", TOP)) == os.path.realpath(BUILD)),
                        None)
        if not cls.name:
            return
        cls.preset = cls.presets[cls.name]
        cls.compile = next(
            entry["command"] for entry in
            json.loads(read(BUILD, "compile_commands.json"))
            if entry["file"].endswith("Pointer notation")).split()
        cls.link = read(BUILD, "CMakeFiles", "pointer-notation.dir",
                        "link.txt").split()

    def setUp(self):
        if not self.name:
            self.skipTest(f"{BUILD} was not made with a preset")

    def test_the_environments_flags_come_first_and_reach_the_build(self):
        for variable, words in [("CXXFLAGS", self.compile),
                                ("LDFLAGS", self.link)]:
            for flag in os.environ.get(variable, "").split():
                self.assertIn(flag, words, f"the environment's {variable} "
                              f"do not reach the {self.name} build")

    def test_the_standard_and_warnings_that_the_project_names(self):
        standard = re.search(r"\bCXX_STANDARD (\d+)\b",
                             read(TOP, "CMakeLists.txt"))[1]
        self.assertIn(f"-std=c++{standard}", self.compile,
                      f"the {self.name} build is not C++{standard}, which "
                      "CMakeLists.txt asks for")
        warnings = self.presets["base"]["environment"]["WARNING_FLAGS"]
        for flag in warnings.split():
            self.assertIn(flag, self.compile,
                          f"the {self.name} build compiles without {flag}")

    def test_warnings_are_errors_for_developers_alone(self):
        for_developers = self.preset["displayName"].startswith(
            "For developers")
        self.assertEqual("-Werror" in self.compile, for_developers,
                         f"the {self.name} build is "
                         f"{'for' if for_developers else 'not for'} "
                         "developers, so -Werror should be "
                         f"{'on' if for_developers else 'off'}: a newer "
                         "compiler must not stop a learner's build")

    def test_the_build_type_is_the_one_promised(self):
        built = re.search(r"^CMAKE_BUILD_TYPE:\w+=(.*)$",
                          read(BUILD, "CMakeCache.txt"), re.M)[1]
        row = re.search(rf"^\| `{self.name}` \|.*$",
                        read(TOP, "CONTRIBUTING.md"), re.M)
        for where, text in [("its display name", self.preset["displayName"]),
                            ("CONTRIBUTING.md", row[0] if row else "")]:
            promised = re.search(r"\b[Aa] (\w+) build\b", text)
            self.assertEqual(promised and promised[1], built,
                             f"the {self.name} build is a {built or 'plain'} "
                             f"build, not what {where} says: {text!r}")
        # Release: optimised, and assertions off. Debug: neither.
        release = {"-DNDEBUG", "-O2", "-O3"} & set(self.compile)
        fits = ("-DNDEBUG" in release and len(release) > 1
                if built == "Release" else not release)
        self.assertTrue(fits, f"the {self.name} build's compile command does "
                        f"not fit a {built} build: {' '.join(self.compile)}")

    def test_the_sanitize_build_compiles_and_links_with_both_sanitizers(self):
        if self.name != "sanitize":
            self.skipTest(f"the {self.name} build has no sanitizers")
        for words in self.compile, self.link:
            used = {name for word in words if word.startswith("-fsanitize=")
                    for name in word.split("=", 1)[1].split(",")}
            self.assertLessEqual({"address", "undefined"}, used,
                                 f"the sanitize build: {' '.join(words)}")


if __name__ == "__main__":
    program.main(sys.modules[__name__])

"""Which liblzma each Windows program links. The shipped programs only decode and link the lean
build; the test programs craft payloads and link the full one. The two archives define the same
symbols, so a program that named both would link silently with objects of either: each link
must name exactly one."""
import re
import subprocess
import unittest

from harness.wine import build_dir

# (ninja output, links the lean build)
ROWS = (("VeriluneSetup.exe", True), ("uninstall.exe", True), ("tests/wine_tests.exe", False))


def lean_prefix():
    cache = (build_dir() / "CMakeCache.txt").read_text()
    return re.search(r"^VL_LZMA_LEAN_PREFIX:PATH=(.*)$", cache, re.M).group(1)


def linked_lzma_prefixes(output):
    commands = subprocess.run(["ninja", "-C", str(build_dir()), "-t", "commands", output],
                              capture_output=True, text=True, check=True).stdout
    link = commands.strip().splitlines()[-1]
    return set(re.findall(r"(\S*)/lib/liblzma\.a", link))


class LzmaBuildsTest(unittest.TestCase):
    def test_each_program_links_one_liblzma_of_the_right_build(self):
        for output, lean in ROWS:
            with self.subTest(output):
                prefixes = linked_lzma_prefixes(output)
                self.assertEqual(len(prefixes), 1, prefixes)
                self.assertEqual(prefixes == {lean_prefix()}, lean, prefixes)


if __name__ == "__main__":
    unittest.main()

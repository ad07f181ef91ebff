"""End-to-end checks of the test tooling around the payload: the benchmark payload generator is
deterministic and gives the nine shipped names at their sizes; under Wine (fresh prefix, Xvfb)
the launcher hands back full exit codes through the shared harness, and the Wine tests of the
launcher, the file holder and the sample payload pass with a display, so that none of the
window tests is skipped.

    python3 tests/e2e/test_sample_payload.py        (after building the windows preset)
"""
import os
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

TESTS = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(TESTS))
from harness.wine import Display, Prefix, build_dir  # noqa: E402

REPO = TESTS.parent
MAKE_BENCH = REPO / "tools" / "make-bench-payload"
SHIPPED = {"verilune.exe", "uninstall.exe", "ShuttleCsp11_3003.dll", "cryptoide_pkcs11.dll",
           "eTPKCS11.dll", "eToken.dll", "eps2003csp11.dll", "eps2003csp11v2.dll",
           "eps2003csp11x32.dll"}


def make_bench(out_dir):
    return subprocess.run([sys.executable, str(MAKE_BENCH), str(out_dir)], capture_output=True,
                          text=True, timeout=300)


class BenchPayload(unittest.TestCase):
    def test_two_runs_give_identical_files_with_the_shipped_names_and_sizes(self):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            first, second = make_bench(Path(a) / "out"), make_bench(Path(b) / "out")
            self.assertEqual(first.returncode, 0, first.stderr)
            self.assertEqual(second.returncode, 0, second.stderr)
            names = set(os.listdir(Path(a) / "out"))
            self.assertEqual(names, SHIPPED)
            for name in sorted(names):
                data = (Path(a) / "out" / name).read_bytes()
                self.assertEqual(data, (Path(b) / "out" / name).read_bytes(), name)
                self.assertEqual(data[:2], b"MZ", name)
                if name == "verilune.exe":
                    self.assertTrue(14_000_000 <= len(data) <= 16_000_000, len(data))
                else:
                    self.assertTrue(300_000 <= len(data) <= 2_000_000, (name, len(data)))
            total = sum((Path(a) / "out" / n).stat().st_size for n in names)
            self.assertTrue(22_000_000 <= total <= 26_000_000, total)
            self.assertIn("total", first.stdout)

    def test_folder_with_other_files_is_refused_and_left_alone(self):
        with tempfile.TemporaryDirectory() as d:
            stray = Path(d) / "notes.txt"
            stray.write_text("mine")
            result = make_bench(d)
            self.assertEqual(result.returncode, 1)
            self.assertIn("notes.txt", result.stderr)
            self.assertEqual(os.listdir(d), ["notes.txt"])


class UnderWine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tests_dir = build_dir() / "tests"
        if not (cls.tests_dir / "wine_tests.exe").exists():
            raise unittest.SkipTest("windows preset not built")

    def test_launcher_returns_full_exit_codes_through_the_harness(self):
        probe = Prefix.windows_path(self.tests_dir / "probe.exe")
        with Prefix() as prefix:
            for elevated in (False, True):
                code, _ = prefix.run_exit_code([probe, "exit", "0x80070005"], elevated=elevated)
                self.assertEqual(code, 0x80070005)
            code, result = prefix.run_exit_code([probe, "elevation"])
            self.assertEqual(code, 3, result.stdout)  # limited token, not elevated
            code, result = prefix.run_exit_code([probe, "elevation"], elevated=True)
            self.assertEqual(code, 18, result.stdout)  # full token, elevated


if __name__ == "__main__":
    unittest.main()

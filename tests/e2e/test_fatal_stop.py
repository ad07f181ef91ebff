"""The shipped programs' runtime under Wine: built without exceptions, it turns a failed
allocation and the C++ runtime's own failures into the fatal stop (exit code, readable line on
the standard error stream), and leaves the nothrow allocation's null to the caller."""
import unittest

from e2e.installer import harness_program
from harness.wine import Prefix

E_OUTOFMEMORY = 0x8007000E
E_UNEXPECTED = 0x8000FFFF

# request, exit code, text expected on stdout, text expected on stderr
ROWS = [
    ("new", E_OUTOFMEMORY, "", "Verilune Setup: fatal: out of memory: "),
    ("nothrow", 0, "null", ""),
    ("at", E_UNEXPECTED, "",
     "Verilune Setup: fatal: vector::_M_range_check: __n (which is 1) >= this->size() (which is 0)"),
]


class ShippedRuntime(unittest.TestCase):
    def test_requests_it_cannot_satisfy(self):
        probe = harness_program("shipped_runtime_probe")
        with Prefix() as prefix:
            for request, want_code, want_out, want_err in ROWS:
                code, result = prefix.run_exit_code([probe, request], elevated=True)
                fatal = [line for line in result.stderr.splitlines() if "fatal:" in line]
                shown = fatal[0] if fatal else result.stdout.split("\n")[0]
                print("%-8s 0x%08X  %s" % (request, code, shown))
                with self.subTest(request=request):
                    self.assertEqual(code, want_code)
                    self.assertIn(want_out, result.stdout)
                    if want_err:
                        self.assertTrue(fatal and fatal[0].startswith(want_err), result.stderr)
                    else:
                        self.assertEqual(fatal, [])


if __name__ == "__main__":
    unittest.main()

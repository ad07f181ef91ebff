"""The Wine tests of running-application handling and legacy removal, run in their prepared
prefix (test MSIs built with wixl, a desktop with a notification area, a link fixture): one
unittest case per Google Test case, so that the counts say what ran."""
import re
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

from e2e import legacy_peer

WINE_TESTS = Path(__file__).resolve().parents[1] / "wine"


def declared_cases():
    """(suite, case) of every TEST/TEST_F of the prepared-prefix suites, from the sources."""
    pattern = re.compile(r"^TEST(?:_F)?\((%s), (\w+)\)" % "|".join(legacy_peer.PREPARED_PREFIX_SUITES), re.M)
    cases = []
    for source in sorted(WINE_TESTS.glob("*.cpp")):
        cases += pattern.findall(source.read_text(encoding="utf-8"))
    return cases


class PreparedPrefixWineTests(unittest.TestCase):
    results = None
    output = ""

    @classmethod
    def setUpClass(cls):
        with tempfile.TemporaryDirectory(prefix="vl-procs-xml-") as folder:
            xml = Path(folder) / "results.xml"
            _, _, _, cls.output = legacy_peer.run_wine_tests(xml=xml)
            cls.results = {}
            if xml.exists():
                for case in ElementTree.parse(xml).getroot().iter("testcase"):
                    failures = [f.get("message", "") for f in case.findall("failure")]
                    cls.results[(case.get("classname"), case.get("name"))] = (case.get("result"), failures)
        measured = [line for line in cls.output.splitlines() if line.startswith("[ measured ]")]
        if measured:
            print("\n" + "\n".join(measured))

    def check(self, suite, case):
        result = self.results.get((suite, case))
        self.assertIsNotNone(result, "%s.%s did not run:\n%s" % (suite, case, self.output[-4000:]))
        status, failures = result
        self.assertFalse(failures, "\n".join(failures))
        self.assertEqual(status, "completed", "%s.%s was %s" % (suite, case, status))


def _add_case(suite, case):
    def test(self):
        self.check(suite, case)
    setattr(PreparedPrefixWineTests, "test_%s_%s" % (suite, case), test)


for _suite, _case in declared_cases():
    _add_case(_suite, _case)

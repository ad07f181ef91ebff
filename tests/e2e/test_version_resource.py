"""The built installer's version resource and manifest carry the version its build was
configured with (the project's VERSION), read back from the executable itself: the shipped 32-bit
installer, whichever build the Wine layers run (a static read)."""
import re
import subprocess
import unittest
import xml.etree.ElementTree as ElementTree

from e2e.installer import shipped_installer
from harness.wine import build_dir


def configured_version():
    cache = (build_dir() / "CMakeCache.txt").read_text()
    return re.search(r"^CMAKE_PROJECT_VERSION:\w+=(\S+)$", cache, re.M).group(1)


def resource_script(exe):
    """The executable's resources decompiled to resource-script text by the cross toolchain."""
    return subprocess.run(["i686-w64-mingw32-windres", "-J", "coff", "-O", "rc", "-i", str(exe)],
                          capture_output=True, text=True, check=True).stdout


def embedded_manifest(script):
    """The RT_MANIFEST resource's text, parsed: Windows does not start a program whose manifest
    is not well-formed XML. windres writes it as quoted lines, with doubled quotes and C escapes."""
    block = re.search(r"^1 24 /\* RT_MANIFEST \*/\nBEGIN\n(.*?)\nEND$", script, re.M | re.S)
    if block is None:
        return None
    text = "".join(re.findall(r'^\s*"(.*)"\s*$', block.group(1), re.M)).replace('""', '"')
    escapes = {"n": "\n", "r": "\r", "t": "\t"}
    text = re.sub(r"\\(.)", lambda m: escapes.get(m.group(1), m.group(1)), text)
    return ElementTree.fromstring(text)


class VersionAgreement(unittest.TestCase):
    def test_version_resource_and_manifest_carry_the_configured_version(self):
        installer = shipped_installer()
        if not installer.exists():
            self.skipTest("no shipped installer at %s (scripts/build-installer)" % installer)
        version = configured_version()
        numbers = (version.split(".") + ["0"] * 4)[:4]
        script = resource_script(installer)

        for field in ("FILEVERSION", "PRODUCTVERSION"):
            found = re.search(r"^\s*%s ([\d, ]+)$" % field, script, re.M)
            self.assertIsNotNone(found, field)
            self.assertEqual([n.strip() for n in found.group(1).split(",")], numbers, field)
        for name in ("FileVersion", "ProductVersion"):
            self.assertIn('VALUE "%s", "%s"' % (name, version), script)

        manifest = embedded_manifest(script)
        self.assertIsNotNone(manifest, "no manifest in the resources")
        identity = manifest.find("{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")
        self.assertEqual(identity.get("name"), "Osmira.Verilune.Setup")
        self.assertEqual(identity.get("version"), ".".join(numbers))


if __name__ == "__main__":
    unittest.main()

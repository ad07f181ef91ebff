"""The import tables of the installer and its companion uninstaller: only DLLs that Windows treats as known system DLLs, and only
functions that exist on Windows 7 (so that Windows 7 and 8 reach the refusal box instead of a
loader error). Everything else is loaded from System32 at run time. The load configuration
tells Windows 10 to resolve the static imports, and theirs, from System32 only.

Read from the shipped 32-bit images (the installer with the sample payload and the uninstaller
inside its payload) whichever build the Wine layers run: these are static reads that need no
32-bit code to run."""
import re
import struct
import subprocess
import tempfile
import unittest
from pathlib import Path

from e2e.installer import shipped_installer
from e2e.silent_support import PayloadInfo
from harness.wine import pe_arch

ALLOWED_FUNCTIONS = Path(__file__).with_name("imports_allowed.txt")
# KnownDLLs of Windows 7 to 11 (HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs).
KNOWN_DLLS = {"advapi32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
              "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "imm32.dll", "psapi.dll",
              "setupapi.dll", "ws2_32.dll", "rpcrt4.dll", "sechost.dll"}


def objdump(exe, *options):
    """objdump's text for an image, from the cross toolchain of the image's own architecture:
    the i686 one reads no PE32+ image (the x86_64 twin, which the planted-DLL test reads)."""
    tool = "%s-w64-mingw32-objdump" % (pe_arch(exe) or "i686")
    return subprocess.run([tool] + list(options) + [str(exe)], capture_output=True, text=True,
                          check=True).stdout


def read_imports(exe):
    dump = objdump(exe, "-p")
    imports = {}
    dll = None
    for line in dump.splitlines():
        match = re.match(r"\s*DLL Name: (\S+)", line)
        if match:
            dll = match.group(1).lower()
            imports.setdefault(dll, set())
            continue
        match = re.match(r"^\s+[0-9a-f]+\s+\d+\s+(\S+)$", line)
        if dll and match:
            imports[dll].add(match.group(1))
        elif dll and not line.strip():
            pass
    return imports


def load_configuration(exe):
    """(data-directory size, the structure's bytes) of an image's load configuration, as
    objdump reads them; None when the directory is empty."""
    dump = objdump(exe, "-p")
    image_base = int(re.search(r"^ImageBase\s+([0-9a-f]+)$", dump, re.M).group(1), 16)
    rva, size = (int(v, 16) for v in re.search(r"^Entry a ([0-9a-f]+) ([0-9a-f]+) Load Configuration",
                                                 dump, re.M).groups())
    if rva == 0:
        return None
    start = image_base + rva
    contents = objdump(exe, "-s", "--start-address=%#x" % start,
                       "--stop-address=%#x" % (start + size))
    words = re.findall(r"^ [0-9a-f]+ ((?:[0-9a-f]+ ?)+)  ", contents, re.M)
    return size, bytes.fromhex("".join(words).replace(" ", ""))


def allowed_functions():
    entries = set()
    for line in ALLOWED_FUNCTIONS.read_text().splitlines():
        line = line.split("#")[0].strip()
        if line:
            entries.add(line.lower())
    return entries


class ImportTable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        installer = shipped_installer()
        if not installer.exists():
            raise unittest.SkipTest("no shipped installer at %s (scripts/build-installer)"
                                    % installer)
        cls.work = tempfile.TemporaryDirectory(prefix="vl-imports-")
        uninstaller = Path(cls.work.name) / "uninstall.exe"
        uninstaller.write_bytes(dict(PayloadInfo(installer).entries)["uninstall.exe"])
        cls.programs = {"VeriluneSetup.exe": installer, "uninstall.exe": uninstaller}
        for name, image in cls.programs.items():
            if pe_arch(image) != "i686":
                raise AssertionError("%s is not a 32-bit image: %s" % (name, image))

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_only_known_system_dlls_are_imported(self):
        for name, program in self.programs.items():
            with self.subTest(program=name):
                imports = read_imports(program)
                self.assertIn("kernel32.dll", imports)
                self.assertEqual(set(imports) - KNOWN_DLLS, set())

    def test_every_imported_function_is_on_the_allow_list(self):
        allowed = allowed_functions()
        for name, program in self.programs.items():
            with self.subTest(program=name):
                imports = read_imports(program)
                outside = sorted("%s!%s" % (dll, name) for dll, names in imports.items() for name in names
                                 if ("%s!%s" % (dll, name)).lower() not in allowed)
                self.assertEqual(outside, [], "functions outside the allow-list (check that they exist "
                                              "on Windows 7, or look them up at run time)")

    def test_static_imports_are_searched_in_system32_only(self):
        load_library_search_system32 = 0x800
        for name, program in self.programs.items():
            with self.subTest(program=name):
                config = load_configuration(program)
                self.assertIsNotNone(config, "no load configuration directory")
                directory_size, data = config
                (declared,) = struct.unpack_from("<I", data)
                self.assertEqual(declared, directory_size)  # the loader wants them to agree
                self.assertGreaterEqual(len(data), 0x38)
                (dependent_load_flags,) = struct.unpack_from("<H", data, 0x36)
                self.assertEqual(dependent_load_flags, load_library_search_system32)

    def test_the_parser_reads_functions(self):
        imports = read_imports(self.programs["VeriluneSetup.exe"])
        self.assertIn("ExitProcess", imports["kernel32.dll"])


if __name__ == "__main__":
    unittest.main()

#!/usr/bin/env python3
"""Planted DLLs: a DLL named like each library the installer loads at run time (those its source
loads by name, those Windows loads on its behalf, any its import table names beyond the system's
known DLLs) is placed beside the installer, with Wine told to prefer native DLLs of those names.
Each planted copy records from DllMain which program loaded it. Neither the silent nor the
windowed run may load one.

Wine's own user32 imports version.dll, so any program with the installer's static imports loads
a planted version.dll before its first instruction, and Wine 8 ignores the load-config
DependentLoadFlags that keeps Windows 10 from doing the same. A bare program with the same
static imports, built here, gives that baseline: only what the installer loads beyond it counts.
A control program that loads every name with a plain LoadLibraryW shows that each planted copy
would be picked up by an unprotected search.

Prints the table of names with "loaded" / "not loaded" per program.
Run: python3 -m unittest e2e.test_planted_dlls (from tests/, after scripts/build-installer)"""
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from e2e.installer import REPO  # noqa: E402
from e2e.silent_support import installer  # noqa: E402
from e2e.test_imports import KNOWN_DLLS, read_imports  # noqa: E402
from e2e.test_wizard import FOOTER_FULL, Wizard, WizardCase  # noqa: E402
from harness.wine import pe_arch  # noqa: E402

PLANT_DIR = r"C:\plant"
# Loaded by the system on the installer's behalf rather than by name in its source: the image
# codec (WIC, through COM), theming, version resources and property stores (user32, shell32),
# Direct2D's devices, and the profile folders behind the known folders.
SYSTEM_LOADED = ("windowscodecs.dll", "uxtheme.dll", "version.dll", "propsys.dll", "dxgi.dll",
                 "d3d11.dll", "d3d10_1.dll", "userenv.dll")
SOURCE_LOAD = re.compile(r'(?:load_system_dll|LoadLibrary(?:Ex)?W)\(\s*L"([^"]+\.dll)"', re.I)

PLANTED_C = r"""
#include <windows.h>
/* Appends the loading program's path to "<this DLL's path>.loaded". */
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  WCHAR marker[MAX_PATH + 8], program[MAX_PATH];
  DWORD length, program_length, written;
  HANDLE file;
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  length = GetModuleFileNameW(self, marker, MAX_PATH);
  program_length = GetModuleFileNameW(NULL, program, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcatW(marker, L".loaded");
  file = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                     OPEN_ALWAYS, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return TRUE;
  WriteFile(file, program, program_length * sizeof(WCHAR), &written, NULL);
  WriteFile(file, L"\n", sizeof(WCHAR), &written, NULL);
  CloseHandle(file);
  return TRUE;
}
/* Wine's user32 asks version.dll about the program when the display driver loads on a thread
   that no callback guard covers; a planted copy without these would stop the process at an
   unimplemented import, which says nothing about what the installer loads. They answer "no
   version information". */
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle) {
  (void)file;
  if (handle != NULL) *handle = 0;
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return 0;
}
__declspec(dllexport) BOOL WINAPI GetFileVersionInfoW(LPCWSTR file, DWORD handle, DWORD size,
                                                      LPVOID data) {
  (void)file; (void)handle; (void)size; (void)data;
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return FALSE;
}
__declspec(dllexport) BOOL WINAPI VerQueryValueW(LPCVOID block, LPCWSTR name, LPVOID *value,
                                                 PUINT length) {
  (void)block; (void)name; (void)value; (void)length;
  return FALSE;
}
"""

# The bare program: the given import-table references and nothing else, or, with arguments, a
# plain LoadLibraryW of each (the control).
BARE_C = r"""
#include <windows.h>
%s
void *const volatile keep[] = {%s 0};
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR command_line, int show) {
  int count = 0, i;
  LPWSTR *names = CommandLineToArgvW(GetCommandLineW(), &count);
  (void)instance; (void)previous; (void)command_line; (void)show;
  for (i = 1; names != NULL && i < count; ++i) LoadLibraryW(names[i]);
  return 0;
}
"""


def runtime_loaded_names(image):
    """The names to plant: the system's loads on our behalf, the source's loads by name, and the
    import table's DLLs that are not known DLLs (Windows maps those from System32 whatever the
    search order)."""
    names = {name.lower() for name in SYSTEM_LOADED}
    for source in (REPO / "src").rglob("*.cpp"):
        text = source.read_text(encoding="utf-8")
        names.update(name.lower() for name in SOURCE_LOAD.findall(text))
    names.update(set(read_imports(image)) - KNOWN_DLLS)
    return sorted(names)


def import_symbol(arch, dll, functions):
    """The import library's symbol for one of `functions` from `dll`: with the decoration of an
    i686 stdcall name where it has one, e.g. "__imp__GetMessageW@16"; x86_64 names carry none
    ("__imp_GetMessageW")."""
    library = Path("/usr/%s-w64-mingw32/lib" % arch) / ("lib%s.a" % Path(dll).stem)
    listing = subprocess.run(["%s-w64-mingw32-nm" % arch, str(library)], capture_output=True,
                             text=True, check=True).stdout
    pattern = r"\s(__imp__%s(?:@\d+)?)$" if arch == "i686" else r"\s(__imp_%s)$"
    for function in sorted(functions):
        match = re.search(pattern % re.escape(function), listing, re.M)
        if match:
            return match.group(1)
    raise AssertionError("lib%s.a has none of %s" % (Path(dll).stem, sorted(functions)[:5]))


def compile_c(arch, source, out, *options):
    c_file = out.with_suffix(".c")
    c_file.write_text(source)
    subprocess.run(["%s-w64-mingw32-gcc" % arch, "-Os", "-s", "-o", str(out), str(c_file)]
                   + list(options), check=True, capture_output=True)
    return out


def build_programs(work, image):
    """planted.dll and bare.exe for the architecture of `image` (a planted DLL of the other one
    would never be loaded, and prove nothing), the latter importing one function of every DLL
    `image` imports."""
    arch = pe_arch(image)
    entry = "_DllMain@12" if arch == "i686" else "DllMain"
    planted = compile_c(arch, PLANTED_C, work / "planted.dll", "-shared", "-nostdlib",
                        "-Wl,-e," + entry, "-Wl,--kill-at", "-lkernel32")
    imports = sorted(read_imports(image).items())
    declarations = ['extern void *import_%d __asm__("%s");'
                    % (i, import_symbol(arch, dll, functions))
                    for i, (dll, functions) in enumerate(imports)]
    references = " ".join("&import_%d," % i for i in range(len(imports)))
    bare = compile_c(arch, BARE_C % ("\n".join(declarations), references), work / "bare.exe",
                     "-municode", "-mwindows", *["-l" + Path(dll).stem for dll, _ in imports])
    return planted, bare


class PlantedDlls(WizardCase):
    def setUp(self):
        super().setUp()
        self.names = runtime_loaded_names(installer())
        work = Path(tempfile.mkdtemp(prefix="vl-planted-"))
        self.addCleanup(shutil.rmtree, work, True)
        planted, bare = build_programs(work, installer())
        self.folder = self.prefix.unix_path(PLANT_DIR)
        self.folder.mkdir(parents=True)
        for name in self.names:
            (self.folder / name).write_bytes(planted.read_bytes())
        (self.folder / "bare.exe").write_bytes(bare.read_bytes())
        (self.folder / "installer-under-test.exe").write_bytes(installer().read_bytes())
        self.prefix.reg_import([r"[HKEY_CURRENT_USER\Software\Wine\DllOverrides]"] +
                               ['"%s"="native,builtin"' % Path(name).stem for name in self.names])

    def take_markers(self):
        """{planted name: programs that loaded it} since the last call; the markers are removed."""
        self.prefix.wait_idle()
        loaded = {}
        for marker in self.folder.glob("*.loaded"):
            programs = marker.read_bytes().decode("utf-16-le", errors="replace").split("\n")
            loaded[marker.stem.lower()] = sorted({p.rsplit("\\", 1)[-1] for p in programs if p})
            marker.unlink()
        return loaded

    def test_neither_the_silent_nor_the_windowed_run_loads_a_planted_dll(self):
        program = PLANT_DIR + r"\installer-under-test.exe"
        started = time.monotonic()
        self.prefix.run([PLANT_DIR + r"\bare.exe"])
        bare = self.take_markers()
        self.prefix.run([PLANT_DIR + r"\bare.exe"] + self.names)
        control = self.take_markers()

        wizard = Wizard(self, self.prefix, self.display, program, "/CURRENTUSER")
        wizard.click(FOOTER_FULL)                 # "Суулгах"
        self.assertEqual(wizard.badge(), "success")
        wizard.keys("Escape")
        self.assertEqual(wizard.wait_exit(), 0)
        windowed = self.take_markers()

        code, _ = self.prefix.run_exit_code([program, "/S", "/CURRENTUSER"], timeout=300)
        self.assertEqual(code, 0)
        silent = self.take_markers()

        runs = {"control": control, "bare": bare, "silent": silent, "windowed": windowed}
        row = "  %-20s" + " %-12s" * len(runs)
        print("\nplanted DLLs beside the installer (%.0f s):" % (time.monotonic() - started))
        print(row % ("name", *runs))
        for name in self.names:
            print(row % (name, *("loaded" if name in run else "not loaded" for run in runs.values())))
        self.assertEqual([n for n in self.names if n not in control], [],
                         "copies a plain LoadLibraryW did not pick up: nothing would be seen")
        added = {run: sorted(set(runs[run]) - set(bare)) for run in ("silent", "windowed")}
        self.assertEqual(added, {"silent": [], "windowed": []},
                         "loaded beyond the bare program: %s" % {**silent, **windowed})


if __name__ == "__main__":
    unittest.main()

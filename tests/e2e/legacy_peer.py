"""Test MSIs standing for the predecessor client VeriluneClient and for an earlier MSI-based
installation of Verilune, built with wixl (msitools) from the stay-running stand-in program,
and the driver that runs the Wine tests of running-application handling and legacy removal
against them in a fresh prefix.

    python3 tests/e2e/legacy_peer.py            # builds the MSIs, runs the Wine tests
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.wine import Display, Prefix, build_dir  # noqa: E402

CLIENT_PRODUCT_CODE = "{6E1A43F2-5B7C-4B8E-9D21-3C4F5A6B7C81}"
CLIENT_VERSION = "1.4.2"
PRODUCT_MSI_CODE = "{9C3B1E27-4D5A-4F60-8B71-2A3C4D5E6F70}"
# The Wine test suites that need the prepared prefix below; the general Wine run leaves them out.
PREPARED_PREFIX_SUITES = ("RunningApplication", "LegacyRemoval", "LinkedEntries")
WINE_TEST_FILTER = ":".join(suite + ".*" for suite in PREPARED_PREFIX_SUITES)

_CLIENT_WXS = """<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{code}" Name="VeriluneClient" Language="1033" Version="{version}"
           Manufacturer="osmira" UpgradeCode="{{0B7D6C51-2E3F-4A1B-8C9D-0E1F2A3B4C5D}}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="client.cab" EmbedCab="yes"/>
    <Property Id="ARPINSTALLLOCATION" Value="C:\\Program Files (x86)\\osmira\\VeriluneClient"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="OsmiraDir" Name="osmira">
          <Directory Id="INSTALLDIR" Name="VeriluneClient">
            <Component Id="Client" Guid="{{1A2B3C4D-5E6F-4071-8293-A4B5C6D7E8F9}}">
              <File Id="ClientExe" Name="Osmira.Security.KeyClient.exe" Source="{standin}" KeyPath="yes"/>
            </Component>
            <Component Id="Starter" Guid="{{2B3C4D5E-6F70-4182-93A4-B5C6D7E8F90A}}">
              <File Id="StarterExe" Name="Osmira.Security.KeyStarter.exe" Source="{standin}" KeyPath="yes"/>
            </Component>
          </Directory>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1">
      <ComponentRef Id="Client"/>
      <ComponentRef Id="Starter"/>
    </Feature>
  </Product>
</Wix>
"""

_PRODUCT_WXS = """<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{code}" Name="Verilune" Language="1033" Version="2.1.0"
           Manufacturer="osmira" UpgradeCode="{{5D4C3B2A-1F0E-4D9C-8B7A-6F5E4D3C2B1A}}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="product.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="OsmiraDir" Name="osmira">
          <Directory Id="INSTALLDIR" Name="Verilune MSI">
            <Component Id="App" Guid="{{3C4D5E6F-7081-4293-A4B5-C6D7E8F90A1B}}">
              <File Id="AppExe" Name="verilune.exe" Source="{standin}" KeyPath="yes"/>
            </Component>
          </Directory>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1">
      <ComponentRef Id="App"/>
    </Feature>
  </Product>
</Wix>
"""


def standin_exe():
    return build_dir() / "tests" / "legacy_client_standin.exe"


def build_peer_msis(out_dir):
    """Writes VeriluneClient.msi and Verilune.msi into out_dir; returns their paths."""
    out_dir = Path(out_dir)
    out_dir.mkdir(parents=True, exist_ok=True)
    standin = standin_exe()
    if not standin.exists():
        raise RuntimeError("%s is not built (cmake --build --preset windows)" % standin)
    # wixl takes sources relative to its working folder only.
    shutil.copy2(standin, out_dir / "standin.exe")
    made = {}
    for name, template, code in (("VeriluneClient", _CLIENT_WXS, CLIENT_PRODUCT_CODE),
                                 ("Verilune", _PRODUCT_WXS, PRODUCT_MSI_CODE)):
        wxs = out_dir / (name + ".wxs")
        wxs.write_text(template.format(code=code, version=CLIENT_VERSION, standin="standin.exe"))
        msi = out_dir / (name + ".msi")
        subprocess.run(["wixl", "-o", msi.name, wxs.name], cwd=out_dir, check=True,
                       capture_output=True)
        made[name] = msi
    return made


def use_virtual_desktop(prefix):
    """A Wine desktop with a notification area, as on Windows: without one a tray application's
    Shell_NotifyIconW(NIM_DELETE) waits about 2 s for a systray that does not exist, which would
    make every polite close under the 1 s grace period look like a failure."""
    prefix.reg_set(r"HKCU\Software\Wine\Explorer", "Desktop", "REG_SZ", "Default")
    prefix.reg_set(r"HKCU\Software\Wine\Explorer\Desktops", "Default", "REG_SZ", "1024x768")
    prefix.wait_idle()


def plant_link_fixture(prefix):
    """A client folder holding a link to a folder outside it, and a client location that is a link
    itself (Unix symbolic links, which Wine shows as directory reparse points); returns the
    fixture's Windows path."""
    root = prefix.unix_path(r"C:\vl-link-fixture")
    (root / "Outside").mkdir(parents=True)
    (root / "Outside" / "keep.txt").write_text("must survive")
    (root / "VeriluneClient").mkdir()
    os.symlink("../Outside", root / "VeriluneClient" / "outside-link")
    # A client location that is itself a link to a folder elsewhere.
    (root / "Target").mkdir()
    (root / "Target" / "Osmira.Security.KeyClient.exe").write_bytes(b"MZ")
    (root / "Linked").mkdir()
    os.symlink("../Target", root / "Linked" / "VeriluneClient")
    # An install folder whose subfolder is a link to Outside. (Wine shows a Unix link to a file as
    # a plain file, to every call, so links to files cannot be planted here.)
    (root / "Install").mkdir()
    os.symlink("../Outside", root / "Install" / "linked-sub")
    return r"C:\vl-link-fixture"


def run_wine_tests(extra_filter=None, xml=None):
    """Runs the Wine tests of this area in a fresh prefix; returns (passed, failed, skipped, output)."""
    tests_exe = build_dir() / "tests" / "wine_tests.exe"
    # The sample application needs a window (hidden, but real), hence a display.
    with tempfile.TemporaryDirectory(prefix="vl-peer-msi-") as msi_dir, Display() as display, \
            Prefix(display=display) as prefix:
        use_virtual_desktop(prefix)
        build_peer_msis(msi_dir)
        env = {"VL_PEER_MSI_DIR": Prefix.windows_path(msi_dir),
               "VL_LINK_FIXTURE": plant_link_fixture(prefix)}
        argv = [tests_exe, "--gtest_filter=" + (extra_filter or WINE_TEST_FILTER)]
        if xml:
            argv.append("--gtest_output=xml:" + Prefix.windows_path(xml))
        result = prefix.run(argv, timeout=900, env=env)
        output = result.stdout + result.stderr
    passed = len(re.findall(r"^\[       OK \]", output, re.M))
    failed = len(re.findall(r"^\[  FAILED  \] \S+\.\S+ \(", output, re.M))
    skipped = len(re.findall(r"^\[  SKIPPED \] \S+\.\S+ \(", output, re.M))
    if result.returncode != 0 and failed == 0:
        failed = 1
    return passed, failed, skipped, output


def main():
    passed, failed, skipped, output = run_wine_tests(sys.argv[1] if len(sys.argv) > 1 else None)
    print(output)
    print("%d passed, %d failed%s" % (passed, failed, ", %d skipped" % skipped if skipped else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

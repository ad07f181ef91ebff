"""Shared pieces of the end-to-end tests: where the installers are and how to watch windows."""
import os
import subprocess
import time
from pathlib import Path

from harness.wine import build_dir, test_arch

REPO = Path(__file__).resolve().parents[2]


def dev_installer():
    """The installer as the windows preset builds it (no payload unless one was configured)."""
    return build_dir() / "VeriluneSetup.exe"


def dev_uninstaller():
    """The companion uninstaller as the windows preset builds it."""
    return build_dir() / "uninstall.exe"


def sample_installer(arch=None):
    """The installer with the sample payload, made by scripts/build-installer in scripts/test:
    build/e2e/ for the shipped i686 build, build/e2e64/ for the x86_64 twin."""
    arch = arch or test_arch()
    if arch == test_arch() and os.environ.get("VL_SAMPLE_INSTALLER"):
        return Path(os.environ["VL_SAMPLE_INSTALLER"])
    return REPO / "build" / ("e2e" if arch == "i686" else "e2e64") / "VeriluneSetup.exe"


def shipped_installer():
    """The shipped 32-bit installer with the sample payload, whichever build the Wine layers run:
    what the static checks of the 32-bit image read."""
    return sample_installer("i686")


def harness_program(name):
    return build_dir() / "tests" / (name + ".exe")


def find_windows(display, name_regex):
    """X window ids whose title matches, on an Xvfb display."""
    result = subprocess.run(["xdotool", "search", "--name", name_regex], capture_output=True, text=True,
                            env=dict(os.environ, DISPLAY=display.name))
    return [line for line in result.stdout.split() if line]


def wait_for_window(display, name_regex, timeout=30.0, process=None):
    """Waits for a matching window; returns its ids, or [] when the time is up or the process ended."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        ids = find_windows(display, name_regex)
        if ids:
            return ids
        if process is not None and process.poll() is not None:
            return find_windows(display, name_regex)
        time.sleep(0.2)
    return []


def send_keys(display, window_id, *keys):
    subprocess.run(["xdotool", "windowactivate", "--sync", window_id], capture_output=True,
                   env=dict(os.environ, DISPLAY=display.name))
    subprocess.run(["xdotool", "key", "--window", window_id] + list(keys), capture_output=True,
                   env=dict(os.environ, DISPLAY=display.name))


def screenshot(display, path):
    Path(path).parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["import", "-display", display.name, "-window", "root", str(path)], capture_output=True)
    return Path(path)

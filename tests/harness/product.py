"""The product's version as the build configures it (project(VERSION) in CMakeLists.txt), and
versions beside it, so that a version bump alone breaks no test: OLDER is one the installer
upgrades, NEWER one it downgrades."""
import re
from pathlib import Path

_ROOT = Path(__file__).resolve().parents[2]
_MAJOR, _MINOR, _PATCH = (int(n) for n in re.search(
    r"project\(\w+\s+VERSION\s+(\d+)\.(\d+)\.(\d+)", (_ROOT / "CMakeLists.txt").read_text()).groups())

VERSION = "%d.%d.%d" % (_MAJOR, _MINOR, _PATCH)
if _PATCH > 0:
    OLDER = "%d.%d.%d" % (_MAJOR, _MINOR, _PATCH - 1)
elif _MINOR > 0:
    OLDER = "%d.%d.9" % (_MAJOR, _MINOR - 1)
else:
    OLDER = "%d.9.9" % (_MAJOR - 1)
NEWER = "%d.%d.0" % (_MAJOR, _MINOR + 1)

"""Shared pieces of the unattended-install tests: the payload the installer carries, the
values the registration must hold, shortcuts read back, and snapshots of a prefix."""
import hashlib
import lzma
import os
import re
import struct
from pathlib import Path

from e2e.installer import harness_program, sample_installer
from harness.product import VERSION

HEADER = struct.Struct("<4sIQI")  # magic, version, total_size, entry_count
XZ_MAGIC = b"\xfd7zXZ\x00"
WEBVIEW2_KEY = r"Software\Microsoft\EdgeUpdate\Clients\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}"
UNINSTALL_KEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Verilune"
PRODUCT_KEY = r"Software\osmira\Verilune"
# The default per-user folder in a prefix made for this user.
LOCAL_DIR = r"C:\users\%s\AppData\Local\Verilune" % os.environ.get("USER", "root")


def mark_webview2_present(prefix, hive="HKCU", view=None, version="120.0.2210.91"):
    """Registers the WebView2 runtime's version in `hive` (view 32 or 64 for HKLM), as its own
    installer does: a prefix has no runtime and the tests no network, so no run downloads it."""
    prefix.reg_set(hive + "\\" + WEBVIEW2_KEY, "pv", "REG_SZ", version, view=view)


def find_payload_offset(image):
    """Where the embedded payload blob starts in an installer image: a "VLPL" header followed
    by an XZ stream (the magic alone also appears in the program's code as a constant)."""
    start = 0
    while True:
        at = image.find(b"VLPL", start)
        if at < 0:
            raise ValueError("no payload in the installer")
        if image[at + HEADER.size:at + HEADER.size + len(XZ_MAGIC)] == XZ_MAGIC:
            return at
        start = at + 1


class PayloadInfo:
    """The entries of the installer's payload, decoded here independently of the installer."""

    def __init__(self, installer):
        image = Path(installer).read_bytes()
        at = find_payload_offset(image)
        _, self.version, self.total_size, count = HEADER.unpack_from(image, at)
        decoder = lzma.LZMADecompressor(format=lzma.FORMAT_XZ)
        data = decoder.decompress(image[at + HEADER.size:])
        self.entries = []  # (name, bytes) in payload order
        pos = 0
        for _ in range(count):
            (length,) = struct.unpack_from("<H", data, pos)
            name = data[pos + 2:pos + 2 + length].decode("utf-8")
            (size,) = struct.unpack_from("<Q", data, pos + 2 + length)
            pos += 2 + length + 8
            self.entries.append((name, data[pos:pos + size]))
            pos += size

    @property
    def names(self):
        return [name for name, _ in self.entries]


def patched_installer(source, dest, offset_in_header, new_bytes):
    """A copy of the installer whose payload header is changed (foreign magic, other version)."""
    image = bytearray(Path(source).read_bytes())
    at = find_payload_offset(bytes(image))
    image[at + offset_in_header:at + offset_in_header + len(new_bytes)] = new_bytes
    Path(dest).write_bytes(bytes(image))
    return Path(dest)


def installer_without_payload(source, dest):
    """A copy of the installer whose resource named PAYLOAD is renamed, so that it finds none
    (the build of the plain windows preset may or may not embed one)."""
    image = bytearray(Path(source).read_bytes())
    name = b"\x07\x00" + "PAYLOAD".encode("utf-16-le")
    at = image.find(name)
    if at < 0:
        raise ValueError("no PAYLOAD resource name in the installer")
    image[at:at + len(name)] = b"\x07\x00" + "PAYLOAX".encode("utf-16-le")
    Path(dest).write_bytes(bytes(image))
    return Path(dest)


def expected_uninstall_values(install_dir, scope_value, payload):
    """reg.exe's rendering of every Uninstall value: {name: (type, text)}."""
    quoted = lambda path: '"%s"' % path
    return {
        scope_value: ("REG_SZ", "1"),
        "MainBinaryName": ("REG_SZ", "verilune.exe"),
        "DisplayName": ("REG_SZ", "Verilune"),
        "DisplayIcon": ("REG_SZ", quoted(install_dir + "\\verilune.exe")),
        "DisplayVersion": ("REG_SZ", VERSION),
        "Publisher": ("REG_SZ", "osmira"),
        "InstallLocation": ("REG_SZ", quoted(install_dir)),
        "UninstallString": ("REG_SZ", quoted(install_dir + "\\uninstall.exe")),
        "QuietUninstallString": ("REG_SZ", quoted(install_dir + "\\uninstall.exe") + " /S"),
        "NoModify": ("REG_DWORD", "0x1"),
        "NoRepair": ("REG_DWORD", "0x1"),
        "EstimatedSize": ("REG_DWORD", "0x%x" % ((payload.total_size // 1024) & 0xFFFFFFFF)),
        "VlFiles": ("REG_MULTI_SZ", "\\0".join(payload.names)),
    }


def read_link(prefix, link_windows_path):
    """{target, working_folder, app_id} of a link, or None when it cannot be loaded."""
    result = prefix.run([harness_program("read_link"), link_windows_path])
    if result.returncode != 0:
        return None
    return dict(line.split("=", 1) for line in result.stdout.splitlines() if "=" in line)


def tree(root):
    """{relative path: (size, mtime_ns)} of every file below root, {path: None} of every folder
    (a folder's time changes whenever Wine puts a transient file of its own into it)."""
    root = Path(root)
    listing = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = Path(folder) / name
            stat = path.lstat()
            listing[str(path.relative_to(root))] = (stat.st_size, stat.st_mtime_ns) if path.is_file() else None
    return listing


def differences(before, after):
    """The lines (or keys) only one side has, for a readable failure message."""
    if isinstance(before, str):
        before, after = set(before.splitlines()), set(after.splitlines())
        return {"gone": sorted(before - after)[:20], "new": sorted(after - before)[:20]}
    # A folder's value is None: one side's folder alone differs from the other's by presence.
    changed = sorted(k for k in set(before) | set(after)
                     if (k in before) != (k in after) or before.get(k) != after.get(k))
    return {"changed": changed[:20]}


def installer_command_lines(trace_text, programs=("VeriluneSetup", "installer-under-test")):
    """Command lines of the processes started whose line names one of `programs` (by default the
    installer), from a WINEDEBUG=+process trace."""
    lines = []
    for match in re.finditer(r'CreateProcessInternalW app .*? cmdline L"(.*)"\s*$', trace_text, re.M):
        cmdline = match.group(1).replace('\\"', '"').replace("\\\\", "\\")
        if any(program in cmdline for program in programs):
            lines.append(cmdline)
    return lines


def snapshot(prefix):
    """What an install may change in a prefix, once its processes have ended: the current user's
    and the 32-bit machine-wide software keys as .reg text, and every file and folder of drive C
    outside the Windows folder (links included)."""
    prefix.wait_idle()
    return (prefix.reg_export(r"HKCU\Software"), prefix.reg_export(r"HKLM\Software", view=32),
            {k: v for k, v in tree(prefix.path / "drive_c").items() if not k.startswith("windows")})


def snapshot_differences(before, after):
    """{part: differences} of the parts of two snapshots that differ; empty when equal."""
    names = ("HKCU", "HKLM", "files")
    return {name: differences(b, a) for name, b, a in zip(names, before, after) if a != b}


USER = os.environ.get("USER", "root")
LINKS = {  # the links of each scope, by their Windows paths
    "CurrentUser": (r"C:\users\%s\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\Verilune.lnk" % USER,
                    r"C:\users\%s\Desktop\Verilune.lnk" % USER),
    "AllUsers": (r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Verilune.lnk",
                 r"C:\users\Public\Desktop\Verilune.lnk"),
}


def installation_state(prefix, install_dir, scope="CurrentUser"):
    """What an installation leaves that a user or an update would see, comparable between
    prefixes: every file below the install folder with its SHA-256 (leftover .vl-new and .vl-old
    files included), the product's keys in both hives as reg.exe shows them, and both links of the
    scope read back. Read once the installer has ended; the prefix need not be idle (after a kill
    Wine's own services may stay up for a while), since reg.exe asks the running wineserver."""
    root = prefix.unix_path(install_dir)
    files = {}
    for folder, dirs, names in os.walk(root):
        for name in dirs + names:
            path = Path(folder) / name
            key = str(path.relative_to(root))
            files[key] = hashlib.sha256(path.read_bytes()).hexdigest() if path.is_file() else "folder"
    registry = {}
    for hive, view in (("HKCU", None), ("HKLM", 32)):
        for key in (PRODUCT_KEY, UNINSTALL_KEY):
            registry[hive + "\\" + key] = prefix.reg_query(hive + "\\" + key, view=view)
    links = {link: read_link(prefix, link) for link in LINKS[scope]}
    return {"files": files, "registry": registry, "links": links}


def state_differences(expected, actual):
    """{part: what differs} between two installation states; empty when equal."""
    found = {}
    for part in ("files", "registry", "links"):
        a, b = expected[part], actual[part]
        changed = sorted(k for k in set(a) | set(b) if a.get(k) != b.get(k))
        if changed:
            found[part] = {k: (a.get(k), b.get(k)) if part != "files" else (k in a, k in b) for k in changed[:10]}
    return found


def installer():
    return sample_installer()


def log_records(path):
    """The /LOG= file's lines as (process id, text), stamps taken off; None for a line that
    is not a record."""
    records = []
    for line in Path(path).read_text(encoding="utf-8", errors="replace").splitlines():
        match = re.match(r"\S+ \S+ \[(\d+)\] (.*)$", line)
        records.append((int(match.group(1)), match.group(2)) if match else None)
    return records

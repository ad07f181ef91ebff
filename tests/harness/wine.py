"""Wine test harness: a template prefix made once per machine, a fresh copy per test, registry
and file helpers, and Xvfb displays. Python standard library only.

    from harness.wine import Prefix, Display
    with Display() as display, Prefix(display=display) as prefix:
        prefix.reg_set(r"HKCU\\Software\\Test", "Name", "REG_SZ", "value")
        result = prefix.run([exe, "/S"])
"""
import contextlib
import fcntl
import functools
import os
import re
import shutil
import struct
import subprocess
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
CACHE_DIR = Path(os.environ.get("VERILUNE_CACHE", "/var/cache/verilune-build"))
TEMPLATE_REVISION = 1
# DLLs never written by tests are hard-linked from the template instead of copied (1.3 GB).
LINKED_DIRS = ("drive_c/windows/system32", "drive_c/windows/syswow64", "drive_c/windows/winsxs")
BASE_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"
CYRILLIC_FONT = "DejaVu Sans"
SEGOE_FAMILIES = ("Segoe UI", "Segoe UI Semibold", "Segoe UI Semilight", "Segoe UI Light",
                  "Segoe UI Bold", "Segoe UI Symbol", "Segoe UI Variable", "Segoe UI Variable Display",
                  "Segoe UI Variable Text", "Segoe UI Variable Small")


# Wine's own 64-bit loader. The `wine` launcher always starts the 32-bit loader first, which a
# kernel without 32-bit emulation cannot run at all.
WINE64_LOADER = "/usr/lib/wine/wine64"
ARCHES = ("i686", "x86_64")
PRESETS = {"i686": "windows", "x86_64": "windows64"}


@functools.lru_cache(maxsize=None)
def i386_mode():
    """How this machine runs 32-bit programs: "native", "emulated" (qemu) or "none"."""
    result = subprocess.run([str(REPO / "scripts" / "i386-mode")], capture_output=True, text=True)
    return result.stdout.strip() or "none"


def test_arch():
    """The build the Wine layers run: the shipped i686 programs where 32-bit code runs natively,
    else their x86_64 twin. VL_WINE_ARCH (i686 or x86_64) forces one, so that one machine can try
    both."""
    forced = os.environ.get("VL_WINE_ARCH")
    if forced:
        if forced not in ARCHES:
            raise ValueError("VL_WINE_ARCH must be one of %s, not %r" % (", ".join(ARCHES), forced))
        return forced
    return "i686" if i386_mode() == "native" else "x86_64"


def mode_text(arch=None):
    """One line for a summary: which build ran and how its code ran."""
    arch = arch or test_arch()
    if arch == "x86_64":
        return "x86_64 twin (Wine's 64-bit loader; 32-bit programs here: %s)" % i386_mode()
    return "i686 (32-bit code %s)" % i386_mode()


def build_dir(preset=None):
    """The build folder of a preset (VL_BUILD_ROOT overrides build/); without one, the Windows
    build the Wine layers run (test_arch)."""
    root = Path(os.environ.get("VL_BUILD_ROOT", REPO / "build"))
    return root / (preset or PRESETS[test_arch()])


def pe_arch(path):
    """ "i686" or "x86_64" for a PE image, None for anything else (a missing file, a builtin
    program name such as "reg")."""
    try:
        with open(path, "rb") as image:
            head = image.read(4096)
    except OSError:
        return None
    if head[:2] != b"MZ" or len(head) < 0x40:
        return None
    (pe_at,) = struct.unpack_from("<I", head, 0x3C)
    if head[pe_at:pe_at + 4] != b"PE\0\0" or len(head) < pe_at + 26:
        return None
    (magic,) = struct.unpack_from("<H", head, pe_at + 24)
    return {0x10B: "i686", 0x20B: "x86_64"}.get(magic)


def wine_command(program, arch=None):
    """The loader that starts `program`: a 64-bit image (or, in the twin's mode, Wine's own
    programs) through Wine's 64-bit loader, a 32-bit one through `wine`."""
    arch = pe_arch(program) or arch or test_arch()
    return [WINE64_LOADER] if arch == "x86_64" else ["wine"]


def wine_version():
    return subprocess.run(wine_command("", "x86_64" if i386_mode() != "native" else "i686")
                          + ["--version"], capture_output=True, text=True).stdout.strip()


def _reg_text(lines):
    return "Windows Registry Editor Version 5.00\r\n\r\n" + "\r\n".join(lines) + "\r\n"


def _template_settings():
    lines = [r"[HKEY_CURRENT_USER\Software\Wine]", '"Version"="win10"', "",
             r"[HKEY_CURRENT_USER\Software\Wine\DllOverrides]",
             '"mscoree"=""', '"mshtml"=""', '"winemenubuilder.exe"=""', "",
             r"[HKEY_CURRENT_USER\Software\Wine\WineDbg]", '"ShowCrashDialog"=dword:00000000', "",
             r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]"]
    lines += ['"%s"="%s"' % (family, CYRILLIC_FONT) for family in SEGOE_FAMILIES]
    return _reg_text(lines)


def template_path():
    tag = re.sub(r"[^A-Za-z0-9.]+", "-", wine_version())
    return CACHE_DIR / ("wine-template-%s-r%d" % (tag, TEMPLATE_REVISION))


def ensure_template():
    """Creates the template prefix once per machine (under a lock) and returns its path."""
    target = template_path()
    if (target / ".ready").exists():
        return target
    CACHE_DIR.mkdir(parents=True, exist_ok=True)
    with open(CACHE_DIR / "wine-template.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if (target / ".ready").exists():
            return target
        staging = Path(tempfile.mkdtemp(prefix="wine-template-", dir=CACHE_DIR))
        env = _base_env(staging)
        env["WINEARCH"] = "win64"
        # The 64-bit loader makes the prefix wherever 32-bit code is not native: emulated, the
        # 32-bit one takes minutes longer; absent, it cannot start at all.
        loader = wine_command("", "i686" if i386_mode() == "native" else "x86_64")
        try:
            subprocess.run(loader + ["wineboot", "-i"], env=env, check=True, capture_output=True,
                           timeout=900)
            reg_file = staging / "drive_c" / "vl-template.reg"
            reg_file.write_text(_template_settings(), encoding="utf-16")
            subprocess.run(loader + ["regedit", "/S", r"C:\vl-template.reg"], env=env, check=True,
                           capture_output=True, timeout=120)
            reg_file.unlink()
            subprocess.run(["wineserver", "-w"], env=env, timeout=120)
        finally:
            subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
        (staging / ".ready").write_text(wine_version())
        if target.exists():
            shutil.rmtree(target)
        staging.rename(target)
    return target


def _base_env(prefix_dir, display=None):
    env = dict(os.environ)
    env["WINEPREFIX"] = str(prefix_dir)
    env["WINEDEBUG"] = env.get("VL_WINEDEBUG", "-all")
    env["WINEDLLOVERRIDES"] = BASE_OVERRIDES
    if display is not None:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    return env


def _is_user_shell_folder_link(path):
    """A user's shell folder (drive_c/users/<name>/Desktop…) that Wine links into the Linux home."""
    return path.parent.parent.name == "users" and path.parent.parent.parent.name == "drive_c"


def _copy_prefix(template, dest):
    """A fresh prefix: the big DLL folders hard-linked, everything else copied."""
    linked = {template / d for d in LINKED_DIRS}

    def copy_tree(src, dst):
        dst.mkdir(parents=True, exist_ok=True)
        for entry in os.scandir(src):
            source = Path(entry.path)
            target = dst / entry.name
            if entry.is_symlink():
                if _is_user_shell_folder_link(source):
                    # Desktop, Documents… point at the Linux home, shared by every prefix and
                    # every test run: each copy gets folders of its own instead.
                    target.mkdir()
                else:
                    os.symlink(os.readlink(source), target)
            elif entry.is_dir():
                if source in linked:
                    subprocess.run(["cp", "-al", str(source), str(target)], check=True)
                else:
                    copy_tree(source, target)
            else:
                shutil.copy2(source, target)

    copy_tree(template, dest)
    (dest / ".ready").unlink(missing_ok=True)


class Prefix:
    """A fresh copy of the template prefix, removed (with its own wineserver) on exit."""

    def __init__(self, display=None, keep=False, windows_version=None, arch=None):
        self.display = display.name if isinstance(display, Display) else display
        self.keep = keep or bool(os.environ.get("VL_KEEP_PREFIX"))
        self.windows_version = windows_version
        # The build whose helper programs (the launcher) this prefix's runs use.
        self.arch = arch or test_arch()
        self.path = None

    def __enter__(self):
        template = ensure_template()
        self.path = Path(tempfile.mkdtemp(prefix="vl-prefix-"))
        _copy_prefix(template, self.path)
        if self.windows_version:
            self.reg_set(r"HKCU\Software\Wine", "Version", "REG_SZ", self.windows_version)
        return self

    def __exit__(self, *exc):
        self.kill()
        if not self.keep:
            shutil.rmtree(self.path, ignore_errors=True)
        return False

    # ---- processes ---------------------------------------------------------------------------
    def env(self, extra=None):
        env = _base_env(self.path, self.display)
        if extra:
            env.update(extra)
        return env

    def run(self, argv, timeout=120, input=None, env=None, check=False, cwd=None):
        """Runs a Windows program with `wine`; returns CompletedProcess (exit status: low 8 bits).
        The output is collected in files, not pipes: a wineserver that the run happens to start
        inherits them and would hold a pipe open long after the program has ended."""
        argv = self.command(argv)
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run(argv, env=self.env(env), stdout=out, stderr=err, timeout=timeout,
                                    input=None if input is None else input.encode(), cwd=cwd)
            texts = []
            for stream in (out, err):
                stream.seek(0)
                text = stream.read().decode("utf-8", errors="replace")
                texts.append(text.replace("\r\n", "\n").replace("\r", "\n"))  # as text mode reads
        result = subprocess.CompletedProcess(argv, result.returncode, *texts)
        if check:
            result.check_returncode()
        return result

    def start(self, argv, env=None, **kwargs):
        """Starts a Windows program without waiting (Popen)."""
        return subprocess.Popen(self.command(argv), env=self.env(env), **kwargs)

    def command(self, argv):
        """The Linux command line that runs a Windows program's argv with the right loader."""
        argv = [str(a) for a in argv]
        return wine_command(argv[0] if argv else "", self.arch) + argv

    def run_exit_code(self, argv, elevated=False, timeout=120, env=None):
        """Runs a program through the launcher and returns (full 32-bit exit code, result).
        Not elevated by default: the launcher starts the child with the limited linked token."""
        launcher = build_dir(PRESETS[self.arch]) / "tests" / "run_unelevated.exe"
        args = [launcher] + (["--elevated"] if elevated else []) + list(argv)
        result = self.run(args, timeout=timeout, env=env)
        # The child's own output comes first: the launcher's line is the last one.
        matches = re.findall(r"^exit code: (\d+)\r?$", result.stdout, re.MULTILINE)
        if not matches:
            raise RuntimeError("launcher gave no exit code: %r %r" % (result.stdout, result.stderr))
        return int(matches[-1]), result

    def wait_idle(self):
        """Waits until every process of the prefix has ended (registry flushed)."""
        subprocess.run(["wineserver", "-w"], env=self.env(), timeout=120)

    def keep_server_up(self):
        """Keeps the prefix's wineserver up between runs (the warm runs of a benchmark). A
        server that an earlier run started lingers a few seconds and refuses a persistent one
        (`wineserver -p` exits with 2), so it is waited for first."""
        self.wait_idle()
        subprocess.run(["wineserver", "-p"], env=self.env(), check=True)

    def kill(self):
        if self.path:
            subprocess.run(["wineserver", "-k"], env=self.env(), capture_output=True)

    # ---- files -------------------------------------------------------------------------------
    def unix_path(self, windows_path):
        """C:\\x\\y -> <prefix>/drive_c/x/y; Z: maps to /, another drive letter to where its
        dosdevices link points."""
        drive, rest = windows_path[:2].upper(), windows_path[2:].replace("\\", "/").lstrip("/")
        if drive == "C:":
            return self.path / "drive_c" / rest
        if drive == "Z:":
            return Path("/") / rest
        link = self.path / "dosdevices" / drive.lower()
        if len(drive) == 2 and drive[1] == ":" and link.is_symlink():
            return link.resolve() / rest
        raise ValueError("unsupported drive in %s" % windows_path)

    def map_drive(self, letter, unix_folder):
        """Makes drive `letter` (e.g. "T") show `unix_folder` to the prefix's programs."""
        link = self.path / "dosdevices" / (letter.lower() + ":")
        link.unlink(missing_ok=True)
        os.symlink(str(Path(unix_folder).resolve()), link)

    @staticmethod
    def windows_path(unix_path):
        """Any Linux path as Wine sees it through Z:."""
        return "Z:" + str(Path(unix_path).resolve()).replace("/", "\\")

    def user_dir(self, name=""):
        return self.path / "drive_c" / "users" / os.environ.get("USER", "root") / name

    # ---- registry ----------------------------------------------------------------------------
    def reg_set(self, key, name, kind, data, view=None):
        """Writes one value with reg.exe. kind: REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_MULTI_SZ
        (data a list), REG_BINARY (hex text). view: None, 32 or 64. name None: the default value."""
        args = ["reg", "add", key, "/f", "/t", kind]
        args += ["/ve"] if name is None else ["/v", name]
        if kind == "REG_MULTI_SZ":
            data = "\\0".join(data)
        if data is not None:
            args += ["/d", str(data)]
        if view:
            args.append("/reg:%d" % view)
        result = self.run(args)
        if result.returncode != 0:
            raise RuntimeError("reg add failed: %s %s" % (result.stdout, result.stderr))

    def reg_import(self, lines):
        """Imports many keys and values in one call: .reg lines such as
        '[HKEY_CURRENT_USER\\Software\\X]' and '"Name"="text"'. 64-bit regedit writes them: use
        HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\... for the 32-bit view."""
        reg_file = self.path / "drive_c" / ("vl-import-%d.reg" % time.monotonic_ns())
        reg_file.write_text(_reg_text(lines), encoding="utf-16")
        result = self.run(["regedit", "/S", "C:\\" + reg_file.name])
        reg_file.unlink()
        if result.returncode != 0:
            raise RuntimeError("regedit import failed: %s" % result.stderr)

    def reg_add_key(self, key, view=None):
        args = ["reg", "add", key, "/f"] + (["/reg:%d" % view] if view else [])
        if self.run(args).returncode != 0:
            raise RuntimeError("reg add %s failed" % key)

    def reg_delete(self, key, name=None, view=None):
        args = ["reg", "delete", key, "/f"] + ([] if name is None else ["/v", name])
        if view:
            args.append("/reg:%d" % view)
        return self.run(args).returncode == 0

    def reg_query(self, key, view=None):
        """All values of a key as {name: (type, text)}; None when the key is missing.
        The default value is named ''. REG_MULTI_SZ text keeps reg.exe's \\0 separators."""
        args = ["reg", "query", key] + (["/reg:%d" % view] if view else [])
        result = self.run(args)
        if result.returncode != 0:
            return None
        values = {}
        for line in result.stdout.splitlines():
            match = re.match(r"^    (.*?)    (REG_[A-Z_]+)    ?(.*)$", line)
            if match:
                name = match.group(1)
                values["" if name == "(Default)" else name] = (match.group(2), match.group(3))
        return values

    def reg_get(self, key, name, view=None):
        """(type, text) of one value, or None."""
        values = self.reg_query(key, view)
        return None if values is None else values.get("" if name is None else name)

    def reg_export(self, key, view=None):
        """The whole key as .reg text (for before/after comparisons); '' when missing."""
        out = self.path / "drive_c" / ("vl-export-%d.reg" % time.monotonic_ns())
        args = ["reg", "export", key, "C:\\" + out.name, "/y"] + (["/reg:%d" % view] if view else [])
        result = self.run(args)
        if result.returncode != 0 or not out.exists():
            return ""
        text = out.read_text(encoding="utf-16", errors="replace")
        out.unlink()
        return text


class Display:
    """An Xvfb server on a free display number, stopped on exit."""

    def __init__(self, width=1280, height=1024, depth=24):
        self.size = (width, height, depth)
        self.process = None
        self.name = None

    def __enter__(self):
        for number in range(91, 199):
            lock = Path("/tmp/.X%d-lock" % number)
            if lock.exists() or Path("/tmp/.X11-unix/X%d" % number).exists():
                continue
            width, height, depth = self.size
            self.process = subprocess.Popen(
                ["Xvfb", ":%d" % number, "-screen", "0", "%dx%dx%d" % (width, height, depth),
                 "-nolisten", "tcp"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline:
                if Path("/tmp/.X11-unix/X%d" % number).exists():
                    self.name = ":%d" % number
                    return self
                if self.process.poll() is not None:
                    break
                time.sleep(0.05)
            with contextlib.suppress(Exception):
                self.process.kill()
        raise RuntimeError("no free X display for Xvfb")

    def __exit__(self, *exc):
        if self.process:
            self.process.terminate()
            with contextlib.suppress(Exception):
                self.process.wait(timeout=5)
        return False

    def env(self):
        return {"DISPLAY": self.name}


def pixel(image_path, x, y):
    """(r, g, b) of one pixel of an image file (a screenshot), read with ImageMagick."""
    out = subprocess.run(["convert", str(image_path), "-crop", "1x1+%d+%d" % (x, y), "+repage",
                          "-depth", "8", "txt:-"], capture_output=True, text=True, check=True).stdout
    value = re.search(r"#([0-9A-Fa-f]{6})", out).group(1)
    return tuple(int(value[i:i + 2], 16) for i in (0, 2, 4))

"""What the benchmarks share: which build they time (the shipped i686 programs, or their x86_64
twin where 32-bit code does not run natively), the header line that says so, and the rule that
an emulated run is never a figure. Python standard library only.

A timing of 32-bit code run through qemu's user-mode emulator is about 50 times slower and says
nothing about the product, so a row whose program is a 32-bit image on such a machine is not
run at all, and a timed run during which a process of the benchmark's prefix ran emulated
anyway (a 32-bit helper that Wine started) is dropped.
"""
import fcntl
import os
import subprocess
import threading
import time
from pathlib import Path

from harness.wine import ARCHES, PRESETS, build_dir, i386_mode, mode_text, pe_arch, test_arch

ROOT = Path(__file__).resolve().parents[1]
NOT_TIMED = "emulated: not timed"
# scripts/build-installer's build trees for the benchmarks (VL_INSTALLER_WORK): the development
# trees stay untouched, and a lock keeps two benchmarks' builds from meeting in them.
INSTALLER_WORK = ROOT / "build" / "bench" / "installer"
# The interpreter that binfmt_misc starts for an i386 program (scripts/setup registers it).
EMULATOR_NAMES = ("qemu-i386",)


def add_arch_options(parser):
    """--arch and its shorthand --twin; without either, test_arch() (VL_WINE_ARCH forces it)."""
    parser.add_argument("--arch", choices=ARCHES,
                        help="the build to time: i686 (what ships) or x86_64 (its twin); default "
                             "i686 where 32-bit code runs natively, else x86_64 (VL_WINE_ARCH "
                             "forces one)")
    parser.add_argument("--twin", dest="arch", action="store_const", const="x86_64",
                        help="time the x86_64 twin, even where 32-bit code runs natively")


def chosen_arch(args):
    return args.arch or test_arch()


def preset(arch):
    return PRESETS[arch]


def windows_build(arch):
    """build/windows or build/windows64 (VL_BUILD_ROOT moves build/)."""
    return build_dir(PRESETS[arch])


def build_installer(arch, out, *options):
    """scripts/build-installer --arch ARCH -o OUT OPTIONS… in the benchmarks' own build trees;
    its own messages go to stderr, as it prints them."""
    INSTALLER_WORK.mkdir(parents=True, exist_ok=True)
    with open(INSTALLER_WORK / "bench.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        subprocess.run([str(ROOT / "scripts" / "build-installer"), "--arch", arch, "-o", str(out)]
                       + [str(o) for o in options], check=True, stdout=subprocess.DEVNULL,
                       env=dict(os.environ, VL_INSTALLER_WORK=str(INSTALLER_WORK)))
    return Path(out)


def build_target(arch, target):
    """Builds one target of the mode's development tree, under the lock its builds share."""
    lock = "/tmp/vl-build-%s.lock" % PRESETS[arch]
    # A fresh checkout has no development tree yet: configure it first, as scripts/test does.
    if not (ROOT / "build" / PRESETS[arch] / "build.ninja").exists():
        subprocess.run(["flock", lock, "cmake", "--preset", PRESETS[arch]], check=True, cwd=ROOT,
                       stdout=subprocess.DEVNULL)
    subprocess.run(["flock", lock, "cmake", "--build", "--preset", PRESETS[arch], "--target",
                    target], check=True, cwd=ROOT, stdout=subprocess.DEVNULL)


def load_text():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def header(title, arch, mode=None):
    """The first lines of a benchmark's output: what it measures, which build in which mode
    (`mode` words it otherwise), and how loaded the machine was when it started."""
    print("== %s" % title)
    print("mode: %s; %s; %s" % (mode or mode_text(arch), load_text(),
                                time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime())), flush=True)


def runs_emulated(program, arch):
    """True when `program` (a path, or a Wine builtin such as "msiexec", which runs as `arch`)
    would run as 32-bit code that this machine only emulates or cannot run."""
    return (pe_arch(program) or arch) == "i686" and i386_mode() != "native"


def _emulated_in(prefix_path):
    """Whether a process of this prefix (its WINEPREFIX) runs under the i386 emulator now."""
    want = b"WINEPREFIX=" + str(prefix_path).encode()
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            exe = os.readlink("/proc/%s/exe" % pid)
            if not any(name in exe for name in EMULATOR_NAMES):
                continue
            with open("/proc/%s/environ" % pid, "rb") as f:
                if want in f.read().split(b"\0"):
                    return True
        except OSError:
            pass
    return False


class Watch:
    """Samples /proc every few milliseconds while a run lasts: the largest VmHWM (KiB) of the
    processes whose command line names one of `names`, the largest RssAnon sampled (KiB: the
    private pages, without the pages of files mapped, such as the program's own image), and
    whether any process of the prefix ran emulated (then the run is no figure)."""

    def __init__(self, names, prefix_path=None):
        self.names = [n.lower().encode() for n in names]
        self.prefix_path = prefix_path
        self.peak = 0
        self.private_peak = 0
        self.emulated = False
        self._owners = {}
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._sample, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()

    def _ours(self, pid):
        """Whether a process belongs to this prefix: other prefixes on the machine may run a
        program of the same name at the same time."""
        if self.prefix_path is None:
            return True
        if pid not in self._owners:
            want = b"WINEPREFIX=" + str(self.prefix_path).encode()
            with open("/proc/%s/environ" % pid, "rb") as f:
                self._owners[pid] = want in f.read().split(b"\0")
        return self._owners[pid]

    def _sample(self):
        rounds = 0
        while not self._stop.is_set():
            if not self.names:
                # Nothing to measure: only the emulation check, seldom, so that the watch takes
                # as little as it can from the run it watches.
                if self.prefix_path and not self.emulated:
                    self.emulated = _emulated_in(self.prefix_path)
                self._stop.wait(0.05)
                continue
            for pid in os.listdir("/proc"):
                if not pid.isdigit():
                    continue
                try:
                    with open("/proc/%s/cmdline" % pid, "rb") as f:
                        cmdline = f.read().lower()
                    if not any(n in cmdline for n in self.names) or not self._ours(pid):
                        continue
                    with open("/proc/%s/status" % pid) as f:
                        for line in f:
                            if line.startswith("VmHWM:"):
                                self.peak = max(self.peak, int(line.split()[1]))
                            elif line.startswith("RssAnon:"):
                                self.private_peak = max(self.private_peak, int(line.split()[1]))
                except OSError:
                    pass
            # Reading every process's environment is dearer: every tenth round is enough to see
            # an emulated helper, which runs for a long time by nature.
            if self.prefix_path and not self.emulated and rounds % 10 == 0:
                self.emulated = _emulated_in(self.prefix_path)
            rounds += 1
            time.sleep(0.003)

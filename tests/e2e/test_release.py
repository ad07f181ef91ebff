"""Release builds end to end: scripts/build-installer run in two clean clones of the checked-out
commit (two folders, two times, two time zones) gives the same bytes, unsigned and signed; the
signature (a code-signing certificate of a CA made here) verifies, and the signed installer
still finds its payload and installs silently under Wine.

The clones hold what is committed: uncommitted changes are not part of the comparison. The two
clean builds are the cost of this test (minutes each).

The clones build the shipped 32-bit installer. Where the Wine layers run the x86_64 twin, the
install under Wine is made by the twin with sample payload (build/e2e64) signed here with the same
PKCS#12 file as build-installer signs: the same payload lookup on a signed image, without 32-bit
code to run."""
import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from e2e.installer import REPO, sample_installer
from e2e.silent_support import LOCAL_DIR, PayloadInfo, mark_webview2_present
from harness.wine import Prefix, build_dir, pe_arch, test_arch

PASSWORD = "release test"
LEAF_EXTENSIONS = "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n"


def run(argv, cwd=None, env=None, timeout=120):
    result = subprocess.run([str(a) for a in argv], cwd=cwd, env=env, capture_output=True, text=True,
                            errors="replace", timeout=timeout)
    if result.returncode != 0:
        raise AssertionError("%s failed (%d):\n%s%s" % (argv[0], result.returncode, result.stdout[-3000:],
                                                        result.stderr[-3000:]))
    return result


def make_signing_material(folder):
    """A CA, a code-signing certificate it issued, that certificate with its key as PKCS#12 under
    a password, and the same pair as PEM files."""
    subject = lambda name: ["-subj", "/O=Verilune release test/CN=" + name]
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-keyout", folder / "ca.key",
         "-out", folder / "ca.pem", "-addext", "basicConstraints=critical,CA:TRUE",
         "-addext", "keyUsage=critical,keyCertSign"] + subject("CA"))
    run(["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", folder / "signer.key",
         "-out", folder / "signer.csr"] + subject("Signer"))
    (folder / "signer.ext").write_text(LEAF_EXTENSIONS)
    run(["openssl", "x509", "-req", "-days", "2", "-in", folder / "signer.csr", "-CA", folder / "ca.pem",
         "-CAkey", folder / "ca.key", "-CAcreateserial", "-extfile", folder / "signer.ext",
         "-out", folder / "signer.pem"])
    (folder / "password").write_text(PASSWORD + "\n")
    run(["openssl", "pkcs12", "-export", "-in", folder / "signer.pem", "-inkey", folder / "signer.key",
         "-passout", "file:%s" % (folder / "password"), "-out", folder / "signer.p12"])


def clean_clone(dest):
    head = run(["git", "-C", REPO, "rev-parse", "HEAD"]).stdout.strip()
    run(["git", "clone", "--quiet", "--no-checkout", REPO, dest])
    run(["git", "-C", dest, "checkout", "--quiet", "--detach", head])
    return Path(dest)


def build_installer(clone, *options, tz):
    # A build folder named from outside would make both clones build in one place.
    env = {k: v for k, v in os.environ.items()
           if k not in ("SOURCE_DATE_EPOCH", "VL_INSTALLER_WORK")}
    env["TZ"] = tz
    return run([clone / "scripts" / "build-installer"] + list(options), cwd=clone, env=env, timeout=3600)


@unittest.skipUnless((REPO / ".git").exists(), "not a git checkout")
class ReleaseBuild(unittest.TestCase):
    def setUp(self):
        self.launcher = build_dir() / "tests" / "run_unelevated.exe"
        if not self.launcher.exists():
            self.skipTest("no %s (build the windows preset)" % self.launcher)
        self.work = Path(tempfile.mkdtemp(prefix="vl-release-"))
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)

    def signed_twin(self, keys):
        """The twin with the sample payload, signed as build-installer signs (SHA-256, the
        PKCS#12 file and its password, the signing time of the checked-out commit)."""
        twin = sample_installer()
        if not twin.exists():
            self.fail("no twin installer with the sample payload at %s" % twin)
        epoch = run(["git", "-C", REPO, "log", "-1", "--format=%ct"]).stdout.strip()
        out = self.work / "signed-twin" / "VeriluneSetup.exe"
        out.parent.mkdir()
        run(["osslsigncode", "sign", "-pkcs12", keys / "signer.p12", "-readpass", keys / "password",
             "-time", epoch, "-h", "sha256", "-in", twin, "-out", out])
        run(["osslsigncode", "verify", "-CAfile", keys / "ca.pem", "-in", out])
        return out

    def test_two_clean_clones_give_identical_installers_and_the_signed_one_verifies_and_installs(self):
        keys = self.work / "keys"
        keys.mkdir()
        make_signing_material(keys)
        clones = [clean_clone(self.work / "first"), clean_clone(self.work / "elsewhere" / "second clone")]
        zones = ["UTC", "Pacific/Kiritimati"]
        signing = [["--sign-pkcs12", keys / "signer.p12", "--sign-password-file", keys / "password"],
                   ["--sign-cert", keys / "signer.pem", "--sign-key", keys / "signer.key"]]
        for clone, tz, sign in zip(clones, zones, signing):
            build_installer(clone, tz=tz)
            build_installer(clone, *sign, "-o", clone / "dist" / "signed" / "VeriluneSetup.exe", tz=tz)

        plain = [clone / "dist" / "VeriluneSetup.exe" for clone in clones]
        signed = [clone / "dist" / "signed" / "VeriluneSetup.exe" for clone in clones]
        print("\n  unsigned: %s\n  signed:   %s" % (
            (plain[0].parent / "VeriluneSetup.exe.sha256").read_text().strip(),
            (signed[0].parent / "VeriluneSetup.exe.sha256").read_text().strip()))
        self.assertEqual(plain[0].read_bytes(), plain[1].read_bytes())
        self.assertEqual(signed[0].read_bytes(), signed[1].read_bytes())
        for installer in plain + signed:
            run(["sha256sum", "--check", "--quiet", installer.name + ".sha256"], cwd=installer.parent)

        verified = run(["osslsigncode", "verify", "-CAfile", keys / "ca.pem", "-in", signed[0]])
        print(verified.stdout)
        self.assertIn("Message digest algorithm  : SHA256", verified.stdout)
        # The signed file is the unsigned one with a signature added, nothing else changed.
        run(["osslsigncode", "extract-signature", "-in", signed[1], "-out", self.work / "release.sig"])
        run(["osslsigncode", "attach-signature", "-sigin", self.work / "release.sig", "-CAfile", keys / "ca.pem",
             "-in", plain[0], "-out", self.work / "moved.exe"])
        self.assertEqual((self.work / "moved.exe").read_bytes(), signed[0].read_bytes())

        installed = signed[0]
        if pe_arch(installed) != test_arch():
            installed = self.signed_twin(keys)
        payload = PayloadInfo(installed)
        with Prefix() as prefix:
            mark_webview2_present(prefix)
            code, result = prefix.run_exit_code([installed, "/S", "/CURRENTUSER"], timeout=300)
            self.assertEqual(code, 0, result.stderr[-2000:])
            for name, data in payload.entries:
                self.assertEqual(prefix.unix_path(LOCAL_DIR + "\\" + name).read_bytes(), data, name)


if __name__ == "__main__":
    unittest.main()

"""Tests of tools/publish-manifest: digests, sizes and the refusals."""
import contextlib
import hashlib
import importlib.machinery
import io
import json
import os
import struct
import subprocess
import sys
import tempfile
import types
import unittest
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
loader = importlib.machinery.SourceFileLoader(
    "publish_manifest", os.path.join(HERE, "..", "publish-manifest"))
publish = types.ModuleType(loader.name)
loader.exec_module(publish)


def make_zip(path, names, compression=zipfile.ZIP_DEFLATED):
    """Names are entry names, or ZipInfo records for entries out of the ordinary."""
    with zipfile.ZipFile(path, "w", compression) as z:
        for n in names:
            info = n if isinstance(n, zipfile.ZipInfo) else zipfile.ZipInfo(n)
            info.compress_type = compression
            z.writestr(info, "content of " + info.filename)


def odd_entry(name, extra=b"", mode=None):
    info = zipfile.ZipInfo(name)
    info.extra = extra
    if mode is not None:
        info.create_system, info.external_attr = 3, mode << 16
    return info


def unicode_path(name, other):
    field = struct.pack("<BI", 1, zlib.crc32(name.encode())) + other.encode()
    return struct.pack("<HH", 0x7075, len(field)) + field


def launcher_with_damaged_member(path):
    make_zip(path, ["VelmoraGame.dll"], zipfile.ZIP_STORED)
    with open(path, "rb") as f:
        data = f.read()
    with open(path, "wb") as f:
        f.write(data.replace(b"content of", b"content 0f", 1))


class PublishManifestTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        d = self.dir.name
        self.runtime = os.path.join(d, "runtime.zip")
        self.desktop = os.path.join(d, "desktop.zip")
        self.launcher = os.path.join(d, "launcher.zip")
        self.output = os.path.join(d, "out", "bootstrap.json")
        os.makedirs(os.path.dirname(self.output))
        self.make_good_archives()

    def make_good_archives(self):
        make_zip(self.runtime, ["dotnet.exe", "host/fxr/8.0.11/hostfxr.dll"])
        make_zip(self.desktop, ["shared/Microsoft.WindowsDesktop.App/8.0.11/a.dll"])
        make_zip(self.launcher, ["VelmoraGame.dll", "assets/x.bin"])

    def tearDown(self):
        self.dir.cleanup()

    def run_tool(self, **changes):
        args = {"dotnet-version": "8.0.11", "dotnet-archive": self.runtime,
                "dotnet-url": "https://h/r.zip", "desktop-archive": self.desktop,
                "desktop-url": "https://h/d.zip", "launcher-version": "1.4.0",
                "launcher-archive": self.launcher, "launcher-url": "https://h/l.zip",
                "output": self.output}
        args.update({k.replace("_", "-"): v for k, v in changes.items()})
        argv = [x for k, v in args.items() for x in ("--" + k, v) if x is not None]
        return publish.main(argv)

    def test_manifest_carries_sizes_and_digests_of_the_archives(self):
        self.assertEqual(self.run_tool(), 0)
        with open(self.output, encoding="utf-8") as f:
            m = json.load(f)
        data = open(self.runtime, "rb").read()
        self.assertEqual(m["dotnetSize"], len(data))
        self.assertEqual(m["dotnetSha512"], hashlib.sha512(data).hexdigest())
        launcher = open(self.launcher, "rb").read()
        self.assertEqual(m["launcherSha256"], hashlib.sha256(launcher).hexdigest())
        self.assertEqual(m["launcherSize"], len(launcher))
        desktop = open(self.desktop, "rb").read()
        self.assertEqual(m["dotnetDesktopSha512"], hashlib.sha512(desktop).hexdigest())
        self.assertEqual(m["schema"], 1)
        self.assertEqual(len(m), 12)
        self.assertEqual((m["dotnetVersion"], m["launcherVersion"]), ("8.0.11", "1.4.0"))

    def test_help_lists_the_refusals_and_the_default_output(self):
        with contextlib.redirect_stdout(io.StringIO()) as out, self.assertRaises(SystemExit):
            publish.parse_arguments(["--help"])
        for text in ("without dotnet.exe", "without VelmoraGame.dll", "byte-order mark",
                     "bootstrap.json in the current folder"):
            self.assertIn(text, out.getvalue())

    def test_refuses_archives_that_would_install_badly(self):
        cases = [
            ("runtime without dotnet.exe", self.runtime, ["bin/dotnet.exe"], {}),
            ("desktop of another version", self.desktop,
             ["shared/Microsoft.WindowsDesktop.App/8.0.10/a.dll"], {}),
            ("launcher without the game", self.launcher, ["game/VelmoraGame.dll"], {}),
        ]
        for name, path, entries, changes in cases:
            with self.subTest(name):
                self.make_good_archives()
                make_zip(path, entries)
                self.assertEqual(self.run_tool(**changes), 1)
                self.assertFalse(os.path.exists(self.output))

    def test_refuses_versions_that_are_no_plain_names(self):
        for field, value in [("dotnet_version", "..\\..\\x"), ("dotnet_version", "8/0"),
                             ("launcher_version", "a:b"), ("dotnet_version", ""),
                             ("dotnet_version", "con"), ("dotnet_version", "LPT1.8")]:
            with self.subTest(value=value):
                self.assertEqual(self.run_tool(**{field: value}), 1)

    def test_refuses_and_explains_a_byte_order_mark(self):
        with open(self.launcher, "rb") as f:
            launcher = f.read()
        cases = [("version read from a file", {"dotnet_version": "\ufeff8.0.11"}, b""),
                 ("archive saved as text", {}, b"\xef\xbb\xbf")]
        for name, changes, prefix in cases:
            with self.subTest(name):
                with open(self.launcher, "wb") as f:
                    f.write(prefix + launcher)
                errors = io.StringIO()
                with contextlib.redirect_stderr(errors):
                    self.assertEqual(self.run_tool(**changes), 1)
                self.assertIn("byte-order mark", errors.getvalue())
                self.assertIn("Windows editor", errors.getvalue())
                self.assertFalse(os.path.exists(self.output))

    def test_refuses_what_would_break_every_install(self):
        game = ["VelmoraGame.dll"]
        cases = [
            ("CRC error", lambda: launcher_with_damaged_member(self.launcher), {}, "intact"),
            ("bzip2", lambda: make_zip(self.launcher, game, zipfile.ZIP_BZIP2), {}, "method 12"),
            ("Unicode path disagrees", lambda: make_zip(self.launcher, game + [odd_entry(
                "a.txt", unicode_path("a.txt", "b.txt"))]), {}, "Unicode path"),
            ("symlink", lambda: make_zip(self.launcher, game + [odd_entry(
                "link", mode=0o120777)]), {}, "symbolic link"),
            ("a file and a folder Windows merges", lambda: make_zip(
                self.launcher, game + ["Assets/x", "assets"]), {}, "same path on Windows"),
        ] + [(f"entry {name!r}", lambda name=name: make_zip(self.launcher, game + [name]), {},
              "entry") for name in ["../x.dll", "a/../../x", "/etc/x", "C:/x", "c:x", "a/COM\u00b9",
                                    "a/lpt\u00b3.txt", "a/x.", "a/x ", "a<b", "a/" + "x" * 256]] + [
            (f"url {url!r}", None, {"launcher_url": url}, "launcher url")
            for url in ["", "   ", "https://h/l.zip\r", "https://h/l\u200b.zip", "https://h/a b.zip",
                        "http://h/l.zip", "ftp://h/l.zip", "https://h:0/l.zip",
                        "https://h:99999/l.zip", "https://h:x/l.zip", "https:///l.zip"]] + [
            ("http to another machine", None,
             {"launcher_url": "http://cdn.velmora.net/l.zip", "allow_http": None}, "loopback"),
            ("non-UTF-8 argument", None, {"launcher_url": "https://h/\udcff.zip"}, "UTF-8"),
        ]
        for name, make, changes, said in cases:
            with self.subTest(name):
                self.make_good_archives()
                if make:
                    make()
                errors = io.StringIO()
                with contextlib.redirect_stderr(errors):
                    self.assertEqual(self.run_tool(**changes), 1)
                self.assertEqual(errors.getvalue().count("\n"), 1, errors.getvalue())
                self.assertIn(said, errors.getvalue())
                self.assertEqual(os.listdir(os.path.dirname(self.output)), [])

    def test_allows_http_to_this_machine_when_asked(self):
        self.assertEqual(self.run_tool(launcher_url="http://127.0.0.1:8080/l.zip",
                                       allow_http=None), 0)

    def test_refuses_a_file_that_is_no_zip(self):
        with open(self.launcher, "wb") as f:
            f.write(b"not a zip")
        self.assertEqual(self.run_tool(), 1)


class CheckServedReleaseTest(unittest.TestCase):
    """`check` against tools/web-server on loopback, serving one good release."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.web = os.path.join(cls.dir.name, "web")
        os.makedirs(cls.web)
        cls.server = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "..", "web-server"), "--root", cls.web,
             "--log", os.path.join(cls.dir.name, "access.log")], stdout=subprocess.PIPE)
        cls.origin = f"http://127.0.0.1:{int(cls.server.stdout.readline())}"

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        cls.server.wait()
        cls.server.stdout.close()
        cls.dir.cleanup()

    def publish_release(self):
        """The good release: archives below releases/, the manifest at client/bootstrap.json."""
        releases = os.path.join(self.web, "releases")
        os.makedirs(releases, exist_ok=True)
        os.makedirs(os.path.join(self.web, "client"), exist_ok=True)
        with contextlib.suppress(FileNotFoundError):
            os.remove(os.path.join(releases, "serve-rules.json"))
        make_zip(os.path.join(releases, "r.zip"), ["dotnet.exe"])
        make_zip(os.path.join(releases, "d.zip"), ["shared/Microsoft.WindowsDesktop.App/8.0.11/a"])
        make_zip(os.path.join(releases, "l.zip"), ["VelmoraGame.dll"])
        self.manifest = os.path.join(self.web, "client", "bootstrap.json")
        argv = ["--dotnet-version", "8.0.11", "--launcher-version", "1.4.0", "--allow-http",
                "--output", self.manifest]
        for option, name in (("dotnet", "r"), ("desktop", "d"), ("launcher", "l")):
            argv += [f"--{option}-archive", os.path.join(releases, name + ".zip"),
                     f"--{option}-url", f"{self.origin}/releases/{name}.zip"]
        self.assertEqual(publish.main(argv), 0)
        self.released = os.path.join(self.dir.name, "released.json")
        with open(self.manifest, "rb") as f, open(self.released, "wb") as g:
            g.write(f.read())

    def test_reports_each_served_file(self):
        def rewrite(path, change):
            with open(path, "rb") as f:
                data = f.read()
            with open(path, "wb") as f:
                f.write(change(data))

        launcher = os.path.join(self.web, "releases", "l.zip")
        rules = os.path.join(self.web, "releases", "serve-rules.json")
        cases = [
            ("the release as published", lambda: None, 0, ["ok"] * 4),
            ("a stale archive", lambda: rewrite(launcher, lambda d: d[:-1] + b"\x01"), 1,
             ["ok", "ok", "ok", "SHA256 differs"]),
            ("an archive missing", lambda: rewrite(rules, lambda d: b'{"l.zip": {"status": 404}}'),
             1, ["ok", "ok", "ok", "HTTP 404"]),
            ("an archive cut off in a chunked answer", lambda: rewrite(
                rules, lambda d: b'{"l.zip": {"cut": 10, "chunked": true}}'), 1,
             ["ok", "ok", "ok", "broke off"]),
            ("a manifest saved with a byte-order mark",
             lambda: rewrite(self.manifest, lambda d: b"\xef\xbb\xbf" + d), 1, ["byte-order mark"]),
        ]
        for name, change, status, verdicts in cases:
            with self.subTest(name):
                self.publish_release()
                with open(rules, "w") as f:
                    f.write("{}")
                change()
                out = io.StringIO()
                with contextlib.redirect_stdout(out):
                    self.assertEqual(publish.main(
                        ["check", self.origin + "/client/bootstrap.json", "--allow-http",
                         "--expect-manifest", self.released]), status)
                lines = out.getvalue().splitlines()
                self.assertEqual(len(lines), len(verdicts), out.getvalue())
                for line, verdict in zip(lines, verdicts):
                    self.assertTrue(line.startswith(self.origin), line)
                    self.assertTrue(line.endswith("  ok") if verdict == "ok" else verdict in line,
                                    line)


if __name__ == "__main__":
    unittest.main()

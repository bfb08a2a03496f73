"""Tests of tools/publish-manifest: digests, sizes and the refusals."""
import contextlib
import hashlib
import importlib.machinery
import io
import json
import os
import tempfile
import types
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
loader = importlib.machinery.SourceFileLoader(
    "publish_manifest", os.path.join(HERE, "..", "publish-manifest"))
publish = types.ModuleType(loader.name)
loader.exec_module(publish)


def make_zip(path, names):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for n in names:
            z.writestr(n, "content of " + n)


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
        argv = [x for k, v in args.items() for x in ("--" + k, v)]
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

    def test_refuses_a_file_that_is_no_zip(self):
        with open(self.launcher, "wb") as f:
            f.write(b"not a zip")
        self.assertEqual(self.run_tool(), 1)


if __name__ == "__main__":
    unittest.main()

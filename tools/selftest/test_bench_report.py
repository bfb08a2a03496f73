"""Tests of tools/lib/bench-report: which lines are figures, the goals' edges,
and a figure that goes missing."""
import contextlib
import importlib.machinery
import io
import os
import pathlib
import tempfile
import types
import unittest
import unittest.mock

HERE = os.path.dirname(os.path.abspath(__file__))
loader = importlib.machinery.SourceFileLoader(
    "bench_report", os.path.join(HERE, "..", "lib", "bench-report"))
bench_report = types.ModuleType(loader.name)
loader.exec_module(bench_report)

# One figure of each kind a goal reads, every goal met.
GOOD = {
    "program": {"program.size": "314368 bytes"},
    "verify": {f"verify.{a}_{n}": v for a in ("sha512", "sha256") for n, v in (
        ("rate", "435.4 MB/s"), ("memory_rate", "440.0 MB/s"), ("rounds", "7 count"),
        ("ratio_median", "0.990 ratio"), ("ratio_min", "0.980 ratio"),
        ("ratio_max", "0.999 ratio"), ("peak_growth", "1.01 MiB"))},
    "install": {f"install.{n}_median": v for n, v in (
        ("total", "1.206 s"), ("tools", "0.520 s"), ("hashing", "0.413 s"),
        ("overhead", "0.100 s"), ("overhead_share", "8.3 %"))},
    "real-install": {"real_install." + n: v for n, v in (
        ("setup_median", "2.1 s"), ("floor_median", "2.2 s"), ("ratio_median", "0.969 ratio"),
        ("ratio_min", "0.951 ratio"), ("ratio_max", "1.218 ratio"), ("pairs", "5 count"))},
    "launch": {"launch.setup_median": "53.0 ms", "launch.minimal_median": "49.0 ms",
               "launch.ratio": "1.081 ratio"},
    "window": {"window.answers": "26 count", "window.answer_max": "6.7 ms",
               "window.answer_p99": "6.7 ms", "window.answer_median": "0.47 ms"},
}


class BenchReportTest(unittest.TestCase):
    def report(self, changes=None, failed=(), line_end="\n"):
        """The verdict per figure row, the exit code and stderr of a report over GOOD."""
        with tempfile.TemporaryDirectory() as d:
            for bench, figures in GOOD.items():
                figures = {**figures, **(changes or {})}
                lines = ["== a log line 1.5 s"] + [
                    f"{name} {value}" for name, value in figures.items()
                    if value is not None and name.startswith(bench.replace("-", "_") + ".")]
                pathlib.Path(d, bench + ".txt").write_text(line_end.join(lines) + line_end)
                pathlib.Path(d, bench + ".status").write_text("1" if bench in failed else "0")
            err = io.StringIO()
            with contextlib.redirect_stdout(io.StringIO()) as out, \
                    contextlib.redirect_stderr(err), unittest.mock.patch("sys.argv", ["r", d]):
                code = bench_report.main()
        rows = [line.split(" | ") for line in out.getvalue().splitlines()
                if line.endswith((" PASS |", " MISS |", " no figure |"))]
        return {r[0][2:].split(" (")[0]: r[-1][:-2] for r in rows}, code, err.getvalue()

    def test_figure_lines(self):
        cases = [
            ("launch.setup_median 41.2 ms", True),
            ("real_install.ratio_pair1 0.951 ratio", True),
            ("install.overhead_share_median 25.0 %", True),
            ("launch.ratio -0.5 ratio", True),
            ("launch.ratio 1.081", False),  # no unit
            ("launch ratio 1.081 (goal <= 1.10)", False),
            ("Launch.ratio 1.081 ratio", False),
            ("launch.ratio 1.1e3 ratio", False),
            ("   0.003 s  Checking release…", False),
            ("SHA-512: verify_download 435.4 MB/s", False),
        ]
        for line, figure in cases:
            self.assertEqual(bool(bench_report.FIGURE.fullmatch(line)), figure, line)

    def test_every_goal_at_its_edge(self):
        self.assertEqual(set(self.report()[0].values()), {"PASS"})
        cases = [  # figure, value, row, verdict
            ("program.size", "409600 bytes", "executable size", "PASS"),
            ("program.size", "409601 bytes", "executable size", "MISS"),
            ("verify.sha256_ratio_median", "0.95 ratio", "verify_download SHA-256", "PASS"),
            ("verify.sha256_ratio_median", "0.949 ratio", "verify_download SHA-256", "MISS"),
            ("verify.sha512_peak_growth", "4.00 MiB", "peak memory growth during verify", "MISS"),
            ("install.overhead_share_median", "10.0 %", "install overhead", "MISS"),
            ("real_install.ratio_median", "1.10 ratio", "install on the real tools and server",
             "PASS"),
            ("real_install.ratio_median", "1.101 ratio", "install on the real tools and server",
             "MISS"),
            ("launch.ratio", "1.10 ratio", "`--launch` wall time", "PASS"),
            ("launch.ratio", "1.11 ratio", "`--launch` wall time", "MISS"),
            ("window.answer_max", "99.9 ms", "window answer time", "PASS"),
            ("window.answer_max", "100.0 ms", "window answer time", "MISS"),
        ]
        for name, value, row, verdict in cases:
            self.assertEqual(self.report({name: value})[0][row], verdict, f"{name} {value}")

    def test_windows_line_ends_lose_no_figure(self):
        verdicts, code, _ = self.report(line_end="\r\n")
        self.assertEqual((set(verdicts.values()), code), ({"PASS"}, 0))

    def test_a_missing_figure_fails_only_when_its_benchmark_ended_well(self):
        verdicts, code, err = self.report({"launch.ratio": None})
        self.assertEqual((verdicts["`--launch` wall time"], code), ("no figure", 1))
        self.assertIn("no figure launch.ratio", err)
        verdicts, code, err = self.report({"launch.ratio": None}, failed={"launch"})
        self.assertEqual((verdicts["`--launch` wall time"], code, err), ("no figure", 0, ""))


if __name__ == "__main__":
    unittest.main()

"""railfmt view in a real browser: headless Chromium loads the page of a
sample run, the page's own report gives the records and drawn series, and
the browser's console must stay silent."""
import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest

CLI = os.environ["RAILFMT_CLI"]
CHROMIUM = shutil.which("chromium") or "chromium"
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync"]


class ViewTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="railfmt-view-")
        raw = os.path.join(cls.dir, "run.bin")
        cls.fmt = raw + "F"
        subprocess.run([CLI, "sample", "-o", raw, "--records", "5000", "--seed", "3"], check=True, capture_output=True)
        subprocess.run([CLI, "convert", raw, cls.fmt], check=True, capture_output=True)
        cls.records = json.loads(subprocess.run([CLI, "dump", "--format", "json", cls.fmt], check=True,
                                                capture_output=True).stdout)["records"]
        cls.html = os.path.join(cls.dir, "run.html")
        r = subprocess.run([CLI, "view", cls.fmt, "-o", cls.html, "--fields", "Val19,Val21,Val23", "--title", "sample run"],
                           capture_output=True, text=True)
        assert r.returncode == 0, r.stderr
        cls.view_out = r.stdout

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def chromium(self, *args):
        profile = tempfile.mkdtemp(dir=self.dir)
        return subprocess.run([CHROMIUM, *FLAGS, "--user-data-dir=" + profile, "--enable-logging=stderr", "--v=0",
                               "--virtual-time-budget=10000", *args], capture_output=True, text=True, timeout=120)

    def test_page_is_self_contained(self):
        page = open(self.html, encoding="utf-8").read()
        self.assertNotRegex(page, r"<script[^>]*\ssrc=|<link[^>]*href=|https?://[^\"' ]*\.js")
        self.assertIn("Chart.js v", page)
        self.assertRegex(self.view_out, r"\d+ records \([\d.]+ MB\) -> .*run\.html")

    def test_browser_draws_every_series_and_zooms_to_full_detail(self):
        r = self.chromium("--dump-dom", "file://" + self.html + "#selftest")
        m = re.search(r'<pre id="report"[^>]*>([^<]*)</pre>', r.stdout)
        self.assertIsNotNone(m, r.stderr[-2000:])
        rep = json.loads(m.group(1))
        self.assertEqual(rep["errors"], [])
        self.assertEqual(rep["records"], len(self.records))
        self.assertEqual(rep["series"], 3)
        self.assertGreater(rep["events"], 0)
        self.assertGreater(rep["zoomInRange"], 0)
        self.assertGreaterEqual(rep["zoomPoints"], 3 * rep["zoomInRange"])  # zoomed: every record
        self.assertEqual(rep["resetPoints"], rep["points"])
        console = [ln for ln in r.stderr.splitlines() if ":CONSOLE" in ln]
        self.assertEqual(console, [])

    def test_a_day_of_records_opens_and_zooms(self):
        raw = os.path.join(self.dir, "day.bin")
        subprocess.run([CLI, "sample", "-o", raw, "--records", "200000", "--seed", "5"], check=True, capture_output=True)
        subprocess.run([CLI, "convert", raw, raw + "F"], check=True, capture_output=True)
        html = os.path.join(self.dir, "day.html")
        r = subprocess.run([CLI, "view", raw + "F", "-o", html], capture_output=True, text=True, check=True)
        n = (os.path.getsize(raw + "F") - 52) // 26
        self.assertIn("%d records" % n, r.stdout)
        r = self.chromium("--dump-dom", "file://" + html + "#selftest")
        rep = json.loads(re.search(r'<pre id="report"[^>]*>([^<]*)</pre>', r.stdout).group(1))
        self.assertEqual(rep["errors"], [])
        self.assertEqual(rep["records"], n)
        self.assertGreaterEqual(n, 200000)
        self.assertLess(rep["points"], 3 * 2 * 1200 + 10)  # the overview is decimated
        self.assertGreaterEqual(rep["zoomPoints"], 3 * rep["zoomInRange"])

    def test_screenshot(self):
        png = os.environ.get("RAILFMT_VIEW_SCREENSHOT") or os.path.join(self.dir, "viewer.png")
        r = self.chromium("--window-size=1280,900", "--screenshot=" + png, "file://" + self.html)
        self.assertTrue(os.path.getsize(png) > 10000, r.stderr[-2000:])
        with open(png, "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")

    def test_bad_input_writes_nothing(self):
        out = os.path.join(self.dir, "bad.html")
        raw = os.path.join(self.dir, "run.bin")
        r = subprocess.run([CLI, "view", raw, "-o", out], capture_output=True, text=True)
        self.assertEqual(r.returncode, 1)
        self.assertIn("railfmt:", r.stderr)
        r = subprocess.run([CLI, "view", self.fmt, "-o", out, "--fields", "Val99"], capture_output=True, text=True)
        self.assertEqual(r.returncode, 2)
        self.assertIn("Val99", r.stderr)
        self.assertFalse(os.path.exists(out))
        self.assertEqual([f for f in os.listdir(self.dir) if f.endswith(".railfmt-tmp")], [])


if __name__ == "__main__":
    unittest.main()

"""railfmt view in a real browser: headless Chromium loads the page of a
sample run, the page's own report gives the records and drawn series, and
the browser's console must stay silent."""

import json
import os
import re
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from scriptkit import ScratchTest, output, read  # noqa: E402

CHROMIUM = [shutil.which("chromium") or "chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
            "--no-first-run", "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--enable-logging=stderr", "--v=0", "--virtual-time-budget=10000"]


class ViewTest(ScratchTest):
    def chromium(self, records, seed, *args):
        """The page of a sample run of that many records in the browser: (records, page, browser run)."""
        raw = self.path("run.bin")
        output("sample", "-o", raw, "--records", records, "--seed", seed)
        output("convert", raw, raw + "F")
        n = (os.path.getsize(raw + "F") - 52) // 26
        shown = output("view", raw + "F", "-o", raw + ".html", "--title", "sample run").decode()
        self.assertRegex(shown, r": %d records \([\d.]+ MB\) -> " % n)
        return n, read(raw + ".html").decode(), subprocess.run(
            [*CHROMIUM, "--user-data-dir=" + self.path("profile"), *args, "file://" + raw + ".html" + "#selftest" * (
                "--dump-dom" in args)], capture_output=True, text=True, timeout=120)

    def test_browser_draws_every_series_and_zooms_to_full_detail(self):
        for records, seed in ((5000, 3), (200000, 5)):  # the larger one is decimated in the overview
            with self.subTest(records=records):
                n, page, r = self.chromium(records, seed, "--dump-dom")
                self.assertIn("Chart.js v", page)  # self-contained: no scripts or styles fetched
                self.assertNotRegex(page, r"<script[^>]*\ssrc=|<link[^>]*href=|https?://[^\"' ]*\.js")
                rep = json.loads(re.search(r'<pre id="report"[^>]*>([^<]*)</pre>', r.stdout).group(1))
                self.assertEqual((rep["errors"], rep["records"], rep["series"]), ([], n, 3))  # Val19, Val21, Val23
                self.assertTrue(rep["events"] > 0 and rep["zoomInRange"] > 0, rep)
                self.assertGreaterEqual(rep["zoomPoints"], 3 * rep["zoomInRange"])  # zoomed: every record
                self.assertEqual(rep["resetPoints"], rep["points"])
                self.assertTrue(records == 5000 or rep["points"] < 3 * 2 * 1200 + 10, rep)
                self.assertEqual([ln for ln in r.stderr.splitlines() if ":CONSOLE" in ln], [])

    def test_screenshot(self):
        png = os.environ.get("RAILFMT_VIEW_SCREENSHOT") or self.path("viewer.png")
        r = self.chromium(5000, 3, "--window-size=1280,900", "--screenshot=" + png)[2]
        self.assertGreater(os.path.getsize(png), 10000, r.stderr[-2000:])
        self.assertEqual(read(png)[:8], b"\x89PNG\r\n\x1a\n")


if __name__ == "__main__":
    unittest.main()

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
    def page(self, records, seed, *args):
        raw = self.path("run%d.bin" % records)
        output("sample", "-o", raw, "--records", records, "--seed", seed)
        output("convert", raw, raw + "F")
        out = output("view", raw + "F", "-o", raw + ".html", *args).decode()
        n = (os.path.getsize(raw + "F") - 52) // 26
        self.assertRegex(out, r": %d records \([\d.]+ MB\) -> .*\.html" % n)
        return raw + ".html", n

    def chromium(self, *args):
        return subprocess.run([*CHROMIUM, "--user-data-dir=" + self.path("profile"), *args],
                              capture_output=True, text=True, timeout=120)

    def test_browser_draws_every_series_and_zooms_to_full_detail(self):
        # (records, series, whether the overview is decimated)
        for records, series, args in ((5000, 3, ["--fields", "Val19,Val21,Val23", "--title", "sample run"]),
                                      (200000, 3, [])):
            with self.subTest(records=records):
                html, n = self.page(records, 3 if records == 5000 else 5, *args)
                page = read(html).decode()
                self.assertIn("Chart.js v", page)
                self.assertNotRegex(page, r"<script[^>]*\ssrc=|<link[^>]*href=|https?://[^\"' ]*\.js")
                r = self.chromium("--dump-dom", "file://" + html + "#selftest")
                m = re.search(r'<pre id="report"[^>]*>([^<]*)</pre>', r.stdout)
                self.assertIsNotNone(m, r.stderr[-2000:])
                rep = json.loads(m.group(1))
                self.assertEqual((rep["errors"], rep["records"], rep["series"]), ([], n, series))
                self.assertGreater(rep["events"], 0)
                self.assertGreater(rep["zoomInRange"], 0)
                self.assertGreaterEqual(rep["zoomPoints"], series * rep["zoomInRange"])  # zoomed: every record
                if records > 5000:
                    self.assertLess(rep["points"], series * 2 * 1200 + 10)  # the overview is decimated
                else:
                    self.assertEqual(rep["resetPoints"], rep["points"])
                self.assertEqual([ln for ln in r.stderr.splitlines() if ":CONSOLE" in ln], [])

    def test_screenshot(self):
        html, _ = self.page(5000, 3, "--fields", "Val19,Val21,Val23", "--title", "sample run")
        png = os.environ.get("RAILFMT_VIEW_SCREENSHOT") or self.path("viewer.png")
        r = self.chromium("--window-size=1280,900", "--screenshot=" + png, "file://" + html)
        self.assertGreater(os.path.getsize(png), 10000, r.stderr[-2000:])
        self.assertEqual(read(png)[:8], b"\x89PNG\r\n\x1a\n")


if __name__ == "__main__":
    unittest.main()

"""railfmt codes: the reference covers every code the converters write for
the sample runs, its formats agree, and dump shows records by their kind."""
import json
import os
import subprocess
import tempfile
import unittest

CLI = os.environ["RAILFMT_CLI"]
EXAMPLES = os.environ["RAILFMT_EXAMPLES"]


def run(*args):
    return subprocess.run([CLI, *args], check=True, capture_output=True, text=True).stdout


class CodesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.ref = json.loads(run("codes", "--format", "json"))

    def test_every_written_code_is_in_the_reference(self):
        known = {e["code"] for e in self.ref}
        with tempfile.TemporaryDirectory() as d:
            for sample in ("l2000_sample.bin", "l2000_old_sample.bin", "lkj93_sample.bin", "jk2h_sample.bin"):
                out = os.path.join(d, sample + "F")
                run("convert", os.path.join(EXAMPLES, sample), out)
                codes = {r["code"] for r in json.loads(run("dump", "--format", "json", out))["records"]}
                self.assertEqual(codes - known, set())

    def test_entries(self):
        kinds = {"running-state record", "header record", "bare record", "text record", "supplementary record",
                 "unit of two records", "start-up record", "date record", "set-up record", "earlier-format record"}
        for e in self.ref:
            self.assertIn(e["kind"], kinds)
            self.assertEqual(e["code"], "%02X%02X" % (e["byte0"], e["byte1"]))
            self.assertTrue(e["events"] and e["layout"].startswith("0-1 code"))
        by = {(e["code"], e["kind"]) for e in self.ref}
        self.assertIn(("B001", "date record"), by)
        self.assertIn(("21F0", "supplementary record"), by)
        self.assertIn(("8B06", "running-state record"), by)
        md = run("codes", "--format", "md")
        self.assertEqual(md.count("\n| "), len(self.ref) + 1)

    def test_output_file_and_errors(self):
        with tempfile.TemporaryDirectory() as d:
            out = os.path.join(d, "codes.md")
            run("codes", "--format", "md", "-o", out)
            with open(out, encoding="utf-8") as f:
                self.assertEqual(f.read(), run("codes", "--format", "md"))
            bad = os.path.join(d, "missing", "codes.md")
            r = subprocess.run([CLI, "codes", "-o", bad], capture_output=True, text=True)
            self.assertEqual(r.returncode, 1)
            self.assertIn("cannot be written", r.stderr)
            self.assertEqual(os.listdir(d), ["codes.md"])
            r = subprocess.run([CLI, "codes", "--format", "xml"], capture_output=True, text=True)
            self.assertEqual(r.returncode, 2)

    def test_dump_table_shows_records_by_kind(self):
        with tempfile.TemporaryDirectory() as d:
            out = os.path.join(d, "run.binF")
            run("convert", os.path.join(EXAMPLES, "l2000_sample.bin"), out)
            raw = json.loads(run("dump", "--format", "json", "--raw", out))["records"]
            table = run("dump", out).splitlines()
            date = next(r for r in raw if r["code"] == "B001")
            b = [int(x, 16) for x in date["raw"].split()]
            line = next(ln for ln in table if ln.split()[1:2] == ["B001"])
            self.assertIn("date record: date %02d-%02d-%02d" % (b[2], b[3], b[4]), line)
            self.assertIn("%02d:%02d:%02d" % (b[5], b[6], b[7]), line)
            state = next(ln for ln in table if ln.split()[1:2] == ["8B01"])
            self.assertRegex(state, r"\d\d:\d\d:\d\d\s+\d+\s+\d+")


if __name__ == "__main__":
    unittest.main()

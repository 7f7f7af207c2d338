"""railfmt codes: the reference covers every code the converters write for
the sample runs, its formats agree, and dump shows records by their kind."""
import glob
import json
import os
import re
import subprocess
import tempfile
import unittest

CLI = os.environ["RAILFMT_CLI"]
EXAMPLES = os.environ["RAILFMT_EXAMPLES"]
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


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

    def test_continuations_are_part_of_their_unit(self):
        # the second record of a unit starts with data, never with a code
        units = [e for e in self.ref if "then a continuation record" in e["layout"]]
        self.assertEqual({e["code"] for e in units}, {"8301", "8302", "8303"})
        for e in units:
            self.assertEqual(e["kind"], "unit of two records")
        for e in self.ref:
            if e not in units:
                self.assertFalse({"B101", "B110", "B118", "L2000 B1 01", "L2000 B2 18"} & set(e["events"]), e)
        # 00 00 records are written on purpose only for an unlisted selector
        zero = [e for e in self.ref if e["code"] == "0000"]
        self.assertTrue(zero)
        for e in zero:
            self.assertTrue(e["layout"].endswith("written when the selector is not listed"), e)

    def test_every_code_of_the_earlier_l2000_table(self):
        # read the converter's own table from its source and expand it
        src = glob.glob(os.path.join(ROOT, "src", "**", "l2000_translate.cpp"), recursive=True)
        self.assertEqual(len(src), 1)
        with open(src[0], encoding="utf-8") as f:
            body = f.read().split("constexpr Row kRows[] = {", 1)[1].split("};", 1)[0]
        bcd = lambda x: (x >> 4) * 10 + (x & 15)
        expected = set()
        for m in re.finditer(r"\{(0x[0-9A-F]{2}), (0x[0-9A-F]{2}|N), (0x[0-9A-F]{2}|N), [^}]*?S::(\w+), I::\w+, "
                             r"(0x[0-9A-F]{2}|0), (0x[0-9A-F]{2}|0), (0x[0-9A-F]+|0), (\w+), (L0|Lt::\w+), "
                             r"(0x[0-9A-F]{2}|0), (0x[0-9A-F]{2}|0), \w+\}", body):
            code, lo, hi, step, out0, out1, _, flags, layout, sec0, sec1 = m.groups()
            if step == "kCheckOnly" or "kAnySub" in flags:
                continue
            code, out0, out1, sec0, sec1 = (int(x, 16) if x != "0" else 0 for x in (code, out0, out1, sec0, sec1))
            subs = [None] if lo == "N" else [s for s in range(int(lo, 16), int(hi, 16) + 1) if s & 15 <= 9]
            for sub in subs:
                name = "L2000 %02X" % code if sub is None else "L2000 %02X %02X" % (code, sub)
                index = 0 if sub is None or step == "kOwn" else bcd(sub) - bcd(int(lo, 16))
                if out0 or out1:
                    expected.add((name, "%02X%02X" % (out0, out1 + index)))
                if step == "kState" and layout != "L0":
                    expected.add((name, "%02X%02X" % (sec0, sec1)))
        self.assertGreater(len(expected), 200)
        listed = {(ev, e["code"]) for e in self.ref for ev in e["events"]}
        self.assertEqual(expected - listed, set())
        # the records written by a layout of the table name their fields
        by = {(e["code"], ev): e for e in self.ref for ev in e["events"]}
        self.assertEqual(by[("8104", "L2000 A8 04")]["layout"],
                         "0-1 code; 2-4 time; 5-6 driver number; 7-18 driver name (GBK)")
        self.assertEqual(by[("8102", "L2000 A8 02")]["layout"], "0-1 code; 2-4 data; 5-7 time")
        self.assertEqual(by[("9601", "L2000 C5")]["layout"], "0-1 code; 2-4 time; 5-6 signed value")
        self.assertEqual(by[("8301", "L2000 B1 01")]["kind"], "unit of two records")
        self.assertIn(("8108", "L2000 start-up"), by)
        # the B6h sub-records: a record per type, type 02 a record per kind
        for code, producer in (("B601", "L2000 B6 01"), ("B606", "L2000 B6 06"), ("B665", "L2000 B6 06"),
                               ("B683", "L2000 B6 02 kind 83"), ("B662", "L2000 B6 02 kind 107")):
            self.assertIn((code, producer), by)

    def test_startup_layouts(self):
        by = {(e["code"], e["kind"]): e for e in self.ref if "start-up" in e["events"]}
        self.assertEqual(by[("8106", "text record")]["layout"],
                         "0-1 code; 2-4 time; 5-6 station number; 7-18 station name (GBK)")
        self.assertEqual(by[("8111", "text record")]["layout"],
                         "0-1 code; 2-4 time; 5-6, 24-25 driver number; 7-18 driver name (GBK)")
        self.assertEqual(by[("B001", "date record")]["layout"], "0-1 code; 2-4 date; 5-7 time")
        self.assertEqual(by[("8107", "set-up record")]["layout"], "0-1 code; 5-6 limit")
        self.assertEqual(by[("8106", "text record")]["fields"][1],
                         {"bytes": [5, 6], "type": "number", "name": "station number"})

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
            # the start-up records by their fields, each once
            self.assertIn("     1 B001 15:19:26  date record: date 26-06-10", table)
            self.assertIn('     6 8106 15:19:26  text record: station number 4; station name "3-4"', table)
            self.assertIn('     7 8111 15:19:26  text record: driver number 2346; driver name "2346"', table)
            self.assertIn("    23 8107           set-up record: limit 120", table)
            # the earlier L2000 converter's start-up records carry no time
            old = os.path.join(d, "old.binF")
            run("convert", os.path.join(EXAMPLES, "l2000_old_sample.bin"), old)
            table = run("dump", old).splitlines()
            self.assertIn("     0 B001 15:19:26  date record: date 26-06-10", table)
            self.assertIn("     1 8124           set-up record: 5 value 1", table)
            self.assertIn('     5 8106           text record: station number 4; station name "3-4"', table)

    def test_dump_shows_a_continuation_within_its_unit(self):
        with tempfile.TemporaryDirectory() as d:
            out = os.path.join(d, "run.binF")
            run("convert", os.path.join(EXAMPLES, "l2000_sample.bin"), out)
            with open(out, "ab") as f:
                f.write(bytes([0x83, 0x01, 10, 20, 30]) + bytes(21))
                f.write(bytes([0x0F, 0x00, 0x11]) + bytes(23))
            last = run("dump", out).splitlines()[-2:]
            self.assertRegex(last[0], r"^ *\d+ 8301 10:20:30  unit of two records: ")
            self.assertRegex(last[1], r"^ *\d+ \+ +continuation of 8301: 0-13 data 0F 00 11 00")
            self.assertNotIn("0F00", last[1])


if __name__ == "__main__":
    unittest.main()

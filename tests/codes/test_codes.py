"""railfmt codes: the reference covers every code the converters write, its
entries and formats agree, and dump shows records by their kind."""

import json
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from scriptkit import SOURCE, ScratchTest, example, output, read  # noqa: E402

KINDS = {"running-state record", "header record", "bare record", "text record", "supplementary record",
         "unit of two records", "start-up record", "date record", "set-up record", "earlier-format record"}
# (code, producing event, kind, layout)
ENTRIES = [
    ("8104", "L2000 A8 04", "text record", "0-1 code; 2-4 time; 5-6 driver number; 7-18 driver name (GBK)"),
    ("8102", "L2000 A8 02", None, "0-1 code; 2-4 data; 5-7 time"),
    ("9601", "L2000 C5", None, "0-1 code; 2-4 time; 5-6 signed value"),
    ("8301", "L2000 B1 01", "unit of two records", None),
    ("8106", "start-up", "text record", "0-1 code; 2-4 time; 5-6 station number; 7-18 station name (GBK)"),
    ("8111", "start-up", "text record", "0-1 code; 2-4 time; 5-6, 24-25 driver number; 7-18 driver name (GBK)"),
    ("B001", "start-up", "date record", "0-1 code; 2-4 date; 5-7 time"),
    ("8107", "start-up", "set-up record", "0-1 code; 5-6 limit"),
    ("21F0", None, "supplementary record", None), ("8B06", None, "running-state record", None),
] + [(code, event, None, None) for code, event in (  # the B6h sub-records: a record per type, type 02 per kind
    ("8108", "L2000 start-up"), ("B601", "L2000 B6 01"), ("B606", "L2000 B6 06"), ("B665", "L2000 B6 06"),
    ("B683", "L2000 B6 02 kind 83"), ("B662", "L2000 B6 02 kind 107"))]
# (sample, the dump's table lines of its start-up records)
DUMPED = [
    ("l2000_sample.bin", ["     1 B001 15:19:26  date record: date 26-06-10",
                          '     6 8106 15:19:26  text record: station number 4; station name "3-4"',
                          '     7 8111 15:19:26  text record: driver number 2346; driver name "2346"',
                          "    23 8107           set-up record: limit 120"]),
    ("l2000_old_sample.bin", ["     0 B001 15:19:26  date record: date 26-06-10",  # no time on these
                              "     1 8124           set-up record: 5 value 1",
                              '     5 8106           text record: station number 4; station name "3-4"']),
]


class CodesTest(ScratchTest):
    @classmethod
    def setUpClass(cls):
        cls.ref = json.loads(output("codes", "--format", "json"))

    def converted(self, sample):
        output("convert", example(sample), self.path(sample + "F"))
        return self.path(sample + "F")

    def test_every_written_code_is_in_the_reference(self):
        known = {e["code"] for e in self.ref}
        for sample in ("l2000_sample.bin", "l2000_old_sample.bin", "lkj93_sample.bin", "jk2h_sample.bin"):
            records = json.loads(output("dump", "--format", "json", self.converted(sample)))["records"]
            self.assertEqual({r["code"] for r in records} - known, set(), sample)

    def test_entries(self):
        for e in self.ref:
            self.assertIn(e["kind"], KINDS)
            self.assertEqual(e["code"], "%02X%02X" % (e["byte0"], e["byte1"]))
            self.assertTrue(e["events"] and e["layout"].startswith("0-1 code"), e)
            unit = "then a continuation record" in e["layout"]
            self.assertEqual(unit, e["code"] in ("8301", "8302", "8303"), e)
            if unit:
                self.assertEqual(e["kind"], "unit of two records")
            else:  # the second record of a unit starts with data, never with a code
                self.assertFalse({"B101", "B110", "B118", "L2000 B1 01", "L2000 B2 18"} & set(e["events"]), e)
            if e["code"] == "0000":  # written on purpose only for an unlisted selector
                self.assertTrue(e["layout"].endswith("written when the selector is not listed"), e)
        for code, event, kind, layout in ENTRIES:
            with self.subTest(code=code, event=event):
                e = next(e for e in self.ref if e["code"] == code and (event is None or event in e["events"])
                         and (kind is None or e["kind"] == kind))
                self.assertEqual(e["layout"], layout or e["layout"])
        station = next(e for e in self.ref if e["code"] == "8106" and "start-up" in e["events"])
        self.assertEqual(station["fields"][1], {"bytes": [5, 6], "type": "number", "name": "station number"})
        md = output("codes", "--format", "md")
        self.assertEqual(md.count(b"\n| "), len(self.ref) + 1)
        output("codes", "--format", "md", "-o", self.path("codes.md"))
        self.assertEqual(read(self.path("codes.md")), md)
        self.assertEqual(read(os.path.join(SOURCE, "docs", "records.md")), md,
                         "docs/records.md is out of date: cmake --build --preset default --target records_doc")

    def test_dump_table_shows_records_by_kind(self):
        for sample, lines in DUMPED:
            table = output("dump", self.converted(sample)).decode().splitlines()
            for line in lines:
                self.assertIn(line, table)
        # a continuation within its unit
        with open(self.path("l2000_sample.binF"), "ab") as f:
            f.write(bytes([0x83, 0x01, 10, 20, 30]) + bytes(21) + bytes([0x0F, 0x00, 0x11]) + bytes(23))
        last = output("dump", self.path("l2000_sample.binF")).decode().splitlines()[-2:]
        self.assertRegex(last[0], r"^ *\d+ 8301 10:20:30  unit of two records: ")
        self.assertRegex(last[1], r"^ *\d+ \+ +continuation of 8301: 0-13 data 0F 00 11 00")
        self.assertNotIn("0F00", last[1])


if __name__ == "__main__":
    unittest.main()

"""python/railfmt.py against the shared library: conversion and its
failures, tables, the reader against hand-built files and the tool's dump,
and calls from a thread pool."""

import concurrent.futures
import json
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from scriptkit import L2000, TABLES, ScratchTest, example, header, output, read, record, write_formatted  # noqa: E402

import railfmt  # noqa: E402

HEAD = header({2: b"12".ljust(10), 12: "韶山".encode("gbk").ljust(8), 44: (1234).to_bytes(3, "little"), 51: b"Q"})
NOTE = "1-闸缸".encode("gbk")
# (record, its fields as read; present from the mask bits, texts decoded from GBK)
RECORDS = [
    (record(0x8B, 0x06, (8, 30, 5), 0x1047, Val5=123456, Val8=700, Val13=58, Val19=64, Val21=80),
     {"code": "8B06", "time": "08:30:05", "Val5": 123456, "Val8": 700, "Val13": 58, "Val19": 64, "Val21": 80,
      "mask": "1047", "present": ["Time", "Val5", "Val8", "Val13", "Val14"], "text": ""}),
    (record(0x87, 0x01, mask=0x0537), {"present": ["Time", "Val5", "Val8", "Val15", "Val16", "Val19", "bit10"]}),
    (record(0x20, 0xF0, at={2: "北京西".encode("gbk").ljust(10), 12: b"\x01"}), {"text": "北京西"}),
    (record(0x81, 0x11, at={7: "张建国".encode("gbk").ljust(12)}), {"text": "张建国"}),
    (record(0xF0, 0x3E, at={11: bytes([len(NOTE)]) + NOTE}), {"text": "1-闸缸"}),
    (record(0x81, 0x06, at={7: b"\xFF\xFF"}), {"text": "\\xFF\\xFF", "present": []}),
]
SAMPLES = {"l2000_sample.bin": 100, "l2000_old_sample.bin": 100, "lkj93_sample.bin": 3, "jk2h_sample.bin": 1,
           "tax3_sample.bin": 103}


class LibraryTest(ScratchTest):
    @classmethod
    def setUpClass(cls):
        cls.lib = railfmt.Library()

    def test_file_types_and_conversion(self):
        self.assertEqual({n: self.lib.file_type(example(n)) for n in SAMPLES}, SAMPLES)
        self.assertEqual((self.lib.file_type(self.path("missing")), self.lib.file_type(self.tmp)), (0, 0))
        src = shutil.copy(L2000, self.path("x.37"))
        self.assertEqual(self.lib.convert(src), src + "F")
        head, records = railfmt.read_formatted(src + "F")
        self.assertEqual((head["Magic"], head["ShortText"], head["Size"], head["Vendor"]),
                         ("A66A", "2K", os.path.getsize(L2000), "Q"))
        self.assertEqual(records[0]["code"], "B0F0")
        self.assertEqual([r["index"] for r in records], list(range(len(records))))
        with self.assertRaises(railfmt.RailfmtError) as ctx:
            self.lib.convert(self.path("none.bin"), self.path("none.F"))
        self.assertEqual(ctx.exception.code, -1)
        self.assertEqual(self.lib.new_fmt_file(self.path("none.bin"), self.path("none.F")), -1)
        junk = self.write("junk.bin", b"\x12\x34" + bytes(62))
        self.assertEqual(self.lib.trans_single_file(junk, junk + "F"), 1)
        self.assertRaises(railfmt.RailfmtError, self.lib.convert, junk, plain=True)
        self.assertEqual(sorted(os.listdir(self.tmp)), ["junk.bin", "x.37", "x.37F"])

    def test_tables(self):
        tables = railfmt.tables_from_csv(TABLES)
        self.assertEqual(sorted(tables), ["depots", "drivers", "loco_types", "positions", "restrictions", "stations"])
        self.assertEqual(tables["stations"][0]["name"], "北京西")
        self.lib.set_tables(tables)
        self.lib.set_table("positions", [])
        self.lib.set_table("drivers", [{"number": 1, "name": "单行"}])
        self.lib.set_table("stations", [{"line": 3, "station": 4, "name": "驻马店"}])  # one row is used
        self.assertIn("驻马店", [r["text"] for r in railfmt.read_records(self.lib.convert(L2000, self.path("1.F")))])
        for name, rows in (("stations", [{"line": 1, "name": "x"}]), ("trains", []),
                           ("drivers", [{"number": 1, "name": "a", "colour": "red"}]),
                           ("depots", [{"type_code": 1, "loco_number": 2, "depot": "0102"}])):
            self.assertRaises(ValueError, self.lib.set_table, name, rows)

    def test_reader_against_hand_built_records_and_the_dump(self):
        # a short last record is no record
        path = write_formatted(self.path("f.F"), [r for r, _ in RECORDS] + [b"\x01\x02\x03"], HEAD)
        head, records = railfmt.read_formatted(path)
        self.assertEqual((head["Number"], head["TypeName"], head["Size"]), ("12", "韶山", 1234))
        self.assertEqual(len(records), len(RECORDS))
        for got, (_, want) in zip(records, RECORDS):
            self.assertEqual({k: got[k] for k in want}, want)
        if os.environ.get("RAILFMT_CLI"):
            dumped = json.loads(output("dump", path, "--format", "json"))
            self.assertEqual((dumped["header"], dumped["records"]), (head, records))
        for data in (b"\xB0\xF0" + bytes(60), b"\xA6\x6A"):
            self.assertRaises(ValueError, railfmt.read_formatted, self.write("bad.F", data))

    def test_thread_pools_give_the_outputs_of_calls_made_alone(self):
        # ctypes releases the interpreter lock during each call: the calls really run at once
        tables = railfmt.tables_from_csv(TABLES)
        self.lib.set_tables(tables)
        self.lib.set_masked_codes([0x8124])
        self.addCleanup(self.lib.set_masked_codes, [])
        files = [shutil.copyfile(example(n), self.path("in%d.bin" % i)) for i, n in enumerate(list(SAMPLES)[:4] * 2)]

        def convert(job):
            i, dst = job
            call = self.lib.trans_single_file if i % 2 else self.lib.new_fmt_file
            return call(files[i], dst), read(dst)

        alone = [convert((i, self.path("alone%d" % i))) for i in range(len(files))]
        self.assertTrue(all(r == 0 and len(data) > 52 for r, data in alone))
        for workers in (1, 2, 4, 8):
            with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
                jobs = [(k % len(files), self.path("w%d-%d" % (workers, k))) for k in range(3 * len(files))]
                futures = [pool.submit(convert, job) for job in jobs]
                while workers == 4 and not all(f.done() for f in futures):  # the same tables: no output changes
                    self.lib.set_tables(tables)
                    self.lib.set_masked_codes([0x8124])
                    self.lib.file_type(files[0])
                for k, f in enumerate(futures):
                    self.assertEqual(f.result(), alone[k % len(files)], "workers %d, call %d" % (workers, k))


if __name__ == "__main__":
    unittest.main()

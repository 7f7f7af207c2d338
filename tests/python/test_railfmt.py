"""Tests of python/railfmt.py against the shared library and the examples."""

import json
import os
import shutil
import subprocess
import tempfile
import unittest

import railfmt

EXAMPLES = os.environ.get("RAILFMT_EXAMPLES",
                          os.path.join(os.path.dirname(__file__), "..", "..", "examples"))
L2000 = os.path.join(EXAMPLES, "l2000_sample.bin")
TABLES = os.path.join(EXAMPLES, "tables")


def formatted_file(path, records):
    """Writes a formatted file: a 52-byte header and the given 26-byte records."""
    head = bytearray(52)
    head[0:2] = b"\xA6\x6A"
    head[2:12] = b"12".ljust(10)
    head[12:20] = "韶山".encode("gbk").ljust(8)
    head[22:24] = b"2K"
    head[44:47] = (1234).to_bytes(3, "little")
    head[51] = ord("Q")
    with open(path, "wb") as f:
        f.write(bytes(head) + b"".join(bytes(r) for r in records))


def record(code, sub, **fields):
    r = bytearray(26)
    r[0], r[1] = code, sub
    for name, off, width in railfmt.STATE_FIELDS:
        if name in fields:
            r[off:off + width] = fields[name].to_bytes(width, "little")
    return r


class LibraryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.lib = railfmt.Library()

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="railfmt-py-")
        self.lib.set_masked_codes([])

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def test_file_types_of_the_examples(self):
        expect = {"l2000_sample.bin": 100, "l2000_old_sample.bin": 100, "lkj93_sample.bin": 3,
                  "jk2h_sample.bin": 1, "tax3_sample.bin": 103}
        for name, code in expect.items():
            self.assertEqual(self.lib.file_type(os.path.join(EXAMPLES, name)), code, name)
        self.assertEqual(self.lib.file_type(os.path.join(self.tmp, "missing")), 0)
        self.assertEqual(self.lib.file_type(self.tmp), 0)  # a folder is no file

    def test_convert_writes_a_formatted_file(self):
        dst = os.path.join(self.tmp, "run.binF")
        self.assertEqual(self.lib.convert(L2000, dst), dst)
        header, records = railfmt.read_formatted(dst)
        self.assertEqual(header["Magic"], "A66A")
        self.assertEqual(header["ShortText"], "2K")
        self.assertEqual(header["Size"], os.path.getsize(L2000))
        self.assertEqual(header["Vendor"], "Q")
        self.assertGreaterEqual(len(records), 28)
        self.assertEqual(records[0]["code"], "B0F0")
        self.assertEqual([r["index"] for r in records], list(range(len(records))))

    def test_default_destination_appends_F(self):
        src = os.path.join(self.tmp, "x.37")
        shutil.copy(L2000, src)
        self.assertEqual(self.lib.convert(src), src + "F")
        self.assertTrue(os.path.exists(src + "F"))

    def test_missing_source_raises_and_writes_nothing(self):
        dst = os.path.join(self.tmp, "none.binF")
        with self.assertRaises(railfmt.RailfmtError) as ctx:
            self.lib.convert(os.path.join(self.tmp, "none.bin"), dst)
        self.assertEqual(ctx.exception.code, -1)
        self.assertFalse(os.path.exists(dst))
        self.assertEqual(self.lib.new_fmt_file(os.path.join(self.tmp, "none.bin"), dst), -1)

    def test_plain_conversion_of_an_unknown_file_is_refused(self):
        src = os.path.join(self.tmp, "junk.bin")
        with open(src, "wb") as f:
            f.write(b"\x12\x34" + bytes(62))
        self.assertEqual(self.lib.trans_single_file(src, src + "F"), 1)
        with self.assertRaises(railfmt.RailfmtError):
            self.lib.convert(src, plain=True)

    def test_masked_codes_are_left_out(self):
        full = os.path.join(self.tmp, "full.binF")
        masked = os.path.join(self.tmp, "masked.binF")
        self.lib.convert(L2000, full)
        self.lib.set_masked_codes([0x8124, 0x8125])
        self.lib.convert(L2000, masked)
        codes_full = [r["code"] for r in railfmt.read_records(full)]
        codes_masked = [r["code"] for r in railfmt.read_records(masked)]
        self.assertIn("8124", codes_full)
        self.assertNotIn("8124", codes_masked)
        self.assertNotIn("8125", codes_masked)
        self.assertEqual(len(codes_full) - 2, len(codes_masked))

    def test_tables_from_csv_are_accepted(self):
        tables = railfmt.tables_from_csv(TABLES)
        self.assertEqual(sorted(tables), ["depots", "drivers", "loco_types", "positions",
                                          "restrictions", "stations"])
        self.assertEqual(tables["stations"][0]["name"], "北京西")
        self.lib.set_tables(tables)
        self.lib.set_table("drivers", [{"number": 1, "name": "单行"}])  # one row
        self.lib.set_table("positions", [])

    def test_a_table_of_one_row_is_used(self):
        self.lib.set_table("stations", [{"line": 3, "station": 4, "name": "驻马店"}])
        dst = self.lib.convert(L2000, os.path.join(self.tmp, "one.binF"))
        texts = {r["code"]: r["text"] for r in railfmt.read_records(dst) if r["text"]}
        self.assertEqual(texts["8106"], "驻马店")

    def test_bad_table_rows_are_rejected(self):
        with self.assertRaises(ValueError):
            self.lib.set_table("stations", [{"line": 1, "name": "x"}])  # station missing
        with self.assertRaises(ValueError):
            self.lib.set_table("drivers", [{"number": 1, "name": "a", "colour": "red"}])
        with self.assertRaises(ValueError):
            self.lib.set_table("depots", [{"type_code": 1, "loco_number": 2, "depot": "0102"}])
        with self.assertRaises(ValueError):
            self.lib.set_table("trains", [])

    def test_folder_workflow_without_a_date(self):
        src_dir, work, archive = (os.path.join(self.tmp, d) for d in ("in", "work", "arch"))
        os.makedirs(src_dir)
        shutil.copy(L2000, os.path.join(src_dir, "AB.1"))
        self.assertEqual(self.lib.trans_fmt_file("AB.1", src_dir, work, archive), 1)


class ReaderTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="railfmt-py-")
        self.path = os.path.join(self.tmp, "f.binF")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def test_record_fields(self):
        r = record(0x8B, 0x06, Val5=123456, Val8=700, Val13=58, Val19=64, Val21=80)
        r[2:5] = bytes([8, 30, 5])
        r[24:26] = (0x1047).to_bytes(2, "little")
        formatted_file(self.path, [r])
        header, (rec,) = railfmt.read_formatted(self.path)
        self.assertEqual(header["Number"], "12")
        self.assertEqual(header["TypeName"], "韶山")
        self.assertEqual(header["Size"], 1234)
        self.assertEqual(rec["code"], "8B06")
        self.assertEqual(rec["time"], "08:30:05")
        self.assertEqual((rec["Val5"], rec["Val8"], rec["Val13"], rec["Val19"], rec["Val21"]),
                         (123456, 700, 58, 64, 80))
        self.assertEqual(rec["mask"], "1047")
        self.assertEqual(rec["present"], ["Time", "Val5", "Val8", "Val13", "Val14"])
        self.assertEqual(rec["text"], "")

    def test_text_records_are_decoded_from_gbk(self):
        station = record(0x20, 0xF0)
        station[2:12] = "北京西".encode("gbk").ljust(10)
        station[12] = 1
        driver = record(0x81, 0x11)
        driver[7:19] = "张建国".encode("gbk").ljust(12)
        note = record(0xF0, 0x3E)
        text = "1-闸缸".encode("gbk")
        note[11] = len(text)
        note[12:12 + len(text)] = text
        bad = record(0x81, 0x06)
        bad[7:9] = b"\xFF\xFF"
        formatted_file(self.path, [station, driver, note, bad])
        texts = [r["text"] for r in railfmt.read_records(self.path)]
        self.assertEqual(texts, ["北京西", "张建国", "1-闸缸", "\\xFF\\xFF"])

    def test_mask_bits_without_a_field(self):
        self.assertEqual(railfmt._present(0x0537), ["Time", "Val5", "Val8", "Val15", "Val16", "Val19", "bit10"])
        self.assertEqual(railfmt._present(0), [])

    def test_not_a_formatted_file(self):
        with open(self.path, "wb") as f:
            f.write(b"\xB0\xF0" + bytes(60))
        with self.assertRaises(ValueError):
            railfmt.read_formatted(self.path)
        with open(self.path, "wb") as f:
            f.write(b"\xA6\x6A")
        with self.assertRaises(ValueError):
            railfmt.read_formatted(self.path)

    def test_a_short_last_record_is_not_a_record(self):
        formatted_file(self.path, [record(0x87, 0x01)])
        with open(self.path, "ab") as f:
            f.write(b"\x01\x02\x03")
        self.assertEqual(len(railfmt.read_records(self.path)), 1)

    @unittest.skipUnless(os.environ.get("RAILFMT_CLI"), "the railfmt tool is not built")
    def test_same_fields_as_the_dump_of_the_tool(self):
        r = record(0x8B, 0x06, Val5=99, Val19=45)
        r[24:26] = (0x0103).to_bytes(2, "little")
        name = record(0x81, 0x06)
        name[7:19] = "石家庄".encode("gbk").ljust(12)
        formatted_file(self.path, [r, name])
        out = subprocess.run([os.environ["RAILFMT_CLI"], "dump", self.path, "--format", "json"],
                             check=True, capture_output=True).stdout
        dumped = json.loads(out.decode("utf-8"))
        header, records = railfmt.read_formatted(self.path)
        self.assertEqual(dumped["header"], header)
        self.assertEqual(dumped["records"], records)


if __name__ == "__main__":
    unittest.main()

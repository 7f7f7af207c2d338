"""The railfmt tool: what each command writes and prints, the files it
writes or leaves alone, batch runs and the folder workflow (ToolTest); every
failure one line naming the file and the cause with the documented exit code,
every file left as it was, and the help of every command (MessagesTest)."""

import json
import os
import shutil
import sys
import unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from scriptkit import (FAILED, OK, TABLES, TABLES_REJECTED, USAGE, L2000, ScratchTest, example, header,  # noqa: E402
                       output, read, record, run, tree, write_formatted)

# a state record and a station-name record, and the dump's view of them
STATE = record(0x8B, 0x06, (8, 30, 5), 0x0347, Val5=123456, Val8=700, Val13=58, Val19=64, Val21=80, Val23=9)
STATION = record(0x81, 0x06, (15, 19, 26), 0x0001, at={5: b"\x04\x00", 7: "北京西".encode("gbk").ljust(12)})
VALUES = ["Val5", "Val8", "Val10", "Val12", "Val13", "Val14", "Val15", "Val16", "Val17", "Val19", "Val21", "Val23"]
DUMPED = [
    [0, "8B06", "08:30:05", 123456, 700, 0, 0, 58, 0, 0, 0, 0, 64, 80, 9, "0347",
     ["Time", "Val5", "Val8", "Val13", "Val14", "Val19", "Val21"], ""],
    # every value reads the bytes it covers, the name's GBK bytes B1 B1 BE A9 CE F7 and spaces too
    [1, "8106", "15:19:26", 0xB10004, 0xBEB1, 0xCEA9, 0xF7, 0x20, 0x20, 0x20, 0x20, 0x2020, 0, 0, 0, "0001",
     ["Time"], "北京西"],
]


def records_of(data):
    return [data[i:i + 26] for i in range(52, len(data), 26)]


class ToolTest(ScratchTest):
    def test_classify(self):
        rc, out, err = run("classify", *map(example, ("l2000_sample.bin", "lkj93_sample.bin", "jk2h_sample.bin",
                                                        "tax3_sample.bin")), self.path("missing.bin"))
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "no such file")
        rows = [ln.split("\t") for ln in out.splitlines()]  # the others are still classified
        self.assertEqual([r[1] for r in rows], ["100", "3", "1", "103"])
        self.assertIn("L2000 protocol 0101 vendor Q", rows[0][2])

    def test_sample_is_reproducible_and_sized(self):
        for name, seed in (("a", 3), ("b", 3), ("c", 4)):
            output("sample", "-o", self.path(name), "--kind", "jk2h", "--records", 40, "--seed", seed)
        self.assertEqual(read(self.path("a")), read(self.path("b")))
        self.assertNotEqual(read(self.path("a")), read(self.path("c")))
        # --size: at least that many bytes (binary multiples), a few records more at most
        for size, least in (("64K", 65536), ("1m", 1048576), ("200000", 200000), ("3MiB", 3 << 20)):
            for kind in ("l2000", "lkj93", "jk2h", "l2000-old"):
                with self.subTest(kind=kind, size=size):
                    out = output("sample", "-o", self.path("s"), "--kind", kind, "--size", size).decode()
                    n = os.path.getsize(self.path("s"))
                    self.assertTrue(least <= n < least + 4096 and "%d bytes" % n in out, (n, out))

    def test_convert_to_the_default_name_as_the_plain_conversion_does(self):
        src = shutil.copy(L2000, self.path("x.37"))
        self.assertIn(b"->", output("convert", src))
        output("convert", "--plain", src, self.path("plain.F"))
        data = read(src + "F")
        self.assertEqual((data[:2], (len(data) - 52) % 26), (b"\xA6\x6A", 0))
        self.assertEqual(data, read(self.path("plain.F")))
        self.assertEqual(sorted(os.listdir(self.tmp)), ["plain.F", "x.37", "x.37F"])

    def test_ring_file_is_unrolled_at_its_write_position(self):
        head = bytes([0xA0, 0xA1, 0, 0, 0, 0, 0, 0, 30]) + bytes(55)  # byte 8: the write position
        src = self.write("ring.bin", bytes(head) + bytes(range(100)))
        self.assertIn(b"unrolled", output("convert", src))
        self.assertEqual(read(src + "F"), bytes(head) + bytes(range(30, 100)) + bytes(range(30)))

    def test_files_that_are_not_converted(self):
        # a formatted file is left as it is; a TAX3 dump is cut into its recordings
        fmt = write_formatted(self.path("run.F"), [STATE])
        shutil.copy(example("tax3_sample.bin"), self.path("dump.T3"))
        for args in (["run.F"], ["--plain", "run.F", "again.F"], ["dump.T3"]):
            rc, _, err = run("convert", *args, cwd=self.tmp)
            self.assertTrue(rc == OK and "note:" in err, (args, err))
        names = os.listdir(self.tmp)
        self.assertTrue([n for n in names if n.startswith("TAX3-")])
        self.assertFalse(set(names) & {"run.FF", "again.F", "dump.T3F"})
        self.assertFalse([n for n in names if n.endswith(".railfmt-tmp") or os.path.getsize(self.path(n)) == 0])
        self.assertEqual(read(fmt), bytes(header() + STATE))

    def test_masked_codes_are_left_out(self):
        output("convert", L2000, self.path("full.F"))
        output("convert", L2000, self.path("masked.F"), "--mask", "8124, 0x8125")
        full = read(self.path("full.F"))
        kept = [r for r in records_of(full) if r[:2] not in (b"\x81\x24", b"\x81\x25")]
        self.assertEqual(len(kept), len(records_of(full)) - 2)
        self.assertEqual(read(self.path("masked.F")), full[:52] + b"".join(kept))

    def test_station_table_rows_reach_the_records(self):
        # one row is used too; quoting, BOM, CRLF, blank and comment lines, any column order;
        # bytes 7..14 the name's first 8 bytes space-filled, 15..18 the rest or 0
        for text, name in (("line,station,name\n3,4,驻马店\n", "驻马店".encode("gbk") + b"  " + bytes(4)),
                           ("\ufeffname,station,line\r\n\"驻马,\"\"店\"\"\",4,3\r\n  \r\n# c\r\n\"x\",9,9\r\n",
                            '驻马,"店"'.encode("gbk") + bytes(3))):
            with self.subTest(text=text):
                self.write("t/stations.csv", text)
                output("convert", L2000, self.path("t.F"), "--tables", self.path("t"))
                named = [r for r in records_of(read(self.path("t.F"))) if r[:2] == b"\x81\x06"]
                self.assertEqual(named[0][5:19], b"\x04\x00" + name)

    def test_dump_formats(self):
        src = write_formatted(self.path("d.F"), [STATE, STATION])
        doc = json.loads(output("dump", src, "--format", "json", "--raw"))
        self.assertEqual((doc["header"]["Magic"], doc["trailing_bytes"]), ("A66A", 0))
        keys = ["index", "code", "time", *VALUES, "mask", "present", "text"]
        for got, want, raw in zip(doc["records"], DUMPED, (STATE, STATION)):
            self.assertEqual(got, dict(zip(keys, want), raw=" ".join("%02X" % b for b in raw)))
        csv = output("dump", src, "--format", "csv")
        self.assertTrue(csv.startswith(b"\xEF\xBB\xBF" + b",".join(k.encode() for k in keys) + b"\r\n"))
        self.assertIn(b'0,8B06,08:30:05,123456,700,0,0,58,0,0,0,0,64,80,9,0347,', csv)
        self.assertIn("北京西".encode("utf-8"), csv)
        self.assertIn("北京西".encode("gbk"), output("dump", src, "--format", "csv", "--encoding", "gbk"))
        self.assertTrue(output("dump", src, "--format", "csv", "--encoding", "utf-8", "--sep", ";")
                        .startswith(b"index;code;time;Val5;"))
        self.assertIn(b"\ttext\traw\r\n", output("dump", src, "--format", "csv", "--sep", "tab", "--raw"))
        self.assertIn('"北京西"', output("dump", src).decode())

    def test_plot_draws_the_timed_records(self):
        recs = [record(0x8B, 0x01, (8, k // 6, k % 6 * 10), 0x0301, Val19=k * 3, Val21=80) for k in range(30)]
        recs.insert(3, record(0x81, 0x24, (9, 9, 9), 0))  # no time bit: not plotted
        recs.insert(0, record(0xB0, 0xF0, (0, 1, 1), 0x0101))  # start-up record: not plotted
        svg = self.path("run.svg")
        self.assertIn(b"30 points", output("plot", write_formatted(self.path("p.F"), recs), "--fields", "Val19,Val21",
                                           "-o", svg))
        ns = "{http://www.w3.org/2000/svg}"
        root = ET.parse(svg).getroot()
        self.assertEqual(len(root.findall(".//%spolyline" % ns)), 2)
        self.assertLessEqual({"Val19", "Val21", "08:00"}, {t.text for t in root.iter(ns + "text")})

    def test_batch_goes_on_after_a_bad_file(self):
        shutil.copy(L2000, self.write("in/a_bad.bin", b""))
        shutil.copy(L2000, self.path("in", "b.bin"))
        shutil.copy(example("lkj93_sample.bin"), self.write("in/sub/c.bin", b""))
        self.write("in/sub/readme.txt", "not a recorder file\n")
        for jobs in ("1", "2"):  # the output name of a_bad.bin is taken by a folder
            out = self.path("out" + jobs)
            os.makedirs(os.path.join(out, "a_bad.binF", "blocker"))
            rc, stdout, err = run("batch", self.path("in"), "--out", out, "--jobs", jobs)
            self.assertEqual(rc, FAILED, err)
            self.assertIn("converted 2, skipped 1, failed 1 (4 files)", stdout)
            self.assertTrue("a_bad.bin" in err and "\r" not in err, err)  # no progress bar without a terminal
            self.assertEqual(sorted(tree(out)), ["a_bad.binF", "a_bad.binF/blocker", "b.binF", "sub", "sub/c.binF"])
        rc, stdout, err = run("batch", self.path("in"), L2000, "--out", self.path("in", "out"), "-q")
        self.assertEqual((rc, err), (OK, ""))
        self.assertIn("converted 4, skipped 1, failed 0 (5 files)", stdout)
        out = output("batch", self.path("in"), "--out", self.path("in", "out"), "-q")
        self.assertIn(b"converted 3, skipped 1, failed 0 (4 files)", out)  # not the first run's results

    def test_batch_jobs_report_every_file_and_agree(self):
        # enough files that the workers' results travel in several blocks, one and three workers agree
        for i in range(400):
            name = "many/d%d/f%03d" % (i // 50, i)
            if i % 97 == 5:
                self.write(name, b"\x00" * 10)
            else:
                shutil.copy(L2000 if i % 2 else example("lkj93_sample.bin"), self.write(name, b""))
        for jobs in ("1", "3"):
            out = output("batch", self.path("many"), "--out", self.path("out" + jobs), "--jobs", jobs, "-q")
            self.assertIn(b"converted 395, skipped 5, failed 0 (400 files)", out)
        one, three = tree(self.path("out1")), tree(self.path("out3"))
        self.assertEqual(len([v for v in one.values() if v]), 395)
        self.assertEqual(one, three)

    def test_process_files_by_their_date(self):
        shutil.copy(L2000, self.write("dl/RUN1.37", b""))
        shutil.copy(L2000, self.path("dl", "RUN1.D1"))
        where = ["--from", self.path("dl"), "--work", self.path("work"), "--archive", self.path("arch")]
        self.assertIn(b"dated 7 March (0307)", output("process", "RUN1.37", *where))
        self.assertTrue(os.path.isfile(self.path("work", "TEMP", "RUN1.37F")))
        self.assertTrue(os.path.isfile(self.path("arch", "L2000", "0307", "RUN1.37")))
        rc, _, err = run("process", "RUN1.D1", *where)
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "not dated", "nouse")
        self.assertTrue(os.path.isfile(self.path("arch", "nouse", "RUN1.D1")))
        self.assertEqual(os.listdir(self.path("dl")), [])



# the commands that read one file, with the rest of their arguments
READERS = {"dump": [], "plot": ["-o", "x.svg"], "view": ["-o", "x.html"], "convert": ["x.F"], "classify": []}
# (arguments, exit code, words the one error line must hold)
CASES = [([cmd, name, *rest], FAILED, [words]) for cmd, rest in READERS.items() for name, words in (
    ("folder", "folder: is a folder, not a file"), ("missing.F", "missing.F: no such file"))] + [
    ([cmd, "RUN1.37", *READERS[cmd]], FAILED, ["RUN1.37: not a formatted file", "raw L2000 file",
                                               "convert it first with railfmt convert RUN1.37"])
    for cmd in ("dump", "plot", "view")] + [
    (["convert", "RUN1.37", "folder"], FAILED, ["folder: is a folder", "name the file"]),
    (["dump", "nodir/run.F"], FAILED, ["nodir/run.F: no such file", "no such folder nodir"]),
    # a missing folder where a file is written
    (["convert", "RUN1.37", "nodir/out.F"], FAILED, ["nodir/out.F: cannot be written", "no such folder nodir"]),
    (["plot", "run.F", "-o", "nodir/x.svg"], FAILED, ["nodir/x.svg: cannot be written", "no such folder nodir"]),
    (["sample", "-o", "nodir/s.bin"], FAILED, ["nodir/s.bin: cannot be written", "no such folder nodir"]),
    (["codes", "-o", "nodir/codes.md"], FAILED, ["nodir/codes.md: cannot be written"]),
    (["convert", "RUN1.37", "RUN1.37/out.F"], FAILED, ["cannot be written", "RUN1.37 is a file, not a folder"]),
    (["dump", "dump.T3"], FAILED, ["dump.T3: not a formatted file but a TAX3 dump", "railfmt convert dump.T3"]),
    # files that cannot be converted; an old destination stays as it was
    (["convert", "junk.bin", "run.F"], FAILED, ["junk.bin", "type 0"]),
    (["convert", "--plain", "junk.bin", "x.F"], FAILED, ["no single-file converter"]),
    (["convert", "--plain", "ring.bin", "x.F"], FAILED, ["ring-buffer"]),
    (["plot", "untimed.F", "-o", "x.svg"], FAILED, ["no timed records"]),
    # the folder workflow and the batch name what is missing
    (["process", "RUN1.37", "--from", "dl", "--work", "w", "--archive", "a"], FAILED,
     ["dl: no such folder", "--from"]),
    (["process", "RUN1.38", "--from", "folder", "--work", "w", "--archive", "a"], FAILED, ["RUN1.38: no such file"]),
    (["process", "dl/RUN1.37", "--from", "dl", "--work", "w", "--archive", "a"], USAGE,
     ["dl/RUN1.37: give the file name alone", "--from"]),
    (["batch", "downloads", "--out", "formatted"], FAILED, ["downloads: no such file or folder"]),
    (["batch", "RUN1.37", "missing", "--out", "formatted"], FAILED, ["missing: no such file or folder"]),
    (["batch", "RUN1.37", "--out", "run.F"], FAILED, ["run.F: is a file, not a folder", "--out"]),
    # tables and masks
    (["convert", "RUN1.37", "x.F", "--tables", "run.F"], TABLES_REJECTED, ["run.F: is a file, not a folder", "--tables"]),
    (["convert", "RUN1.37", "x.F", "--tables", "tables"], TABLES_REJECTED, ["tables: no such folder"]),
    (["convert", "RUN1.37", "x.F", "--tables", "folder"], TABLES_REJECTED, ["none of the table files"]),
    (["convert", "RUN1.37", "x.F", "--mask", "81G4"], TABLES_REJECTED, ["--mask", "81G4"]),
    # the command line
    (["frobnicate"], USAGE, ["unknown command 'frobnicate'", "convert", "railfmt --help"]),
    (["frobnicate", "--help"], USAGE, ["unknown command 'frobnicate'"]),
    ([], USAGE, ["name a command", "classify", "railfmt --help"]),
    (["convert"], USAGE, []),
    (["convert", "RUN1.37", "--bogus"], USAGE, ["--bogus"]),
    (["dump", "run.F", "--format", "xml"], USAGE, ["xml"]),
    (["dump", "run.F", "--format", "json", "--encoding", "gbk"], USAGE, ["JSON"]),
    (["dump", "run.F", "--sep", "ab"], USAGE, ["--sep"]),
    (["plot", "run.F", "--fields", "Val19,Speed", "-o", "x.svg"], USAGE, ["Speed"]),
    (["view", "run.F", "--fields", "Val99", "-o", "x.html"], USAGE, ["Val99"]),
    (["codes", "--format", "xml"], USAGE, ["xml"]),
    (["sample", "-o", "s", "--kind", "jk96"], USAGE, ["jk96"]),
    (["sample", "-o", "s", "--kind", "tax3", "--size", "1M"], USAGE, ["--records"]),
    (["sample", "-o", "s", "--size", "1M", "--records", "5"], USAGE, ["--size"]),
] + [(["sample", "-o", "s", "--size", bad], USAGE, ["--size", "no size"])
     for bad in ("0", "12X", "M", "5G", "99999999999999999999")]

# (table file, its text, words of the error): every other table as in the examples
TABLE_CASES = [
    ("stations.csv", "line,station,name\n1,1,北京西\n1,x2,涿州\n", "stations.csv:3", "station", "x2"),
    ("drivers.csv", "number,name\n\n# a comment\n7,甲,extra\n", "drivers.csv:4", "expected 2 fields"),
    ("drivers.csv", "number,nmae\n1,甲\n", "drivers.csv:1", "unknown column 'nmae'"),
    ("loco_types.csv", "code\n106\n", "loco_types.csv:1", "missing column 'name'"),
    ("restrictions.csv", "line,direction,start_pos,end_pos,start_date,start_time,end_date,end_time,speed,kind\n"
     "1,0,100,200,0101,25:00,0131,10:00,45,9\n", "restrictions.csv:2", "start_time"),
    ("positions.csv", "key,text\n1,\"unterminated\n", "positions.csv:2", "unterminated"),
    ("positions.csv", "key,text\n1,🚂\n", "positions.csv:2", "GBK"),
    ("depots.csv", "type_code,loco_number,depot\n106,203,0B01\n", "depots.csv:2", "12 hexadecimal"),
    ("stations.csv", "line,station,name\n70000,1,x\n", "stations.csv:2", "out of range"),
]

HELP = [([], []), (["classify"], []), (["convert"], []), (["codes"], []), (["view"], []),
        (["batch"], ["--jobs", "=1"]), (["sample"], ["=l2000", "=1", "=200"]), (["process"], ["--option", "=0"]),
        (["dump"], ["=table"]), (["plot"], ["=Val19,Val21"])]


class MessagesTest(ScratchTest):
    def setUp(self):
        # a folder like the tour's: raw files, formatted files, a folder
        super().setUp()
        shutil.copy(L2000, self.path("RUN1.37"))
        shutil.copy(example("tax3_sample.bin"), self.path("dump.T3"))
        os.makedirs(self.path("folder"))
        self.write("junk.bin", b"\x12\x34" + bytes(100))
        self.write("ring.bin", b"\xA0\xA1" + bytes(162))
        write_formatted(self.path("untimed.F"), [record(0x81, 0x24)])
        rc, _, err = run("convert", "RUN1.37", "run.F", cwd=self.tmp)
        self.assertEqual(rc, OK, err)

    def assertFails(self, args, code, words):
        before = tree(self.tmp)
        rc, out, err = run(*args, cwd=self.tmp)
        self.assertEqual(rc, code, err)
        self.assertOneLineError(err, *words)
        self.assertEqual(out, "")
        self.assertEqual(tree(self.tmp), before, "a failed command changed the folder")

    def test_each_error_names_the_file_and_the_cause(self):
        for args, code, words in CASES:
            with self.subTest(args=" ".join(args)):
                self.assertFails(args, code, words)

    def test_each_table_error_names_the_file_and_the_line(self):
        for name, text, *words in TABLE_CASES:
            with self.subTest(table=name, text=text):
                shutil.rmtree(self.path("t"), ignore_errors=True)
                shutil.copytree(TABLES, self.path("t"))
                self.write(os.path.join("t", name), text)
                self.assertFails(["convert", "RUN1.37", "x.F", "--tables", "t"], TABLES_REJECTED, words)

    def test_help_shows_the_exit_codes_and_the_defaults(self):
        for cmd, shown in HELP:
            with self.subTest(cmd=cmd):
                rc, out, _ = run(*cmd, "--help")
                self.assertEqual(rc, OK)
                for s in ["Exit codes", *shown]:
                    self.assertIn(s, out)
                self.assertNotIn("=[]", out)



if __name__ == "__main__":
    unittest.main()

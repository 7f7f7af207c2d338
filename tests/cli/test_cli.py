"""Behaviour of the railfmt tool: exit codes, one-line messages, files
written or not written, JSON validity, CSV shape, table errors, batch runs."""

import csv
import io
import json
import os
import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

TOOL = os.environ.get("RAILFMT_CLI", "railfmt")
EXAMPLES = os.environ.get("RAILFMT_EXAMPLES",
                          os.path.join(os.path.dirname(__file__), "..", "..", "examples"))
TABLES = os.path.join(EXAMPLES, "tables")
L2000 = os.path.join(EXAMPLES, "l2000_sample.bin")

OK, FAILED, USAGE, TABLES_REJECTED = 0, 1, 2, 3


def run(*args, cwd=None):
    p = subprocess.run([TOOL] + [str(a) for a in args], capture_output=True, cwd=cwd)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def formatted_file(path, records):
    head = bytearray(52)
    head[0:2] = b"\xA6\x6A"
    head[22:24] = b"2K"
    with open(path, "wb") as f:
        f.write(bytes(head) + b"".join(bytes(r) for r in records))


def record(code, sub, time=(0, 0, 0), mask=0, **vals):
    offsets = {"Val5": (5, 3), "Val8": (8, 2), "Val13": (13, 1), "Val19": (19, 2), "Val21": (21, 2)}
    r = bytearray(26)
    r[0], r[1] = code, sub
    r[2:5] = bytes(time)
    for k, v in vals.items():
        off, width = offsets[k]
        r[off:off + width] = v.to_bytes(width, "little")
    r[24:26] = mask.to_bytes(2, "little")
    return r


class ToolTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="railfmt-cli-")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.tmp, *parts)

    def assertOneLineError(self, err, *fragments):
        lines = [ln for ln in err.splitlines() if ln.strip()]
        self.assertEqual(len(lines), 1, err)
        self.assertTrue(lines[0].startswith("railfmt: "), err)
        for f in fragments:
            self.assertIn(f, lines[0])

    def converted(self, name="run.binF"):
        dst = self.path(name)
        rc, _, err = run("convert", L2000, dst)
        self.assertEqual(rc, OK, err)
        return dst

    # ---------------------------------------------------------- help, usage
    def test_help_of_every_command(self):
        for cmd in ([], ["classify"], ["convert"], ["process"], ["batch"], ["dump"], ["plot"], ["sample"]):
            rc, out, _ = run(*(cmd + ["--help"]))
            self.assertEqual(rc, OK, cmd)
            self.assertIn("Exit codes", out)

    def test_usage_errors_are_one_line_and_exit_2(self):
        for args in (["convert"], ["convert", L2000, "--bogus"], ["dump", "x", "--format", "xml"],
                     ["sample", "-o", self.path("s"), "--kind", "jk96"], []):
            rc, _, err = run(*args)
            self.assertEqual(rc, USAGE, args)
            self.assertOneLineError(err)

    # ---------------------------------------------------------- classify
    def test_classify(self):
        rc, out, _ = run("classify", *(os.path.join(EXAMPLES, f) for f in
                                       ("l2000_sample.bin", "lkj93_sample.bin", "jk2h_sample.bin", "tax3_sample.bin")))
        self.assertEqual(rc, OK)
        rows = [ln.split("\t") for ln in out.splitlines()]
        self.assertEqual([r[1] for r in rows], ["100", "3", "1", "103"])
        self.assertIn("L2000 protocol 0101 vendor Q", rows[0][2])
        rc, out, err = run("classify", self.path("missing.bin"), L2000)
        self.assertEqual(rc, FAILED)
        self.assertIn("no such file", err)
        self.assertIn("\t100\t", out)  # the other files are still classified

    # ---------------------------------------------------------- sample
    def test_sample_is_reproducible(self):
        a, b, c = self.path("a"), self.path("b"), self.path("c")
        for p, seed in ((a, 3), (b, 3), (c, 4)):
            rc, _, err = run("sample", "-o", p, "--kind", "jk2h", "--seed", seed, "--records", 40)
            self.assertEqual(rc, OK, err)
        data = [open(p, "rb").read() for p in (a, b, c)]
        self.assertEqual(data[0], data[1])
        self.assertNotEqual(data[0], data[2])
        rc, _, err = run("sample", "-o", self.path("no", "such", "dir", "x"))
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "cannot be written")

    def test_sample_size(self):
        # --size: at least that many bytes (binary multiples), a few records
        # more at most; the same records give the same file as --records.
        for size, least in (("64K", 65536), ("1m", 1048576), ("200000", 200000), ("3MiB", 3 << 20)):
            for kind in ("l2000", "lkj93", "jk2h", "l2000-old"):
                p = self.path(kind + size)
                rc, out, err = run("sample", "-o", p, "--kind", kind, "--size", size)
                self.assertEqual(rc, OK, err)
                n = os.path.getsize(p)
                self.assertGreaterEqual(n, least, (kind, size))
                self.assertLess(n, least + 4096, (kind, size))
                self.assertIn("%d bytes" % n, out)
        for bad, fragment in (("0", "no size"), ("12X", "no size"), ("M", "no size"), ("5G", "no size"),
                              ("99999999999999999999", "no size")):
            rc, _, err = run("sample", "-o", self.path("bad"), "--size", bad)
            self.assertEqual(rc, USAGE, bad)
            self.assertOneLineError(err, "--size", fragment)
        rc, _, err = run("sample", "-o", self.path("t"), "--kind", "tax3", "--size", "1M")
        self.assertEqual(rc, USAGE)
        self.assertOneLineError(err, "--records")
        rc, _, err = run("sample", "-o", self.path("both"), "--size", "1M", "--records", "5")
        self.assertEqual(rc, USAGE)
        self.assertFalse(os.path.exists(self.path("bad")) or os.path.exists(self.path("t")))

    # ---------------------------------------------------------- convert
    def test_convert_writes_the_formatted_file(self):
        src = self.path("x.37")
        shutil.copy(L2000, src)
        rc, out, err = run("convert", src)
        self.assertEqual(rc, OK, err)
        with open(src + "F", "rb") as f:
            data = f.read()
        self.assertEqual(data[:2], b"\xA6\x6A")
        self.assertEqual((len(data) - 52) % 26, 0)
        self.assertIn("->", out)
        self.assertEqual([n for n in os.listdir(self.tmp) if n.endswith("railfmt-tmp")], [])

    def test_convert_missing_source(self):
        dst = self.path("out.F")
        rc, _, err = run("convert", self.path("none.bin"), dst)
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "no such file")
        self.assertFalse(os.path.exists(dst))

    def test_convert_unrecognised_file_writes_nothing_and_keeps_an_old_destination(self):
        src, dst = self.path("junk.bin"), self.path("junk.F")
        with open(src, "wb") as f:
            f.write(b"\x12\x34" + bytes(100))
        rc, _, err = run("convert", src, dst)
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "junk.bin", "type 0")
        self.assertFalse(os.path.exists(dst))
        with open(dst, "wb") as f:
            f.write(b"keep me")
        rc, _, _ = run("convert", src, dst)
        self.assertEqual(rc, FAILED)
        with open(dst, "rb") as f:
            self.assertEqual(f.read(), b"keep me")
        self.assertEqual(sorted(os.listdir(self.tmp)), ["junk.F", "junk.bin"])

    def test_convert_into_a_missing_folder(self):
        rc, _, err = run("convert", L2000, self.path("no", "dir", "x.F"))
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "cannot be written", "no such folder")

    def test_plain_conversion(self):
        dst = self.path("plain.F")
        rc, _, err = run("convert", "--plain", L2000, dst)
        self.assertEqual(rc, OK, err)
        self.assertTrue(os.path.exists(dst))
        src = self.path("junk.bin")
        with open(src, "wb") as f:
            f.write(b"\x12\x34" + bytes(100))
        rc, _, err = run("convert", "--plain", src, self.path("junk.F"))
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "no single-file converter")
        self.assertFalse(os.path.exists(self.path("junk.F")))

    def test_ring_file_is_unrolled(self):
        src = self.path("ring.bin")
        data = bytearray(64) + bytes(range(100))
        data[0:2] = b"\xA0\xA1"
        data[8] = 30  # write position
        with open(src, "wb") as f:
            f.write(bytes(data))
        rc, out, err = run("convert", src)
        self.assertEqual(rc, OK, err)
        self.assertIn("unrolled", out)
        with open(src + "F", "rb") as f:
            self.assertEqual(f.read(), bytes(data[:64]) + bytes(range(30, 100)) + bytes(range(30)))
        rc, _, err = run("convert", "--plain", src, self.path("ring.plain"))
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "ring-buffer")

    def test_formatted_input_is_not_converted(self):
        src = self.converted()
        rc, _, err = run("convert", "--plain", src, self.path("again.F"))
        self.assertEqual(rc, OK)
        self.assertIn("not converted", err)
        self.assertFalse(os.path.exists(self.path("again.F")))

    def test_mask_leaves_records_out(self):
        full = self.converted("full.F")
        masked = self.path("masked.F")
        rc, _, err = run("convert", L2000, masked, "--mask", "8124, 0x8125")
        self.assertEqual(rc, OK, err)
        self.assertEqual(os.path.getsize(full) - os.path.getsize(masked), 2 * 26)
        rc, _, err = run("convert", L2000, masked, "--mask", "81G4")
        self.assertEqual(rc, TABLES_REJECTED)
        self.assertOneLineError(err, "--mask", "81G4")

    # ---------------------------------------------------------- tables
    def bad_tables(self, name, content):
        d = self.path("tables")
        shutil.copytree(TABLES, d)
        with open(os.path.join(d, name), "w", encoding="utf-8") as f:
            f.write(content)
        return d

    def test_tables_load(self):
        rc, _, err = run("convert", L2000, self.path("t.F"), "--tables", TABLES)
        self.assertEqual(rc, OK, err)

    def test_a_table_of_one_row_is_used(self):
        # the setters store nothing for a last index of 0: the tool hands a
        # one-row table over with a neutral second record
        d = self.path("one")
        os.makedirs(d)
        with open(os.path.join(d, "stations.csv"), "w", encoding="utf-8") as f:
            f.write("line,station,name\n3,4,驻马店\n")
        dst = self.path("one.F")
        rc, _, err = run("convert", L2000, dst, "--tables", d)
        self.assertEqual(rc, OK, err)
        rc, out, _ = run("dump", dst, "--format", "json")
        texts = {r["code"]: r["text"] for r in json.loads(out)["records"] if r["text"]}
        self.assertEqual(texts["8106"], "驻马店")

    def test_csv_quoting_bom_crlf_and_column_order(self):
        d = self.path("q")
        os.makedirs(d)
        with open(os.path.join(d, "stations.csv"), "wb") as f:
            f.write("\ufeffname,station,line\r\n\"驻马,\"\"店\"\"\",4,3\r\n  \r\n# comment\r\n\"x\",9,9\r\n".encode("utf-8"))
        dst = self.path("q.F")
        rc, _, err = run("convert", L2000, dst, "--tables", d)
        self.assertEqual(rc, OK, err)
        rc, out, _ = run("dump", dst, "--format", "json")
        texts = {r["code"]: r["text"] for r in json.loads(out)["records"] if r["text"]}
        self.assertEqual(texts["8106"], '驻马,"店"')

    def test_table_errors_name_file_and_line(self):
        cases = [
            ("stations.csv", "line,station,name\n1,1,北京西\n1,x2,涿州\n", "stations.csv:3", "station", "x2"),
            ("drivers.csv", "number,name\n\n# a comment\n7,甲,extra\n", "drivers.csv:4", "expected 2 fields"),
            ("drivers.csv", "number,nmae\n1,甲\n", "drivers.csv:1", "unknown column 'nmae'"),
            ("loco_types.csv", "code\n106\n", "loco_types.csv:1", "missing column 'name'"),
            ("restrictions.csv",
             "line,direction,start_pos,end_pos,start_date,start_time,end_date,end_time,speed,kind\n"
             "1,0,100,200,0101,25:00,0131,10:00,45,9\n", "restrictions.csv:2", "start_time"),
            ("positions.csv", "key,text\n1,\"unterminated\n", "positions.csv:2", "unterminated"),
            ("depots.csv", "type_code,loco_number,depot\n106,203,0B01\n", "depots.csv:2", "12 hexadecimal"),
            ("stations.csv", "line,station,name\n70000,1,x\n", "stations.csv:2", "out of range"),
        ]
        for name, content, *fragments in cases:
            d = self.bad_tables(name, content)
            dst = self.path("t.F")
            rc, _, err = run("convert", L2000, dst, "--tables", d)
            self.assertEqual(rc, TABLES_REJECTED, (name, err))
            self.assertOneLineError(err, *fragments)
            self.assertFalse(os.path.exists(dst))
            shutil.rmtree(d)

    def test_table_text_without_gbk_form(self):
        d = self.bad_tables("positions.csv", "key,text\n1,🚂\n")
        rc, _, err = run("convert", L2000, self.path("t.F"), "--tables", d)
        self.assertEqual(rc, TABLES_REJECTED)
        self.assertOneLineError(err, "positions.csv:2", "GBK")

    def test_table_folder_errors(self):
        rc, _, err = run("convert", L2000, self.path("t.F"), "--tables", self.path("nope"))
        self.assertEqual(rc, TABLES_REJECTED)
        self.assertOneLineError(err, "no such folder")
        os.makedirs(self.path("empty"))
        rc, _, err = run("convert", L2000, self.path("t.F"), "--tables", self.path("empty"))
        self.assertEqual(rc, TABLES_REJECTED)
        self.assertOneLineError(err, "none of the table files")

    # ---------------------------------------------------------- dump
    def test_dump_json_is_valid(self):
        src = self.converted()
        rc, out, err = run("dump", src, "--format", "json")
        self.assertEqual(rc, OK, err)
        doc = json.loads(out)
        self.assertEqual(doc["header"]["Magic"], "A66A")
        self.assertEqual(len(doc["records"]), (os.path.getsize(src) - 52) // 26)
        first = doc["records"][0]
        self.assertEqual(list(first)[:3], ["index", "code", "time"])
        for name in ("Val5", "Val8", "Val10", "Val12", "Val13", "Val14", "Val15", "Val16", "Val17",
                     "Val19", "Val21", "Val23", "mask", "present", "text"):
            self.assertIn(name, first)
        self.assertEqual(doc["trailing_bytes"], 0)
        rc, out, _ = run("dump", src, "--format", "json", "--raw")
        self.assertEqual(len(json.loads(out)["records"][0]["raw"].split()), 26)

    def test_dump_csv_shape(self):
        src = self.converted()
        rc, out, _ = run("dump", src, "--format", "csv")
        self.assertEqual(rc, OK)
        raw = subprocess.run([TOOL, "dump", src, "--format", "csv"], capture_output=True).stdout
        self.assertTrue(raw.startswith(b"\xEF\xBB\xBF"))  # UTF-8 with BOM by default
        self.assertIn(b"\r\n", raw)
        rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline="")))
        self.assertEqual(rows[0][:4], ["index", "code", "time", "Val5"])
        self.assertEqual(rows[0][-3:], ["mask", "present", "text"])
        self.assertEqual(len(rows) - 1, (os.path.getsize(src) - 52) // 26)
        self.assertTrue(all(len(r) == len(rows[0]) for r in rows))
        raw = subprocess.run([TOOL, "dump", src, "--format", "csv", "--encoding", "utf-8", "--sep", ";"],
                             capture_output=True).stdout
        self.assertFalse(raw.startswith(b"\xEF\xBB\xBF"))
        self.assertTrue(raw.startswith(b"index;code;time;Val5"))
        raw = subprocess.run([TOOL, "dump", src, "--format", "csv", "--sep", "tab", "--raw"],
                             capture_output=True).stdout
        self.assertTrue(raw.decode("utf-8-sig").splitlines()[0].endswith("\ttext\traw"))

    def test_dump_texts_are_converted_from_gbk(self):
        rec = record(0x20, 0xF0)
        rec[2:12] = "北京西".encode("gbk").ljust(10)
        src = self.path("t.F")
        formatted_file(src, [rec])
        rc, out, _ = run("dump", src, "--format", "csv", "--encoding", "utf-8")
        self.assertIn("北京西", out)
        raw = subprocess.run([TOOL, "dump", src, "--format", "csv", "--encoding", "gbk"],
                             capture_output=True).stdout
        self.assertIn("北京西".encode("gbk"), raw)
        rc, out, _ = run("dump", src)
        self.assertIn('"北京西"', out)

    def test_dump_errors(self):
        rc, _, err = run("dump", L2000)
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "not a formatted file")
        rc, _, err = run("dump", self.path("missing.F"))
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "no such file")
        src = self.converted()
        rc, _, err = run("dump", src, "--format", "json", "--encoding", "gbk")
        self.assertEqual(rc, USAGE)
        self.assertOneLineError(err, "JSON")
        rc, _, err = run("dump", src, "--sep", "ab")
        self.assertEqual(rc, USAGE)

    # ---------------------------------------------------------- plot
    def test_plot_writes_an_svg_chart(self):
        src = self.path("p.F")
        recs = [record(0x8B, 0x01, (8, k // 6, k % 6 * 10), 0x0301, Val19=k * 3, Val21=80) for k in range(30)]
        recs.insert(3, record(0x81, 0x24, (9, 9, 9), 0))  # no time bit: not plotted
        recs.insert(0, record(0xB0, 0xF0, (0, 1, 1), 0x0101))  # start-up record: not plotted
        formatted_file(src, recs)
        svg = self.path("run.svg")
        rc, out, err = run("plot", src, "--fields", "Val19,Val21", "-o", svg)
        self.assertEqual(rc, OK, err)
        self.assertIn("30 points", out)
        root = ET.parse(svg).getroot()
        ns = "{http://www.w3.org/2000/svg}"
        self.assertEqual(len(root.findall(".//%spolyline" % ns)), 2)
        texts = [t.text for t in root.iter(ns + "text")]
        self.assertIn("Val19", texts)
        self.assertIn("Val21", texts)
        self.assertIn("08:00", texts)  # a tick on the time axis

    def test_plot_errors(self):
        src = self.path("p.F")
        formatted_file(src, [record(0x81, 0x24)])
        rc, _, err = run("plot", src, "-o", self.path("x.svg"))
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "no timed records")
        self.assertFalse(os.path.exists(self.path("x.svg")))
        rc, _, err = run("plot", src, "--fields", "Val19,Speed", "-o", self.path("x.svg"))
        self.assertEqual(rc, USAGE)
        self.assertOneLineError(err, "Speed")

    # ---------------------------------------------------------- batch
    def batch_input(self):
        d = self.path("in")
        os.makedirs(os.path.join(d, "sub"))
        shutil.copy(L2000, os.path.join(d, "a_bad.bin"))
        shutil.copy(L2000, os.path.join(d, "b.bin"))
        shutil.copy(os.path.join(EXAMPLES, "lkj93_sample.bin"), os.path.join(d, "sub", "c.bin"))
        with open(os.path.join(d, "sub", "readme.txt"), "w") as f:
            f.write("not a recorder file\n")
        out = self.path("out")
        os.makedirs(os.path.join(out, "a_bad.binF", "blocker"))  # the output name is taken by a folder
        return d, out

    def test_batch_goes_on_after_a_bad_file(self):
        for jobs in ("1", "2"):
            d, out = self.batch_input()
            rc, stdout, err = run("batch", d, "--out", out, "--jobs", jobs)
            self.assertEqual(rc, FAILED, err)
            self.assertIn("converted 2, skipped 1, failed 1 (4 files)", stdout)
            self.assertIn("a_bad.bin", err)
            self.assertNotIn("\r", err)  # no progress bar without a terminal
            self.assertTrue(os.path.isfile(os.path.join(out, "b.binF")))
            self.assertTrue(os.path.isfile(os.path.join(out, "sub", "c.binF")))
            self.assertFalse(os.path.exists(os.path.join(out, "sub", "readme.txtF")))
            shutil.rmtree(d)
            shutil.rmtree(out)

    def test_batch_success_and_quiet(self):
        d, out = self.batch_input()
        shutil.rmtree(os.path.join(out, "a_bad.binF"))
        rc, stdout, err = run("batch", d, L2000, "--out", out, "-q")
        self.assertEqual(rc, OK, err)
        self.assertEqual(err, "")
        self.assertIn("converted 4, skipped 1, failed 0 (5 files)", stdout)
        rc, stdout, err = run("batch", self.path("nothing-here"), "--out", out)
        self.assertEqual(rc, FAILED)
        self.assertIn("no such file or folder", err)

    def test_batch_jobs_report_every_file_and_agree(self):
        # Enough files that the workers' results travel in several blocks,
        # with failures among them; one and three workers write the same bytes.
        d = self.path("many")
        for i in range(400):
            sub = os.path.join(d, "d%d" % (i // 50))
            os.makedirs(sub, exist_ok=True)
            if i % 97 == 5:
                with open(os.path.join(sub, "f%03d" % i), "wb") as f:
                    f.write(b"\x00" * 10)
            else:
                shutil.copy(L2000 if i % 2 else os.path.join(EXAMPLES, "lkj93_sample.bin"),
                            os.path.join(sub, "f%03d" % i))
        outs = {}
        for jobs in ("1", "3"):
            out = self.path("out" + jobs)
            rc, stdout, err = run("batch", d, "--out", out, "--jobs", jobs, "-q")
            self.assertEqual(rc, OK, err)
            self.assertIn("converted 395, skipped 5, failed 0 (400 files)", stdout)
            outs[jobs] = {}
            for root, _, files in os.walk(out):
                for name in files:
                    with open(os.path.join(root, name), "rb") as f:
                        outs[jobs][os.path.relpath(os.path.join(root, name), out)] = f.read()
        self.assertEqual(len(outs["1"]), 395)
        self.assertEqual(outs["1"], outs["3"])

    def test_batch_output_inside_the_input_folder(self):
        d = self.path("in")
        os.makedirs(d)
        shutil.copy(L2000, os.path.join(d, "b.bin"))
        for _ in range(2):  # the second run does not take the first run's results as input
            rc, stdout, err = run("batch", d, "--out", os.path.join(d, "out"))
            self.assertEqual(rc, OK, err)
            self.assertIn("converted 1, skipped 0, failed 0 (1 files)", stdout)

    # ---------------------------------------------------------- process
    def test_process_dated_file(self):
        src, work, arch = self.path("dl"), self.path("work"), self.path("arch")
        os.makedirs(src)
        shutil.copy(L2000, os.path.join(src, "RUN1.37"))
        rc, out, err = run("process", "RUN1.37", "--from", src, "--work", work, "--archive", arch)
        self.assertEqual(rc, OK, err)
        self.assertIn("dated 7 March (0307)", out)
        self.assertTrue(os.path.isfile(os.path.join(work, "TEMP", "RUN1.37F")))
        self.assertTrue(os.path.isfile(os.path.join(arch, "L2000", "0307", "RUN1.37")))
        self.assertFalse(os.path.exists(os.path.join(src, "RUN1.37")))

    def test_process_undated_file(self):
        src, work, arch = self.path("dl"), self.path("work"), self.path("arch")
        os.makedirs(src)
        shutil.copy(L2000, os.path.join(src, "RUN1.D1"))
        rc, _, err = run("process", "RUN1.D1", "--from", src, "--work", work, "--archive", arch)
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "not dated", "nouse")
        self.assertTrue(os.path.isfile(os.path.join(arch, "nouse", "RUN1.D1")))
        rc, _, err = run("process", "missing.37", "--from", src, "--work", work, "--archive", arch)
        self.assertEqual(rc, FAILED)
        self.assertOneLineError(err, "no such file")


if __name__ == "__main__":
    unittest.main()

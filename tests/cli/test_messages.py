"""The tool's messages: every failure is one line naming the file and the
cause with the documented exit code, and leaves every file as it was; the
help of every command shows its defaults. One row per message."""

import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from scriptkit import (FAILED, OK, TABLES, TABLES_REJECTED, USAGE, L2000, ScratchTest, example,  # noqa: E402
                       record, run, tree, write_formatted)

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

"""The tool's error messages: each names the file and the cause in the user's
words, with the documented exit code, and a failing command leaves no file
behind. One row per message."""

import os
import shutil
import subprocess
import tempfile
import unittest

TOOL = os.environ.get("RAILFMT_CLI", "railfmt")
EXAMPLES = os.environ.get("RAILFMT_EXAMPLES",
                          os.path.join(os.path.dirname(__file__), "..", "..", "examples"))

OK, FAILED, USAGE, TABLES_REJECTED = 0, 1, 2, 3


def run(*args, cwd):
    p = subprocess.run([TOOL] + list(args), capture_output=True, cwd=cwd)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def listing(folder):
    out = set()
    for root, dirs, files in os.walk(folder):
        for n in dirs + files:
            out.add(os.path.relpath(os.path.join(root, n), folder))
    return out


class MessagesTest(unittest.TestCase):
    def setUp(self):
        # a folder like the tour's: a raw file, a formatted file, a folder
        self.tmp = tempfile.mkdtemp(prefix="railfmt-messages-")
        shutil.copy(os.path.join(EXAMPLES, "l2000_sample.bin"), os.path.join(self.tmp, "RUN1.37"))
        shutil.copy(os.path.join(EXAMPLES, "tax3_sample.bin"), os.path.join(self.tmp, "dump.T3"))
        os.makedirs(os.path.join(self.tmp, "folder"))
        rc, _, err = run("convert", "RUN1.37", "run.F", cwd=self.tmp)
        self.assertEqual(rc, OK, err)

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    # (arguments, exit code, words the one error line must hold)
    CASES = [
        # a folder where a file is wanted
        (["dump", "folder"], FAILED, ["folder: is a folder, not a file"]),
        (["plot", "folder", "-o", "x.svg"], FAILED, ["folder: is a folder, not a file"]),
        (["convert", "folder", "x.F"], FAILED, ["folder: is a folder, not a file"]),
        (["classify", "folder"], FAILED, ["folder: is a folder, not a file"]),
        (["convert", "RUN1.37", "folder"], FAILED, ["folder: is a folder", "name the file"]),
        # a missing file: the same words everywhere
        (["dump", "missing.F"], FAILED, ["missing.F: no such file"]),
        (["plot", "missing.F", "-o", "x.svg"], FAILED, ["missing.F: no such file"]),
        (["convert", "missing.bin"], FAILED, ["missing.bin: no such file"]),
        (["classify", "missing.bin"], FAILED, ["missing.bin: no such file"]),
        (["dump", "nodir/run.F"], FAILED, ["nodir/run.F: no such file", "no such folder nodir"]),
        # a missing folder where a file is written
        (["convert", "RUN1.37", "nodir/out.F"], FAILED, ["nodir/out.F: cannot be written", "no such folder nodir"]),
        (["plot", "run.F", "-o", "nodir/x.svg"], FAILED, ["nodir/x.svg: cannot be written", "no such folder nodir"]),
        (["sample", "-o", "nodir/s.bin"], FAILED, ["nodir/s.bin: cannot be written", "no such folder nodir"]),
        (["convert", "RUN1.37", "RUN1.37/out.F"], FAILED, ["cannot be written", "RUN1.37 is a file, not a folder"]),
        # not a formatted file: a raw file is to be converted first
        (["dump", "RUN1.37"], FAILED, ["RUN1.37: not a formatted file", "raw L2000 file",
                                       "convert it first with railfmt convert RUN1.37"]),
        (["plot", "RUN1.37", "-o", "x.svg"], FAILED, ["not a formatted file", "convert it first"]),
        (["dump", "dump.T3"], FAILED, ["dump.T3: not a formatted file but a TAX3 dump", "railfmt convert dump.T3"]),
        # the folder workflow and the batch name what is missing
        (["process", "RUN1.37", "--from", "dl", "--work", "w", "--archive", "a"], FAILED,
         ["dl: no such folder", "--from"]),
        (["process", "RUN1.38", "--from", "folder", "--work", "w", "--archive", "a"], FAILED,
         ["RUN1.38: no such file"]),
        (["process", "dl/RUN1.37", "--from", "dl", "--work", "w", "--archive", "a"], USAGE,
         ["dl/RUN1.37: give the file name alone", "--from"]),
        (["batch", "downloads", "--out", "formatted"], FAILED, ["downloads: no such file or folder"]),
        (["batch", "RUN1.37", "--out", "run.F"], FAILED, ["run.F: is a file, not a folder", "--out"]),
        (["convert", "RUN1.37", "--tables", "run.F"], TABLES_REJECTED, ["run.F: is a file, not a folder", "--tables"]),
        (["convert", "RUN1.37", "--tables", "tables"], TABLES_REJECTED, ["tables: no such folder"]),
        # the command line
        (["frobnicate"], USAGE, ["unknown command 'frobnicate'", "convert", "railfmt --help"]),
        (["frobnicate", "--help"], USAGE, ["unknown command 'frobnicate'"]),
        ([], USAGE, ["name a command", "classify", "railfmt --help"]),
    ]

    def test_each_error_names_the_file_and_the_cause(self):
        for args, code, words in self.CASES:
            with self.subTest(args=" ".join(args)):
                before = listing(self.tmp)
                rc, out, err = run(*args, cwd=self.tmp)
                self.assertEqual(rc, code, err)
                lines = [l for l in err.splitlines() if l.strip()]
                self.assertEqual(len(lines), 1, err)
                self.assertTrue(lines[0].startswith("railfmt: "), err)
                for w in words:
                    self.assertIn(w, lines[0])
                self.assertEqual(out, "")
                self.assertEqual(listing(self.tmp), before, "a failed command changed the folder")

    def test_help_shows_the_defaults(self):
        for cmd, shown in (("batch", ["--jobs", "=1"]), ("sample", ["=l2000", "=1", "=200"]),
                           ("process", ["--option", "=0"]), ("dump", ["=table"]), ("plot", ["=Val19,Val21"])):
            with self.subTest(cmd=cmd):
                rc, out, _ = run(cmd, "--help", cwd=self.tmp)
                self.assertEqual(rc, OK)
                for s in shown:
                    self.assertIn(s, out)
                self.assertNotIn("=[]", out)

    def test_no_command_leaves_an_empty_file(self):
        # kinds that are not converted: nothing at the destination
        for src in ("dump.T3", "run.F"):
            with self.subTest(src=src):
                rc, _, err = run("convert", src, cwd=self.tmp)
                self.assertEqual(rc, OK, err)
                self.assertFalse(os.path.exists(os.path.join(self.tmp, src + "F")))
                self.assertIn("note:", err)
        recordings = [n for n in os.listdir(self.tmp) if n.startswith("TAX3-")]
        self.assertTrue(recordings)  # the TAX3 dump was cut into its recordings
        self.assertEqual([n for n in os.listdir(self.tmp) if n.endswith(".railfmt-tmp")], [])
        self.assertEqual([n for n in listing(self.tmp)
                          if os.path.isfile(os.path.join(self.tmp, n)) and os.path.getsize(os.path.join(self.tmp, n)) == 0],
                         [])

    def test_a_failed_batch_creates_no_output_folder(self):
        rc, _, err = run("batch", "RUN1.37", "missing", "--out", "formatted", cwd=self.tmp)
        self.assertEqual(rc, FAILED)
        self.assertIn("missing: no such file or folder", err)
        self.assertFalse(os.path.exists(os.path.join(self.tmp, "formatted")))
        os.makedirs(os.path.join(self.tmp, "in"))
        with open(os.path.join(self.tmp, "in", "junk.bin"), "wb") as f:
            f.write(b"\x00" * 10)
        rc, out, _ = run("batch", "in", "--out", "formatted", cwd=self.tmp)  # nothing converted
        self.assertEqual(rc, OK)
        self.assertIn("converted 0, skipped 1", out)


if __name__ == "__main__":
    unittest.main()

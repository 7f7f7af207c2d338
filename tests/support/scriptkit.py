"""What the script tests share: the tool and the examples, a scratch folder
per test, a run of the tool, and a formatted-file builder (52-byte header,
26-byte records)."""

import functools
import os
import shutil
import subprocess
import tempfile
import unittest

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.environ.get("RAILFMT_CLI", "railfmt")
EXAMPLES = os.environ.get("RAILFMT_EXAMPLES", os.path.join(SOURCE, "examples"))
TABLES = os.path.join(EXAMPLES, "tables")
OK, FAILED, USAGE, TABLES_REJECTED = 0, 1, 2, 3

# record bytes of the running-state values (offset, width), little-endian
FIELDS = {"Val5": (5, 3), "Val8": (8, 2), "Val10": (10, 2), "Val12": (12, 1), "Val13": (13, 1),
          "Val14": (14, 1), "Val15": (15, 1), "Val16": (16, 1), "Val17": (17, 2), "Val19": (19, 2),
          "Val21": (21, 2), "Val23": (23, 1)}


example = functools.partial(os.path.join, EXAMPLES)
L2000 = example("l2000_sample.bin")


def run(*args, cwd=None):
    """(exit code, stdout, stderr) of one run of the tool."""
    p = subprocess.run([TOOL, *map(str, args)], capture_output=True, cwd=cwd)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def output(*args):
    """stdout bytes of a run of the tool that must succeed."""
    return subprocess.run([TOOL, *map(str, args)], check=True, capture_output=True).stdout


def place(data, at):
    """data with the bytes of `at` ({offset: bytes}) placed."""
    for off, b in at.items():
        data[off:off + len(b)] = b
    return data


def record(code, sub, time=(0, 0, 0), mask=0, at=None, **vals):
    """One 26-byte record: code, sub-code, time, values by name, mask, raw bytes `at` (texts)."""
    r = place(bytearray(26), {0: bytes([code, sub, *time]), 24: mask.to_bytes(2, "little")})
    return place(r, {FIELDS[k][0]: v.to_bytes(FIELDS[k][1], "little") for k, v in vals.items()} | (at or {}))


def header(at=None):
    """A 52-byte header: magic A6 6A, short text "2K", `at` as in record()."""
    return place(bytearray(52), {0: b"\xA6\x6A", 22: b"2K"} | (at or {}))


def write_formatted(path, records, head=None):
    with open(path, "wb") as f:
        f.write(bytes(head or header()) + b"".join(bytes(r) for r in records))
    return path


def read(path):
    with open(path, "rb") as f:
        return f.read()


def tree(folder):
    """Every path under folder with its bytes (None for a folder)."""
    return {os.path.relpath(os.path.join(r, n), folder): None if n in dirs else read(os.path.join(r, n))
            for r, dirs, files in os.walk(folder) for n in dirs + files}


class ScratchTest(unittest.TestCase):
    def setUp(self):  # a scratch folder of its own
        self.tmp = tempfile.mkdtemp(prefix="railfmt-test-")
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def path(self, *parts):
        return os.path.join(self.tmp, *parts)

    def write(self, name, data):
        os.makedirs(os.path.dirname(self.path(name)), exist_ok=True)
        with open(self.path(name), "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode("utf-8"))
        return self.path(name)

    def assertOneLineError(self, err, *words):
        lines = [ln for ln in err.splitlines() if ln.strip()]
        self.assertEqual(len(lines), 1, err)
        self.assertTrue(lines[0].startswith("railfmt: "), err)
        for w in words:
            self.assertIn(w, lines[0])

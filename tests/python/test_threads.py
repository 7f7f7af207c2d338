"""The library called from a thread pool, as a Python host with worker
threads calls it (ctypes releases the interpreter lock during each call, so
the calls really run at once): every output is byte for byte the output of
the same call made alone."""

import concurrent.futures
import os
import shutil
import tempfile
import unittest

import railfmt

EXAMPLES = os.environ.get("RAILFMT_EXAMPLES",
                          os.path.join(os.path.dirname(__file__), "..", "..", "examples"))
SOURCES = ["l2000_sample.bin", "l2000_old_sample.bin", "lkj93_sample.bin", "jk2h_sample.bin"]


class ThreadPoolTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.lib = railfmt.Library()

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="railfmt-threads-")
        self.lib.set_tables(railfmt.tables_from_csv(os.path.join(EXAMPLES, "tables")))
        self.lib.set_masked_codes([0x8124])
        # Eight files: each example twice, under names of their own.
        self.files = []
        for i in range(8):
            src = os.path.join(self.tmp, "in%d.bin" % i)
            shutil.copyfile(os.path.join(EXAMPLES, SOURCES[i % len(SOURCES)]), src)
            self.files.append(src)

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)
        self.lib.set_masked_codes([])

    def convert(self, job):
        """One conversion; answers its result and the bytes written."""
        src, plain, dst = job
        r = self.lib.trans_single_file(src, dst) if plain else self.lib.new_fmt_file(src, dst)
        with open(dst, "rb") as f:
            return r, f.read()

    def jobs(self, tag):
        return [(src, i % 2 == 0, os.path.join(self.tmp, "%s-%d.fmt" % (tag, i)))
                for i, src in enumerate(self.files)]

    def test_thread_pools_give_the_outputs_of_calls_made_alone(self):
        alone = [self.convert(job) for job in self.jobs("alone")]
        for r, data in alone:
            self.assertEqual(r, 0)
            self.assertGreater(len(data), 52)
        for workers in (1, 2, 4, 8):
            with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
                got = list(pool.map(self.convert, self.jobs("w%d" % workers) * 3))
            self.assertEqual(len(got), 3 * len(alone))
            for i, out in enumerate(got):
                self.assertEqual(out, alone[i % len(alone)], "workers %d, call %d" % (workers, i))

    def test_tables_handed_over_while_the_pool_converts(self):
        alone = [self.convert(job) for job in self.jobs("alone")]
        tables = railfmt.tables_from_csv(os.path.join(EXAMPLES, "tables"))
        with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
            futures = [pool.submit(self.convert, job) for job in self.jobs("busy") * 2]
            # the same tables again and again: no output may change
            while not all(f.done() for f in futures):
                self.lib.set_tables(tables)
                self.lib.set_masked_codes([0x8124])
                self.lib.file_type(self.files[0])
            for i, f in enumerate(futures):
                self.assertEqual(f.result(), alone[i % len(alone)], "call %d" % i)


if __name__ == "__main__":
    unittest.main()

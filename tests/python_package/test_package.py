"""The installed railfmt package: bundled library, conversion without NumPy,
the NumPy reader and the DataFrame against `railfmt dump --format json`, the
CSV round trip, masks, the folder workflow and the reader's errors."""

import io
import json
import os
import subprocess
import sys

import numpy as np
import pandas as pd
import pytest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from scriptkit import L2000, TABLES, output, read, record, write_formatted  # noqa: E402

import railfmt  # noqa: E402


@pytest.fixture(scope="module")
def run(tmp_path_factory):
    d = tmp_path_factory.mktemp("run")
    output("sample", "-o", d / "run.bin", "--records", "3000", "--seed", "7")
    return railfmt.convert(d / "run.bin", d / "run.binF", tables=TABLES)


def test_installed_with_its_own_library_and_no_numpy_needed(tmp_path):
    pkg = os.path.dirname(railfmt.__file__)
    assert "site-packages" in pkg
    assert railfmt.library().path == os.path.join(pkg, "librailfmt.so")
    code = ("import sys; sys.modules['numpy'] = None; sys.modules['pandas'] = None\nimport railfmt\n"
            "print(railfmt.convert(sys.argv[1], sys.argv[2]), railfmt.header(sys.argv[2])['Magic'])")
    dst = str(tmp_path / "x.binF")
    out = subprocess.run([sys.executable, "-c", code, L2000, dst], check=True, capture_output=True, text=True)
    assert out.stdout.split() == [dst, "A66A"]


def test_records_and_dataframe_match_the_dump(run):
    recs, want = railfmt.records(run), json.loads(output("dump", "--format", "json", run))
    assert recs.dtype == railfmt.RECORD_DTYPE
    assert len(recs) == len(want["records"]) > 3000
    assert railfmt.header(run) == want["header"]
    for r, w in zip(recs, want["records"]):
        assert "%02X%02X" % (r["code"], r["sub"]) == w["code"]
        assert "%02d:%02d:%02d" % (r["hours"], r["minutes"], r["seconds"]) == w["time"]
        assert [int(r[name]) for name, _, _ in railfmt.STATE_FIELDS] == [w[n] for n, _, _ in railfmt.STATE_FIELDS]
        assert "%04X" % r["mask"] == w["mask"]
    raw = railfmt.raw_records(run)  # a read-only view of the file bytes
    assert (raw.dtype.itemsize, raw.flags.owndata, raw.flags.writeable) == (railfmt.RECORD_SIZE, False, False)
    assert np.array_equal(recs["Val19"], raw["Val19"])
    df = railfmt.dataframe(run)
    assert list(df.columns) == list(want["records"][0].keys())
    for col, f in (("code", None), ("text", None), ("present", " ".join)):
        assert list(df[col]) == [f(w[col]) if f else w[col] for w in want["records"]], col
    assert (df["text"] != "").any() and df.attrs["header"]["Magic"] == "A66A"
    t = df["time"][(recs["mask"] & 1) == 1]
    assert t.dtype.kind == "m" and t.notna().all() and t.is_monotonic_increasing
    back = pd.read_csv(io.StringIO(df.to_csv(index=False)), dtype={"code": str, "mask": str}, keep_default_na=False)
    back["time"] = pd.to_timedelta(back["time"].replace("", None))
    assert back["time"].equals(df["time"])
    for col in df.columns.drop("time"):
        assert list(back[col].astype(str)) == list(df[col].astype(str)), col


def test_time_keeps_increasing_across_midnight(tmp_path):
    times = [(23, 59, 50), (23, 59, 59), (0, 0, 5), (0, 1, 0)]
    p = write_formatted(tmp_path / "midnight.binF", [record(0x80, 0x01, t, 0x0001) for t in times])
    assert list(railfmt.dataframe(p)["time"].dt.total_seconds()) == [86390, 86399, 86405, 86460]


@pytest.mark.parametrize("data, words", [
    (read(L2000), "not a formatted file"), (b"\xA6\x6A", "shorter than the 52-byte header"),
    (b"\xA6\x6A" + bytes(50 + 26 + 21), "not a whole number of 26-byte records")])
def test_not_a_formatted_file(tmp_path, data, words):
    (tmp_path / "f.binF").write_bytes(data)
    with pytest.raises(railfmt.FormatError, match=words):
        railfmt.dataframe(tmp_path / "f.binF")


def test_masked_codes_are_left_out(tmp_path):
    full = railfmt.records(railfmt.convert(L2000, tmp_path / "a.binF", mask=[]))
    part = railfmt.records(railfmt.convert(L2000, tmp_path / "b.binF", mask=["8B01", 0x8B02]))
    railfmt.set_masked_codes([])
    codes = (full["code"].astype(int) << 8) | full["sub"]
    assert np.array_equal(part, full[(codes != 0x8B01) & (codes != 0x8B02)])
    assert len(part) < len(full)


def test_folder_workflow(tmp_path):
    dl, work, archive = tmp_path / "dl", tmp_path / "work", tmp_path / "archive"
    dl.mkdir()
    (dl / "RUN1.37").write_bytes(read(L2000))
    (dl / "RUN2.XY").write_bytes(b"not dated")
    assert railfmt.process("RUN1.37", dl, work, archive) == 3070
    assert railfmt.header(work / "TEMP" / "RUN1.37F")["Magic"] == "A66A"
    with pytest.raises(railfmt.RailfmtError) as e:
        railfmt.process("RUN2.XY", dl, work, archive)
    assert e.value.code == 1

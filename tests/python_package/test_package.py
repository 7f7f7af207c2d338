"""The installed railfmt package: bundled library, conversion, the NumPy
reader against `railfmt dump --format json`, the DataFrame and its CSV
round trip, and the errors on files that are not formatted files."""
import json
import os
import subprocess
import sys

import numpy as np
import pandas as pd
import pytest

import railfmt

CLI = os.environ["RAILFMT_CLI"]
EXAMPLES = os.environ["RAILFMT_EXAMPLES"]


@pytest.fixture(scope="module")
def run(tmp_path_factory):
    d = tmp_path_factory.mktemp("run")
    raw = d / "run.bin"
    subprocess.check_call([CLI, "sample", "-o", str(raw), "--records", "3000", "--seed", "7"])
    return railfmt.convert(raw, d / "run.binF", tables=os.path.join(EXAMPLES, "tables"))


def dump(path):
    out = subprocess.run([CLI, "dump", "--format", "json", path], check=True, capture_output=True).stdout
    return json.loads(out)


def test_installed_with_its_own_library():
    pkg = os.path.dirname(railfmt.__file__)
    assert "site-packages" in pkg
    assert railfmt.library().path == os.path.join(pkg, "librailfmt.so")


def test_core_needs_no_numpy(tmp_path):
    code = ("import sys; sys.modules['numpy'] = None; sys.modules['pandas'] = None\n"
            "import railfmt\n"
            "print(railfmt.convert(sys.argv[1], sys.argv[2]))\n"
            "print(railfmt.header(sys.argv[2])['Magic'])")
    dst = str(tmp_path / "x.binF")
    out = subprocess.run([sys.executable, "-c", code, os.path.join(EXAMPLES, "l2000_sample.bin"), dst],
                         check=True, capture_output=True, text=True).stdout.split()
    assert out == [dst, "A66A"]


def test_records_match_dump_field_by_field(run):
    recs = railfmt.records(run)
    want = dump(run)
    assert recs.dtype == railfmt.RECORD_DTYPE
    assert len(recs) == len(want["records"]) > 3000
    for r, w in zip(recs, want["records"]):
        assert "%02X%02X" % (r["code"], r["sub"]) == w["code"]
        assert "%02d:%02d:%02d" % (r["hours"], r["minutes"], r["seconds"]) == w["time"]
        for name, _, _ in railfmt.STATE_FIELDS:
            assert int(r[name]) == w[name], (w["index"], name)
        assert "%04X" % r["mask"] == w["mask"]
    assert railfmt.header(run) == {k: v for k, v in want["header"].items()}


def test_raw_records_are_a_view_of_the_file_bytes(run):
    raw = railfmt.raw_records(run)
    assert raw.dtype.itemsize == railfmt.RECORD_SIZE
    assert not raw.flags.owndata and not raw.flags.writeable
    assert np.array_equal(railfmt.records(run)["Val19"], raw["Val19"])


def test_dataframe_columns_time_text_and_csv_round_trip(run, tmp_path):
    df = railfmt.dataframe(run)
    want = dump(run)["records"]
    assert list(df.columns) == list(want[0].keys())
    assert list(df["code"]) == [w["code"] for w in want]
    assert list(df["text"]) == [w["text"] for w in want]
    assert list(df["present"]) == [" ".join(w["present"]) for w in want]
    assert df.attrs["header"]["Magic"] == "A66A"
    t = df["time"][(railfmt.records(run)["mask"] & 1) == 1]
    assert t.dtype.kind == "m" and t.notna().all() and t.is_monotonic_increasing
    assert (df["text"] != "").any()
    csv = tmp_path / "run.csv"
    df.to_csv(csv, index=False)
    back = pd.read_csv(csv, dtype={"code": str, "mask": str}, keep_default_na=False)
    back["time"] = pd.to_timedelta(back["time"].replace("", None))
    for col in df.columns:
        if col == "time":
            assert back[col].equals(df[col]), col
        else:
            assert list(back[col].astype(str)) == list(df[col].astype(str)), col


def test_time_keeps_increasing_across_midnight(tmp_path):
    head = bytes.fromhex("A66A") + bytes(50)
    recs = b""
    for h, m, s in [(23, 59, 50), (23, 59, 59), (0, 0, 5), (0, 1, 0)]:
        r = bytearray(26)
        r[0], r[1], r[2], r[3], r[4], r[24] = 0x80, 0x01, h, m, s, 0x01
        recs += bytes(r)
    p = tmp_path / "midnight.binF"
    p.write_bytes(head + recs)
    t = railfmt.dataframe(p)["time"]
    assert list(t.dt.total_seconds()) == [86390, 86399, 86405, 86460]


def test_not_a_formatted_file(tmp_path):
    with pytest.raises(railfmt.FormatError, match="not a formatted file"):
        railfmt.records(os.path.join(EXAMPLES, "l2000_sample.bin"))
    short = tmp_path / "short.binF"
    short.write_bytes(b"\xA6\x6A")
    with pytest.raises(railfmt.FormatError, match="shorter than the 52-byte header"):
        railfmt.records(short)


def test_cut_records(run, tmp_path):
    cut = tmp_path / "cut.binF"
    cut.write_bytes(open(run, "rb").read()[:-5])
    with pytest.raises(railfmt.FormatError, match="not a whole number of 26-byte records"):
        railfmt.dataframe(cut)


def test_conversion_errors_carry_the_result_code(tmp_path):
    with pytest.raises(railfmt.RailfmtError) as e:
        railfmt.convert(tmp_path / "missing.bin", tmp_path / "missing.binF")
    assert e.value.code == -1
    assert not (tmp_path / "missing.binF").exists()


def test_masked_codes_are_left_out(tmp_path):
    src = os.path.join(EXAMPLES, "l2000_sample.bin")
    full = railfmt.records(railfmt.convert(src, tmp_path / "a.binF", mask=[]))
    assert (full["code"] == 0x8B).any()
    part = railfmt.dataframe(railfmt.convert(src, tmp_path / "b.binF", mask=["8B01", 0x8B02]))
    assert not part["code"].isin(["8B01", "8B02"]).any()
    railfmt.set_masked_codes([])


def test_folder_workflow(tmp_path):
    dl, work, archive = tmp_path / "dl", tmp_path / "work", tmp_path / "archive"
    dl.mkdir()
    with open(os.path.join(EXAMPLES, "l2000_sample.bin"), "rb") as f:
        (dl / "RUN1.37").write_bytes(f.read())
    assert railfmt.process("RUN1.37", dl, work, archive) == 3070
    assert railfmt.header(work / "TEMP" / "RUN1.37F")["Magic"] == "A66A"
    (dl / "RUN2.XY").write_bytes(b"not dated")
    with pytest.raises(railfmt.RailfmtError) as e:
        railfmt.process("RUN2.XY", dl, work, archive)
    assert e.value.code == 1

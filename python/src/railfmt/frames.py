"""NumPy and pandas readers of formatted record files (the ``pandas`` extra).

A formatted file is a 52-byte header followed by 26-byte records:

    byte  0      code          byte 1   sub-code
    bytes 2..4   hours, minutes, seconds
    bytes 5..23  the state fields Val5 (3 bytes) .. Val23, little-endian
    bytes 24..25 presence mask
"""

from __future__ import annotations

import os
from typing import Union

import numpy as np

from . import core, read_bytes

PathLike = Union[str, "os.PathLike[str]"]

_FORMATS = {1: "u1", 2: "<u2", 3: ("u1", (3,))}


def _raw_dtype() -> np.dtype:
    names = ["code", "sub", "hours", "minutes", "seconds"]
    formats: list = ["u1"] * 5
    offsets = [0, 1, 2, 3, 4]
    for name, off, width in core.STATE_FIELDS:
        names.append(name)
        formats.append(_FORMATS[width])
        offsets.append(off)
    names.append("mask")
    formats.append("<u2")
    offsets.append(24)
    return np.dtype({"names": names, "formats": formats, "offsets": offsets,
                     "itemsize": core.RECORD_SIZE})


#: The 26-byte record as it lies in the file (Val5 as its three bytes).
RAW_RECORD_DTYPE = _raw_dtype()

#: The record with Val5 widened to 32 bits (the dtype of records()).
RECORD_DTYPE = np.dtype([(n, "<u4" if n == "Val5" else RAW_RECORD_DTYPE.fields[n][0])
                         for n in RAW_RECORD_DTYPE.names])


def raw_records(path: PathLike) -> np.ndarray:
    """The records of a formatted file as a read-only structured array over
    the file's bytes after the header (numpy.frombuffer, no copy), with the
    dtype RAW_RECORD_DTYPE. Raises railfmt.FormatError for a file that is
    not a formatted file or whose records are cut."""
    data = read_bytes(path)
    return np.frombuffer(data, dtype=RAW_RECORD_DTYPE, offset=core.HEADER_SIZE)


def records(path: PathLike) -> np.ndarray:
    """The records of a formatted file as a structured array of
    RECORD_DTYPE: code, sub, hours, minutes, seconds, Val5 (24 bits widened
    to 32), Val8 .. Val23, mask. The file bytes are read through
    numpy.frombuffer without a copy; each field is then taken over once."""
    return _widen(raw_records(path))


def _widen(raw: np.ndarray) -> np.ndarray:
    out = np.empty(raw.shape, dtype=RECORD_DTYPE)
    for name in RECORD_DTYPE.names:
        if name == "Val5":
            b = raw["Val5"].astype("<u4")
            out["Val5"] = b[:, 0] | (b[:, 1] << 8) | (b[:, 2] << 16)
        else:
            out[name] = raw[name]
    return out


def _time_of_day(recs: np.ndarray):
    """Seconds since the first midnight of the run, or -1 where the time
    bytes are not a time of day. Midnights are counted on the records whose
    presence mask flags the time: a drop of more than twelve hours between
    two of them is a midnight passed; every record takes the count of the
    last such record before it. The start-up records before the first
    timed record have no time (-1)."""
    h = recs["hours"].astype(np.int64)
    m = recs["minutes"].astype(np.int64)
    s = recs["seconds"].astype(np.int64)
    secs = h * 3600 + m * 60 + s
    valid = (h < 24) & (m < 60) & (s < 60)
    timed = valid & ((recs["mask"] & 1) == 1)
    days = np.zeros(len(recs), dtype=np.int64)
    where = np.nonzero(timed)[0]
    if len(where):
        wraps = np.concatenate([[0], np.cumsum(np.diff(secs[where]) < -12 * 3600)])
        marks = np.zeros(len(recs), dtype=np.int64)
        marks[where] = wraps
        # carry each count forward to the records up to the next timed one
        last = np.maximum.accumulate(np.where(timed, np.arange(len(recs)), -1))
        days = np.where(last >= 0, marks[np.maximum(last, 0)], 0)
    out = secs + days * 86400
    out[~valid] = -1
    # the start-up records ahead of the first timed record carry header
    # values where other records have the time
    out[:where[0] if len(where) else len(recs)] = -1
    return out


def dataframe(path: PathLike):
    """A pandas DataFrame with one row per record and the columns of
    ``railfmt dump``: index, code (4 hexadecimal digits), time (a Timedelta
    since the run's first midnight that keeps increasing across midnight;
    NaT for the leading start-up records and where the time bytes are no
    time of day), Val5 .. Val23, mask
    (4 hexadecimal digits), present (the fields the mask flags, blank
    separated) and text (GBK texts decoded). The header is df.attrs["header"]."""
    import pandas as pd

    data = read_bytes(path)
    raw = np.frombuffer(data, dtype=RAW_RECORD_DTYPE, offset=core.HEADER_SIZE)
    recs = _widen(raw)
    n = len(recs)
    codes = (recs["code"].astype(np.uint32) << 8) | recs["sub"]
    hex4 = np.array(["%04X" % v for v in range(65536)], dtype=object)
    secs = _time_of_day(recs)
    td = secs.astype("timedelta64[s]")
    td[secs < 0] = np.timedelta64("NaT")
    time = pd.to_timedelta(td.astype("timedelta64[ns]"))

    cols = {"index": np.arange(n), "code": hex4[codes], "time": time}
    for name, _, _ in core.STATE_FIELDS:
        cols[name] = recs[name]
    masks = recs["mask"]
    cols["mask"] = hex4[masks]
    present = {int(m): " ".join(core._present(int(m))) for m in np.unique(masks)}
    cols["present"] = [present[int(m)] for m in masks] if n else []
    text = np.full(n, "", dtype=object)
    base = core.HEADER_SIZE
    for code, lo, hi, _ in core._TEXT_LAYOUTS:
        for k in np.nonzero((recs["code"] == code) & (recs["sub"] >= lo) & (recs["sub"] <= hi))[0]:
            p = base + int(k) * core.RECORD_SIZE
            text[k] = core._record_text(data[p:p + core.RECORD_SIZE])
    cols["text"] = text
    df = pd.DataFrame(cols)
    df.attrs["file"] = os.fspath(path)
    df.attrs["header"] = core._decode_header(data[:core.HEADER_SIZE])
    return df

"""railfmt: converts raw locomotive event-recorder downloads into formatted
record files (a 52-byte header and 26-byte records) and reads them.

The package carries its own shared library. Conversion, tables and the
folder workflow need the standard library only::

    import railfmt
    railfmt.convert("run.bin", "run.binF", tables="examples/tables")

With the ``pandas`` extra, formatted files are read into NumPy and pandas::

    recs = railfmt.records("run.binF")      # NumPy structured array
    df = railfmt.dataframe("run.binF")      # pandas DataFrame, header in df.attrs
"""

from __future__ import annotations

import os
import threading
from typing import Iterable, Mapping, Optional, Sequence, Union

from . import core
from .core import (  # noqa: F401  (re-exported)
    HEADER_SIZE, RECORD_SIZE, STATE_FIELDS, TYPE_NAMES, Library, RailfmtError,
    read_formatted, read_header, read_records, tables_from_csv,
)

PathLike = Union[str, "os.PathLike[str]"]

__version__ = "1.0.0"
__all__ = [
    "Library", "RailfmtError", "FormatError", "HEADER_SIZE", "RECORD_SIZE", "STATE_FIELDS",
    "TYPE_NAMES", "convert", "file_type", "process", "set_tables", "set_masked_codes",
    "library", "read_formatted", "read_header", "read_records", "tables_from_csv",
    "records", "raw_records", "header", "read_bytes", "dataframe", "RECORD_DTYPE", "RAW_RECORD_DTYPE",
]


class FormatError(RailfmtError, ValueError):
    """A file that is not a formatted record file, or whose records are cut."""


_lock = threading.Lock()
_library: Optional[Library] = None


def library() -> Library:
    """The shared library bundled with the package, loaded once."""
    global _library
    with _lock:
        if _library is None:
            here = os.path.dirname(os.path.abspath(__file__))
            bundled = os.path.join(here, "railfmt.dll" if os.name == "nt" else "librailfmt.so")
            _library = Library(bundled if os.path.exists(bundled) else None)
        return _library


def file_type(path: PathLike) -> int:
    """File-type code of a file (0 unknown or missing, 1 JK2H, 2 JK96,
    3 LKJ93, 4 ring buffer, 100 L2000, 102 formatted, 103 TAX3 dump)."""
    return library().file_type(path)


def set_tables(tables: Union[PathLike, Mapping[str, Sequence[Mapping[str, object]]]]) -> None:
    """Hands the reference tables over: a folder of CSV files
    (drivers.csv, stations.csv, ...) or a dict {name: rows}."""
    if isinstance(tables, (str, os.PathLike)):
        tables = tables_from_csv(os.fspath(tables))
    library().set_tables(dict(tables))


def set_masked_codes(codes: Iterable[Union[int, str]]) -> None:
    """Record codes to leave out when saving: ints (byte 0 * 256 + byte 1)
    or 4-hex-digit texts such as "8B06"."""
    values = [int(c, 16) if isinstance(c, str) else int(c) for c in codes]
    library().set_masked_codes(values)


def convert(src: PathLike, dst: Optional[PathLike] = None, *, plain: bool = False,
            tables: Union[None, PathLike, Mapping[str, Sequence[Mapping[str, object]]]] = None,
            mask: Optional[Iterable[Union[int, str]]] = None) -> str:
    """Converts one raw file into a formatted file (default destination:
    src with F appended) and answers the destination. Raises RailfmtError,
    whose .code is the library's result code, when the conversion fails."""
    if tables is not None:
        set_tables(tables)
    if mask is not None:
        set_masked_codes(mask)
    return library().convert(os.fspath(src), None if dst is None else os.fspath(dst), plain=plain)


def process(name: str, source_dir: PathLike, work_dir: PathLike, archive_dir: PathLike,
            option: int = 0) -> int:
    """The folder workflow for one downloaded file: converts it into
    work_dir/TEMP and archives the raw file. Answers month * 1000 + day * 10;
    raises RailfmtError (code 1) when the file is not dated or not handled."""
    r = library().trans_fmt_file(name, os.fspath(source_dir), os.fspath(work_dir),
                                 os.fspath(archive_dir), option)
    if r == 1:
        raise RailfmtError("%s: not dated or not handled by the folder workflow" % name, r)
    return r


def read_bytes(path: PathLike) -> bytes:
    """The bytes of a formatted file, checked: raises FormatError when the
    file is shorter than the header, does not start with a formatted file's
    magic, or its length after the header is not a multiple of 26."""
    with open(path, "rb") as f:
        data = f.read()
    name = os.fspath(path)
    if len(data) < HEADER_SIZE:
        raise FormatError("%s: %d bytes, shorter than the %d-byte header of a formatted file"
                          % (name, len(data), HEADER_SIZE))
    if data[:2] not in (b"\xA6\x6A", b"\xA5\x5A"):
        raise FormatError("%s: not a formatted file (it starts with %02X %02X, not A6 6A or A5 5A)"
                          % (name, data[0], data[1]))
    body = len(data) - HEADER_SIZE
    if body % RECORD_SIZE:
        raise FormatError("%s: %d bytes after the header are not a whole number of %d-byte records"
                          " (%d bytes left over)" % (name, body, RECORD_SIZE, body % RECORD_SIZE))
    return data


def header(path: PathLike) -> dict:
    """The 52-byte header of a formatted file as a dict (the names of
    ``railfmt dump``); the file is checked as read_bytes does."""
    return core._decode_header(read_bytes(path)[:HEADER_SIZE])


def __getattr__(name: str):
    # NumPy and pandas load only when their readers are used.
    if name in ("records", "raw_records", "dataframe", "RECORD_DTYPE", "RAW_RECORD_DTYPE"):
        from . import frames
        return getattr(frames, name)
    raise AttributeError("module 'railfmt' has no attribute %r" % name)

"""railfmt: Python access to the railfmt shared library.

Standard library only (ctypes). Loads librailfmt.so (railfmt.dll on Windows,
called with the stdcall convention), hands reference tables over as lists
of dicts, converts files, and reads formatted files into dicts with the same
field names as ``railfmt dump``.

    import railfmt
    lib = railfmt.Library()
    lib.set_tables(railfmt.tables_from_csv("examples/tables"))
    lib.convert("run.bin", "run.binF")
    header, records = railfmt.read_formatted("run.binF")

Texts handed to the library are encoded as GBK; texts read from formatted
files are decoded from GBK (undecodable bytes become \\xNN).
"""

import codecs
import csv
import ctypes
import ctypes.util
import os
import struct
import sys

__all__ = [
    "Library", "RailfmtError", "read_formatted", "read_header", "read_records",
    "tables_from_csv", "TYPE_NAMES", "STATE_FIELDS",
]

TYPE_NAMES = {
    0: "unknown", 1: "JK2H", 2: "JK96", 3: "LKJ93", 4: "ring-buffer download",
    100: "L2000", 102: "formatted", 103: "TAX3 dump",
}

# Types TransSingleFile has no converter for (unknown, ring-buffer download);
# for any other type its 1 means the destination was not written whole.
_NO_SINGLE_FILE_CONVERTER = (0, 4)

NEW_FMT_FILE_ERRORS = {
    -1: "no such file",
    -2: "not a recorder file that can be converted",
    -3: "the converter failed on this file",
    -4: "the formatted file could not be written",
    -5: "the ring-buffer download file could not be loaded",
}

# (name, offset, width) of the state fields of a 26-byte record
STATE_FIELDS = [
    ("Val5", 5, 3), ("Val8", 8, 2), ("Val10", 10, 2), ("Val12", 12, 1),
    ("Val13", 13, 1), ("Val14", 14, 1), ("Val15", 15, 1), ("Val16", 16, 1),
    ("Val17", 17, 2), ("Val19", 19, 2), ("Val21", 21, 2), ("Val23", 23, 1),
]

_MASK_BITS = [
    (0x0001, ["Time"]), (0x0002, ["Val5"]), (0x0004, ["Val8"]),
    (0x0008, ["Val10", "Val12"]), (0x0010, ["Val15"]), (0x0020, ["Val16"]),
    (0x0040, ["Val13", "Val14"]), (0x0080, ["Val17"]), (0x0100, ["Val19"]),
    (0x0200, ["Val21"]), (0x1000, ["Val13", "Val14"]),
]

# records that carry text: (code, first sub-code, last sub-code, spans);
# a span is ("fixed", first, last) or ("counted", length byte)
_TEXT_LAYOUTS = [
    (0x81, 0x04, 0x04, [("fixed", 7, 18)]),
    (0x81, 0x06, 0x06, [("fixed", 7, 18)]),
    (0x81, 0x11, 0x11, [("fixed", 7, 18)]),
    (0x81, 0x57, 0x59, [("fixed", 7, 18)]),
    (0x20, 0xF0, 0xF0, [("fixed", 2, 11), ("fixed", 13, 22)]),
    (0xF0, 0x1E, 0x2B, [("counted", 11)]),
    (0xF0, 0x30, 0x33, [("counted", 11)]),
    (0xF0, 0x3E, 0x4B, [("counted", 11)]),
    (0x80, 0x60, 0x60, [("counted", 11)]),
    (0xF0, 0x2E, 0x2F, [("counted", 2), ("counted", 11)]),
    (0xF0, 0x4E, 0x4F, [("counted", 2), ("counted", 11)]),
]

HEADER_SIZE = 52
RECORD_SIZE = 26


def _hex_escape(err):
    return ("\\x%02X" % err.object[err.start], err.start + 1)


codecs.register_error("railfmt-hex", _hex_escape)


def _gbk_text(raw):
    return raw.strip(b" \x00").decode("gbk", errors="railfmt-hex")


class RailfmtError(Exception):
    """A conversion the library reported as failed; .code is its result."""

    def __init__(self, message, code=None):
        super().__init__(message)
        self.code = code


# ----------------------------------------------------------------- records
class DriverRecord(ctypes.Structure):
    _fields_ = [("number", ctypes.c_int32), ("text1", ctypes.c_char_p),
                ("name", ctypes.c_char_p), ("value12", ctypes.c_int32),
                ("flag16", ctypes.c_int16), ("value20", ctypes.c_int32),
                ("text3", ctypes.c_char_p), ("value28", ctypes.c_int32)]


class StationRecord(ctypes.Structure):
    _fields_ = [("line", ctypes.c_uint16), ("station", ctypes.c_uint16),
                ("name", ctypes.c_char_p), ("czbm04", ctypes.c_int32),
                ("czbm05", ctypes.c_int32), ("czbm06", ctypes.c_int32),
                ("czbm07", ctypes.c_int32)]


class JcTypeRecord(ctypes.Structure):
    _fields_ = [("code", ctypes.c_uint16), ("text1", ctypes.c_char_p),
                ("name", ctypes.c_char_p)]


class JwdRecord(ctypes.Structure):
    _fields_ = [("key", ctypes.c_uint16), ("text", ctypes.c_char_p)]


class LinshiRecord(ctypes.Structure):
    _fields_ = [("line", ctypes.c_uint16), ("direction", ctypes.c_uint16),
                ("value4", ctypes.c_uint16), ("level", ctypes.c_int16),
                ("start_pos", ctypes.c_int32), ("end_pos", ctypes.c_int32),
                ("start_date", ctypes.c_int32), ("start_time", ctypes.c_int32),
                ("end_date", ctypes.c_int32), ("end_time", ctypes.c_int32),
                ("speed", ctypes.c_int16), ("kind", ctypes.c_uint16),
                ("reserved36", ctypes.c_int32)]


class ZhuDuanRecord(ctypes.Structure):
    _fields_ = [("type_code", ctypes.c_int16), ("loco_number", ctypes.c_int16),
                ("depot", ctypes.c_uint8 * 6)]


# table name -> (record type, setter, required keys, text keys, neutral record)
_TABLES = {
    "drivers": (DriverRecord, "getDriverInfo", ("number", "name"),
                ("name", "text1", "text3"), {"number": -1}),
    "stations": (StationRecord, "getStationInfo", ("line", "station", "name"),
                 ("name",), {}),
    "loco_types": (JcTypeRecord, "getJcTypeInfo", ("code", "name"),
                   ("name", "text1"), {}),
    "positions": (JwdRecord, "getJwdInfo", ("key", "text"), ("text",), {}),
    "restrictions": (LinshiRecord, "getLinshiInfo",
                     ("line", "direction", "start_pos", "end_pos", "start_date",
                      "start_time", "end_date", "end_time", "speed", "kind"), (), {}),
}


def _encode_path(path):
    if sys.platform == "win32":
        return os.fspath(path).encode("mbcs")
    return os.fsencode(path)


def _time_of_day(value):
    if isinstance(value, str) and ":" in value:
        parts = [int(p) for p in value.split(":")]
        while len(parts) < 3:
            parts.append(0)
        return parts[0] * 3600 + parts[1] * 60 + parts[2]
    return int(value)


def _candidates():
    env = os.environ.get("RAILFMT_LIBRARY")
    if env:
        yield env
    here = os.path.dirname(os.path.abspath(__file__))
    name = "railfmt.dll" if sys.platform == "win32" else "librailfmt.so"
    for rel in (".", "..", "../lib", "../..", "../../lib", "../../..", "../build"):
        yield os.path.normpath(os.path.join(here, rel, name))
    found = ctypes.util.find_library("railfmt")
    if found:
        yield found
    yield name


class Library:
    """The loaded shared library. Any number of threads may call it at once:
    the library runs the calls one at a time (one Library per process)."""

    def __init__(self, path=None):
        loader = ctypes.WinDLL if sys.platform == "win32" else ctypes.CDLL
        errors = []
        self._dll = None
        for cand in ([path] if path else _candidates()):
            if path is None and os.sep in cand and not os.path.exists(cand):
                continue
            try:
                self._dll = loader(cand)
                self.path = cand
                break
            except OSError as e:
                errors.append("%s: %s" % (cand, e))
        if self._dll is None:
            raise OSError("railfmt library not found (set RAILFMT_LIBRARY): " + "; ".join(errors))
        d = self._dll
        d.lJkFileType.argtypes = [ctypes.c_char_p]
        d.lJkFileType.restype = ctypes.c_int32
        d.TransSingleFile.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        d.TransSingleFile.restype = ctypes.c_int32
        d.NewFmtFile.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        d.NewFmtFile.restype = ctypes.c_int32
        d.TransFmtFile.argtypes = [ctypes.c_char_p] * 4 + [ctypes.c_uint8]
        d.TransFmtFile.restype = ctypes.c_int32
        d.SetPBEvtCode.argtypes = [ctypes.POINTER(ctypes.c_uint16), ctypes.c_int32]
        d.SetPBEvtCode.restype = None
        d.SetZhuDuan.argtypes = [ctypes.POINTER(ZhuDuanRecord), ctypes.c_int32]
        d.SetZhuDuan.restype = None
        for rec, setter, _, _, _ in _TABLES.values():
            fn = getattr(d, setter)
            fn.argtypes = [ctypes.POINTER(rec), ctypes.c_int32]
            fn.restype = None

    # ------------------------------------------------------------ files
    def file_type(self, path):
        """File-type code (0 unknown or missing, 1 JK2H, 2 JK96, 3 LKJ93,
        4 ring buffer, 100 L2000, 102 formatted, 103 TAX3 dump)."""
        return self._dll.lJkFileType(_encode_path(path))

    def new_fmt_file(self, src, dst):
        """NewFmtFile: the result code (0 or -1 .. -5). The paths go over as
        counted texts: a reference count and a length before the characters."""
        keep = [self._counted(src), self._counted(dst)]
        return self._dll.NewFmtFile(ctypes.addressof(keep[0]) + 8, ctypes.addressof(keep[1]) + 8)

    @staticmethod
    def _counted(path):
        raw = _encode_path(path)
        data = struct.pack("<ii", 1, len(raw)) + raw + b"\x00"
        return ctypes.create_string_buffer(data, len(data))

    def trans_single_file(self, src, dst):
        """TransSingleFile: 0 handled, 1 not handled (no converter for the type,
        or the destination could not be written whole)."""
        return self._dll.TransSingleFile(_encode_path(src), _encode_path(dst))

    def trans_fmt_file(self, name, source_dir, work_dir, archive_dir, option=0):
        """TransFmtFile: month * 1000 + day * 10, or 1 (not dated or not handled)."""
        return self._dll.TransFmtFile(_encode_path(name), _encode_path(source_dir),
                                      _encode_path(work_dir), _encode_path(archive_dir),
                                      int(option) & 0xFF)

    def convert(self, src, dst=None, plain=False):
        """Converts src (default destination: src + "F"); raises RailfmtError
        on failure and returns the destination path."""
        dst = dst if dst is not None else os.fspath(src) + "F"
        if plain:
            r = self.trans_single_file(src, dst)
            if r != 0:
                t = self.file_type(src)
                if t in _NO_SINGLE_FILE_CONVERTER:
                    raise RailfmtError("%s: no single-file converter for %s files"
                                       % (src, TYPE_NAMES.get(t, "unknown")), r)
                raise RailfmtError("%s: could not be converted into %s" % (src, dst), r)
            return dst
        r = self.new_fmt_file(src, dst)
        if r < 0:
            raise RailfmtError("%s: %s" % (dst if r == -4 else src,
                                           NEW_FMT_FILE_ERRORS.get(r, "conversion failed")), r)
        return dst

    # ------------------------------------------------------------ tables
    def set_masked_codes(self, codes):
        """Formatted-record codes (byte 0 * 256 + byte 1) left out when saving."""
        arr = (ctypes.c_uint16 * max(1, len(codes)))(*codes)
        self._dll.SetPBEvtCode(arr, len(codes) - 1)

    def set_table(self, name, rows):
        """Hands one table over: name is drivers, stations, loco_types,
        positions, restrictions or depots; rows is a list of dicts keyed by
        the column names of the CSV files."""
        if name == "depots":
            return self._set_depots(rows)
        if name not in _TABLES:
            raise ValueError("unknown table %r" % name)
        rec, setter, required, texts, neutral = _TABLES[name]
        rows = list(rows)
        # a single record (last index 0) would be stored as nothing
        if len(rows) == 1:
            rows.append(dict(neutral, _neutral=True))
        arr = (rec * max(1, len(rows)))()
        keep = []
        fields = dict(rec._fields_)
        for i, row in enumerate(rows):
            if not row.get("_neutral"):
                for key in required:
                    if key not in row or row[key] in (None, ""):
                        raise ValueError("%s row %d: %s missing" % (name, i + 1, key))
            for key, value in row.items():
                if key == "_neutral" or value in (None, ""):
                    continue
                if key not in fields:
                    raise ValueError("%s row %d: unknown field %r" % (name, i + 1, key))
                if key in texts:
                    b = value.encode("gbk") if isinstance(value, str) else bytes(value)
                    keep.append(b)
                    setattr(arr[i], key, b)
                elif key in ("start_time", "end_time"):
                    setattr(arr[i], key, _time_of_day(value))
                else:
                    setattr(arr[i], key, int(value))
        getattr(self._dll, setter)(arr, len(rows) - 1)

    def _set_depots(self, rows):
        rows = list(rows)
        arr = (ZhuDuanRecord * max(1, len(rows)))()
        for i, row in enumerate(rows):
            arr[i].type_code = int(row["type_code"])
            arr[i].loco_number = int(row["loco_number"])
            depot = row["depot"]
            data = bytes.fromhex(depot) if isinstance(depot, str) else bytes(depot)
            if len(data) != 6:
                raise ValueError("depots row %d: depot must be 6 bytes" % (i + 1))
            for k in range(6):
                arr[i].depot[k] = data[k]
        self._dll.SetZhuDuan(arr, len(rows) - 1)

    def set_tables(self, tables):
        """Hands over every table of a dict {name: rows}."""
        for name, rows in tables.items():
            self.set_table(name, rows)


def tables_from_csv(folder):
    """The table CSV files of a folder (drivers.csv, stations.csv, ...) as
    {name: [row dicts]}; files that are absent are left out."""
    out = {}
    for name in ("drivers", "stations", "loco_types", "positions", "restrictions", "depots"):
        path = os.path.join(folder, name + ".csv")
        if not os.path.exists(path):
            continue
        with open(path, encoding="utf-8-sig", newline="") as f:
            lines = [ln for ln in f if ln.strip() and not ln.lstrip().startswith("#")]
        rows = []
        for row in csv.DictReader(lines):
            rows.append({k.strip(): (v.strip() if isinstance(v, str) else v) for k, v in row.items()})
        out[name] = rows
    return out


# ----------------------------------------------------------------- reading
def _le(b, off, n):
    return int.from_bytes(b[off:off + n], "little")


def _present(mask):
    names = []
    for bit, fields in _MASK_BITS:
        if mask & bit:
            names.extend(f for f in fields if f not in names)
    names.extend("bit%d" % b for b in range(10, 16) if b != 12 and mask & (1 << b))
    return names


def _record_text(r):
    for code, lo, hi, spans in _TEXT_LAYOUTS:
        if r[0] != code or not lo <= r[1] <= hi:
            continue
        parts = []
        for span in spans:
            if span[0] == "fixed":
                t = _gbk_text(r[span[1]:span[2] + 1])
            else:
                n = min(r[span[1]], RECORD_SIZE - 1 - span[1])
                t = _gbk_text(r[span[1] + 1:span[1] + 1 + n]) if n > 0 else ""
            if t and t not in parts:
                parts.append(t)
        return " / ".join(parts)
    return ""


def _decode_header(b):
    vendor = chr(b[51]) if 0x20 <= b[51] < 0x7F else "?"
    return {
        "Magic": "%02X%02X" % (b[0], b[1]),
        "Number": _gbk_text(b[2:12]),
        "TypeName": _gbk_text(b[12:20]),
        "Word20": _le(b, 20, 2),
        "ShortText": _gbk_text(b[22:24]),
        "B24": _le(b, 24, 3),
        "B27": b[27],
        "Word28": _le(b, 28, 2),
        "Date": list(b[30:33]),
        "B33": list(b[33:37]),
        "B37": list(b[37:41]),
        "B41": b[41], "B42": b[42], "B43": b[43],
        "Size": _le(b, 44, 3),
        "B47": b[47], "B48": b[48], "B49": b[49], "B50": b[50],
        "Vendor": vendor,
    }


def _decode_record(index, r):
    rec = {
        "index": index,
        "code": "%02X%02X" % (r[0], r[1]),
        "time": "%02d:%02d:%02d" % (r[2], r[3], r[4]),
    }
    for name, off, width in STATE_FIELDS:
        rec[name] = _le(r, off, width)
    mask = _le(r, 24, 2)
    rec["mask"] = "%04X" % mask
    rec["present"] = _present(mask)
    rec["text"] = _record_text(r)
    return rec


def read_formatted(path):
    """(header dict, list of record dicts) of a formatted file; raises
    ValueError when the file is not one."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < HEADER_SIZE:
        raise ValueError("%s: too short for a formatted file" % path)
    if data[:2] not in (b"\xA6\x6A", b"\xA5\x5A"):
        raise ValueError("%s: not a formatted file" % path)
    n = (len(data) - HEADER_SIZE) // RECORD_SIZE
    records = [_decode_record(k, data[HEADER_SIZE + k * RECORD_SIZE:HEADER_SIZE + (k + 1) * RECORD_SIZE])
               for k in range(n)]
    return _decode_header(data[:HEADER_SIZE]), records


def read_records(path):
    """The records of a formatted file as dicts (the fields of railfmt dump)."""
    return read_formatted(path)[1]


def read_header(path):
    """The 52-byte header of a formatted file as a dict."""
    return read_formatted(path)[0]

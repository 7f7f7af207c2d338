#!/usr/bin/env python3
"""Writes the sample raw files the Windows host check converts on both sides.

    make_inputs.py OUTDIR [SOURCEDIR]

One file per kind the library tells apart. The L2000 event files carry, for
every event code named by a handler under SOURCEDIR/src/handlers, records of
every body length from 1 to 22 bytes with valid check bytes (so whatever the
handler's length, one of them converts and the others exercise the
resynchronisation), followed by a fixed pseudo-random mix of code and BCD
bytes. The bytes depend only on the handler names (fixed seed, no clock).
"""
import glob
import os
import re
import sys


def bcd(value, n):
    out = bytearray(n)
    for i in range(n - 1, -1, -1):
        two = value % 100
        value //= 100
        out[i] = (two // 10) << 4 | (two % 10)
    return bytes(out)


def rec(*parts):
    r = b"".join(parts)
    s = sum(r[0] % 100 if i == 0 else (b >> 4) * 10 + (b & 15) for i, b in enumerate(r))
    c = (100 - s % 100) % 100
    return r + bytes([(c // 10) << 4 | (c % 10)])


class Lcg:
    def __init__(self, seed):
        self.x = seed

    def next(self):
        self.x = (self.x * 1103515245 + 12345) & 0x7FFFFFFF
        return self.x >> 8

    def bcd_byte(self):
        return (self.next() % 10) << 4 | (self.next() % 10)


def noise(seed, n, codes):
    """n bytes: mostly BCD bytes, now and then a code byte from the list."""
    g = Lcg(seed)
    out = bytearray()
    while len(out) < n:
        if g.next() % 6 == 0:
            out.append(codes[g.next() % len(codes)])
        else:
            out.append(g.bcd_byte())
    return bytes(out)


def handler_codes(source_dir):
    """Code bytes of the handlers: [(code, sub or None)], sorted."""
    names = set()
    for path in glob.glob(os.path.join(source_dir, "src", "handlers", "*.cpp")):
        with open(path, encoding="utf-8", errors="replace") as f:
            names.update(re.findall(r'"([0-9A-F]{2}(?:[0-9A-F]{2})?)"', f.read()))
    codes = []
    for n in sorted(names):
        code = int(n[:2], 16)
        if code < 0x9A:
            continue
        codes.append((code, int(n[2:], 16) if len(n) == 4 else None))
    return codes


def every_length(codes, seed):
    g = Lcg(seed)
    out = bytearray()
    for code, sub in codes:
        head = bytes([code]) + (bytes([sub]) if sub is not None else b"")
        for n in range(1, 23):
            body = bytes(g.bcd_byte() for _ in range(n))
            out += rec(head, body)
            if g.next() % 4 == 0:  # now and then an attached running-state record
                out += rec(b"\xF0", bytes(g.bcd_byte() for _ in range(6)))
    return bytes(out)


def event_header(vendor, version, kind=(0xB0, 0xF0)):
    h = bytearray(256)
    h[0], h[1] = kind
    h[2:5] = bcd(26, 1) + bcd(3, 1) + bcd(7, 1)
    h[5:8] = bcd(8, 1) + bcd(30, 1) + bcd(0, 1)
    h[14:17] = bcd(123456, 3)
    h[17] = 0x12
    h[18:20] = bcd(34, 2)
    h[22:25] = bcd(1234, 3)
    h[54:56] = bcd(1, 2)
    h[56:58] = bcd(101, 2)
    h[77] = ord(vendor)
    h[87:89] = bcd(version, 2)
    return bytes(h)


def main():
    out = sys.argv[1]
    codes = handler_codes(sys.argv[2]) if len(sys.argv) > 2 else []
    os.makedirs(out, exist_ok=True)
    files = {}

    a010 = rec(b"\xA0\x10", bcd(83000, 3), bcd(12345678, 4), bcd(123456, 3))
    f0 = rec(b"\xF0", bcd(580, 2), bcd(123, 2), bcd(456, 2))
    engine_codes = [0xA0, 0xA8, 0xB2, 0xB5, 0xB6, 0xB8, 0xBA, 0xC0, 0xC5, 0xD0, 0xE0, 0xF0,
                    0xF1, 0xF2, 0xFE, 0x9A, 0xFF]
    files["l2000_v101_q.bin"] = (event_header("Q", 101) + a010 + f0 + a010 + b"\x12\x34" +
                                 every_length(codes, 11) + noise(1, 3000, engine_codes))
    files["l2000_v102_z.bin"] = (event_header("Z", 102) + a010 + f0 + every_length(codes, 12) +
                                 noise(2, 3000, engine_codes))
    old_codes = [0xA0, 0xA1, 0xA4, 0xA5, 0xA8, 0xB1, 0xB2, 0xB4, 0xB6, 0xC0, 0xC3, 0xD0,
                 0xE0, 0xF0, 0xF1, 0xF2, 0xFE]
    files["l2000_v100.bin"] = (event_header("Q", 100) + every_length(codes, 13) +
                               noise(3, 3000, old_codes))

    lkj93 = bytearray(noise(4, 2048, [0xB0, 0xB1, 0xB2, 0xC0, 0xD0, 0xE0, 0xF0, 0xA0]))
    lkj93[0], lkj93[16] = 0xB0, 0xB1
    files["lkj93.bin"] = bytes(lkj93)
    jk2h = bytearray(noise(5, 2048, [0xA0, 0xA2, 0xA4, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0, 0xFC]))
    jk2h[0], jk2h[5] = 0xA4, 0xA0
    files["jk2h.bin"] = bytes(jk2h)
    jk96 = bytearray(noise(6, 512, [0xA4]))
    jk96[0], jk96[5], jk96[6] = 0xA2, 0x00, 0x00
    files["jk96.bin"] = bytes(jk96)

    ring = bytearray(64) + bytes(range(100))
    ring[0], ring[1], ring[8] = 0xA0, 0xA1, 30
    files["ring.bin"] = bytes(ring)
    fmt = bytearray(52 + 26 * 3)
    fmt[0], fmt[1] = 0xA6, 0x6A
    files["formatted.bin"] = bytes(fmt)

    tax3 = bytearray(2032)
    tax3[0:2] = b"T3"
    slots = [(0x1234, 0x40, 0x010203, 2, 0x3F, 0x07), (7, 0x00, 9, 1, 0xC0, 0x1F)]
    for i, (tag, b13, num, blocks, b9, b10) in enumerate(slots):
        e = 16 + 32 * i
        tax3[e:e + 2] = tag.to_bytes(2, "little")
        tax3[e + 4:e + 6] = (num & 0xFFFF).to_bytes(2, "little")
        tax3[e + 12] = num >> 16
        tax3[e + 6:e + 8] = blocks.to_bytes(2, "little")
        tax3[e + 9], tax3[e + 10], tax3[e + 13] = b9, b10, b13
    files["unit.t3"] = bytes(tax3) + bytes(range(48))

    files["unknown.bin"] = bytes(range(0x12, 0x12 + 64))
    files["short.bin"] = b"\xB0\xF0\x00"

    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()

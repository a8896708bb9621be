#!/usr/bin/env python3
"""Reference conversions between IEC types, in Python's own arithmetic.

Reads lines "MODE TARGET SOURCE VALUE" from the file named on the command line and
prints the expected target, one line each. MODE is "var" (the conversion instruction)
or "bin" (the raw-address exchange form). VALUE and the output are hex bytes for
numbers and a quoted text for STRING (hex of the text's bytes, prefixed with "s:").

Type codes: 1 BOOL, 2 DINT, 3 REAL, 4 TIME, 5 STRING, 10 SINT, 11 INT, 12 LINT,
13 LREAL, 14 USINT, 15 UINT, 16 UDINT, 17 ULINT.
"""
import math
import re
import struct
import sys

FMT = {1: "B", 10: "B", 14: "B", 11: "h", 15: "H", 2: "i", 16: "I", 4: "I", 12: "q", 17: "Q", 3: "f", 13: "d"}
BITS = {1: 8, 10: 8, 14: 8, 11: 16, 15: 16, 2: 32, 16: 32, 4: 32, 12: 64, 17: 64}
UNSIGNED_NARROW = (14, 15, 16, 4)


def unpack(t, data):
    return struct.unpack("<" + FMT[t], data)[0]


def wrap(t, n):
    """The low bits of an integer, read back as the target type."""
    bits = BITS[t]
    n &= (1 << bits) - 1
    if t in (11, 2, 12) and n >= 1 << (bits - 1):
        n -= 1 << bits
    return n


def trunc_range(x, lo, hi):
    if math.isnan(x):
        return 0
    if x <= lo:
        return lo
    if x >= hi:
        return hi
    return math.trunc(x)


def pack(t, v):
    if t == 3:
        try:
            return struct.pack("<f", v)
        except OverflowError:
            return struct.pack("<f", math.copysign(math.inf, v))
    if t == 13:
        return struct.pack("<d", v)
    return struct.pack("<" + FMT[t], v)


def number(target, source, value, mode):
    is_float = source in (3, 13)
    if source == 1:
        value = value if mode == "bin" else (1 if value else 0)
    if target == 1:
        return pack(1, 1 if value != 0 else 0)
    if target in (3, 13):
        return pack(target, float(value))
    if not is_float:
        return pack(target, wrap(target, int(value)))
    if target == 4 or (mode == "bin" and target in UNSIGNED_NARROW):
        return pack(target, wrap(target, trunc_range(value, 0, 2**32 - 1)))
    if target == 12:
        return pack(target, trunc_range(value, -2**63, 2**63 - 1))
    if target == 17:
        return pack(target, trunc_range(value, 0, 2**64 - 1))
    return pack(target, wrap(target, trunc_range(value, -2**31, 2**31 - 1)))


def to_text(source, value):
    if source == 1:
        return "1" if value else "0"
    if source in (3, 13):
        text = "%g" % value
        return text[:14] if source == 13 else text
    return str(value)


def leading(text, pattern):
    m = re.match(pattern, text)
    return m.group(0) if m else ""


def from_text(target, text):
    if target == 1:
        return pack(1, 1 if text else 0)
    blanks = text.lstrip(" \t\n\r\f\v")
    if target in (3, 13):
        found = leading(blanks, r"[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?")
        value = float(found) if found else 0.0
        if target == 3:
            value = struct.unpack("<f", pack(3, value))[0]
        return pack(target, value)
    if target in (4, 16, 17):  # unsigned: digits only, saturated
        digits = leading(blanks, r"\d+")
        limit = 2**64 - 1 if target == 17 else 2**32 - 1
        return pack(target, min(int(digits), limit) if digits else 0)
    if target == 12:
        found = leading(blanks, r"-?\d+")
        value = int(found) if found not in ("", "-") else 0
        return pack(target, max(-2**63, min(value, 2**63 - 1)))
    found = leading(blanks, r"[+-]?\d+")
    value = int(found) if found not in ("", "-", "+") else 0
    return pack(target, wrap(target, max(-2**31, min(value, 2**31 - 1))))


def main():
    out = []
    with open(sys.argv[1]) as f:
        for line in f:
            mode, target, source, value = line.split()
            target, source = int(target), int(source)
            if source == 5:
                text = bytes.fromhex(value[2:]).decode("latin-1")
                out.append(from_text(target, text).hex())
            elif target == 5:
                out.append("s:" + to_text(source, unpack(source, bytes.fromhex(value))).encode().hex())
            else:
                out.append(number(target, source, unpack(source, bytes.fromhex(value)), mode).hex())
    print("\n".join(out))


main()

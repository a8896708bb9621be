#!/usr/bin/env python3
"""Checks the web server's Base64, hex and MD5 against Python's standard library.

Each input line: operation, the input bytes in hex, the unit's answer. Prints one line
per mismatch and "checked N" at the end; exits 1 when anything differed.
  b64   input-hex   base64 text the unit made
  b64d  text-hex    input-hex of the bytes the unit decoded (text with characters to skip)
  md5   input-hex   hex digest the unit made
  hex   input-hex   hex text the unit made
"""
import base64
import hashlib
import sys

bad = 0
count = 0
for line in open(sys.argv[1], encoding="ascii"):
    op, data, answer = line.rstrip("\n").split("\t")
    raw = bytes.fromhex(data)
    if op == "b64":
        want = base64.b64encode(raw).decode()
    elif op == "b64d":
        want = base64.b64decode(raw).hex()
    elif op == "md5":
        want = hashlib.md5(raw).hexdigest()
    elif op == "hex":
        want = raw.hex()
    else:
        raise SystemExit("unknown operation " + op)
    count += 1
    if want != answer:
        bad += 1
        print(f"{op} {data}: unit {answer!r}, python {want!r}")
print(f"checked {count}")
sys.exit(1 if bad else 0)

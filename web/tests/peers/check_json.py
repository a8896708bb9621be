#!/usr/bin/env python3
"""Parses every JSON text the web server's writer made with Python's json module.

Each input line: kind, a hex field, the JSON text in hex.
  string  the original bytes   the text must parse to that string (UTF-8)
  doc     expected JSON or ""  the text must parse; equal to the expected one when given
Prints one line per failure and "parsed N"; exits 1 when anything failed.
"""
import json
import sys

bad = 0
count = 0
for line in open(sys.argv[1], encoding="ascii"):
    kind, field, text_hex = line.rstrip("\n").split("\t")
    text = bytes.fromhex(text_hex).decode("utf-8")
    count += 1
    try:
        value = json.loads(text)
    except ValueError as error:
        bad += 1
        print(f"not JSON: {text!r}: {error}")
        continue
    if kind == "string":
        want = bytes.fromhex(field).decode("utf-8")
        if value != want:
            bad += 1
            print(f"string {text!r} parsed to {value!r}, want {want!r}")
    elif kind == "doc" and field:
        want = json.loads(bytes.fromhex(field).decode("utf-8"))
        if value != want:
            bad += 1
            print(f"document {text!r} parsed to {value!r}, want {want!r}")
print(f"parsed {count}")
sys.exit(1 if bad else 0)

#!/usr/bin/python3
"""A serial peer for the logic's message blocks: opens the port with pyserial, says
"ready", reads the bytes the unit sends, then writes its own.

  serial_peer.py --port LINK --read 10 --write 0102030405060708

Prints "got <hex>" with every byte it read (fewer when --timeout ran out first), then
"sent"; exits 0 when it read the whole count."""
import argparse
import sys

import serial


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", required=True)
    ap.add_argument("--read", type=int, default=0)
    ap.add_argument("--write", default="")
    ap.add_argument("--timeout", type=float, default=5.0)
    args = ap.parse_args()
    port = serial.Serial(args.port, 115200, timeout=args.timeout)
    print("ready", flush=True)
    got = port.read(args.read) if args.read else b""
    print("got " + got.hex(), flush=True)
    if args.write:
        port.write(bytes.fromhex(args.write))
        port.flush()
    print("sent", flush=True)
    return 0 if len(got) == args.read else 1


if __name__ == "__main__":
    sys.exit(main())

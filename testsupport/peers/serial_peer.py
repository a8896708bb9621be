#!/usr/bin/python3
"""A serial peer for the logic's message blocks: opens the port with pyserial, says
"ready", then takes its steps in order.

  serial_peer.py --port LINK read:2 write:70696e67 read:4

read:N waits for N bytes and prints "got <hex>" with what came (fewer when --timeout ran
out first); write:HEX sends the bytes and prints "sent". Exits 0 when every read got its
whole count."""
import argparse
import sys

import serial


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", required=True)
    ap.add_argument("--timeout", type=float, default=5.0)
    ap.add_argument("steps", nargs="+")
    args = ap.parse_args()
    port = serial.Serial(args.port, 115200, timeout=args.timeout)
    print("ready", flush=True)
    ok = True
    for step in args.steps:
        kind, _, value = step.partition(":")
        if kind == "read":
            got = port.read(int(value))
            print("got " + got.hex(), flush=True)
            ok = ok and len(got) == int(value)
        elif kind == "write":
            port.write(bytes.fromhex(value))
            port.flush()
            print("sent", flush=True)
        else:
            print("unknown step " + step, flush=True)
            return 2
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())

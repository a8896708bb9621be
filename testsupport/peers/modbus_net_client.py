#!/usr/bin/python3
"""A pymodbus TCP or UDP client, an independent Modbus client for the unit's Ethernet server.

Reads holding register 0 (AQ1), writes holding register 512 (R1) with 0x1234 and coil 0
(Q1), then provokes exception 3 (126 registers) and exception 2 (unmapped address 7000);
prints one line per result and exits 0 when every answer came back as expected."""
import argparse
import sys

from pymodbus.client import ModbusTcpClient, ModbusUdpClient
from pymodbus.pdu import ExceptionResponse


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--transport", choices=["tcp", "udp"], required=True)
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--port", type=int, required=True)
    ap.add_argument("--slave", type=int, default=1)
    args = ap.parse_args()
    kind = ModbusTcpClient if args.transport == "tcp" else ModbusUdpClient
    client = kind(args.host, port=args.port, timeout=2, retries=1)
    if not client.connect():
        print("no connection")
        return 1
    ok = True
    rr = client.read_holding_registers(0, 1, slave=args.slave)
    if rr.isError():
        print("read failed", rr)
        ok = False
    else:
        print("read", rr.registers[0])
    wr = client.write_register(512, 0x1234, slave=args.slave)
    print("write", "failed" if wr.isError() else "ok")
    ok = ok and not wr.isError()
    wc = client.write_coil(0, True, slave=args.slave)
    print("coil", "failed" if wc.isError() else "ok")
    ok = ok and not wc.isError()
    for address, count, want in ((3000, 126, 3), (7000, 1, 2)):
        ex = client.read_holding_registers(address, count, slave=args.slave)
        if isinstance(ex, ExceptionResponse):
            print("exception", ex.exception_code)
            ok = ok and ex.exception_code == want
        else:
            print("no exception", ex)
            ok = False
    client.close()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())

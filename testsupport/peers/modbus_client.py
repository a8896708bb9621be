#!/usr/bin/python3
"""A pymodbus serial client, a second independent Modbus master for the unit's slave.

Reads holding register R5 (address 516), writes R6 (517) and coil Q3, and provokes an
exception 3 (126 registers); prints one line per result and exits 0 when every answer
came back."""
import argparse
import sys

from pymodbus.client import ModbusSerialClient
from pymodbus.framer.ascii_framer import ModbusAsciiFramer
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.pdu import ExceptionResponse


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", required=True)
    ap.add_argument("--framer", choices=["rtu", "ascii"], default="rtu")
    ap.add_argument("--slave", type=int, default=1)
    args = ap.parse_args()
    framer = ModbusRtuFramer if args.framer == "rtu" else ModbusAsciiFramer
    client = ModbusSerialClient(port=args.port, framer=framer, baudrate=115200,
                                bytesize=8 if args.framer == "rtu" else 7,
                                parity="N", stopbits=1, timeout=2, retries=1)
    if not client.connect():
        print("no connection")
        return 1
    ok = True
    rr = client.read_holding_registers(516, 1, slave=args.slave)
    if rr.isError():
        print("read failed", rr)
        ok = False
    else:
        print("read", rr.registers[0])
    wr = client.write_register(517, 0x1234, slave=args.slave)
    print("write", "failed" if wr.isError() else "ok")
    ok = ok and not wr.isError()
    wc = client.write_coil(2, True, slave=args.slave)
    print("coil", "failed" if wc.isError() else "ok")
    ok = ok and not wc.isError()
    ex = client.read_holding_registers(0, 126, slave=args.slave)
    if isinstance(ex, ExceptionResponse):
        print("exception", ex.exception_code)
    else:
        print("no exception", ex)
        ok = False
    client.close()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())

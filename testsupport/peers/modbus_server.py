#!/usr/bin/python3
"""A pymodbus serial server, an independent Modbus slave for the unit's master.

Serves one slave id with 100 holding registers (value 100 + address), 100 coils (coil 3
on) and 100 input registers (value 500 + address), in RTU or ASCII framing, on the serial
link given (the unit's pseudo-terminal). Prints "serving" when it starts; runs until it
is stopped; on SIGTERM prints the holding registers 40..41 it then holds."""
import argparse
import signal
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.framer.ascii_framer import ModbusAsciiFramer
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.server import StartSerialServer


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", required=True)
    ap.add_argument("--framer", choices=["rtu", "ascii"], default="rtu")
    ap.add_argument("--slave", type=int, default=1)
    args = ap.parse_args()
    coils = [False] * 101
    coils[4] = True  # address 3 (pymodbus blocks start one place early)
    store = ModbusSlaveContext(
        co=ModbusSequentialDataBlock(0, coils),
        hr=ModbusSequentialDataBlock(0, [100 + i - 1 for i in range(101)]),
        ir=ModbusSequentialDataBlock(0, [500 + i - 1 for i in range(101)]),
        di=ModbusSequentialDataBlock(0, [False] * 101),
        zero_mode=False)
    context = ModbusServerContext(slaves={args.slave: store}, single=False)

    def stop(*_):
        print("holding", store.getValues(3, 40, 2), flush=True)
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    print("serving", flush=True)
    framer = ModbusRtuFramer if args.framer == "rtu" else ModbusAsciiFramer
    StartSerialServer(context=context, framer=framer, port=args.port, baudrate=115200,
                      bytesize=8 if args.framer == "rtu" else 7, parity="N", stopbits=1)


if __name__ == "__main__":
    main()

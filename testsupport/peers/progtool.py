#!/usr/bin/env python3
"""A programming-tool client of the panel's command protocol, for tests.

It talks to the panel over a serial link (for a test: the pseudo-terminal that the unit
links below its device root, <root>/dev/ttyGS0 for the USB device port), or over TCP
(the programming link on port 18501: each message a 28-byte header and the frame's
bytes). Written from the protocol itself, not from the panel's code:

  frame     u8 command, u8 count (0..254), count data bytes, u8 checksum
            or, long form: u8 command, 0xFF, u16 length (low byte first), data, checksum
  checksum  seed + every byte of the frame, the checksum included, is 0 modulo 256
  answers   0xA0 acknowledge, 0x0F checksum error / not readable, 0x09 refused,
            0x60 busy; data comes in frames with command 0xFF
  requests  data[0] is the node id, data[1] the first parameter, then the fields

  over TCP  header (little-endian): u32 key (password; challenge and answer of a login),
            u16 route depth, u16 address words A and B, u16 function (32 login request,
            64 login response, 128 logout, 0 a command) or status in replies (0 done,
            1 refused, 2 route too deep, 8 busy), 12 clock bytes, u16 echoed, u16 length;
            a long transfer goes in segmented messages 0xFF, 0, data, checksum, each
            acknowledged once per 64 data bytes (at least once)

Commands used here: 1 get mode, 2 set mode, 3 verify, 4 download, 5 upload, 9 node id,
22 read register, 24 write register.

Usage (every command prints its result on standard output, exits 0 on success, 1 with
a message on standard error otherwise; --help explains every argument):
  progtool.py --port PATH [--seed N] [--node N] mode     (node: the panel's own by default)
  progtool.py --tcp HOST:PORT [--password N] [--login] ...   the same over TCP
  progtool.py ... set-mode MODE              0..4 or idle, do-io, run, run-faulted, held
  progtool.py ... read REG [BITS] [--int]    prints the value bytes in hex (low byte first)
  progtool.py ... write REG [BITS] HEX       or: write REG [BITS] --int N
  progtool.py ... download TYPE FILE [--argument N]
  progtool.py ... upload TYPE FILE [--argument N] [--count N] [--header]
  progtool.py ... verify TYPE FILE [--argument N]
  progtool.py ... bad-frame                  a frame with a wrong checksum: expects 0x0F

REG is a register name (R1, SR5, AQG30, I3, Q1, M7, T2, S6, K1, IG1, QG1, AI1, AQ1, AIG1)
or a numeric token (decimal or 0x...). BITS defaults to 1 for a bit register (I, Q, M, T,
S, K, IG, QG) and to 16 for a word register.
"""

import argparse
import os
import select
import socket
import struct
import sys
import termios
import time
import tty

ACK = 0xA0
NAK = 0x0F
REFUSED = 0x09
BUSY = 0x60
LINK_FREE = 0x70
DATA = 0xFF

ESCAPE_WINDOW_1 = 1776  # token = 0x10000 + u16
ESCAPE_WINDOW_2 = 1777  # token = 0x20000 + u16
ESCAPE_FULL = 0         # token = u32


class ProtocolError(Exception):
    pass


MEANINGS = {
    ACK: "acknowledged",
    NAK: "not readable: no such register, or the frame's checksum was wrong",
    REFUSED: "refused: the value is out of range, the register is read-only, or the request is malformed",
    BUSY: "busy",
}


def describe(answer):
    kind, value = answer
    if kind != "byte":
        return "a data frame of %d bytes" % len(value)
    return "0x%02X (%s)" % (value, MEANINGS.get(value, "unknown answer"))


def checksum(seed, body):
    return (-(seed + sum(body))) & 0xFF


def frame(seed, command, data=b"", long_form=False):
    data = bytes(data)
    if long_form:
        head = bytes([command, 0xFF]) + struct.pack("<H", len(data))
    else:
        if len(data) > 254:
            raise ValueError("a short frame carries at most 254 bytes")
        head = bytes([command, len(data)])
    body = head + data
    return body + bytes([checksum(seed, body)])


def token_field(token):
    """The address fields of commands 22 and 24 after the bit count."""
    if token < 0x10000 and token not in (ESCAPE_FULL, ESCAPE_WINDOW_1, ESCAPE_WINDOW_2):
        return struct.pack("<H", token)
    if 0x10000 <= token < 0x20000:
        return struct.pack("<HH", ESCAPE_WINDOW_1, token - 0x10000)
    if 0x20000 <= token < 0x30000:
        return struct.pack("<HH", ESCAPE_WINDOW_2, token - 0x20000)
    return struct.pack("<HI", ESCAPE_FULL, token)


class Link:
    def __init__(self, path, seed=0, timeout=5.0):
        self.seed = seed & 0x7F
        self.timeout = timeout
        self.fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        tty.setraw(self.fd)
        # Whatever the panel sent while nobody listened is not ours.
        termios.tcflush(self.fd, termios.TCIOFLUSH)

    def close(self):
        os.close(self.fd)

    def send(self, data):
        view = memoryview(bytes(data))
        while view:
            select.select([], [self.fd], [], self.timeout)
            n = os.write(self.fd, view)
            view = view[n:]

    def read_exact(self, n):
        out = bytearray()
        deadline = time.monotonic() + self.timeout
        while len(out) < n:
            left = deadline - time.monotonic()
            if left <= 0:
                raise ProtocolError("no answer within %.1f s (have %s)" % (self.timeout, out.hex()))
            ready, _, _ = select.select([self.fd], [], [], left)
            if ready:
                try:
                    out += os.read(self.fd, n - len(out))
                except BlockingIOError:
                    pass
        return bytes(out)

    def read_answer(self):
        """One answer: ('byte', b) or ('frame', data). A frame's checksum is checked."""
        first = self.read_exact(1)[0]
        if first != DATA:
            return "byte", first
        count = self.read_exact(1)[0]
        head = bytes([first, count])
        if count == 0xFF:
            length_bytes = self.read_exact(2)
            head += length_bytes
            count = struct.unpack("<H", length_bytes)[0]
        data = self.read_exact(count)
        check = self.read_exact(1)[0]
        if (self.seed + sum(head) + sum(data) + check) & 0xFF:
            raise ProtocolError("reply frame with a bad checksum: %s" % (head + data + bytes([check])).hex())
        return "frame", data

    def request(self, command, data, long_form=False):
        self.send(frame(self.seed, command, data, long_form))
        return self.read_answer()

    def expect_byte(self, answer, want, what):
        kind, value = answer
        if kind != "byte" or value != want:
            raise ProtocolError("%s: expected 0x%02X, got %s" % (what, want, describe(answer)))

    def expect_frame(self, answer, what):
        kind, value = answer
        if kind != "frame":
            raise ProtocolError("%s: expected a data frame, got %s" % (what, describe(answer)))
        return value


LOGIN_MASK = 0x5B17E0A4
SEGMENT = 1024  # data bytes per segmented message


class TcpLink(Link):
    """The same answers as Link, over the programming link's TCP messages."""

    def __init__(self, address, seed=0, timeout=5.0, key=0, route=0):
        host, _, port = address.rpartition(":")
        self.seed = seed & 0x7F
        self.timeout = timeout
        self.key = key
        self.route = route
        self.buffer = b""
        self.sock = socket.create_connection((host or "127.0.0.1", int(port)), timeout=timeout)

    def close(self):
        self.sock.close()

    def message(self, payload=b"", function=0, key=None):
        key = self.key if key is None else key
        return struct.pack("<IHHHH12sHH", key & 0xFFFFFFFF, self.route, 0, 0, function, bytes(12), 0,
                           len(payload)) + bytes(payload)

    def send(self, data):
        self.sock.sendall(self.message(data))

    def send_segment(self, data):
        body = bytes([DATA, 0]) + bytes(data)
        self.sock.sendall(self.message(body + bytes([checksum(self.seed, body)])))

    def read_message(self):
        while True:
            if len(self.buffer) >= 28:
                whole = 28 + struct.unpack_from("<H", self.buffer, 26)[0]
                if len(self.buffer) >= whole:
                    message, self.buffer = self.buffer[:whole], self.buffer[whole:]
                    return message
            try:
                chunk = self.sock.recv(4096)
            except socket.timeout:
                raise ProtocolError("no answer within %.1f s" % self.timeout)
            if not chunk:
                raise ProtocolError("the panel closed the connection")
            self.buffer += chunk

    def status(self, message):
        status = struct.unpack_from("<H", message, 10)[0]
        if status == 1:
            raise ProtocolError("refused: wrong password or login")
        if status == 2:
            raise ProtocolError("refused: route too deep")
        return status

    def read_answer(self):
        message = self.read_message()
        if self.status(message) == 8:
            return "byte", BUSY
        body = message[28:]
        if not body:
            raise ProtocolError("an answer without bytes")
        if body[0] != DATA:
            return "byte", body[0]
        data = body[2:-1] if body[1] == 0 else body[2:2 + body[1]]
        if len(body) < 3 or (self.seed + sum(body[:len(data) + 3])) & 0xFF:
            raise ProtocolError("reply frame with a bad checksum: %s" % body.hex())
        return "frame", bytes(data)

    def login(self):
        self.sock.sendall(self.message(function=32))
        reply = self.read_message()
        self.status(reply)
        masked = struct.unpack_from("<I", reply, 0)[0] ^ LOGIN_MASK
        answer = ((masked << 16) | (masked >> 16)) & 0xFFFFFFFF
        self.sock.sendall(self.message(function=64, key=answer))
        self.status(self.read_message())


class Tool:
    def __init__(self, link, node, data_max=64):
        self.link = link
        self.node = node
        self.data_max = data_max

    def local_id(self):
        # Command 9 is served whatever node id the request carries.
        return self.link.expect_frame(self.link.request(9, [0]), "node id")[0]

    def get_mode(self):
        return self.link.expect_frame(self.link.request(1, [self.node]), "get mode")[0]

    def set_mode(self, mode):
        self.link.expect_byte(self.link.request(2, [self.node, mode]), ACK, "set mode")

    def read(self, token, bits):
        return self.link.expect_frame(self.link.request(22, bytes([self.node, bits]) + token_field(token)), "read")

    def write(self, token, bits, value):
        data = bytes([self.node, bits]) + token_field(token) + bytes(value)
        self.link.expect_byte(self.link.request(24, data), ACK, "write")

    def _table_request(self, command, table_type, argument, extra=b""):
        data = bytes([self.node, table_type])
        if argument is not None:
            data += struct.pack("<I", argument) + bytes(extra)
        return self.link.request(command, data)

    def _send_frames(self, table, what):
        """Data frames of at most data_max bytes, then the empty frame; a frame the panel
        did not receive whole (0x0F) goes again. Over TCP: segmented messages, then an
        empty one."""
        if isinstance(self.link, TcpLink):
            segments = [table[i:i + SEGMENT] for i in range(0, len(table), SEGMENT)] + [b""]
            for segment in segments:
                self.link.send_segment(segment)
                for _ in range(max(1, (len(segment) + 63) // 64)):
                    answer = self.link.read_answer()
                    if answer != ("byte", ACK):
                        return answer
            return ("byte", ACK)
        chunks = [table[i:i + self.data_max] for i in range(0, len(table), self.data_max)] + [b""]
        for chunk in chunks:
            for _ in range(3):
                answer = self.link.request(DATA, chunk)
                if answer != ("byte", NAK):
                    break
            if answer != ("byte", ACK):
                return answer
        return ("byte", ACK)

    def download(self, table_type, table, argument=0, extra=b""):
        answer = self._table_request(4, table_type, argument, extra)
        self.link.expect_byte(answer, ACK, "download request")
        self.link.expect_byte(self._send_frames(table, "download"), ACK, "download data")

    def verify(self, table_type, table, argument=0):
        answer = self._table_request(3, table_type, argument)
        self.link.expect_byte(answer, ACK, "verify request")
        return self._send_frames(table, "verify") == ("byte", ACK)

    def upload(self, table_type, argument=None, count=None, header=False):
        if table_type == 9:
            extra = struct.pack("<I", count) if count is not None else b""
            answer = self._table_request(5, table_type, argument, extra)
        elif header:
            answer = self.link.request(5, [self.node, table_type, 1])
        else:
            answer = self.link.request(5, [self.node, table_type])
        self.link.expect_byte(answer, ACK, "upload request")
        table = bytearray()
        while True:
            try:
                kind, data = self.link.read_answer()
            except ProtocolError as error:
                if "bad checksum" not in str(error):
                    raise
                self.link.send([NAK])  # the same frame again, please
                continue
            if kind != "frame":
                raise ProtocolError("upload: expected a data frame, got 0x%02X" % data)
            self.link.send([ACK])
            if not data:
                return bytes(table)
            table += data


# Register names: (name, first token, word register?, count). A bit register n has the
# token first + n - 1, a word register n the token first + 16 (n - 1). Longer names first,
# so that AIG is not read as AI.
REGISTERS = [
    ("AIG", 2048, True, 32), ("AQG", 2560, True, 32), ("IG", 1024, False, 256),
    ("QG", 1280, False, 256), ("SR", 3072, True, 448), ("AI", 16384, True, 512),
    ("AQ", 24576, True, 512), ("I", 8192, False, 2048), ("Q", 10240, False, 2048),
    ("T", 12288, False, 2048), ("M", 14336, False, 2048), ("S", 1536, False, 256),
    ("K", 1792, False, 256), ("R", 32768, True, 50240),
]
ESR_FIRST = 0x10030000  # SR193..SR448

MODES = {"idle": 0, "do-io": 1, "run": 2, "run-faulted": 3, "held": 4}


def parse_register(text):
    """(token, default bit count) of a register name or a numeric token."""
    t = text.strip().upper()
    try:
        return int(t, 0), None
    except ValueError:
        pass
    for name, first, word, count in REGISTERS:
        if t.startswith(name) and t[len(name):].isdigit():
            n = int(t[len(name):])
            if not 1 <= n <= count:
                raise argparse.ArgumentTypeError("%s: %s%d is not a register (1..%d)" % (text, name, n, count))
            if name == "SR" and n > 192:
                return ESR_FIRST + 16 * (n - 193), 16
            return (first + 16 * (n - 1), 16) if word else (first + n - 1, 1)
    raise argparse.ArgumentTypeError("%s: not a register name (R1, SR5, Q1 ...) nor a number" % text)


def parse_mode(text):
    name = text.strip().lower()
    if name in MODES:
        return MODES[name]
    try:
        mode = int(name, 0)
    except ValueError:
        raise argparse.ArgumentTypeError("%s: not a mode (%s, or 0..4)" % (text, ", ".join(MODES)))
    if not 0 <= mode <= 255:
        raise argparse.ArgumentTypeError("%s: a mode is 0..255" % text)
    return mode


def main(argv):
    parser = argparse.ArgumentParser(
        description="Programming-tool client of the panel's command protocol.",
        epilog="Example: progtool.py --port $PANEL_ROOT/dev/ttyGS0 read SR5")
    link_group = parser.add_mutually_exclusive_group(required=True)
    link_group.add_argument("--port", help="the panel's serial link, e.g. $PANEL_ROOT/dev/ttyGS0")
    link_group.add_argument("--tcp", metavar="HOST:PORT", help="the panel's programming link over TCP, e.g. 127.0.0.1:18501")
    parser.add_argument("--password", type=lambda s: int(s, 0), default=0, help="TCP: the password sent as key")
    parser.add_argument("--login", action="store_true", help="TCP: log in by the challenge first")
    parser.add_argument("--seed", type=lambda s: int(s, 0), default=0,
                        help="checksum seed: the low 7 bits of the panel's identity byte (default 0)")
    parser.add_argument("--node", type=lambda s: int(s, 0), help="node id of the requests (default: the panel's own)")
    parser.add_argument("--timeout", type=float, default=5.0, help="seconds to wait for each answer")
    sub = parser.add_subparsers(dest="command", required=True, metavar="COMMAND")
    sub.add_parser("mode", help="print the PLC mode (0 idle, 1 do I/O, 2 run, 3 run with faults, 4 held)")
    p = sub.add_parser("set-mode", help="set the PLC mode")
    p.add_argument("mode", type=parse_mode, help="0..4, or idle, do-io, run, run-faulted, held")
    p = sub.add_parser("read", help="read a register; prints its bytes in hex, low byte first")
    p.add_argument("register", type=parse_register, help="a register name (R1, SR5, Q1 ...) or a token")
    p.add_argument("bits", type=int, nargs="?", help="bits to read: 1, or a multiple of 8 (default: the register's)")
    p.add_argument("--int", action="store_true", help="print the value as an unsigned number")
    p = sub.add_parser("write", help="write a register")
    p.add_argument("register", type=parse_register, help="a register name (R1, SR5, Q1 ...) or a token")
    p.add_argument("rest", nargs="*", metavar="[BITS] HEX",
                   help="bits to write (default: the register's), then the value's bytes in hex, low byte first")
    p.add_argument("--int", type=lambda s: int(s, 0), help="the value as a number instead of HEX")
    for name, what in (("download", "send a table from FILE"), ("upload", "store a table in FILE"),
                       ("verify", "compare a table with FILE")):
        p = sub.add_parser(name, help=what)
        p.add_argument("type", type=int, help="table type (0: the ladder logic)")
        p.add_argument("file")
        p.add_argument("--argument", type=lambda s: int(s, 0), help="the request's u32 argument")
        if name == "upload":
            p.add_argument("--count", type=lambda s: int(s, 0), help="byte count (bitmap slots)")
            p.add_argument("--header", action="store_true", help="with the table's 8-byte header")
    sub.add_parser("bad-frame", help="send a frame with a wrong checksum; expects 0x0F")
    args = parser.parse_args(argv)
    if args.command in ("read", "write"):
        args.token, default_bits = args.register
        if args.command == "write":
            rest = list(args.rest)
            if args.int is None and not rest:
                parser.error("write: no value (HEX, or --int N)")
            if len(rest) > (1 if args.int is None else 0) + 1:
                parser.error("write: too many arguments")
            args.bits = int(rest.pop(0)) if len(rest) == (2 if args.int is None else 1) else None
            args.value = rest[0] if rest else None
        if args.bits is None:
            if default_bits is None:
                parser.error("%s: give BITS for a numeric token" % args.command)
            args.bits = default_bits
        if args.bits != 1 and (args.bits % 8 or not 8 <= args.bits <= 128):
            parser.error("%s: BITS is 1 or a multiple of 8 up to 128" % args.command)
        if args.command == "write":
            if args.int is not None:
                n = max(1, args.bits // 8)
                args.value = (args.int & ((1 << (8 * n)) - 1)).to_bytes(n, "little").hex()
            try:
                bytes.fromhex(args.value)
            except ValueError:
                parser.error("write: %s is not hex bytes (for a number use --int N)" % args.value)

    try:
        if args.tcp:
            link = TcpLink(args.tcp, args.seed, args.timeout, args.password)
        else:
            link = Link(args.port, args.seed, args.timeout)
    except OSError as error:
        print("progtool: error: cannot open %s: %s (is the unit running?)" % (args.tcp or args.port, error.strerror),
              file=sys.stderr)
        return 1
    tool = Tool(link, args.node)
    try:
        if args.login:
            if not args.tcp:
                raise ProtocolError("--login needs --tcp")
            link.login()
        if tool.node is None:
            tool.node = tool.local_id()
        if args.command == "mode":
            print(tool.get_mode())
        elif args.command == "set-mode":
            tool.set_mode(args.mode)
        elif args.command == "read":
            value = tool.read(args.token, args.bits)
            print(int.from_bytes(value, "little") if args.int else value.hex())
        elif args.command == "write":
            tool.write(args.token, args.bits, bytes.fromhex(args.value))
        elif args.command == "download":
            with open(args.file, "rb") as f:
                table = f.read()
            argument = args.argument if args.argument is not None else 0
            tool.download(args.type, table, argument)
            print(len(table))
        elif args.command == "upload":
            table = tool.upload(args.type, args.argument, args.count, args.header)
            with open(args.file, "wb") as f:
                f.write(table)
            print(len(table))
        elif args.command == "verify":
            with open(args.file, "rb") as f:
                table = f.read()
            argument = args.argument if args.argument is not None else 0
            if not tool.verify(args.type, table, argument):
                raise ProtocolError("verify: the panel's table differs")
            print("same")
        elif args.command == "bad-frame":
            bad = bytearray(frame(link.seed, 1, [tool.node]))
            bad[-1] ^= 0x55
            link.send(bad)
            link.expect_byte(link.read_answer(), NAK, "bad checksum")
            print("nak")
    except ProtocolError as error:
        print("progtool: error: %s" % error, file=sys.stderr)
        return 1
    finally:
        link.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

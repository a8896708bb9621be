#pragma once
// The logic's serial communication blocks: open a port in its own mode, give it back,
// send and receive byte strings, run a modem function, and run Modbus master or slave
// on it. The ladder engine calls a block with a cursor on
// its operands (the block reads them itself and leaves the cursor after them) and the
// rung's power flow; the result is the block's power-flow output.
//
// Operands in the stream (words; "value" is a word below 1024 taken as a constant, the
// escapes 1776/1777 and an index, or a register token whose word is used; in 32-bit
// programs every value and token is two words, low first):
//   open    port word, then 3 words holding the 6-byte mode (low byte first); with port
//           word 0x4000 a register token instead (8 set-up registers: port, baud index,
//           data bits, parity, stop bits, handshake, framing, protocol), with 0x6000 a
//           token whose register / 2 is a further word offset to the set-up
//   close   port word
//   send, receive
//           port word, byte count value (above 255 the block fails), data token (the
//           bytes from that register on; in variant 1 a register pair, low word first,
//           holding a byte offset into the register image), progress register token
//   modem   port word, function word (0 initialisation string, 1 dial, 2 answer), status
//           register token, then the function's data: 0: a length word and the string's
//           characters, two to a word, low byte first; 1: a flags word (bit 0 pulse
//           dialling), then a register token whose string holds the number, or a value
//           below 1024 that is the length of the in-line number that follows as in 0;
//           2: the number of rings (a word)
//   modbus  port word, slave id value (a constant 0 makes a master), time-out value,
//           control (a constant below 1024, or a token; a master triggers on the token's
//           bit), message area token, status token, then optionally 1023, extension count,
//           store-and-forward pair count, a word, the table token and, with an extension
//           count of 3 or more, the write-inhibit bit token
//
// Main thread, from the PLC scan.

#include <cstdint>

struct BlockCursor {
  const uint8_t* code = nullptr;  // the stream's word 0
  uint32_t size = 0;              // words in the stream
  uint32_t ip = 0;                // the next operand word
  bool form16 = true;             // 16-bit register tokens
  bool overrun = false;           // an operand ran past the stream's end
  bool bad_operand = false;       // a register operand outside the register image

  uint16_t Next();
  // Looks at the next word without taking it (0 past the end).
  uint16_t Peek() const;
};

int TalkOpen(BlockCursor& c, int power);
int TalkClose(BlockCursor& c, int power);
// Message blocks: the result is 1 once the whole count has gone out or come in; a message
// that is not done goes on at the next scan. variant 1 takes the data indirectly.
int IEC_TalkSend(BlockCursor& c, int power, int variant);
int IEC_TalkReceive(BlockCursor& c, int power, int variant);
int TalkSend(BlockCursor& c, int power);
int TalkReceive(BlockCursor& c, int power);
// The modem block's result: the function's connection, or kTalkModemRejected (the cursor
// then stands on the function word) for a function it does not know.
inline constexpr int kTalkModemRejected = 255;
int TalkModem(BlockCursor& c, int power);
int TalkModbus(BlockCursor& c, int power);
int IEC_TalkModbus(BlockCursor& c, int power);

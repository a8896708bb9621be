#pragma once
// The logic table decoded once into threaded code: one record per instruction with its
// operands resolved to image offsets and checked, jump targets resolved to records, and
// a few common instruction shapes joined into one record. The careful interpreter stays
// the reference: a record runs only what it can run exactly as the careful handlers do,
// and hands everything else to them, one instruction at a time.
//
// Decoding an instruction depends only on the words from its position on, so a record
// made for position p is right for every way the machine can arrive at p (a jump into
// what another reading took for an operand included). Positions are decoded from word 0
// and from every jump target when the table changes; a position first reached at run
// time (after a return, or after an instruction the decoder leaves to its handler) is
// decoded then, once, into the same static arena. Nothing is allocated during a scan.

#include <cstdint>

#include "machine.h"

namespace logic {

// The record counts of a joined boolean rung: two contacts and two operators, or three
// contacts and one, up to nine parts before the coil.
inline constexpr uint32_t kMinRungRecords = 6, kMaxRungRecords = 10;
// A joined boolean rung keeps each bit as mask << 24 | byte: a contact is one load of its
// field.
inline constexpr uint32_t kRungByte = 0xFFFFFF;

// What a record does. The joined shapes come first in the stream of records, followed by
// the records of their parts: a joined record that cannot run a case exactly falls
// through to its parts.
enum class Rec : uint16_t {
  kCareful,       // the careful interpreter runs one instruction from ip
  kHandler,       // an operand-less opcode through its handler
  kHandlerOperands,  // an opcode through its handler, which reads its operands; d: the next position
  kContact,       // push the bit a (byte) b (mask)
  kOperator,      // a bit-stack operator of the boolean table
  kCoil,          // a coil of the boolean table on byte a, bit b
  kContactCoil,   // contact a/b, then the coil `opcode` on bit c (byte << 8 | mask)
  kPushWord,      // a: offset
  kPushDouble,    // a: offset
  kPushImm,       // a: value
  kPushImm32,     // a: value
  kPullWord,      // a: offset
  kPullDouble,    // a: offset
  kMoveWord,      // a: destination, b: source
  kMoveImm,       // a: destination, b: value
  kJump,          // pop; when on, continue at record c (16- and 32-bit offsets); a: 1 when it leads backward
  kSkipIfOff,     // top off: continue at record c
  kCall,          // pop; when on, call record c, returning to word d
  kReturn,        // pop; when on, return
  kEnd,           // opcode 9
  kGoto,          // continue at record c (the link from a run into one decoded before)
  kFree21,        // no record has this kind
  kIntCompareCoil,  // push a, push b (or immediate b when d & 1), INT compare `opcode`, a coil other than the plain one on byte c >> 3 bit c & 7
  kTimer,         // a timer whose operands were read: record a, preset b (immediate when opcode is odd,
                  // else a register's offset), reset bit c (byte << 3 | bit)
  kAddDint, kSubDint, kMulDint,        // DINT operators on the word stack
  kAddReal, kSubReal, kMulReal, kDivReal,  // REAL operators on the word stack
  kCompareDint,                        // DINT compares `opcode` (series)
  kCounter16 = 46,  // 16-bit up (201) or down (203) counter, immediate preset: record a, preset b, reset bit c (byte << 3 | bit)
  // One kind per bit-stack operator, coil, and contact followed by that coil, numbered
  // by their places in the boolean family's tables, so that each runs inline.
  kOperatorBase = 32,
  kCoilBase = 48,
  kContactCoilBase = 56,
  kContactOperatorBase = 64,  // a contact followed by that operator
  // One kind per row of the timer family, so that its width, kind and unit are constants.
  kTimerBase = 80,
  kPushQuad = 104,  // a: offset
  kPullQuad,        // a: offset
  kLrealCompare,    // LREAL compare, sub-opcode b (0-5)
  kLrealAdd, kLrealSub, kLrealMul, kLrealDiv, kLrealSqrt, kLrealAbs,
  kAddInt, kSubInt, kMulInt, kDivInt,  // INT operators on the word stack
  kCompareInt,      // INT compares `opcode` (set)
  kCompareReal,     // REAL compares `opcode` (series)
  kPushImm64,       // a: low 32 bits, b: high 32 bits
  // Joined numeric shapes, one kind per shape and operator (kNumOps of them: INT + - * /,
  // DINT + - *, REAL + - * /, LREAL + - * /): a and b the operands' offsets (b an
  // immediate when d & 1), c the offset the result is pulled to.
  kPushPushOpBase = 128,      // push a, push b, operator
  kPushPushOpPullBase = 143,  // push a, push b, operator, pull c
  kPushOpPullBase = 158,      // push b, operator, pull c (a on the stack)
  // push a, push b, compare `opcode` (its relation as a mask of orders in c), one kind
  // per type: INT, DINT, REAL, LREAL.
  kPushPushCompareBase = 173,
  // Boolean rungs: contacts on bytes a and b with the masks in d's low and high byte, the
  // operator I of the boolean family's table and the coil J on bit c (byte << 8 | mask);
  // one kind per operator (and coil).
  kContactContactOpBase = 177,      // contact a, contact b, operator I
  kContactOpCoilBase = 190,         // contact a, operator I, coil J: + 6 * I + J
  kContactContactOpCoilBase = 268,  // contact a, contact b, operator I, coil J: + 6 * I + J
  // A contact and the instruction that takes its power flow: jump (a: 1 when it leads
  // backward), skip, call (a: the return position) and return with the contact's byte d
  // and mask b, the targets in c; timers and counters with their own fields and the
  // contact's bit in d (byte << 3 | bit).
  kContactJump = 346,
  kContactSkip,
  kContactCall,
  kContactReturn,
  kContactTimerBase = 350,  // + the timer's row
  kContactCounter = 374,    // a 16-bit counter with an immediate preset
  // The numeric shapes that pull or compare followed by a plain coil (38), its bit in
  // d >> 1 (byte << 8 | mask).
  kPushPushOpPullCoilBase = 375,
  kPushOpPullCoilBase = 390,
  kPushPushCompareCoilBase = 405,
  // A contact, a timer and a plain coil (38) on bit e (byte << 8 | mask): the timer's
  // fields as in kContactTimerBase, + the timer's row.
  kContactTimerCoilBase = 409,
  // An LREAL square root (+ 0) or absolute value (+ 1) whose result is pulled to a, then
  // (+ 2) a plain coil on bit c (byte << 8 | mask).
  kUnaryPullBase = 433,
  // A contact and a forward jump over a contact and a plain coil (38), run without a
  // branch: the contacts on bytes a and c with their masks in b's low and high byte,
  // the coil on bit d (byte << 8 | mask).
  kJumpOverCoil = 437,
  // A contact and a skip over a contact and a two-entry operator to a plain coil, run
  // without a branch: fields as kJumpOverCoil, + the operator's place.
  kSkipToCoilBase = 438,
  // A boolean rung of two or three contacts and operators that read only what its own
  // contacts pushed, ending in a coil J: + 18 * (N - kMinRungRecords) + 6 * S + J, N its
  // record count (the joined record and its parts, so that the step to the next record
  // is a constant of the kind, not a load) and S by (contacts, deepest slot): 0 (2, 2),
  // 1 (3, 2), 2 (3, 3). The contacts and the coil as mask << 24 | byte in a, b, c and d;
  // `opcode` the rung's table in the arena.
  kRungBase = 451,
  // A contact and the numeric shape after it, the shape's fields in the record and the
  // contact's bit (byte << 8 | mask) in ip (these kinds never reach a handler): + the operator for push-push-operate, then
  // + kNumOps + the operator for push-push-operate-pull, + 2 * kNumOps + the operator
  // for the same with a plain coil, and + 3 * kNumOps + the type for push-push-compare
  // with a plain coil.
  kContactNumBase = kRungBase + 18 * (kMaxRungRecords - kMinRungRecords + 1),
  // A contact, two LREAL pushes and an operator O (+ - * /), then a square root (+ 2 * O)
  // or absolute value (+ 2 * O + 1) of the result, its pull to c and a plain coil on bit
  // d (byte << 8 | mask): the fields of the contact-led shape otherwise.
  kContactUnaryBase = kContactNumBase + 3 * 15 + 4,
  // A contact, two LREAL pushes and an operator O (+ - * /), a third push and an operator
  // P on the result (+ 4 * O + P), its pull to d and a plain coil (its own record, the
  // last part, names the bit): the push in c, the contact in ip.
  kContactTwoOpBase = kContactUnaryBase + 8,
  kKinds = kContactTwoOpBase + 16,
  // A contact followed by a bit-stack operator `opcode`, before it becomes one of the
  // kinds above (a slot the operators leave free).
  kContactOperator = 45,
};

inline constexpr uint8_t kNumOps = 15;

// A record as the runner reads it: small, for the stream of records is read once per scan.
struct Threaded {
  Rec kind;
  uint16_t opcode;
  uint32_t ip;  // word index of the instruction's first word (but see kContactNumBase)
  uint32_t a, b, c, d;
};
// A field for the few kinds that need one more, kept beside the stream of records (the
// arena's `extra`).
struct Extra {
  uint32_t e;
};
// A record as the decoder makes it.
struct Record : Threaded {
  uint32_t e = 0;
};

// Statistics of the decoded form, for tests and benchmarks.
struct DecodeStats {
  uint32_t records = 0;
  uint32_t careful = 0;  // records left to the careful interpreter
  uint32_t joined = 0;   // joined shapes
  uint32_t decodes = 0;  // whole decodes since start
};

// Decodes the stream of `words` words in the given operand form from word 0 (and from its
// jump targets). False when it does not fit the arena: the careful interpreter then runs
// the program.
bool DecodeProgram(const uint8_t* stream, uint32_t words, bool form16);
// Forgets the decoded form.
void DropDecoded();
// Runs the machine (reset onto the decoded stream) through the decoded form until
// opcode 9 or a fault, leaving it exactly as Interpret would.
void RunDecoded(Machine& m);
const DecodeStats& DecodedStats();

}  // namespace logic

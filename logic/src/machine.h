#pragma once
// The state of the ladder machine during one scan: the instruction stream, the
// instruction pointer, the bit stack of power-flow bytes, the word stack of 16-bit cells,
// the call stack and the two screen requests.
//
// Every access is bounded. A stack overflow or underflow, a read past the end of the
// stream or a jump outside it does not touch memory: it records a fault, the access
// yields 0 (or a spare slot), and the interpreter stops the scan when the handler
// returns. Handlers that write more than one place read all their operands first and
// return early when Failed(), so a faulty instruction changes nothing.

#include <cstdint>
#include <cstring>

#include "platform/clock.h"

namespace logic {

inline constexpr uint32_t kBitStackSize = 20;
inline constexpr uint32_t kWordStackSize = 40;
inline constexpr uint32_t kCallDepth = 8;

// Why the machine stopped. kEnd is the normal end (opcode 9); every other value is an
// error return at the instruction pointer's position.
enum class Stop : uint8_t {
  kRunning = 0,
  kEnd,                 // opcode 9
  kInvalidOpcode,       // an opcode of no meaning, or a group above 8
  kNotBuilt,            // an opcode with a meaning whose instruction family is not built
  kRanOffEnd,           // the stream ended before opcode 9, or inside an operand
  kBitStackOverflow,
  kBitStackUnderflow,
  kWordStackOverflow,
  kWordStackUnderflow,
  kCallTooDeep,         // a call at depth 8
  kReturnAtDepthZero,
  kJumpOutside,         // a jump, call or step target outside the stream
  kBadOperand,          // a register operand that does not address the image
  kBlockRejected,       // a block refused its operands (modem block)
  kEndlessLoop,         // a scan that loops past its bounds (see BackwardJumpPastBound)
};

// Every loop in the stream goes through a backward jump. A scan that jumps back more
// than kBackwardJumpLimit times, or keeps looping for longer than kLoopTimeLimitNs,
// would never end in practice (on the board only the hardware watchdog, 5 s, would stop
// it), so the logic stops with a fault and the unit stays reachable for a new program.
// The time bound matters for long loop bodies, where the count alone would take minutes.
inline constexpr uint32_t kBackwardJumpLimit = 1u << 20;
inline constexpr int64_t kLoopTimeLimitNs = 1'000'000'000;
inline constexpr uint32_t kLoopClockEvery = 1024;  // backward jumps between clock reads

struct Machine {
  // --- the stream -----------------------------------------------------------------
  const uint8_t* code = nullptr;  // word 0 of the stream
  uint32_t size = 0;              // words in the stream
  uint32_t ip = 0;                // index of the next word to read
  bool form16 = true;             // operand form of the loaded program (RegTokLen_16b)
  Stop stop = Stop::kRunning;
  uint32_t at = 0;                // instruction pointer when the machine stopped
  uint32_t backward_jumps = 0;    // in this scan
  int64_t loop_started_ns = 0;    // the clock at this scan's first backward jump
  bool loop_bound_hit = false;    // sticky, so that every path that asks again agrees

  // --- the stacks -----------------------------------------------------------------
  uint8_t bsp = 0;  // entries on the bit stack
  uint8_t wsp = 0;  // cells on the word stack
  uint8_t depth = 0;
  uint8_t spare = 0;  // what Top() hands out on an empty bit stack
  uint8_t bits[kBitStackSize] = {};
  uint16_t words[kWordStackSize] = {};
  uint32_t calls[kCallDepth] = {};

  // --- per-scan screen requests ---------------------------------------------------
  uint16_t alarm_request = 0xFFFF;  // none
  uint16_t screen_request = 0;

  // Prepares a scan of the stream of size words from word 0.
  void Reset(const uint8_t* stream, uint32_t words, bool form_16bit) {
    code = stream;
    size = words;
    ip = 0;
    form16 = form_16bit;
    stop = Stop::kRunning;
    at = 0;
    backward_jumps = 0;
    loop_bound_hit = false;
    bsp = wsp = depth = 0;
    alarm_request = 0xFFFF;
    screen_request = 0;
  }

  bool Failed() const { return stop != Stop::kRunning; }
  // Records the first reason to stop and where it happened: the instruction pointer,
  // just after the word that stopped the machine. Reads that follow within the same
  // handler stay bounded but change neither.
  void Fail(Stop why) {
    if (stop != Stop::kRunning) return;
    stop = why;
    at = ip;
  }

  // --- reading the stream ---------------------------------------------------------
  uint16_t WordAt(uint32_t index) const {
    uint16_t w;
    std::memcpy(&w, code + 2 * std::size_t(index), 2);
    return w;
  }
  // The next word, advancing past it; past the end: a fault, 0, and ip stays at the end.
  uint16_t Next() {
    if (ip >= size) {
      Fail(Stop::kRanOffEnd);
      return 0;
    }
    return WordAt(ip++);
  }
  // Counts one taken backward jump; true once this scan has looped past its bounds.
  bool BackwardJumpPastBound() {
    if (loop_bound_hit) return true;
    ++backward_jumps;
    if (backward_jumps == 1) {
      loop_started_ns = plat::MonotonicNs();
    } else if (backward_jumps % kLoopClockEvery == 0 && plat::MonotonicNs() - loop_started_ns > kLoopTimeLimitNs) {
      loop_bound_hit = true;
    }
    if (backward_jumps > kBackwardJumpLimit) loop_bound_hit = true;
    return loop_bound_hit;
  }
  // Continues at target words from the start when it lies inside the stream.
  void JumpTo(int64_t target) {
    if (target < 0 || target >= int64_t(size)) {
      Fail(Stop::kJumpOutside);
      return;
    }
    if (target < int64_t(ip) && BackwardJumpPastBound()) {
      Fail(Stop::kEndlessLoop);
      return;
    }
    ip = uint32_t(target);
  }

  // --- bit stack ------------------------------------------------------------------
  void Push(uint8_t v) {
    if (bsp == kBitStackSize) {
      Fail(Stop::kBitStackOverflow);
      return;
    }
    bits[bsp++] = v;
  }
  uint8_t Pop() {
    if (bsp == 0) {
      Fail(Stop::kBitStackUnderflow);
      return 0;
    }
    return bits[--bsp];
  }
  uint8_t& Top() {
    if (bsp == 0) {
      Fail(Stop::kBitStackUnderflow);
      return spare;
    }
    return bits[bsp - 1];
  }

  // --- word stack -----------------------------------------------------------------
  uint8_t Cells() const { return wsp; }
  void PushCell(uint16_t v) {
    if (wsp == kWordStackSize) {
      Fail(Stop::kWordStackOverflow);
      return;
    }
    words[wsp++] = v;
  }
  uint16_t PopCell() {
    if (wsp == 0) {
      Fail(Stop::kWordStackUnderflow);
      return 0;
    }
    return words[--wsp];
  }
  // Two cells, the low word in the lower cell (pushed first).
  void Push32(uint32_t v) {
    if (wsp + 2u > kWordStackSize) {
      Fail(Stop::kWordStackOverflow);
      return;
    }
    words[wsp++] = uint16_t(v);
    words[wsp++] = uint16_t(v >> 16);
  }
  uint32_t Pop32() {
    if (wsp < 2) {
      Fail(Stop::kWordStackUnderflow);
      return 0;
    }
    wsp = uint8_t(wsp - 2);
    return words[wsp] | (uint32_t(words[wsp + 1]) << 16);
  }
};

// On is any non-zero power-flow byte; NOT gives 1 for 0 and 0 for anything else.
constexpr uint8_t Not(uint8_t v) { return v == 0; }
// 0xFF for an on byte, 0 for off: a mask for the branch-free forms of AND and OR.
constexpr uint8_t OnMask(uint8_t v) { return uint8_t(0u - unsigned(v != 0)); }

}  // namespace logic

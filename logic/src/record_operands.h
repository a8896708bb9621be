#pragma once
// The operands that timers and counters share after their reset bit: the record (its
// value, then its control word) and the preset, immediate or in a register.
#include <cstdint>

#include "ground/unaligned.h"
#include "ground/regimage.h"
#include "machine.h"
#include "operands.h"

namespace logic {

// True when bytes [offset, offset + length) lie inside the registers of the image, that
// is before its internal bytes, which no register reference names.
constexpr bool InRegisters(uint32_t offset, uint32_t length) {
  return uint64_t(offset) + length <= reg::kOffInternal;
}

template <bool kWide>
struct RecordOperands {
  static constexpr uint32_t kValueBytes = kWide ? 4 : 2;

  uint32_t record = 0;     // byte offset of the value
  bool immediate = false;
  int64_t immediate_preset = 0;
  uint32_t preset_at = 0;  // byte offset of a register preset

  uint32_t control() const { return record + kValueBytes; }

  // The record's value: a DINT, or its 16-bit word, read as an INT when signed16 (a
  // count) and as a UINT otherwise (a timer's time).
  int64_t Value(bool signed16) const {
    if constexpr (kWide) return int32_t(UTIL_GetDword(plc_reg + record));
    return signed16 ? int64_t(int16_t(RegWord(record))) : int64_t(RegWord(record));
  }
  // v fits the record's width; a 16-bit record keeps v's low 16 bits.
  void SetValue(int64_t v) const {
    if constexpr (kWide) {
      UTIL_PutDword(plc_reg + record, uint32_t(v));
    } else {
      SetRegWord(record, uint16_t(v));
    }
  }

  // The preset's value now. A 16-bit immediate is unsigned (40000 is never reached by an
  // up counter); a 16-bit register preset is an INT, so one of 32768 or more is negative.
  int64_t Preset() const {
    if (immediate) return immediate_preset;
    if constexpr (kWide) return int32_t(UTIL_GetDword(plc_reg + preset_at));
    return int16_t(RegWord(preset_at));
  }

  // Reads the operands at the machine's position. False when the machine stopped or the
  // record or a register preset lies outside the register area: the instruction then
  // does nothing and its power flow goes off.
  bool Read(Machine& m, bool is_immediate) {
    immediate = is_immediate;
    record = WordOperand(m);
    if (immediate) {
      immediate_preset = kWide ? int64_t(int32_t(Imm32(m))) : int64_t(Imm16(m));
    } else {
      preset_at = WordOperand(m);
    }
    if (m.Failed()) return false;
    return InRegisters(record, kValueBytes + 2) && (immediate || InRegisters(preset_at, kValueBytes));
  }
};

}  // namespace logic

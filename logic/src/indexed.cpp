// Array, pointer and mask instructions.
//
// Array limits (i is the u16 value of the index register):
//   340 bit    i = 0 or element byte at or above the ET window: push 0
//   341 bit    i = 0: pop, write nothing (PlcReg_Set refuses an element past the registers)
//   342 byte   i = 0 or element at or above the ET window: power off, push 0
//   343 byte   i = 0, element at or above the ET window or a refused write: pop, power off
//   344 word   i outside 1..50240 or element at or above the ET window: power off, push 0
//   345 word   i outside 1..50240, element in the ET window or a refused write: pop, power off
//   346 dword  i outside 1..25120 or element past the ET window: power off, push 0, 0
//   347 dword  i outside 1..25120, element reaching the ET window or a refused write: pop
//              two, power off
#include "indexed.h"

#include "ground/regaccess.h"
#include "pointer.h"
#include "word_stack.h"

namespace logic::indexed {

namespace {

constexpr uint32_t kWordLimit = 50240;
constexpr uint32_t kDwordLimit = 25120;
constexpr uint32_t kFirstEtWord = reg::kOffET / 2;

// The base of an array: one word in both operand forms, a token of 1024 or above.
uint32_t BaseOperand(Machine& m) {
  const uint16_t t = m.Next();
  if (m.Failed()) return 0;
  if (t < kFirstToken) return detail::Refuse(m);
  return t - kFirstToken;  // bit address
}

struct Indexed {
  uint32_t base_bits = 0;  // bit address of the base (element 1)
  uint32_t i = 0;
};

// Base and index register; false when the machine stopped.
bool ReadArray(Machine& m, Indexed& a) {
  a.base_bits = BaseOperand(m);
  const uint32_t x = WordOperand(m);
  if (m.Failed()) return false;
  a.i = RegWord(x);
  return true;
}

uint32_t TokenOfByte(uint64_t byte) { return uint32_t(kFirstToken + 8 * byte); }

bool SetThrough(uint64_t byte, const void* v, uint32_t bits) {
  if (byte >= reg::kImageSize) return false;
  return PlcReg_Set(TokenOfByte(byte), v, bits) == 1;
}

// --- pointers -------------------------------------------------------------------------

uint64_t Load(uint32_t at, uint32_t bytes) {
  uint64_t v = 0;
  for (uint32_t b = 0; b < bytes; ++b) v |= uint64_t(plc_reg[at + b]) << (8 * b);
  return v;
}
void Store(uint32_t at, uint64_t v, uint32_t bytes) {
  for (uint32_t b = 0; b < bytes; ++b) plc_reg[at + b] = uint8_t(v >> (8 * b));
}

// Pointer P and offset k: the address, or -1 when P + k with width bytes leaves the
// registers.
int64_t PointerAddress(Machine& m, uint32_t width) {
  const int64_t p = PointerOperand(m);
  const uint16_t k = Imm16(m);
  if (m.Failed()) return -1;
  const int64_t at = p + k;
  return PointerRange(at, width) ? at : -1;
}

}  // namespace

void BitElementGet(Machine& m, uint16_t) {
  Indexed a;
  if (!ReadArray(m, a)) return;
  const uint64_t bit = uint64_t(a.base_bits) + a.i - 1;
  const bool valid = a.i != 0 && bit / 8 < reg::kOffET;
  m.Push(valid && (plc_reg[bit / 8] >> (bit % 8) & 1) ? 0xFF : 0);
}

void BitElementSet(Machine& m, uint16_t) {
  Indexed a;
  if (!ReadArray(m, a)) return;
  const uint8_t flow = m.Pop();
  if (m.Failed() || a.i == 0) return;
  const uint64_t bit = uint64_t(a.base_bits) + a.i - 1;
  const uint8_t v = flow != 0;
  if (bit / 8 < reg::kImageSize) PlcReg_Set(uint32_t(kFirstToken + bit), &v, 1);
}

void ByteElementGet(Machine& m, uint16_t) {
  Indexed a;
  if (!ReadArray(m, a)) return;
  const uint64_t byte = a.base_bits / 8 + uint64_t(a.i) - 1;
  if (a.i == 0 || byte >= reg::kOffET) {
    PowerOff(m);
    m.PushCell(0);
    return;
  }
  m.PushCell(plc_reg[byte]);
}

void ByteElementSet(Machine& m, uint16_t) {
  Indexed a;
  if (!ReadArray(m, a)) return;
  const uint8_t v = uint8_t(m.PopCell());
  if (m.Failed()) return;
  const uint64_t byte = a.base_bits / 8 + uint64_t(a.i) - 1;
  if (a.i == 0 || byte >= reg::kOffET || !SetThrough(byte, &v, 8)) PowerOff(m);
}

void WordElementGet(Machine& m, uint16_t) {
  Indexed a;
  if (!ReadArray(m, a)) return;
  const uint64_t word = a.base_bits / 16 + uint64_t(a.i) - 1;
  if (a.i == 0 || a.i > kWordLimit || word >= kFirstEtWord) {
    PowerOff(m);
    m.PushCell(0);
    return;
  }
  m.PushCell(RegWord(uint32_t(2 * word)));
}

void WordElementSet(Machine& m, uint16_t) {
  Indexed a;
  if (!ReadArray(m, a)) return;
  const uint16_t v = m.PopCell();
  if (m.Failed()) return;
  const uint64_t word = a.base_bits / 16 + uint64_t(a.i) - 1;
  if (a.i == 0 || a.i > kWordLimit || word >= kFirstEtWord || !SetThrough(2 * word, &v, 16)) PowerOff(m);
}

void DwordElementGet(Machine& m, uint16_t) {
  Indexed a;
  if (!ReadArray(m, a)) return;
  const uint64_t word = a.base_bits / 16 + 2 * (uint64_t(a.i) - 1);
  if (a.i == 0 || a.i > kDwordLimit || word + 1 >= kFirstEtWord) {
    PowerOff(m);
    m.Push32(0);
    return;
  }
  m.PushCell(RegWord(uint32_t(2 * word)));
  m.PushCell(RegWord(uint32_t(2 * word + 2)));
}

void DwordElementSet(Machine& m, uint16_t) {
  Indexed a;
  if (!ReadArray(m, a)) return;
  const uint32_t v = m.Pop32();
  if (m.Failed()) return;
  const uint64_t word = a.base_bits / 16 + 2 * (uint64_t(a.i) - 1);
  uint8_t bytes[4];
  UTIL_PutDword(bytes, v);
  if (a.i == 0 || a.i > kDwordLimit || word + 1 >= kFirstEtWord || !SetThrough(2 * word, bytes, 32)) PowerOff(m);
}

void AddressOf(Machine& m, uint16_t) {
  const uint32_t d = WordOperand(m, 2);
  const uint32_t s = ByteOperand(m);
  const uint16_t k = Imm16(m);
  if (!m.Failed()) UTIL_PutDword(plc_reg + d, s + k);
}

void PointerRead(Machine& m, uint16_t opcode) {
  static constexpr uint8_t kWidth[] = {1, 2, 4, 1};  // 351..354
  const uint32_t width = kWidth[opcode - 351];
  const int64_t at = PointerAddress(m, width);
  if (m.Failed()) return;
  const uint64_t v = at < 0 ? 0 : Load(uint32_t(at), width);
  if (opcode == 354) {
    m.Push(v & 1 ? 0xFF : 0);
  } else if (width == 4) {
    m.Push32(uint32_t(v));
  } else {
    m.PushCell(uint16_t(v));
  }
  if (at < 0) PowerOff(m);
}

void PointerWrite(Machine& m, uint16_t opcode) {
  static constexpr uint8_t kWidth[] = {1, 2, 4, 1};  // 355..358
  const uint32_t width = kWidth[opcode - 355];
  const int64_t at = PointerAddress(m, width);
  if (m.Failed()) return;
  uint64_t v;
  if (opcode == 358) {
    v = m.Pop() != 0 ? 0xFF : 0;
  } else {
    v = width == 4 ? m.Pop32() : m.PopCell();
  }
  if (m.Failed()) return;
  if (at >= 0) {
    Store(uint32_t(at), v, width);
  } else if (opcode != 358) {
    PowerOff(m);
  }
}

void PointerAdd(Machine& m, uint16_t) {
  const uint32_t d = WordOperand(m, 2);
  const uint32_t s = WordOperand(m, 2);
  const uint32_t v = Imm32(m);
  if (!m.Failed()) UTIL_PutDword(plc_reg + d, UTIL_GetDword(plc_reg + s) + v);
}

void WordIsOne(Machine& m, uint16_t) {
  const uint32_t a = WordOperand(m);
  if (!m.Failed()) m.Push(RegWord(a) == 1);
}

void MaskTest(Machine& m, uint16_t opcode) {
  const uint32_t words = opcode == 363 ? 2 : 1;
  const uint32_t a = WordOperand(m, words);
  const uint32_t b = WordOperand(m, words);
  if (m.Failed()) return;
  bool any = false;
  for (uint32_t w = 0; w < words; ++w) any |= (RegWord(a + 2 * w) & RegWord(b + 2 * w)) != 0;
  m.Push(any ? 0xFF : 0);
}

void MaskWrite(Machine& m, uint16_t opcode) {
  const uint32_t words = opcode == 365 ? 2 : 1;
  const uint32_t d = WordOperand(m, words);
  const uint32_t s = WordOperand(m, words);
  if (m.Failed()) return;
  const bool on = m.Pop() != 0;
  if (m.Failed()) return;
  for (uint32_t w = 0; w < words; ++w) {
    const uint16_t mask = RegWord(s + 2 * w), old = RegWord(d + 2 * w);
    SetRegWord(d + 2 * w, on ? uint16_t(old | mask) : uint16_t(old & ~mask));
  }
}

void PointerCopyWords(Machine& m, uint16_t) {
  const int64_t p = PointerOperand(m);
  const int64_t q = PointerOperand(m);
  const uint16_t n = Imm16(m);
  if (m.Failed()) return;
  if (!PointerRange(p, 2 * int64_t(n)) || !PointerRange(q, 2 * int64_t(n))) return PowerOff(m);
  // Lowest byte first: a destination just above an overlapping source repeats it.
  for (uint32_t b = 0; b < 2u * n; ++b) plc_reg[p + b] = plc_reg[q + b];
}

void PointerFillFrom(Machine& m, uint16_t) {
  const int64_t p = PointerOperand(m);
  const int64_t q = PointerOperand(m);
  const uint16_t n = Imm16(m);
  if (m.Failed()) return;
  if (!PointerRange(p, 2 * int64_t(n)) || !PointerRange(q, 2)) return PowerOff(m);
  // The source is read again for every word, byte by byte in address order.
  for (uint32_t w = 0; w < n; ++w) {
    plc_reg[p + 2 * w] = plc_reg[q];
    plc_reg[p + 2 * w + 1] = plc_reg[q + 1];
  }
}

void PointerFillWith(Machine& m, uint16_t) {
  const int64_t p = PointerOperand(m);
  const uint16_t v = Imm16(m);
  const uint16_t n = Imm16(m);
  if (m.Failed()) return;
  if (!PointerRange(p, 2 * int64_t(n))) return PowerOff(m);
  for (uint32_t w = 0; w < n; ++w) Store(uint32_t(p + 2 * w), v, 2);
}

void PointerCopy4(Machine& m, uint16_t) {
  const int64_t p = PointerOperand(m);
  const int64_t q = PointerOperand(m);
  if (m.Failed()) return;
  if (!PointerRange(p, 4) || !PointerRange(q, 4)) return PowerOff(m);
  for (uint32_t b = 0; b < 4; ++b) plc_reg[p + b] = plc_reg[q + b];
}

void PointerStore4(Machine& m, uint16_t) {
  const int64_t p = PointerOperand(m);
  const uint32_t v = Imm32(m);
  if (m.Failed()) return;
  if (!PointerRange(p, 4)) return PowerOff(m);
  Store(uint32_t(p), v, 4);
}

}  // namespace logic::indexed

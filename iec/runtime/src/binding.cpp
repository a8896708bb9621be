// Binding of IEC variables to the panel's registers: six tables of pointer pairs built
// once from the I/O binding table, synchronised every scan. Two-way entries keep the
// last value both sides agreed on, so that the side that changed since is the one that
// wins.
#include "binding.h"

#include <cstring>

#include "iec_runtime/services.h"
#include "iec_runtime/var_map.h"
#include "iec_runtime/vm_db.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "platform/trace.h"

uint8_t orvanel_variables_enumerateded = 0;
uint32_t orvanel_total_variables_enumerated = 0;

namespace {

constexpr uint32_t kSlots = 6464;

struct BitEntry {
  uint32_t d;
  uint8_t* reg;
  uint8_t* iec;
  uint8_t mask, last;
  bool writable;
};
struct WordEntry {
  uint32_t d;
  uint8_t* reg;
  uint8_t* iec;
  uint16_t last, min, max;
  bool writable;
};
template <typename E, uint32_t N>
struct Table {
  E e[N];
  uint32_t n = 0;
  void Add(const E& x) {
    if (n < N) e[n++] = x;
  }
};

Table<BitEntry, 2304> g_bit_in, g_bit_out;
Table<BitEntry, 512> g_bit_sys;
Table<WordEntry, 544> g_word_in, g_word_out;
Table<WordEntry, 256> g_sr;

uint32_t g_tokens[kSlots];
bool g_have_tokens = false;
uint32_t g_generation = 1, g_bound_generation = 0;
uint8_t g_first_scan = 0;
const IecVarBackend* g_backend = nullptr;

constexpr uint16_t kWritableSr[] = {3072, 3088, 3104, 3136, 3216, 3520, 3536, 3568,
                                    3584, 3968, 3984, 4048, 5680, 5728, 5840, 6000};

uint16_t Ld16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
void St16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }

// The IEC variable of a token with `bytes` bytes behind it; a string's record.
uint8_t* Decode(uint8_t* db, uint32_t token, uint32_t bytes) {
  if (db == nullptr) return nullptr;
  const uint32_t index = token & 0xFFFFF;
  if (token & (1u << 29)) {
    const DbAreaDesc* ct = N4VM_Area(db, kArCt);
    return uint64_t(index) + bytes <= ct->raw_size ? db + ct->address + index : nullptr;
  }
  int area;
  uint32_t width;
  switch ((token >> 26) & 7) {
    case 0: case 6: area = kArData8; width = 1; break;
    case 1: area = kArData16; width = 2; break;
    case 2: area = kArData32; width = 4; break;
    case 3: area = kArData64; width = 8; break;
    case 5: area = kArTime; width = 4; break;
    case 4: {
      uint8_t* slot = N4VM_Item(db, kArStringPtrs, index);
      if (slot == nullptr) return nullptr;
      uint32_t rec;
      std::memcpy(&rec, slot, 4);
      const DbAreaDesc* buf = N4VM_Area(db, kArStringBuf);
      if (rec < buf->address || uint64_t(rec) + 3 > uint64_t(buf->address) + buf->raw_size) return nullptr;
      return db + rec;
    }
    default: return nullptr;
  }
  const DbAreaDesc* a = N4VM_Area(db, area);
  if (bytes < width) bytes = width;
  if (uint64_t(index) * width + bytes > uint64_t(a->allocated) * width) return nullptr;
  return db + a->address + uint64_t(index) * width;
}

// The binding's pointer: a string binds its characters, which must hold `bytes`.
uint8_t* BindPointer(uint8_t* db, uint32_t token, uint32_t bytes) {
  uint8_t* p = Decode(db, token, bytes);
  if (p == nullptr || (token & (1u << 29)) || ((token >> 26) & 7) != 4) return p;
  return p[0] >= bytes ? p + 2 : nullptr;
}

uint32_t PanelAddress(uint32_t i) {
  if (i < 1024) return i + 1024;
  if (i < 1280) return 16 * i - 14336;
  if (i < 1344) return 0x10030000 + 16 * (i - 1280);
  if (i < 5440) return i + 6848;
  return 16 * i - 70656;
}

void Bind() {
  g_bit_in.n = g_bit_out.n = g_bit_sys.n = g_word_in.n = g_word_out.n = g_sr.n = 0;
  g_bound_generation = g_generation;
  uint8_t* db = static_cast<uint8_t*>(pDB);
  if (!g_have_tokens || db == nullptr) return;
  for (uint32_t i = 0; i < kSlots; ++i) {
    const uint32_t token = g_tokens[i];
    if (token == 0) continue;
    const uint32_t d = PanelAddress(i);
    const bool bit = i < 1024 || (i >= 1344 && i < 5440);
    uint8_t* iec = BindPointer(db, token, bit ? 1 : 2);
    if (iec == nullptr) continue;
    if (bit) {
      BitEntry e{d, plc_reg + (d - 1024) / 8, iec, uint8_t(1u << (i % 8)), 0, d >= 0x700 && d < 0x800};
      e.last = *iec != 0;
      if ((d >= 0x400 && d < 0x500) || (d >= 0x2000 && d < 0x2800)) g_bit_in.Add(e);
      else if ((d >= 0x500 && d < 0x600) || (d >= 0x2800 && d < 0x3000)) g_bit_out.Add(e);
      else g_bit_sys.Add(e);
      continue;
    }
    WordEntry w{d, nullptr, iec, Ld16(iec), 0, 0, false};
    if (d >= 0x10030000) {
      w.reg = PlcReg_Ptr(d, 16);
      if (w.reg != nullptr) g_sr.Add(w);
      continue;
    }
    w.reg = plc_reg + (d - 1024) / 8;
    if (d >= 0x800 && d < 0xA00) {
      g_word_in.Add(w);
    } else if (d >= 0xA00 && d < 0xC00) {
      g_word_out.Add(w);
    } else if (d >= 0xC00 && d < 0x1800) {
      for (uint16_t s : kWritableSr) w.writable |= d == s;
      if (w.writable && VmDbWordSR_MinMax(&w.min, &w.max, int((d - 3072) / 16)) == 0) w.writable = false;
      g_sr.Add(w);
    } else if (d >= 0x4000 && d < 0x6000) {
      g_word_in.Add(w);
    } else if (d >= 0x6000 && d < 0x8000) {
      g_word_out.Add(w);
    }
  }
}

// Syncs only while an application runs, on tables bound to the current database.
bool Ready() {
  if (iVmAlive != 1 || pDB == nullptr) return false;
  if (g_bound_generation != g_generation) Bind();
  return true;
}

void SyncWords(Table<WordEntry, 544>& t) {
  for (uint32_t k = 0; k < t.n; ++k) {
    WordEntry& e = t.e[k];
    const uint16_t r = Ld16(e.reg), v = Ld16(e.iec);
    if (r == v) {
      e.last = r;  // both sides agree: that is the last common value
      continue;
    }
    if (r == e.last) {
      St16(e.reg, v);  // only the IEC side changed
      e.last = v;
    } else {
      St16(e.iec, r);  // the register changed (or both did: the register wins)
      e.last = r;
    }
  }
}

template <uint32_t N>
void SyncBits(Table<BitEntry, N>& t) {
  for (uint32_t k = 0; k < t.n; ++k) {
    BitEntry& e = t.e[k];
    const uint8_t b = (*e.reg & e.mask) != 0, v = *e.iec != 0;
    if (v == b) {
      e.last = v;
      continue;
    }
    if (v == e.last) {
      *e.iec = b;  // only the register changed
      e.last = b;
    } else {
      *e.reg = v ? uint8_t(*e.reg | e.mask) : uint8_t(*e.reg & ~e.mask);  // the IEC side wins
      e.last = v;
    }
  }
}

}  // namespace

void Iec_SetVarBackend(const IecVarBackend* backend) { g_backend = backend; }

uint8_t* OrvanelCalculateVmDbAddress(const uint32_t* token_holder, uint32_t nbits, int, int flag) {
  if (token_holder == nullptr) return nullptr;
  if (g_backend != nullptr) return g_backend->address(*token_holder, nbits, flag);
  const uint32_t token = *token_holder;
  // Packed bits keep one byte per bit; other reads take nbits / 8 bytes, a bit its element.
  uint32_t bytes = ((token >> 26) & 7) == 6 ? nbits : nbits / 8;
  return Decode(static_cast<uint8_t*>(pDB), token, bytes);
}

void Orvanel_Bit_To_Byte(const uint8_t* source, uint8_t* destination, uint32_t bits) {
  for (uint32_t i = 0; i < bits; ++i) destination[i] = (source[i / 8] >> (i % 8)) & 1;
}

void Orvanel_Byte_To_Bit(const uint8_t* source, uint8_t* destination, uint32_t bits) {
  for (uint32_t i = 0; i < bits; ++i) {
    uint8_t m = uint8_t(1u << (i % 8));
    destination[i / 8] = source[i] ? (destination[i / 8] | m) : (destination[i / 8] & ~m);
  }
}

void ClearOrvanelFlags() {
  plat::TraceCall("ClearOrvanelFlags");
  orvanel_variables_enumerateded = 0;
  orvanel_total_variables_enumerated = 0;
}

void OrvanelUpdateWordSRRegs() {
  plat::TraceCall("OrvanelUpdateWordSRRegs");
  if (!Ready()) return;
  const bool first = g_first_scan & 0x01;
  for (uint32_t k = 0; k < g_sr.n; ++k) {
    WordEntry& e = g_sr.e[k];
    const uint16_t r = Ld16(e.reg), v = Ld16(e.iec);
    if (!e.writable || first) {
      St16(e.iec, r);
    } else if (r != v) {
      if (v == e.last) St16(e.iec, r);
      else if (v >= e.min && v <= e.max) St16(e.reg, v);
      else St16(e.iec, r);
    }
    e.last = Ld16(e.reg);
  }
  g_first_scan &= uint8_t(~0x01);
}

void OrvanelUpdateBitSysRegs() {
  plat::TraceCall("OrvanelUpdateBitSysRegs");
  if (!Ready()) return;
  const bool first = g_first_scan & 0x02;
  for (uint32_t k = 0; k < g_bit_sys.n; ++k) {
    BitEntry& e = g_bit_sys.e[k];
    const uint8_t b = (*e.reg & e.mask) != 0;
    if (!e.writable || first) {
      *e.iec = b;
      e.last = b;
      continue;
    }
    const uint8_t v = *e.iec != 0;
    if (v != b) {
      if (v == e.last) *e.iec = b;
      else *e.reg = v ? uint8_t(*e.reg | e.mask) : uint8_t(*e.reg & ~e.mask);
    }
    e.last = *e.iec != 0;
  }
  g_first_scan &= uint8_t(~0x02);
}

void OrvanelUpdateBitInputRegs() {
  plat::TraceCall("OrvanelUpdateBitInputRegs");
  if (Ready()) SyncBits(g_bit_in);
}
void OrvanelUpdateWordInputRegs() {
  plat::TraceCall("OrvanelUpdateWordInputRegs");
  if (Ready()) SyncWords(g_word_in);
}
void OrvanelUpdateBitOutputRegs() {
  plat::TraceCall("OrvanelUpdateBitOutputRegs");
  if (Ready()) SyncBits(g_bit_out);
}
void OrvanelUpdateWordOutputRegs() {
  plat::TraceCall("OrvanelUpdateWordOutputRegs");
  if (Ready()) SyncWords(g_word_out);
}

uint32_t OrvanelCalculateRegToken(const uint8_t* pointer, int kind, int input) {
  if (pDB == nullptr || pointer == nullptr) return 0;
  if (g_bound_generation != g_generation) Bind();
  auto find_words = [&](const auto& t) -> uint32_t {
    for (uint32_t k = 0; k < t.n; ++k)
      if (t.e[k].iec == pointer) return t.e[k].d;
    return 0;
  };
  switch (kind) {
    case 0: return input ? find_words(g_word_in) : find_words(g_word_out);
    case 1: return input ? find_words(g_bit_in) : find_words(g_bit_out);
    case 2: return find_words(g_sr);
    default: return find_words(g_bit_sys);
  }
}

int EnumOrvanelVars() {
  plat::TraceCall("EnumOrvanelVars");
  uint8_t* db = static_cast<uint8_t*>(pDB);
  if (db == nullptr) {
    ClearOrvanelFlags();
    return 0;
  }
  uint32_t cursor = 0, n = 0;
  for (N4MapItem it = N4Map_GetFirst(db, &cursor); it != nullptr; it = N4Map_GetNext(db, &cursor)) ++n;
  orvanel_total_variables_enumerated = n;
  orvanel_variables_enumerateded = 1;
  return 1;
}

namespace n4bind {
void Build(const uint8_t* tokens) {
  plat::TraceCall("BuildBindingTables");
  g_have_tokens = tokens != nullptr;
  if (tokens) std::memcpy(g_tokens, tokens, sizeof g_tokens);
  Bind();
}
void DatabaseChanged() { ++g_generation; }
void SetFirstScan(uint8_t flags) { g_first_scan = flags; }
void SetBoundSystemBits() {
  if (g_bound_generation != g_generation) Bind();
  for (uint32_t k = 0; k < g_bit_sys.n; ++k) *g_bit_sys.e[k].iec = 1;
}
int Enumerate() { return EnumOrvanelVars(); }
}  // namespace n4bind

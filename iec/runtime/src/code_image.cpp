// The code image: the compiled application, read in place. The check walks every
// section, list and chained record once against the image's size, so that the rest of
// the runtime (which may receive the image from the network) can read it without
// bounds checks of its own.
#include "iec_runtime/code_image.h"

#include <cstring>

#include "le_bytes.h"

namespace {

enum HeaderWord : unsigned {
  kWFormat = 0, kWSignature = 1, kWAppHeader = 2, kWCustomFuncs = 3, kWClasses = 4, kWTasks = 5,
  kWExtVars = 6, kWInstances = 7, kWSizing = 8, kWInit = 9, kWExtension = 10, kWIoDef = 11,
  kWProgCount = 12, kWProgList = 14, kWStatusWord = 15, kWPublished = 16, kHeaderWords = 17,
};

uint32_t Word(const uint8_t* code, unsigned w) { return le::U32(code + 4 * w); }
const uint8_t* At(const uint8_t* code, unsigned w) { return code + Word(code, w); }

// The lowest extension version that carries slot n (0: no such slot).
uint32_t SlotVersion(unsigned n) {
  static const uint8_t kMin[] = {0, 1, 2, 3, 4, 4, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 14, 15, 16, 17, 18, 19, 22, 0, 0, 24, 24};
  return n < sizeof kMin ? kMin[n] : 0;
}
unsigned SlotCount(uint32_t version) {
  unsigned count = 0;
  for (unsigned n = 1; n < 27; ++n)
    if (SlotVersion(n) != 0 && version >= SlotVersion(n)) count = n;
  return count;
}

// Bounds of the image, for the check.
class Span {
 public:
  Span(const uint8_t* base, uint32_t size) : b_(base), n_(size) {}
  // [off, off + len) inside the image.
  bool Has(uint64_t off, uint64_t len) const { return off <= n_ && len <= n_ - off; }
  uint8_t Byte(uint32_t off) const { return b_[off]; }
  uint16_t U16(uint32_t off) const { return le::U16(b_ + off); }
  uint32_t U32(uint32_t off) const { return le::U32(b_ + off); }
  // A NUL inside [off, off + limit) and inside the image.
  bool Text(uint32_t off, uint32_t limit) const {
    if (off >= n_) return false;
    uint32_t end = (n_ - off < limit) ? n_ : off + limit;
    return std::memchr(b_ + off, 0, end - off) != nullptr;
  }
  // A run of fixed-size entries ended by one whose u16 at key_off is 0.
  bool Terminated(uint32_t off, uint32_t entry, uint32_t key_off) const {
    for (uint64_t at = off;; at += entry) {
      if (!Has(at, entry)) return false;
      if (U16(uint32_t(at + key_off)) == 0) return true;
    }
  }
  // The string list of the initial values: {u16 index, byte length, text, NUL, pad to even}.
  bool StringInits(uint32_t off) const {
    for (uint64_t at = off;;) {
      if (!Has(at, 2)) return false;
      if (U16(uint32_t(at)) == 0) return true;
      if (!Has(at, 3)) return false;
      uint32_t len = b_[at + 2];
      uint64_t entry = 3 + uint64_t(len) + 1;
      entry += entry & 1;
      if (!Has(at, entry) || b_[at + 3 + len] != 0) return false;
      at += entry;
    }
  }
  bool Bytes0(uint32_t off) const { return off < n_ && std::memchr(b_ + off, 0, n_ - off) != nullptr; }

 private:
  const uint8_t* b_;
  uint32_t n_;
};

bool CheckNameList(const Span& s, uint32_t off) {
  if (!s.Has(off, 4)) return false;
  uint32_t n = s.U16(off + 2);
  if (!s.Has(off + 4, 20ull * n)) return false;
  for (uint32_t i = 0; i < n; ++i)
    if (!s.Text(off + 4 + 20 * i + 4, 16)) return false;
  return true;
}

bool CheckTasks(const Span& s, uint32_t off) {
  // Nine records fail the build; a tenth is never read.
  for (int i = 0; i < 9; ++i) {
    if (!s.Has(off, 2)) return false;
    uint32_t len = s.U16(off);
    if (len == 0) return true;
    if (len < 5 || !s.Has(off, len) || !s.Text(off + 4, len - 4) || s.U16(off + 2) >= len) return false;
    off += len;
  }
  return true;
}

bool CheckStringTable(const Span& s, uint32_t off) {
  if (off == 0) return true;
  if (!s.Has(off, 4)) return false;
  uint32_t n = s.U16(off + 2);
  if (!s.Has(off + 4, 4ull * n)) return false;
  for (uint32_t i = 0; i < n; ++i)
    if (!s.Bytes0(s.U32(off + 4 + 4 * i))) return false;
  return true;
}

bool CheckCtSeg(const Span& s, uint32_t off) {
  if (off == 0) return true;
  if (!s.Has(off, 8)) return false;
  uint32_t alloc = s.U32(off), used = s.U32(off + 4);
  if (used > alloc) return false;
  for (uint64_t at = off + 8;;) {
    if (!s.Has(at, 1)) return false;
    uint32_t len = s.Byte(uint32_t(at));
    if (len == 0) return true;
    if (!s.Has(at, 5 + uint64_t(len))) return false;
    uint64_t where = s.U32(uint32_t(at + 1));
    if (where + len > alloc) return false;
    at += 5 + len;
  }
}

bool CheckInstanceNames(const Span& s, uint32_t off) {
  if (off == 0) return true;
  // Lists of names, each ended by an extra NUL: a double NUL must come before the end.
  for (uint32_t at = off; s.Has(at, 2); ++at)
    if (s.U16(at) == 0) return true;
  return false;
}

// The data areas' max index fields of the sizing block, in CodeArea order.
const uint32_t kSizingOff[] = {0, 12, 24, 36, 48, 60};

bool CheckRetain(const Span& s, uint32_t layout, uint32_t sizing, uint16_t nb_strings) {
  if (layout == 0) return true;
  if (!s.Has(layout, 100)) return false;
  // {count offset, sizing offset}: 8-bit, 32-bit, TIME, string, 16-bit, 64-bit.
  static const uint32_t kRuns[][2] = {{64, 0}, {68, 24}, {72, 48}, {76, 60}, {80, 12}, {84, 36}};
  for (const auto& r : kRuns) {
    uint32_t count = s.U16(layout + r[0]), first = s.U16(layout + r[0] + 2);
    if (count == 0) continue;
    uint32_t nb = (r[1] == 60) ? nb_strings : uint32_t(s.U16(sizing + r[1])) + 1;
    if (first == 0 || first + count > nb) return false;
  }
  return true;
}

}  // namespace

int N4VMCode_CheckCode(const uint8_t* code, uint32_t size) {
  if (code == nullptr || size < 4) return kCodeBadLayout;
  if ((code[0] & 0x0F) != 1) return kCodeBadFormat;
  if (size < 4 * kHeaderWords) return kCodeBadLayout;
  const Span s(code, size);
  uint32_t sig = Word(code, kWSignature);
  if (!s.Has(sig, 6) || std::memcmp(code + sig, "N4RTI", 6) != 0) return kCodeBadSignature;
  if (!s.Has(sig + 16ull, 3) || std::memcmp(code + sig + 16, "1.0", 3) != 0) return kCodeBadVersion;

  uint32_t app = Word(code, kWAppHeader);
  if (!s.Has(app, 44) || !s.Text(app, 16)) return kCodeBadLayout;
  uint32_t x = s.U32(app + 28);
  if (x < 4 || x > size) return kCodeBadLayout;

  uint32_t sizing = Word(code, kWSizing);
  if (!s.Has(sizing, 96)) return kCodeBadLayout;
  uint32_t pc = Word(code, kWProgCount);
  if (!s.Has(pc, 4)) return kCodeBadLayout;
  uint32_t plist = Word(code, kWProgList);
  for (uint64_t at = plist;; at += 12) {
    if (!s.Has(at, 4)) return kCodeBadLayout;
    uint32_t bytecode = s.U32(uint32_t(at));
    if (bytecode == 0) break;
    if (!s.Has(at, 12) || bytecode >= size || (bytecode & 1)) return kCodeBadLayout;
  }
  if (!CheckNameList(s, Word(code, kWCustomFuncs)) || !CheckNameList(s, Word(code, kWClasses))) return kCodeBadLayout;
  if (!CheckTasks(s, Word(code, kWTasks))) return kCodeBadLayout;
  if (!s.Terminated(Word(code, kWExtVars), 4, 2)) return kCodeBadLayout;
  uint32_t inst = Word(code, kWInstances);
  if (!s.Has(inst, 16) || !s.Terminated(inst + 16, 8, 2)) return kCodeBadLayout;

  uint32_t init = Word(code, kWInit);
  if (!s.Has(init, 44)) return kCodeBadLayout;
  static const uint32_t kEntry[] = {4, 4, 8, 12, 8};
  for (unsigned i = 0; i < 5; ++i)
    if (!s.Terminated(s.U32(init + 4 * i), kEntry[i], 0)) return kCodeBadLayout;
  if (!s.StringInits(s.U32(init + 20))) return kCodeBadLayout;
  if (!s.Bytes0(s.U32(init + 24))) return kCodeBadLayout;
  uint32_t types = s.U32(init + 28);
  if (types != 0 && !s.Terminated(types, 6, 0)) return kCodeBadLayout;

  uint32_t ext = Word(code, kWExtension);
  if (!s.Has(ext, 4)) return kCodeBadLayout;
  uint32_t version = s.U32(ext);
  unsigned slots = SlotCount(version);
  if (!s.Has(ext + 4ull, 4ull * slots)) return kCodeBadLayout;
  // Slots that hold offsets (the rest hold values).
  static const unsigned kOffsetSlots[] = {2, 3, 4, 5, 6, 7, 9, 10, 11, 13, 14, 15, 16, 17, 20, 22};
  for (unsigned n : kOffsetSlots)
    if (n <= slots && s.U32(ext + 4 * n) >= size) return kCodeBadLayout;
  if (slots >= 6 && version >= 4) {
    bool a = s.U32(ext + 20) != 0, b = s.U32(ext + 24) != 0;
    if (a != b) return kCodeBadLayout;
  }
  if (slots >= 9 && !CheckCtSeg(s, s.U32(ext + 36))) return kCodeBadLayout;
  if (slots >= 16 && (!CheckStringTable(s, s.U32(ext + 60)) || !CheckStringTable(s, s.U32(ext + 64))))
    return kCodeBadLayout;
  if (slots >= 22 && !CheckInstanceNames(s, s.U32(ext + 88))) return kCodeBadLayout;

  uint32_t io = Word(code, kWIoDef);
  if (io >= size) return kCodeBadLayout;
  uint32_t pub = Word(code, kWPublished);
  if (pub != 0 && !s.Has(pub, 16)) return kCodeBadLayout;

  if (!CheckRetain(s, s.U32(init + 36), sizing, N4VMCode_GetNbString(code, nullptr))) return kCodeBadLayout;
  return kCodeOk;
}

namespace {
uint16_t Sz(const uint8_t* code, uint32_t off) { return le::U16(At(code, kWSizing) + off); }
uint16_t Count(const uint8_t* code, uint32_t off) { return uint16_t(Sz(code, off) + 1); }
}  // namespace

uint16_t N4VMCode_GetNbData8(const uint8_t* code) { return Count(code, 0); }
uint16_t N4VMCode_GetNbData16(const uint8_t* code) { return Count(code, 12); }
uint16_t N4VMCode_GetNbData32(const uint8_t* code) { return Count(code, 24); }
uint16_t N4VMCode_GetNbData64(const uint8_t* code) { return Count(code, 36); }
uint16_t N4VMCode_GetNbTime(const uint8_t* code) { return Count(code, 48); }
uint16_t N4VMCode_GetNbActiveTime(const uint8_t* code) { return Count(code, 10); }
uint16_t N4VMCode_GetNbStep(const uint8_t* code) { return Count(code, 72); }
uint16_t N4VMCode_GetNbTrans(const uint8_t* code) { return Count(code, 84); }
uint16_t N4VMCode_GetNbXV(const uint8_t* code) { return Count(code, 80); }
uint16_t N4VMCode_GetNbFBInstance(const uint8_t* code) { return uint16_t(le::U16(At(code, kWInstances)) + 1); }
uint16_t N4VMCode_GetNbCustomFunc(const uint8_t* code) { return uint16_t(le::U16(At(code, kWCustomFuncs)) + 1); }
uint16_t N4VMCode_GetNbProg(const uint8_t* code) { return uint16_t(le::U16(At(code, kWProgCount)) + 1); }
uint16_t N4VMCode_GetNbProgAlloc(const uint8_t* code) {
  uint32_t wished = N4VMCode_GetExtSlot(code, 19);
  uint16_t n = N4VMCode_GetNbProg(code);
  return wished > n ? uint16_t(wished > 0xFFFF ? 0xFFFF : wished) : n;
}
uint16_t N4VMCode_GetNbProgWithStack(const uint8_t* code) {
  uint16_t n = 0;
  for (const uint8_t* e = At(code, kWProgList); le::U32(e) != 0; e += 12)
    if (le::U16(e + 8) == 0) ++n;
  return n;
}
uint16_t N4VMCode_GetNbLockFlags(const uint8_t* code) {
  uint16_t m = 0;
  for (uint32_t off : kSizingOff)
    if (Sz(code, off) > m) m = Sz(code, off);
  return uint16_t(m + 1);
}
uint16_t N4VMCode_GetNbString(const uint8_t* code, uint32_t* bufsize) {
  uint16_t n = Count(code, 60);
  if (bufsize) {
    uint32_t sum = 0;
    const uint8_t* caps = N4VMCode_GetInitList(code, InitList::kStringCaps);
    for (unsigned i = 1; caps && i < n && caps[i - 1] != 0; ++i) sum += caps[i - 1] + 3u;
    uint32_t wished = le::U32(At(code, kWSizing) + 92);
    *bufsize = sum > wished ? sum : wished;
  }
  return n;
}

CodeSizing N4VMCode_GetSizing(const uint8_t* code, CodeArea area) {
  uint32_t off = kSizingOff[int(area)];
  return {Sz(code, off), Sz(code, off + 2), Sz(code, off + 4)};
}

const uint8_t* N4VMCode_GetInitList(const uint8_t* code, InitList list) {
  uint32_t off = le::U32(At(code, kWInit) + 4 * unsigned(list));
  return off ? code + off : nullptr;
}
uint32_t N4VMCode_GetInitFlags(const uint8_t* code) { return le::U32(At(code, kWInit) + 40); }

uint32_t N4VMCode_GetExtVersion(const uint8_t* code) { return le::U32(At(code, kWExtension)); }
uint32_t N4VMCode_GetExtSlot(const uint8_t* code, unsigned n) {
  uint32_t version = N4VMCode_GetExtVersion(code);
  if (SlotVersion(n) == 0 || version < SlotVersion(n)) return 0;
  return le::U32(At(code, kWExtension) + 4 * n);
}
namespace {
const uint8_t* SlotPtr(const uint8_t* code, unsigned n) {
  uint32_t off = N4VMCode_GetExtSlot(code, n);
  return off ? code + off : nullptr;
}
const char* TableString(const uint8_t* code, unsigned slot, unsigned n) {
  const uint8_t* t = SlotPtr(code, slot);
  if (t == nullptr || n == 0 || n > le::U16(t + 2)) return nullptr;
  return reinterpret_cast<const char*>(code + le::U32(t + 4 + 4 * (n - 1)));
}
}  // namespace

uint32_t N4VMCode_GetPassword(const uint8_t* code) { return N4VMCode_GetExtSlot(code, 1); }
uint32_t N4VMCode_GetFullBuildStamp(const uint8_t* code) { return le::U32(At(code, kWAppHeader) + 36); }
uint32_t N4VMCode_GetSfcCrc(const uint8_t* code) { return le::U32(At(code, kWAppHeader) + 40); }
const char* N4VMCode_GetAppName(const uint8_t* code) { return reinterpret_cast<const char*>(At(code, kWAppHeader)); }
uint32_t N4VMCode_GetCycleTime(const uint8_t* code) { return le::U32(At(code, kWAppHeader) + 24); }
uint16_t N4VMCode_GetStartMode(const uint8_t* code) { return le::U16(At(code, kWAppHeader) + 32); }
uint32_t N4VMCode_GetHeaderWord(const uint8_t* code, unsigned word) { return word < kHeaderWords ? Word(code, word) : 0; }
uint16_t N4VMCode_GetCallStackSize(const uint8_t* code) {
  uint16_t depth = le::U16(At(code, kWProgCount) + 2);
  return depth ? depth : 16;
}
uint32_t N4VMCode_GetCallStackAllocSize(const uint8_t* code) {
  return uint32_t(N4VMCode_GetCallStackSize(code)) * (N4VMCode_GetNbProgWithStack(code) + 1u);
}
const uint8_t* N4VMCode_GetClassList(const uint8_t* code) { return At(code, kWClasses); }
const uint8_t* N4VMCode_GetCustomFuncList(const uint8_t* code) { return At(code, kWCustomFuncs); }
const uint8_t* N4VMCode_GetInstanceList(const uint8_t* code) { return At(code, kWInstances) + 16; }
uint32_t N4VMCode_GetWishedFBIRawSize(const uint8_t* code) { return le::U32(At(code, kWInstances) + 12); }
const uint8_t* N4VMCode_GetVarTypeList(const uint8_t* code) { return N4VMCode_GetInitList(code, InitList::kVarTypes); }
const uint8_t* N4VMCode_GetIODef(const uint8_t* code) { return Word(code, kWIoDef) ? At(code, kWIoDef) : nullptr; }
const uint8_t* N4VMCode_GetPublishedList(const uint8_t* code) {
  return Word(code, kWPublished) ? At(code, kWPublished) : nullptr;
}
const uint8_t* N4VMCode_GetProgramList(const uint8_t* code) { return At(code, kWProgList); }
const uint8_t* N4VMCode_GetTaskList(const uint8_t* code) { return At(code, kWTasks); }
const uint8_t* N4VMCode_GetExtVarList(const uint8_t* code) { return At(code, kWExtVars); }
const uint8_t* N4VMCode_GetRetainLayout(const uint8_t* code) { return N4VMCode_GetInitList(code, InitList::kRetain); }
const uint8_t* N4VMCode_GetCTSegDef(const uint8_t* code) { return SlotPtr(code, 9); }
uint32_t N4VMCode_GetCTSegAllocSize(const uint8_t* code) {
  const uint8_t* d = N4VMCode_GetCTSegDef(code);
  return d ? le::U32(d) : 0;
}
uint32_t N4VMCode_GetCTSegUsedSize(const uint8_t* code) {
  const uint8_t* d = N4VMCode_GetCTSegDef(code);
  return d ? le::U32(d + 4) : 0;
}
const uint8_t* N4VMCode_GetVLsts(const uint8_t* code) { return SlotPtr(code, 14); }
int N4VMCode_GetDefStringTable(const uint8_t* code) {
  const uint8_t* t = SlotPtr(code, 15);
  return t != nullptr && le::U16(t + 2) >= 1;
}
const char* N4VMCode_GetStringTable(const uint8_t* code, unsigned n) { return TableString(code, 15, n); }
const char* N4VMCode_GetSignal(const uint8_t* code, unsigned n) { return TableString(code, 16, n); }
int32_t N4VMCode_GetHeapSize(const uint8_t* code) { return int32_t(N4VMCode_GetExtSlot(code, 18)); }
int N4VMCode_IsCCPure(const uint8_t* code) { return N4VMCode_GetExtSlot(code, 12) & 1; }
int N4VMCode_IsCodeDebug(const uint8_t* code) {
  return N4VMCode_GetExtVersion(code) >= 20 && (N4VMCode_GetExtSlot(code, 21) & 2);
}
uint32_t N4VMCode_GetNbIOs(const uint8_t* code) { return N4VMCode_GetExtSlot(code, 8); }
const char* N4VMCode_GetInstanceNames(const uint8_t* code) {
  const uint8_t* p = SlotPtr(code, 22);
  return p ? reinterpret_cast<const char*>(p) : "";
}
uint32_t N4VMVode_GetEATableVers(const uint8_t* code, unsigned table) {
  return (table == 1 || table == 2) ? N4VMCode_GetExtSlot(code, 24 + table) : 0;
}

const uint8_t* N4VMCode_MBClientConfig(const uint8_t* code) { return SlotPtr(code, 2); }
const uint8_t* N4VMCode_AsiConfig(const uint8_t* code) { return SlotPtr(code, 3); }
const uint8_t* N4VMCode_StaticEvents(const uint8_t* code) { return SlotPtr(code, 4); }
const uint8_t* N4VMCode_GetEAX(const uint8_t* code, unsigned table) {
  return (table == 1 || table == 2) ? SlotPtr(code, 4 + table) : nullptr;
}
const uint8_t* N4VMCode_GetBusDrv(const uint8_t* code) { return SlotPtr(code, 7); }
const uint8_t* N4VMCode_GetCTTypeDef(const uint8_t* code) { return SlotPtr(code, 10); }
const uint8_t* N4VMCode_GetBusIOList(const uint8_t* code) { return SlotPtr(code, 11); }
const uint8_t* N4VMCode_GetRecipes(const uint8_t* code) { return SlotPtr(code, 13); }
const uint8_t* N4VMCode_GetCanDef(const uint8_t* code) { return SlotPtr(code, 17); }
const uint8_t* N4VMCode_GetITs(const uint8_t* code) { return SlotPtr(code, 20); }
unsigned N4VMCode_GetITCount(const uint8_t* code) {
  if (N4VMCode_GetITs(code) == nullptr) return 0;
  return N4VMCode_GetExtVersion(code) >= 20 ? 64 : 16;
}

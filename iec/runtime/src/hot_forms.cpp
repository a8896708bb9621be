// The check of a code image's hot forms against its built database, kept for the one
// database that runs at a time.
#include "hot_forms.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace n4vm {
namespace {

struct Checked {
  const uint8_t* code = nullptr;
  uint32_t size = 0;
  const uint8_t* db = nullptr;
  AreaSizes sizes{};
  std::vector<uint8_t> kinds;
  uint64_t hash = 0;
};
Checked g_checked;

#ifdef IEC_CHECK_HOT_FORMS
// FNV-1a over the image: builds with the unit tests compare it at every run, so a write
// into an image that skipped the check is found where it happens.
uint64_t Hash(const uint8_t* p, uint32_t n) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (uint32_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
  return h;
}
#endif

Kind CheckAt(const uint16_t* w, uint32_t nwords, uint32_t p, const AreaSizes& z) {
  const uint16_t op = w[p];
  if (op > kOpMax) return kCareful;
  const HotForm& f = kHotTable.form[op];
  if (f.kind == kCareful || nwords - p <= f.words) return kCareful;
  const uint16_t* o = w + p + 1;
  if (f.kind >= kSet1 && f.kind <= kImmT && o[0] == 0) return kCareful;  // perhaps the CT segment's
  // The base of an indexed access is checked with its element, at run time.
  const int base = (f.kind >= kLdx8 && f.kind <= kLdxT) ? 1 : (f.kind >= kStx8 && f.kind <= kStxT) ? 0 : -1;
  int i = 0;
  for (const char* c = table::kTable.form[op].layout; *c; ++c, ++i) {
    uint32_t n;
    switch (*c) {
      case 'b': n = z.n8; break;
      case 'w': n = z.n16; break;
      case 'd': n = z.n32; break;
      case 'l': n = z.n64; break;
      case 't': n = z.nt; break;
      case 'j': {  // relative to the next instruction: even and inside the image
        const int64_t target = int64_t(p + f.words) * 2 + int16_t(o[i]);
        if ((target & 1) || target < 0 || target >= int64_t(nwords) * 2) return kCareful;
        continue;
      }
      case 'K': i += 1; continue;
      case 'Q': i += 3; continue;
      default: continue;  // constants, absolute jump targets
    }
    if (i != base && o[i] >= n) return kCareful;
  }
  return f.lock != 0 ? kRespecting : f.kind;
}

}  // namespace

AreaSizes SizesOf(uint8_t* db) {
  auto n = [&](int area) { return uint32_t(N4VM_Area(db, area)->allocated); };
  return {n(kArData8), n(kArData16), n(kArData32), n(kArData64), n(kArTime)};
}

void CheckHotForms(const uint8_t* code, uint32_t code_size, uint8_t* db) {
  DropHotForms(g_checked.db);
  // The interpreter reads code as aligned words; it refuses any other.
  if (code == nullptr || db == nullptr || (reinterpret_cast<uintptr_t>(code) & 1)) return;
  const uint16_t* w = reinterpret_cast<const uint16_t*>(code);
  const uint32_t nwords = code_size / 2;
  const AreaSizes sizes = SizesOf(db);
  g_checked.kinds.assign(nwords, kCareful);
  for (uint32_t p = 0; p < nwords; ++p) g_checked.kinds[p] = CheckAt(w, nwords, p, sizes);
  g_checked.code = code;
  g_checked.size = code_size;
  g_checked.db = db;
  g_checked.sizes = sizes;
#ifdef IEC_CHECK_HOT_FORMS
  g_checked.hash = Hash(code, code_size);
#endif
}

void DropHotForms(const uint8_t* db) {
  if (db != g_checked.db) return;
  g_checked.code = nullptr;
  g_checked.db = nullptr;
  g_checked.size = 0;
  g_checked.kinds.clear();
}

const uint8_t* HotKinds(const uint8_t* code, uint32_t code_size, uint8_t* db, const AreaSizes& sizes) {
  if (code != g_checked.code || code_size != g_checked.size || db != g_checked.db || !(sizes == g_checked.sizes))
    return nullptr;
#ifdef IEC_CHECK_HOT_FORMS
  if (Hash(code, code_size) != g_checked.hash) {
    std::fprintf(stderr, "IEC code image changed after its check (a writer that skipped CheckHotForms)\n");
    std::abort();
  }
#endif
  return g_checked.kinds.data();
}

}  // namespace n4vm

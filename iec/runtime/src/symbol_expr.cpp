// Symbol expressions over the variable map: a symbol (which may itself contain dots),
// then an array index or structure members walked through the image's CT type
// definitions. Every type definition is read through a bounded view of the image.
#include <cstdio>
#include <cstring>

#include "iec_library/iec_string.h"
#include "iec_runtime/code_image.h"
#include "iec_runtime/conversions.h"
#include "iec_runtime/var_map.h"
#include "le_bytes.h"

namespace {

// The CT type definitions of the running image, bounded by the image's end.
struct TypeDefs {
  const uint8_t* base = nullptr;
  uint32_t size = 0;
  explicit TypeDefs(uint8_t* db) {
    const uint8_t* code = N4VM_GetCode(db);
    const uint8_t* defs = code ? N4VMCode_GetCTTypeDef(code) : nullptr;
    if (defs == nullptr) return;
    base = defs;
    size = N4VM_GetCodeSize(db) - uint32_t(defs - code);
  }
  // Entry at offset o: name, kind and the data after the kind byte (nullptr when the
  // entry does not lie whole inside the image).
  struct Entry {
    const char* name = nullptr;
    uint8_t kind = 0;
    const uint8_t* data = nullptr;
    uint32_t data_room = 0;
  };
  Entry At(uint32_t o) const {
    Entry e;
    if (base == nullptr || o >= size) return e;
    const void* nul = std::memchr(base + o, 0, size - o);
    if (nul == nullptr) return e;
    uint32_t k = uint32_t(static_cast<const uint8_t*>(nul) - base) + 1;
    if (k >= size) return e;
    e.name = reinterpret_cast<const char*>(base + o);
    e.kind = base[k];
    e.data = base + k + 1;
    e.data_room = size - k - 1;
    return e;
  }
};

struct Dims {
  uint32_t elem_def = 0, elem_size = 0, n = 0, count[3] = {};  // count[0] is the first dimension
};
bool ArrayDims(const TypeDefs::Entry& e, Dims* d) {
  if (e.kind < 2 || e.kind > 4) return false;
  d->n = e.kind - 1u;
  if (e.data_room < 6 + 4 * d->n) return false;
  d->elem_def = le::U16(e.data);
  d->elem_size = le::U32(e.data + 2);
  for (uint32_t k = 0; k < d->n; ++k) d->count[d->n - 1 - k] = le::U32(e.data + 6 + 4 * k);  // stored last first
  return true;
}

uint32_t ElementSize(int type) {
  uint32_t w = N4VMCnv_Width(type);
  return w ? w : 4;  // a STRING element is the next string-table entry
}

bool IsEnd(char c) { return c == 0 || c == '.' || c == '['; }

// Parses "[a]" .. "[a,b,c]"; the cursor moves past the bracket.
int ParseIndexes(const char*& p, uint32_t* out, int max) {
  if (*p != '[') return 0;
  ++p;
  int n = 0;
  for (;;) {
    if (*p < '0' || *p > '9' || n == max) return 0;
    uint64_t v = 0;
    while (*p >= '0' && *p <= '9') {
      v = v * 10 + uint64_t(*p++ - '0');
      if (v > 0xFFFFFFFFu) return 0;
    }
    out[n++] = uint32_t(v);
    if (*p == ']') {
      ++p;
      return n;
    }
    if (*p != ',') return 0;
    ++p;
  }
}

struct Resolved {
  uint8_t* address = nullptr;
  int type = 0;
  uint32_t def = 0;  // the type definition where the path stopped (CT)
  bool ct_node = false;
};

// Walks a CT path from a type definition; `at` is an offset in the CT segment, so an
// index or member offset never makes a pointer outside it.
bool WalkCt(const TypeDefs& td, uint32_t def, uint64_t at, uint8_t* ct, uint64_t ct_size, const char* p,
            Resolved* out) {
  for (int guard = 0; guard < 64; ++guard) {
    TypeDefs::Entry e = td.At(def);
    if (e.name == nullptr) return false;
    if (*p == 0) {
      out->def = def;
      if (at >= ct_size) return false;
      if (e.kind == 1 && e.data_room >= 1) {
        out->type = e.data[0];
        uint32_t w = N4VMCnv_Width(out->type);
        if (at + (w ? w : 1) > ct_size) return false;
        out->address = ct + at;
        return true;
      }
      out->address = ct + at;
      out->type = 127;
      out->ct_node = true;
      return false;
    }
    if (*p == '.' && (e.kind == 5 || e.kind == 7)) {
      if (e.data_room < 4) return false;
      uint32_t count = le::U16(e.data), member = le::U16(e.data + 2);
      ++p;
      bool found = false;
      for (uint32_t k = 0; k < count && !found; ++k) {
        TypeDefs::Entry m = td.At(member);
        if (m.name == nullptr || m.kind != 6 || m.data_room < 6) return false;
        size_t len = std::strlen(m.name);
        if (N4VMStr_NICmp(p, m.name, uint32_t(len)) == 0 && IsEnd(p[len])) {
          p += len;
          def = le::U16(m.data);
          at += le::U32(m.data + 2);
          found = true;
        } else {
          member = uint32_t(m.data + 6 - td.base);
        }
      }
      if (!found) return false;
      continue;
    }
    Dims d;
    if (*p == '[' && ArrayDims(e, &d)) {
      uint32_t idx[3];
      int n = ParseIndexes(p, idx, 3);
      if (n != int(d.n)) return false;
      uint64_t linear = 0;
      for (uint32_t k = 0; k < d.n; ++k) {
        if (idx[k] >= d.count[k]) return false;
        linear = linear * d.count[k] + idx[k];
        if (linear >= ct_size) return false;
      }
      at += linear * d.elem_size;
      def = d.elem_def;
      if (at >= ct_size) return false;
      continue;
    }
    return false;
  }
  return false;
}

// The item of the symbol at the start of the text; the cursor moves past the name.
N4MapItem LeadingItem(uint8_t* db, const char*& p) {
  char name[257];
  uint32_t n = 0;
  const char* q = p;
  for (;;) {
    while (!IsEnd(*q)) {
      if (n >= 255) return nullptr;
      name[n++] = *q++;
    }
    name[n] = 0;
    N4MapItem item = N4Map_GetBySymbol(db, name);
    if (item != nullptr) {
      p = q;
      return item;
    }
    if (*q != '.' || n >= 255) return nullptr;
    name[n++] = *q++;
  }
}

bool Resolve(uint8_t* db, const char* text, Resolved* out) {
  if (db == nullptr || text == nullptr || N4VM_GetCode(db) == nullptr) return false;
  const char* p = text;
  N4MapItem item = LeadingItem(db, p);
  if (item == nullptr) return false;
  const int type = N4Map_GetType(db, item);
  uint8_t* data = N4Map_GetData(db, item);
  if (data == nullptr) return false;
  if (type == 127) {
    const uint8_t* info = N4Map_GetTypeInfo(db, item);
    TypeDefs td(db);
    if (info == nullptr) return false;
    const DbAreaDesc* ct = N4VM_Area(db, kArCt);
    return WalkCt(td, uint32_t(info - td.base), uint64_t(data - (db + ct->address)), db + ct->address, ct->raw_size,
                  p, out);
  }
  if (type & 0x80) return false;
  const uint32_t dim = N4Map_GetDim(db, item);
  uint32_t element = 0;
  if (*p == '[') {
    uint32_t idx[1];
    if (dim == 0 || ParseIndexes(p, idx, 1) != 1 || *p != 0 || idx[0] >= dim) return false;
    element = idx[0];
  } else if (*p != 0 || dim != 0) {
    return false;  // a single variable takes no index, an array element needs one
  }
  out->type = type;
  if (type == 5) {
    out->address = N4VMStr_Record(db, N4Map_GetIndex(db, item) + element);
  } else {
    out->address = data + element * ElementSize(type);
  }
  return out->address != nullptr;
}

const char* const kTypeNames[] = {nullptr, "BOOL", "DINT", "REAL", "TIME", "STRING", nullptr, nullptr, nullptr,
                                  nullptr, "SINT", "INT", "LINT", "LREAL", "USINT", "UINT", "UDINT", "ULINT"};

// Enumeration of the basic elements below a type definition.
struct Enum {
  const TypeDefs& td;
  char* name;
  uint32_t size;
  N4CTMemberCallback cb;
  void* user;
  int Walk(uint32_t def, uint32_t len, int depth) {
    TypeDefs::Entry e = td.At(def);
    if (e.name == nullptr || depth > 32) return 1;
    if (e.kind == 1) {
      if (e.data_room >= 1) cb(name, e.data[0], user);
      return 1;
    }
    Dims d;
    if (ArrayDims(e, &d)) {
      uint32_t idx[3] = {};
      uint64_t total = 1;
      for (uint32_t k = 0; k < d.n; ++k) {
        total *= d.count[k];
        if (total > (1u << 20)) return 0;  // no CT segment holds that many elements
      }
      for (uint64_t i = 0; i < total; ++i) {
        uint64_t rest = i;
        for (int k = int(d.n) - 1; k >= 0; --k) {
          idx[k] = uint32_t(rest % d.count[k]);
          rest /= d.count[k];
        }
        char part[48];
        if (d.n == 1) std::snprintf(part, sizeof part, "[%lu]", (unsigned long)idx[0]);
        else if (d.n == 2) std::snprintf(part, sizeof part, "[%lu,%lu]", (unsigned long)idx[0], (unsigned long)idx[1]);
        else std::snprintf(part, sizeof part, "[%lu,%lu,%lu]", (unsigned long)idx[0], (unsigned long)idx[1], (unsigned long)idx[2]);
        size_t pl = std::strlen(part);
        if (len + pl + 1 > size) {
          name[len] = 0;
          return 0;
        }
        std::memcpy(name + len, part, pl + 1);
        if (Walk(d.elem_def, uint32_t(len + pl), depth + 1) == 0) {
          name[len] = 0;
          return 0;
        }
      }
      name[len] = 0;
      return 1;
    }
    if ((e.kind == 5 || e.kind == 7) && e.data_room >= 4) {
      uint32_t count = le::U16(e.data), member = le::U16(e.data + 2);
      int result = 1;
      for (uint32_t k = 0; k < count; ++k) {
        TypeDefs::Entry m = td.At(member);
        if (m.name == nullptr || m.kind != 6 || m.data_room < 6) break;
        size_t ml = std::strlen(m.name);
        if (len + ml + 2 > size) {
          result = 0;
        } else {
          name[len] = '.';
          std::memcpy(name + len + 1, m.name, ml + 1);
          if (Walk(le::U16(m.data), uint32_t(len + 1 + ml), depth + 1) == 0) result = 0;
        }
        name[len] = 0;
        member = uint32_t(m.data + 6 - td.base);
      }
      return result;
    }
    return 1;
  }
};

}  // namespace

const uint8_t* N4Map_GetTypeInfo(uint8_t* db, N4MapItem item) {
  if (N4Map_GetType(db, item) != 127) return nullptr;
  TypeDefs td(db);
  const uint8_t* code = N4VM_GetCode(db);
  const uint8_t* r = code + le::U32(item);
  uint32_t def = le::U32(r + le::U16(r + 10) + 4);
  return td.At(def).name ? td.base + def : nullptr;
}

const char* N4Map_GetTypeName(uint8_t* db, N4MapItem item) {
  int type = N4Map_GetType(db, item);
  if (type == 127) {
    const uint8_t* info = N4Map_GetTypeInfo(db, item);
    return info ? reinterpret_cast<const char*>(info) : "?";
  }
  type &= 0x7F;
  return (type < 18 && kTypeNames[type]) ? kTypeNames[type] : "?";
}

uint8_t* N4Map_IsArrayOfSingleVar(uint8_t* db, N4MapItem item, uint32_t* count, int* type) {
  int t = N4Map_GetType(db, item);
  if (t != 127) {
    if ((t & 0x80) || N4Map_GetDim(db, item) == 0) return nullptr;
    *count = N4Map_GetDim(db, item);
    *type = t;
    return N4Map_GetData(db, item);
  }
  static const struct {
    const char* prefix;
    int type;
  } kPrefixes[] = {{"BOOL[", 1}, {"SINT[", 10}, {"USINT[", 14}, {"BYTE[", 14}, {"INT[", 11}, {"UINT[", 15},
                   {"WORD[", 15}, {"DINT[", 2}, {"UDINT[", 16}, {"DWORD[", 16}, {"LINT[", 12}, {"ULINT[", 17},
                   {"LWORD[", 17}, {"REAL[", 3}, {"LREAL[", 13}, {"TIME[", 4}, {"STRING[", 5}};
  const char* name = N4Map_GetTypeName(db, item);
  for (const auto& k : kPrefixes) {
    size_t n = std::strlen(k.prefix);
    if (std::strncmp(name, k.prefix, n) != 0) continue;
    uint64_t product = 1;
    const char* p = name + n;
    for (;;) {
      uint64_t v = 0;
      if (*p < '0' || *p > '9') return nullptr;
      while (*p >= '0' && *p <= '9') v = v * 10 + uint64_t(*p++ - '0');
      product *= v;
      if (product > 0xFFFFFFFFu) return nullptr;
      if (*p == ',') {
        ++p;
        continue;
      }
      if (*p != ']') return nullptr;
      break;
    }
    *count = uint32_t(product);
    *type = k.type;
    return N4Map_GetData(db, item);
  }
  return nullptr;
}

uint8_t* N4VmSyb_ParseSingle(uint8_t* db, const char* text, int* type) {
  Resolved r;
  if (!Resolve(db, text, &r)) return nullptr;
  if (type) *type = r.type;
  return r.address;
}

uint8_t* N4VmSyb_Parse(uint8_t* db, const char* text, int* type, const char** type_name) {
  Resolved r;
  bool ok = Resolve(db, text, &r);
  if (!ok && !r.ct_node) return nullptr;
  if (type) *type = r.type;
  if (type_name) {
    if (r.ct_node) *type_name = TypeDefs(db).At(r.def).name;
    else *type_name = (r.type < 18 && kTypeNames[r.type]) ? kTypeNames[r.type] : nullptr;
  }
  return r.address;
}

int N4VmSyb_EnumCTMembers(uint8_t* db, N4MapItem item, char* name, uint32_t size, N4CTMemberCallback cb,
                          void* user) {
  const uint8_t* info = item ? N4Map_GetTypeInfo(db, item) : nullptr;
  if (info == nullptr || name == nullptr || size == 0 || cb == nullptr) return 0;
  TypeDefs td(db);
  uint32_t len = uint32_t(strnlen(name, size - 1));
  name[len] = 0;
  Enum e{td, name, size, cb, user};
  return e.Walk(uint32_t(info - td.base), len, 0);
}

N4MapItem Dravek_N4VmSyb_GetMapItem(uint8_t* db, const char** cursor) {
  if (db == nullptr || cursor == nullptr || *cursor == nullptr) return nullptr;
  const char* p = *cursor;
  N4MapItem item = LeadingItem(db, p);
  if (item != nullptr) *cursor = p;
  return item;
}

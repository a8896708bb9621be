// Emits IEC code images section by section, every section aligned on 4 bytes.
#include "testsupport/iec_image.h"

#include <algorithm>
#include <cstring>

namespace ts {
namespace {

class Emitter {
 public:
  std::vector<uint8_t> b;
  uint32_t Here() {
    while (b.size() % 4) b.push_back(0);
    return uint32_t(b.size());
  }
  void U8(uint8_t v) { b.push_back(v); }
  void U16(uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
  }
  void U64(uint64_t v) {
    U32(uint32_t(v));
    U32(uint32_t(v >> 32));
  }
  void Text(const std::string& s, std::size_t field) {
    std::size_t start = b.size();
    for (char c : s) b.push_back(uint8_t(c));
    b.push_back(0);
    while (b.size() - start < field) b.push_back(0);
  }
  void Zeros(std::size_t n) { b.insert(b.end(), n, 0); }
  void Set32(uint32_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
  }
  void Set16(uint32_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
  }
};

unsigned SlotsFor(uint32_t v) {
  static const uint8_t kMin[] = {0, 1, 2, 3, 4, 4, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 14, 15, 16, 17, 18, 19, 22, 0, 0, 24, 24};
  unsigned n = 0;
  for (unsigned i = 1; i < sizeof kMin; ++i)
    if (kMin[i] && v >= kMin[i]) n = i;
  return n;
}

}  // namespace

std::vector<uint8_t> IecImage::Build(IecImageLayout* where) const {
  IecImageLayout L;
  Emitter e;
  e.Zeros(17 * 4);

  L.signature = e.Here();
  e.Text("N4RTI", 16);
  e.Text(version, 16);

  L.bytecode = e.Here();
  std::vector<uint32_t> prog_offsets;
  const uint16_t nprog = code.empty() ? programs : uint16_t(code.size());
  for (uint16_t i = 0; i < nprog; ++i) {
    prog_offsets.push_back(e.Here());
    if (code.empty()) e.U16(68);  // return
    else
      for (uint16_t w : code[i]) e.U16(w);
  }
  uint32_t x_word = e.Here();
  e.U32(0xAB0DE);  // the word at X - 4

  L.app_header = e.Here();
  e.Text(app_name, 16);
  e.U32(0x16);
  e.U32(0x20);
  e.U32(cycle_us);
  e.U32(x_word + 4);
  e.U16(start_mode);
  e.U16(0x34);
  e.U32(build_stamp);
  e.U32(sfc_crc);

  L.program_count = e.Here();
  e.U16(uint16_t(nprog ? nprog - 1 : 0));
  e.U16(call_depth);
  L.program_list = e.Here();
  for (size_t i = 0; i < prog_offsets.size(); ++i) {
    e.U32(prog_offsets[i]);
    e.U32(0x77);
    e.U16(i < program_kinds.size() ? program_kinds[i] : 0);
    e.U16(0);
  }
  e.Zeros(12);

  auto name_list = [&](const std::vector<IecNamed>& list) {
    uint16_t max = 0;
    for (size_t i = 0; i < list.size(); ++i) max = std::max<uint16_t>(max, list[i].id ? list[i].id : uint16_t(i + 1));
    e.U16(max);
    e.U16(uint16_t(list.size()));
    for (size_t i = 0; i < list.size(); ++i) {
      e.U16(list[i].id ? list[i].id : uint16_t(i + 1));
      e.U16(list[i].required);
      e.Text(list[i].name.substr(0, 15), 16);
    }
  };
  L.custom_funcs = e.Here();
  name_list(custom_funcs);
  L.classes = e.Here();
  name_list(classes);

  L.tasks = e.Here();
  for (const std::string& t : tasks) {
    uint32_t len = uint32_t(4 + t.size() + 1 + 4);
    len += len & 1;
    e.U16(uint16_t(len));
    e.U16(uint16_t(len - 4));  // the definition: the last four bytes
    e.Text(t, len - 8);
    e.U32(0x7A5C);
  }
  e.U16(0);

  L.ext_vars = e.Here();
  for (auto [type, index] : ext_vars) {
    e.U16(type);
    e.U16(index);
  }
  e.U32(0);

  L.instances = e.Here();
  e.U16(uint16_t(instances.size()));
  e.Zeros(10);
  e.U32(wished_instance_data);
  for (const IecInstance& in : instances) {
    e.U16(in.built_in ? 1 : 0);
    e.U16(in.class_id);
    e.U32(in.word);
  }
  e.Zeros(8);

  L.sizing = e.Here();
  e.Zeros(96);
  auto area = [&](uint32_t off, uint16_t max) {
    e.Set16(L.sizing + off, max);
    e.Set16(L.sizing + off + 2, uint16_t(max + used_delta));
    e.Set16(L.sizing + off + 4, max);
  };
  area(0, d8_max);
  area(12, d16_max);
  area(24, d32_max);
  area(36, d64_max);
  area(48, time_max);
  area(60, uint16_t(string_caps.size()));
  e.Set16(L.sizing + 10, active_timers_max);
  e.Set16(L.sizing + 72, steps_max);
  e.Set16(L.sizing + 80, xv_max);
  e.Set16(L.sizing + 84, trans_max);
  e.Set32(L.sizing + 92, min_string_buffer);

  // Initial values.
  L.init_lists[0] = e.Here();
  for (auto [i, v] : init8) {
    e.U16(i);
    e.U8(v);
    e.U8(0);
  }
  e.U32(0);
  L.init_lists[1] = e.Here();
  for (auto [i, v] : init16) {
    e.U16(i);
    e.U16(uint16_t(v));
  }
  e.U32(0);
  L.init_lists[2] = e.Here();
  for (auto [i, v] : init32) {
    e.U16(i);
    e.U16(0);
    e.U32(v);
  }
  e.Zeros(8);
  L.init_lists[3] = e.Here();
  for (auto [i, v] : init64) {
    e.U16(i);
    e.U16(0);
    e.U64(v);
  }
  e.Zeros(12);
  L.init_lists[4] = e.Here();
  for (auto [i, v] : init_time) {
    e.U16(i);
    e.U16(0);
    e.U32(v);
  }
  e.Zeros(8);
  L.init_lists[5] = e.Here();
  for (const auto& [i, s] : init_str) {
    e.U16(i);
    e.U8(uint8_t(s.size()));
    std::size_t n = 3 + s.size() + 1;
    e.Text(s, s.size() + 1 + (n & 1));
  }
  e.U16(0);
  L.string_caps = e.Here();
  for (uint8_t c : string_caps) e.U8(c);
  e.U8(0);
  if (var_types) {
    L.var_types = e.Here();
    e.U16(2);
    e.U16(1);
    e.U16(d32_max);
    e.Zeros(6);
  }
  if (retain.present) {
    L.retain = e.Here();
    e.Zeros(64);
    for (uint16_t v : {retain.n8, retain.first8, retain.n32, retain.first32, retain.ntime, retain.firsttime,
                       retain.nstr, retain.firststr, retain.n16, retain.first16, retain.n64, retain.first64})
      e.U16(v);
    e.U32(retain.crc);
    e.U32(0);
    e.U32(0);
  }
  L.init = e.Here();
  for (uint32_t off : L.init_lists) e.U32(off);
  e.U32(L.string_caps);
  e.U32(L.var_types);
  e.U32(0);
  e.U32(L.retain);
  e.U32(init_flags);

  if (ct_alloc) {
    L.ct_seg = e.Here();
    e.U32(ct_alloc);
    e.U32(ct_used);
    for (const auto& [off, bytes] : ct_init) {
      e.U8(uint8_t(bytes.size()));
      e.U32(off);
      e.b.insert(e.b.end(), bytes.begin(), bytes.end());
    }
    e.U8(0);
  }
  uint32_t ct_types_at = 0;
  if (!ct_types.empty()) {
    ct_types_at = e.Here();
    e.b.insert(e.b.end(), ct_types.begin(), ct_types.end());
  }
  uint32_t names_at = 0;
  if (!instance_names.empty()) {
    names_at = e.Here();
    for (const std::string& n : instance_names) e.Text(n, n.size() + 1);
    e.U8(0);
    e.U8(0);
  }
  if (!strings.empty()) {
    std::vector<uint32_t> at;
    for (const std::string& s : strings) {
      at.push_back(uint32_t(e.b.size()));
      e.Text(s, s.size() + 1);
    }
    L.string_table = e.Here();
    e.U16(0);
    e.U16(uint16_t(strings.size()));
    for (uint32_t a : at) e.U32(a);
  }

  L.published = e.Here();
  e.U16(map.empty() ? 0 : 16);
  e.U16(map_capacity ? map_capacity : uint16_t(map.size()));
  e.U16(uint16_t(map.size()));
  e.U16(map_vsi ? 0x200 : 0);
  e.U32(map_stamp);
  e.U16(0);
  e.U16(0x8000);
  for (const IecMapVar& v : map) {
    uint32_t start = uint32_t(e.b.size());
    uint16_t flags = uint16_t((v.name.empty() ? 0 : 0x01) | (v.has_tag ? 0x02 : 0) | (v.props.empty() ? 0 : 0x04) |
                              (v.profile.empty() ? 0 : 0x08) | (v.type == 127 ? 0x100 : 0) | (v.vsi ? 0x200 : 0));
    e.Zeros(16);
    if (!v.name.empty()) e.Text(v.name, v.name.size() + 1);
    while ((e.b.size() - start) % 2) e.U8(0);
    uint32_t ext = uint32_t(e.b.size() - start);
    if (v.type == 127) {
      e.U32(v.ct_offset);
      e.U32(v.type_def);
    }
    if (!v.profile.empty()) e.Text(v.profile, 16);
    e.b.insert(e.b.end(), v.props.begin(), v.props.end());
    while ((e.b.size() - start) % 2) e.U8(0);
    uint32_t len = uint32_t(e.b.size() - start);
    e.Set16(start, uint16_t(len));
    e.Set16(start + 2, v.type);
    e.Set16(start + 4, v.index);
    e.Set16(start + 6, v.dim);
    e.Set16(start + 8, v.string_max);
    e.Set16(start + 10, uint16_t(flags & 0x10C ? ext : 0));
    e.Set16(start + 12, v.tag);
    e.Set16(start + 14, flags);
  }
  e.U16(0);

  L.extension = e.Here();
  e.U32(ext_version);
  unsigned slots = SlotsFor(ext_version);
  uint32_t slot0 = uint32_t(e.b.size()) - 4;
  e.Zeros(4 * slots);
  auto slot = [&](unsigned n, uint32_t v) {
    if (n <= slots) e.Set32(slot0 + 4 * n, v);
  };
  slot(1, password);
  slot(9, L.ct_seg);
  slot(15, L.string_table);
  slot(18, uint32_t(heap_size));
  slot(19, program_slots);
  slot(10, ct_types_at);
  slot(22, names_at);

  L.size = e.Here();
  uint32_t header[17] = {format, L.signature, L.app_header, L.custom_funcs, L.classes, L.tasks, L.ext_vars,
                         L.instances, L.sizing, L.init, L.extension, 0, L.program_count, 0, L.program_list,
                         status_word, L.published};
  for (unsigned w = 0; w < 17; ++w) e.Set32(4 * w, header[w]);
  if (where) *where = L;
  return e.b;
}

}  // namespace ts

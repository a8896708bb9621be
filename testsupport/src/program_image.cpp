#include "testsupport/program_image.h"

#include <cstring>

#include "ground/regimage.h"
#include "ground/tablestore.h"
#include "testsupport/temp_root.h"

namespace ts {
namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}
std::vector<uint8_t> Pattern(std::size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = uint8_t(seed + 7 * i);
  return v;
}

void SetSr(uint32_t n, uint16_t v) { std::memcpy(plc_reg + 256 + 2 * (n - 1), &v, 2); }
void SetSr32(uint32_t n, uint32_t v) {
  SetSr(n, uint16_t(v));
  SetSr(n + 1, uint16_t(v >> 16));
}

// memcpy of a vector that may be empty.
void CopyTo(uint8_t* dst, const std::vector<uint8_t>& v) {
  if (!v.empty()) std::memcpy(dst, v.data(), v.size());
}

void PutBlock(uint8_t* block, const Table& t) {
  CopyTo(block, t.Block());
}

}  // namespace

uint16_t Crc16(std::span<const uint8_t> bytes) {
  uint16_t crc = 0xFFFF;
  for (uint8_t b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
  }
  return crc;
}

Table Table::Of(std::vector<uint8_t> data) {
  Table t;
  t.crc = Crc16(data);
  t.size = uint32_t(data.size());
  t.data = std::move(data);
  return t;
}

Table& Table::BadCrc() {
  crc ^= 0x5A5A;
  return *this;
}

Table& Table::WithSize(uint32_t claimed) {
  size = claimed;
  return *this;
}

std::vector<uint8_t> Table::Block() const {
  std::vector<uint8_t> out;
  Put16(out, crc);
  Put16(out, unused);
  Put32(out, size);
  Append(out, data);
  return out;
}

std::vector<uint8_t> LogicWithFeatures(std::vector<uint8_t> code, uint32_t features) {
  Put32(code, features);
  code.insert(code.end(), 5, 0);
  return code;
}

std::vector<uint8_t> IecLogic(const std::vector<uint8_t>& code, std::size_t binding_bytes) {
  return IecLogic(code, uint32_t(code.size()), binding_bytes);
}

std::vector<uint8_t> IecLogic(const std::vector<uint8_t>& code, uint32_t claimed_length,
                              std::size_t binding_bytes) {
  std::vector<uint8_t> out;
  // Room for everything at once: growing the vector between the small writes leads
  // GCC's inlined copies into false out-of-bounds reports.
  out.reserve(16 + code.size() + binding_bytes);
  Put16(out, 0x004A);
  Put16(out, 0);
  out.insert(out.end(), {'X', 'T', 'I', 0});
  Put32(out, claimed_length);
  Put32(out, 0);
  Append(out, code);
  for (std::size_t i = 0; i < binding_bytes; ++i) out.push_back(uint8_t(i * 13 + 1));
  return out;
}

std::vector<uint8_t> IecLogicBound(const std::vector<uint8_t>& code,
                                   const std::vector<std::pair<uint32_t, uint32_t>>& bindings) {
  std::vector<uint8_t> out = IecLogic(code, 0);
  std::vector<uint32_t> tokens(6464, 0);
  for (auto [slot, token] : bindings) tokens.at(slot) = token;
  for (uint32_t t : tokens) Put32(out, t);
  return out;
}

ProgramImage ProgramImage::Sample() {
  ProgramImage img;
  img.logic = Table::Of(LogicWithFeatures(Pattern(23, 0x11), 0xBF));
  img.io_config = Table::Of({0xFF, 0, 0, 0, 0x12, 0x34, 0, 0, 0xFF, 0, 0, 0, 5});
  img.SetSecurity(Pattern(16, 0x21));
  // Screen header: length 32 at byte 8, font identity at byte 20.
  std::vector<uint8_t> screens = Pattern(40, 0x31);
  screens[8] = 32;
  screens[9] = 0;
  screens[20] = 0x34, screens[21] = 0x12, screens[22] = 0, screens[23] = 0;
  img.screens = Table::Of(screens);
  img.bitmap_slots[0] = Pattern(21, 0x41);
  img.bitmap_slots[1] = Pattern(1000, 0x42);
  img.bitmap_slots[63] = Pattern(9, 0x43);
  img.SetBitmapTotals();
  img.strings = Table::Of(Pattern(11, 0x51));
  img.text = Table::Of(Pattern(12, 0x52));
  img.fonts = Table::Of(Pattern(13, 0x53));
  img.protocol_drivers = Table::Of(Pattern(14, 0x54));
  img.sms = Table::Of(Pattern(15, 0x55));
  img.datalog = Table::Of(Pattern(16, 0x56));
  img.parameters = Table::Of(Pattern(17, 0x57));
  img.can = Table::Of(Pattern(18, 0x58));
  img.reports = Table::Of(Pattern(19, 0x59));
  img.recipes = Table::Of(Pattern(20, 0x5A));
  img.logins = Table::Of(Pattern(21, 0x5B));
  img.mqtt = Table::Of(Pattern(22, 0x5C));
  img.network = Table::Of(Pattern(34, 0x5D));
  img.force = Pattern(4, 0x61);
  return img;
}

void ProgramImage::SetSecurity(std::vector<uint8_t> bytes) {
  security_crc = Crc16(bytes);
  security_size = uint16_t(bytes.size());
  security = std::move(bytes);
}

void ProgramImage::SetBitmapTotals() {
  bitmap_total_crc = 0;
  bitmap_total_size = 0;
  for (const auto& s : bitmap_slots) bitmap_total_size += uint32_t(s.size());
}

std::vector<uint8_t> ProgramImage::LadderPgm() const { return logic.Block(); }

std::vector<uint8_t> ProgramImage::ConfigPgm() const {
  std::vector<uint8_t> out;
  auto block = [&](const Table& t) { Append(out, t.Block()); };
  block(io_config);
  Put16(out, security_size);
  Put16(out, security_crc);
  Append(out, security);
  block(screens);
  // The slot map, 64 entries {u32 CRC, u32 size} and the trailer, then each non-empty slot.
  for (const auto& s : bitmap_slots) {
    Put32(out, Crc16(s));
    Put32(out, uint32_t(s.size()));
  }
  Put32(out, bitmap_total_crc);
  Put32(out, bitmap_total_size);
  for (const auto& s : bitmap_slots) Append(out, s);
  for (const Table* t : {&strings, &text, &fonts, &protocol_drivers, &sms, &datalog, &parameters, &can,
                         &reports, &recipes, &logins, &mqtt})
    block(*t);
  if (network_item) block(network);
  return out;
}

std::vector<ItemRange> ProgramImage::ConfigItems() const {
  std::vector<ItemRange> items;
  std::size_t at = 0;
  auto add = [&](const char* name, std::size_t n) {
    items.push_back({name, at, at + n});
    at += n;
  };
  add("io_config", 8 + io_config.data.size());
  add("security", 4 + security.size());
  add("screens", 8 + screens.data.size());
  std::size_t bitmaps = 520;
  for (const auto& s : bitmap_slots) bitmaps += s.size();
  add("bitmaps", bitmaps);
  const std::pair<const char*, const Table*> rest[] = {
      {"strings", &strings}, {"text", &text},         {"fonts", &fonts},     {"protocol_drivers", &protocol_drivers},
      {"sms", &sms},         {"datalog", &datalog},   {"parameters", &parameters}, {"can", &can},
      {"reports", &reports}, {"recipes", &recipes},   {"logins", &logins},   {"mqtt", &mqtt}};
  for (const auto& [name, t] : rest) add(name, 8 + t->data.size());
  if (network_item) add("network", 8 + network.data.size());
  return items;
}

void ProgramImage::WriteFiles(const TempRoot& root) const {
  root.Write("/mnt/cfg/ladder.pgm", LadderPgm());
  root.Write("/mnt/cfg/config.pgm", ConfigPgm());
}

void ProgramImage::Install() const {
  struct Mirrored {
    uint8_t* block;
    const Table* table;
    uint32_t crc_sr, size_sr;  // 0: none
  };
  const Mirrored blocks[] = {
      {ladder_bl, &logic, 23, 11},           {io_config_bl, &io_config, 26, 17},
      {net_config_bl, &network, 27, 19},     {vtn_pgm_bl, &screens, 125, 113},
      {string_table_bl, &strings, 126, 115}, {text_table_bl, &text, 128, 119},
      {font_table_bl, &fonts, 129, 121},     {promgr_table_bl, &protocol_drivers, 130, 123},
      {sms_table_bl, &sms, 147, 143},        {datalog_table, &datalog, 0, 0},
      {flash_parm_tbl, &parameters, 0, 0},   {copendnet_tbl, &can, 0, 0},
      {report_table, &reports, 0, 0},        {recipe_tbl, &recipes, 0, 0},
      {login_tbl, &logins, 0, 0},            {mqtt_tbl, &mqtt, 0, 0},
  };
  for (const Mirrored& m : blocks) {
    PutBlock(m.block, *m.table);
    if (m.crc_sr) SetSr(m.crc_sr, m.table->crc);
    if (m.size_sr) SetSr32(m.size_sr, m.table->size);
  }

  CopyTo(plc_reg + 109088, security);
  SetSr(28, security_crc);
  SetSr32(21, security_size);

  CopyTo(plc_reg + 640, force);
  CopyTo(io_force, force);
  SetSr(25, Crc16(force));
  SetSr32(15, uint32_t(force.size()));

  std::vector<uint8_t> map;
  for (std::size_t i = 0; i < bitmap_slots.size(); ++i) {
    const auto& s = bitmap_slots[i];
    CopyTo(bmp_table + i * 256 * 1024, s);
    Put32(map, Crc16(s));
    Put32(map, uint32_t(s.size()));
  }
  Put32(map, bitmap_total_crc);
  Put32(map, bitmap_total_size);
  CopyTo(rom_map_tbl, map);
  CopyTo(ram_map_tbl, map);
  SetSr(127, uint16_t(bitmap_total_crc));
  SetSr32(117, bitmap_total_size);
}

void ClearTableStore() {
  for (auto [p, n] : std::initializer_list<std::pair<uint8_t*, std::size_t>>{
           {ladder_bl, sizeof ladder_bl},
           {io_config_bl, sizeof io_config_bl},
           {net_config_bl, sizeof net_config_bl},
           {vtn_pgm_bl, sizeof vtn_pgm_bl},
           {string_table_bl, sizeof string_table_bl},
           {bmp_table, sizeof bmp_table},
           {rom_map_tbl, sizeof rom_map_tbl},
           {ram_map_tbl, sizeof ram_map_tbl},
           {text_table_bl, sizeof text_table_bl},
           {font_table_bl, sizeof font_table_bl},
           {promgr_table_bl, sizeof promgr_table_bl},
           {sms_table_bl, sizeof sms_table_bl},
           {datalog_table, sizeof datalog_table},
           {flash_parm_tbl, sizeof flash_parm_tbl},
           {copendnet_tbl, sizeof copendnet_tbl},
           {report_table, sizeof report_table},
           {recipe_tbl, sizeof recipe_tbl},
           {ladder_olp, sizeof ladder_olp},
           {login_tbl, sizeof login_tbl},
           {mqtt_tbl, sizeof mqtt_tbl},
           {tinyImage, sizeof tinyImage},
           {io_force, sizeof io_force},
       })
    std::memset(p, 0, n);
  std::memset(plc_reg + 109088, 0, 80);
  std::memset(plc_reg + 640, 0, 256);
  for (uint32_t sr : {11u, 12u, 15u, 16u, 17u, 18u, 19u, 20u, 21u, 22u, 23u, 25u, 26u, 27u, 28u, 113u, 114u,
                      115u, 116u, 117u, 118u, 119u, 120u, 121u, 122u, 123u, 124u, 125u, 126u, 127u, 128u,
                      129u, 130u, 143u, 144u, 145u, 146u, 147u, 148u})
    SetSr(sr, 0);
}

}  // namespace ts

#pragma once
// Program images for tests: the tables of a downloaded application, the files
// /mnt/cfg/ladder.pgm and /mnt/cfg/config.pgm made from them (right, or broken on
// purpose), and a way to put the tables straight into the table store.
//
//   ts::ProgramImage img = ts::ProgramImage::Sample();     // every table small and valid
//   img.logic = ts::Table::Of(ts::LogicWithFeatures({1, 2, 3}, 0x01));
//   img.protocol_drivers = ts::Table::Of({0x10, 0x20}).BadCrc();
//   img.bitmap_slots[5] = {1, 2, 3};                       // slot 5 holds 3 bytes
//   img.WriteFiles(root);                                   // a ts::TempRoot
//   std::vector<uint8_t> cfg = img.ConfigPgm();
//   cfg.resize(img.ConfigItems()[3].begin + 10);            // cut inside the bitmap item
//   img.Install();                                          // tables into the store
//
// Every CRC here comes from ts::Crc16, a bitwise CRC-16/MODBUS of its own, so a test
// never checks the unit's CRC against itself.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace ts {

class TempRoot;

// CRC-16/MODBUS (reflected 0xA001, initial 0xFFFF), computed bit by bit.
uint16_t Crc16(std::span<const uint8_t> bytes);

// One table as a table block stores it: u16 CRC, u16 unused, u32 size, then the data.
struct Table {
  std::vector<uint8_t> data;
  uint16_t crc = 0xFFFF;  // of no data
  uint16_t unused = 0xFFFF;
  uint32_t size = 0;

  // A table with its right CRC and size.
  static Table Of(std::vector<uint8_t> data);
  // Breaks the CRC word (the data stays).
  Table& BadCrc();
  // Claims a size other than the data's.
  Table& WithSize(uint32_t claimed);
  // Header and data as one block (8 + data.size() bytes).
  std::vector<uint8_t> Block() const;
};

// Logic data whose features word (at size - 9) is `features`.
std::vector<uint8_t> LogicWithFeatures(std::vector<uint8_t> code, uint32_t features);
// Logic data holding an IEC application: tag 0x004A, "XTI\0", u32 code length (by
// default the code's), the code from offset 16, then `binding_bytes` of I/O binding
// table (6464 tokens when whole).
std::vector<uint8_t> IecLogic(const std::vector<uint8_t>& code, std::size_t binding_bytes = 6464 * 4);
std::vector<uint8_t> IecLogic(const std::vector<uint8_t>& code, uint32_t claimed_length,
                              std::size_t binding_bytes);
// The same with a binding table of zero tokens except the given {slot, token} pairs.
std::vector<uint8_t> IecLogicBound(const std::vector<uint8_t>& code,
                                   const std::vector<std::pair<uint32_t, uint32_t>>& bindings);
// A variable-location token: area 0 8-bit, 1 16-bit, 2 32-bit, 3 64-bit, 4 string, 5 TIME.
inline uint32_t IecToken(uint32_t area, uint32_t index) { return (area << 26) | (index & 0xFFFFF); }

// A byte range of a file.
struct ItemRange {
  std::string name;
  std::size_t begin;
  std::size_t end;
};

struct ProgramImage {
  Table logic;  // ladder.pgm

  // config.pgm, in file order
  Table io_config;
  std::vector<uint8_t> security;  // at most 80 bytes
  uint16_t security_crc = 0xFFFF;
  uint16_t security_size = 0;
  Table screens;
  std::array<std::vector<uint8_t>, 64> bitmap_slots;  // bytes of each 256 KiB slot
  uint32_t bitmap_total_crc = 0;                      // the map's trailer
  uint32_t bitmap_total_size = 0;
  Table strings, text, fonts, protocol_drivers, sms, datalog, parameters, can, reports, recipes,
      logins, mqtt;
  Table network;                 // the last item
  bool network_item = true;      // false: a file as earlier firmware wrote it

  std::vector<uint8_t> force;    // type 2 (registers only; Install)

  // Every table small, non-empty and right; the logic carries features 0xBF (every
  // optional table checked), the screen table names a font, slots 0, 1 and 63 hold data.
  static ProgramImage Sample();

  // Sets the security table with its right CRC and size.
  void SetSecurity(std::vector<uint8_t> bytes);
  // Sets the map trailer from the slots: CRC 0, total of the slot sizes.
  void SetBitmapTotals();

  std::vector<uint8_t> LadderPgm() const;
  std::vector<uint8_t> ConfigPgm() const;
  // The items of ConfigPgm() in file order, named "io_config", "security", "screens",
  // "bitmaps", "strings", "text", "fonts", "protocol_drivers", "sms", "datalog",
  // "parameters", "can", "reports", "recipes", "logins", "mqtt", "network".
  std::vector<ItemRange> ConfigItems() const;
  void WriteFiles(const TempRoot& root) const;

  // Puts every table straight into the table store, the security and force tables into
  // the register image, and the CRCs and sizes into their mirror registers.
  void Install() const;
};

// Clears the whole table store (blocks, maps, security and force registers, mirrors).
void ClearTableStore();

}  // namespace ts

// The I/O configuration: which module sits in each slot against what the downloaded I/O
// configuration asks for, the modules' set-up, and the slot report in SR64..SR112.
#include <algorithm>
#include <array>
#include <cstring>

#include "drivers/services.h"
#include "graphics/record_reader.h"
#include "ioconfig_busslave.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "controller/runctl.h"
#include "ground/tablestore.h"
#include "platform/trace.h"
#include "runctl_internal.h"

uint16_t io_init[3] = {255, 255, 255};
IoSlotRecord io_cfg[kIoSlotRecords];

namespace {

constexpr uint16_t kNone = 255;
constexpr uint16_t kNothingConfigured = 0xFFFF;
constexpr uint32_t kS6IoGood = 6;
constexpr uint32_t kSrSlotReport = 64;
constexpr uint32_t kSlotReportWords = 49;
constexpr std::size_t kReportedRecordBytes = 21;
constexpr uint32_t kNodeRefused = 0xFEFE;
constexpr uint32_t kNodeAddressByte = 252;  // of the module's configuration memory

enum Status : uint8_t { kEmpty = 1, kConfigured, kMissing, kWrongModule, kNotConfigured, kUnsupported };

// Variant pairs (installed, configured) of the 0xF800 + 0x200 v family that may stand
// in for each other.
constexpr bool kCompatible[4][4] = {
    /* installed 0 */ {true, false, true, true},
    /* installed 1 */ {false, true, false, false},
    /* installed 2 */ {false, false, true, true},
    /* installed 3 */ {false, false, true, true},
};

int Variant(uint16_t id) {
  if (id < 0xF800 || (id - 0xF800) % 0x200 != 0) return -1;
  return (id - 0xF800) / 0x200;
}

bool SameModule(uint16_t installed, uint16_t configured) {
  if (installed == configured) return true;
  const int vi = Variant(installed), vc = Variant(configured);
  return vi >= 0 && vc >= 0 && kCompatible[vi][vc];
}

Status SlotStatus(bool unsupported, uint16_t installed, uint16_t configured) {
  if (unsupported) return kUnsupported;
  if (installed == kNone && configured == kNone) return kEmpty;
  if (SameModule(installed, configured)) return kConfigured;
  if (installed == kNone) return kMissing;
  if (configured == kNone) return kNotConfigured;
  return kWrongModule;
}

// One slot's record of the I/O configuration table.
struct ConfigEntry {
  uint16_t module = kNone;
  uint32_t offset = kNoSlotConfig;
  uint16_t length = 0;
};

std::span<const uint8_t> ConfigTable() {
  const uint32_t size = std::min<uint32_t>(BlockSize(io_config_bl), kIoConfigCap - kTableHeader);
  return {io_config_bl + kTableHeader, size};
}

// Walks the table: {u16 module id, u16 data length, data padded to 4 bytes} per slot; a
// record of id 0xFFFF configures nothing and is read again for the next slot. A record
// that does not fit in the table configures nothing, for its slot and the ones after.
std::array<ConfigEntry, kIoSlots> ReadConfiguration() {
  std::array<ConfigEntry, kIoSlots> out{};
  RecordReader rd(ConfigTable());
  for (ConfigEntry& e : out) {
    const std::size_t at = rd.offset();
    uint16_t module = 0, length = 0;
    if (!rd.U16(module) || !rd.U16(length)) break;
    if (module == kNothingConfigured) {
      rd.Seek(at);
      continue;
    }
    if (!rd.Has(length)) break;
    e = {.module = module, .offset = uint32_t(at + 4), .length = length};
    // The last record's padding may be missing.
    rd.Skip(std::min<std::size_t>((length + 3u) & ~3u, rd.remaining()));
  }
  return out;
}

void SetText(IoSlotRecord& r, char mark, const char* text, const char* name = "") {
  r.mark = mark;
  std::memset(r.text, ' ', sizeof r.text);
  const std::size_t n = std::min(std::strlen(text), sizeof r.text);
  std::memcpy(r.text, text, n);
  const std::size_t m = std::min(strnlen(name, sizeof r.name), sizeof r.text - n);
  std::memcpy(r.text + n, name, m);
}

void FillRecord(IoSlotRecord& r, Status status) {
  switch (status) {
    case kEmpty: SetText(r, ' ', "I/O: Empty "); break;
    case kConfigured: SetText(r, r.failed ? 'f' : (r.configured ? ' ' : 'c'), "I/O: ", r.name); break;
    case kMissing: SetText(r, '-', "I/O Missing"); break;
    case kWrongModule: SetText(r, '?', "I/O: ", r.name); break;
    case kNotConfigured: SetText(r, '+', "I/O: ", r.name); break;
    case kUnsupported: SetText(r, '*', "Unsupported"); break;
  }
}

bool InError(const IoSlotRecord& r) {
  return r.status != kEmpty && !(r.status == kConfigured && r.mark == ' ');
}

void BlankRecord(IoSlotRecord& r) {
  r = IoSlotRecord{};
  r.config = kNoSlotConfig;
  r.clock = reg::SrOffset(44);
}

// A configured bus-slave module learns its node address, or reports a refused one.
void ConfigureBusSlave(int slot, const IoSlotRecord& r) {
  const std::span<const uint8_t> config = IoSlotConfigData(r);
  const int32_t node = busslave::NodeAddress(config);
  if (!busslave::NodeTakesPart(node)) {
    const uint32_t status_token = busslave::ConfigField(config, busslave::kStatusToken);
    const uint16_t refused = kNodeRefused;
    if (status_token != 0) PlcReg_Set(status_token, &refused, 16);
    return;
  }
  const uint8_t address = uint8_t(node);
  write_io_eeprom(slot, kNodeAddressByte, 1, &address, 3);
}

// SR64: the number of records; then per record 12 words: the installed id and the
// record's first 21 bytes.
void ReportSlots() {
  std::array<uint8_t, 2 * kSlotReportWords> out{};
  const uint16_t records = kIoSlotRecords;
  std::memcpy(out.data(), &records, 2);
  for (int i = 0; i < kIoSlotRecords; ++i) {
    uint8_t* at = out.data() + 2 + 24 * i;
    const uint16_t id = i < kIoSlots ? io_init[i] : kNone;
    std::memcpy(at, &id, 2);
    std::memcpy(at + 2, &io_cfg[i], kReportedRecordBytes);
  }
  std::memcpy(plc_reg + reg::SrOffset(kSrSlotReport), out.data(), out.size());
}

}  // namespace

std::span<const uint8_t> IoSlotConfigData(const IoSlotRecord& record) {
  const std::span<const uint8_t> table = ConfigTable();
  if (record.config == kNoSlotConfig || record.config > table.size()) return {};
  return table.subspan(record.config, std::min<std::size_t>(record.config_length, table.size() - record.config));
}

int IoConfig() {
  plat::TraceCall("IoConfig");
  if (!runctl::g.io_probed) {
    runctl::g.io_probed = true;
    get_io_info(io_init);
    runctl::g.io_unsupported = IoInit(io_init, 3);
  }
  const auto entries = ReadConfiguration();
  bool error = false;
  for (int slot = 0; slot < kIoSlotRecords; ++slot) {
    IoSlotRecord& r = io_cfg[slot];
    BlankRecord(r);
    if (slot >= kIoSlots) {
      r.status = kEmpty;
      FillRecord(r, kEmpty);
      continue;
    }
    const ConfigEntry& e = entries[slot];
    const Status status = SlotStatus(runctl::g.io_unsupported & (1u << slot), io_init[slot], e.module);
    r.status = status;
    r.config = e.offset;
    r.config_length = e.length;
    if (status == kConfigured || status == kWrongModule || status == kNotConfigured) IoCfg(&r, slot);
    FillRecord(r, status);
    if (status == kConfigured && busslave::IsBusSlave(r)) ConfigureBusSlave(slot, r);
    error = error || InError(r);
  }
  const uint16_t sr4 = SrGet(4);
  SrSet(4, error ? uint16_t(sr4 | kSr4IoConfig) : uint16_t(sr4 & ~kSr4IoConfig));
  SBitSet(kS6IoGood, !error);
  if (error) IoStop();
  ReportSlots();
  return error ? 1 : 0;
}

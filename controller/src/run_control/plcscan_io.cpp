// The scan's I/O exchange: each slot's inputs and outputs at their places in the register
// image, and the force table over them.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "drivers/services.h"
#include "ioconfig_busslave.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "controller/runctl.h"
#include "ground/tablestore.h"
#include "runctl_internal.h"

namespace runctl {

namespace {

constexpr uint8_t kConfiguredStatus = 2;

// A register area that the slots fill one behind the other.
struct Area {
  uint32_t offset;  // byte offset in the image
  uint32_t bytes;
};
constexpr Area kInputBits{reg::kOffI, reg::kOffQ - reg::kOffI};
constexpr Area kOutputBits{reg::kOffQ, reg::kOffT - reg::kOffQ};
constexpr Area kInputWords{reg::kOffAI, reg::kOffAQ - reg::kOffAI};
constexpr Area kOutputWords{reg::kOffAQ, reg::kOffR - reg::kOffAQ};

// Where one slot's data goes: digital data in whole bytes, analog data in words.
struct Span8 {
  uint8_t* at = nullptr;
  uint32_t bytes = 0;
};
struct Span16 {
  uint16_t* at = nullptr;
  uint32_t words = 0;
};
struct Place {
  bool module = false;   // the slot holds a configured module (it is serviced)
  bool exchange = false; // and its data takes part in the scan
  Span8 in_bits, out_bits;
  Span16 in_words, out_words;
};

// The next n bytes of an area (as many as are left), behind the used ones.
uint8_t* Claim(const Area& area, uint32_t& used, uint32_t& n) {
  n = std::min(n, area.bytes - used);
  uint8_t* at = plc_reg + area.offset + used;
  used += n;
  return at;
}
Span8 ClaimBits(const Area& area, uint32_t& used, uint16_t bits) {
  uint32_t n = (bits + 7u) / 8;
  uint8_t* at = Claim(area, used, n);
  return {at, n};
}
Span16 ClaimWords(const Area& area, uint32_t& used, uint16_t words) {
  uint32_t n = 2u * words;
  uint8_t* at = Claim(area, used, n);
  return {reinterpret_cast<uint16_t*>(at), n / 2};
}

// A bus-slave area at the token its configuration names; nothing when the token does not
// address that much of the image (or, for words, not a whole word).
Span8 TokenBits(uint32_t token, uint16_t bits) {
  const uint32_t n = (bits + 7u) / 8;
  uint8_t* at = n ? PlcReg_Ptr(token, 8 * n) : nullptr;
  return at ? Span8{at, n} : Span8{};
}
Span16 TokenWords(uint32_t token, uint16_t words) {
  uint8_t* at = words ? PlcReg_Ptr(token, 16u * words) : nullptr;
  if (at == nullptr || reinterpret_cast<uintptr_t>(at) % alignof(uint16_t) != 0) return {};
  return {reinterpret_cast<uint16_t*>(at), words};
}

// Slot 0 starts at I1, AI1, Q1 and AQ1; slots 1 and 2 follow behind the places of the
// slots before them. A bus-slave module is placed at its own tokens, takes no room in the
// sequence and takes part only while its node address is 1..125.
std::array<Place, kIoSlots> PlaceSlots() {
  std::array<Place, kIoSlots> out{};
  uint32_t in_bits = 0, out_bits = 0, in_words = 0, out_words = 0;
  for (int slot = 0; slot < kIoSlots; ++slot) {
    const IoSlotRecord& r = io_cfg[slot];
    Place& p = out[slot];
    if (io_init[slot] == 255 || r.status != kConfiguredStatus) continue;
    p.module = true;
    if (busslave::IsBusSlave(r)) {
      const std::span<const uint8_t> config = IoSlotConfigData(r);
      if (!busslave::NodeTakesPart(busslave::NodeAddress(config))) continue;
      p.in_bits = TokenBits(busslave::ConfigField(config, busslave::kInputBitsToken), r.di_bits);
      p.out_bits = TokenBits(busslave::ConfigField(config, busslave::kOutputBitsToken), r.do_bits);
      p.in_words = TokenWords(busslave::ConfigField(config, busslave::kInputWordsToken), r.ai_words);
      p.out_words = TokenWords(busslave::ConfigField(config, busslave::kOutputWordsToken), r.ao_words);
    } else {
      p.in_bits = ClaimBits(kInputBits, in_bits, r.di_bits);
      p.out_bits = ClaimBits(kOutputBits, out_bits, r.do_bits);
      p.in_words = ClaimWords(kInputWords, in_words, r.ai_words);
      p.out_words = ClaimWords(kOutputWords, out_words, r.ao_words);
    }
    p.exchange = true;
  }
  return out;
}

// The force table: u16 input entries n, u16 output entries m, then n + m entries
// {u16 word index, u16 AND mask, u16 OR mask}, inputs first; at most 256 bytes.
constexpr std::size_t kForceEntries = (kIoForceCap - 4) / 6;  // 42
static_assert(kForceEntries == 42);

void ApplyForce(bool outputs) {
  uint16_t counts[2];
  std::memcpy(counts, io_force, sizeof counts);
  const std::size_t first = outputs ? std::min<std::size_t>(counts[0], kForceEntries) : 0;
  const std::size_t count = std::min<std::size_t>(outputs ? counts[1] : counts[0], kForceEntries - first);
  for (std::size_t i = first; i < first + count; ++i) {
    uint16_t entry[3];
    std::memcpy(entry, io_force + 4 + 6 * i, sizeof entry);
    const uint32_t offset = 2u * entry[0];
    if (offset + 2 > reg::kImageSize) continue;  // not a word of the image
    SetRegWord(offset, uint16_t((RegWord(offset) & entry[1]) | entry[2]));
  }
}

}  // namespace

void ReadInputs() {
  const auto places = PlaceSlots();
  for (int slot = 0; slot < kIoSlots; ++slot) {
    const Place& p = places[slot];
    if (!p.exchange) continue;
    if (p.in_bits.bytes) IoGetIs(p.in_bits.at, slot, 0, 8 * p.in_bits.bytes);
    if (p.in_words.words) IoGetAIs(p.in_words.at, slot, 0, p.in_words.words);
  }
}

void WriteOutputs() {
  const auto places = PlaceSlots();
  for (int slot = 0; slot < kIoSlots; ++slot) {
    const Place& p = places[slot];
    if (p.exchange) {
      if (p.out_bits.bytes) IoPutQs(p.out_bits.at, slot, 0, 8 * p.out_bits.bytes);
      if (p.out_words.words) IoPutAQs(p.out_words.at, slot, 0, p.out_words.words);
    }
    if (p.module) IoService(slot);
  }
}

void ForceInputs() { ApplyForce(false); }
void ForceOutputs() { ApplyForce(true); }

}  // namespace runctl

// The pseudo-registers 992..1023: network addresses of the first Ethernet interface,
// web-server and session flags, time zone and UTC records, battery status and versions,
// reached through register links. Every value is assembled in the links' read buffer.
//
// Each copy stays inside the field's own width, whatever length the link names: a wide
// link neither writes over the neighbouring fields of the network record or the system
// registers, nor reads them out. A number without a source reads as zeros.
#include <array>
#include <cstring>

#include "ground/bbram.h"
#include "ground/regimage.h"
#include "ground/rtc.h"
#include "ground/tablestore.h"
#include "ground/upcalls.h"
#include "rcb_internal.h"

namespace rcb {
namespace {

enum class Place : uint8_t {
  kNone,        // no source, no destination
  kEthDhcp,     // the first interface's configuration record
  kEthDns,
  kEthIp,
  kEthMask,
  kEthGateway,
  kSr,          // system registers from `sr` on
  kWebRunning,  // 1 while the web server runs
  kSession,     // the user list's session flag
  kZone,        // SR210 as minutes and hours
  kMacText,     // the first interface's MAC address text
};

struct PseudoField {
  uint16_t number = 0;
  uint8_t width = 0;            // bytes of the field
  Place place = Place::kNone;
  uint16_t sr = 0;              // first system register of a kSr field
  bool writable = false;
  bool resync = false;          // a write re-derives the clocks from UTC
  bool whole = false;           // assembled whole, whatever length the link names
};

constexpr uint8_t kMacTextBytes = kMacTextLen + 1;

constexpr std::array kFields{
    PseudoField{.number = 992, .width = 1, .place = Place::kEthDhcp, .writable = true},
    PseudoField{.number = 994, .width = 4, .place = Place::kEthDns, .writable = true},
    PseudoField{.number = 996, .width = 2, .place = Place::kSr, .sr = 208},
    PseudoField{.number = 1002, .width = 2, .place = Place::kWebRunning, .whole = true},
    PseudoField{.number = 1003, .width = 2, .place = Place::kSession, .whole = true},
    // Word 1 is unused; word 2 the minutes, word 3 the hours of the zone.
    PseudoField{.number = 1005, .width = 6, .place = Place::kZone, .writable = true, .resync = true, .whole = true},
    PseudoField{.number = 1006, .width = 2, .place = Place::kSr, .sr = 211, .writable = true, .whole = true},
    PseudoField{.number = 1007, .width = 12, .place = Place::kSr, .sr = 212, .writable = true, .resync = true},
    PseudoField{.number = 1008, .width = 12, .place = Place::kSr, .sr = 215, .writable = true, .resync = true},
    PseudoField{.number = 1010, .width = 2, .place = Place::kSr, .sr = 195},
    PseudoField{.number = 1011, .width = 2, .place = Place::kSr, .sr = 196},
    PseudoField{.number = 1012, .width = 2, .place = Place::kSr, .sr = 197},
    PseudoField{.number = 1013, .width = 2, .place = Place::kSr, .sr = 198},
    PseudoField{.number = 1014, .width = kMacTextBytes, .place = Place::kMacText},
    PseudoField{.number = 1015, .width = 4, .place = Place::kEthIp, .writable = true},
    PseudoField{.number = 1016, .width = 4, .place = Place::kEthMask, .writable = true},
    PseudoField{.number = 1017, .width = 4, .place = Place::kEthGateway, .writable = true},
    PseudoField{.number = 1022, .width = 10, .place = Place::kSr, .sr = 201},  // kernel version text
    PseudoField{.number = 1023, .width = 2, .place = Place::kSr, .sr = 200},   // ramdisk version
};
static_assert(kFields.size() == 19);

constexpr PseudoField kNoField{};

const PseudoField& Field(uint32_t n) {
  for (const PseudoField& f : kFields)
    if (f.number == n) return f;
  return kNoField;
}

// Where a field's bytes live, for the fields that are plain memory.
uint8_t* Bytes(const PseudoField& f) {
  const PseudoEthFields eth = PseudoEthRecord();
  switch (f.place) {
    case Place::kEthDhcp: return eth.dhcp;
    case Place::kEthDns: return reinterpret_cast<uint8_t*>(eth.dns);
    case Place::kEthIp: return reinterpret_cast<uint8_t*>(eth.ip);
    case Place::kEthMask: return reinterpret_cast<uint8_t*>(eth.mask);
    case Place::kEthGateway: return reinterpret_cast<uint8_t*>(eth.gateway);
    case Place::kSr: return plc_reg + reg::SrOffset(f.sr);
    default: return nullptr;
  }
}

uint32_t Clamp(const PseudoField& f, uint32_t length) {
  if (f.whole) return f.width;
  return length < f.width ? length : f.width;
}

void PutU16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }
uint16_t GetU16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

}  // namespace

int PseudoRead(uint32_t n, uint32_t length) {
  uint8_t* buf = ReadBuffer();
  std::memset(buf, 0, kBufBytes);
  const PseudoField& f = Field(n);
  const uint32_t count = Clamp(f, length);
  switch (f.place) {
    case Place::kNone: break;
    case Place::kWebRunning: PutU16(buf, PseudoWebRunning() ? 1 : 0); break;
    case Place::kSession: PutU16(buf, PseudoSessionOpen() ? 1 : 0); break;
    case Place::kZone: {
      const int16_t zone = int16_t(SrGet(210));
      PutU16(buf + 2, uint16_t(int16_t(zone % 60)));  // C++ division truncates toward zero
      PutU16(buf + 4, uint16_t(int16_t(zone / 60)));
      break;
    }
    case Place::kMacText: {
      char text[kMacTextBytes] = {};
      std::memcpy(text, tinyImage + kTinyMacText0, kMacTextLen);
      std::memcpy(buf, text, count);
      break;
    }
    default: std::memcpy(buf, Bytes(f), count); break;
  }
  return 1;
}

int PseudoWrite(uint32_t n, uint32_t length) {
  const uint8_t* buf = ReadBuffer();
  const PseudoField& f = Field(n);
  if (!f.writable) return 0;
  if (f.place == Place::kZone) {
    const int32_t minutes = int16_t(GetU16(buf + 2)) + 60 * int32_t(int16_t(GetU16(buf + 4)));
    SrSet(210, uint16_t(minutes));  // 16 bits, no limit check
  } else {
    std::memcpy(Bytes(f), buf, Clamp(f, length));
  }
  if (f.resync) UtcResync();
  return 1;
}

}  // namespace rcb

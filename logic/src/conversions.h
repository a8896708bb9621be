#pragma once
// Pushes with conversion: a register (or a byte) read as one elementary type and pushed
// as another, INT, DINT and REAL as well as the 8-bit and unsigned types. Where the
// target has a range, a source value outside it turns the power flow off.
//
// Every conversion is one row of a table: what it reads, what it pushes and the range
// it tests; one handler runs them all.

#include <array>

#include "instruction.h"

namespace logic {

// What the operand holds.
enum class ConvSource : uint8_t {
  kUsint,  // byte reference, unsigned 8-bit
  kSint,   // byte reference, signed 8-bit
  kUint,   // word reference, unsigned 16-bit
  kInt,    // word reference, signed 16-bit
  kUdint,  // word reference, unsigned 32-bit in two words
  kDint,   // word reference, signed 32-bit in two words
  kReal,   // word reference, REAL in two words
};

// What is pushed.
enum class ConvTarget : uint8_t {
  kCell,       // one cell: the low 16 bits of the value
  kTwoCells,   // two cells: the value as a 32-bit integer
  kReal,       // two cells: the value rounded to the nearest REAL
  kUdintReal,  // two cells: a REAL truncated to UDINT (see conversions.cpp)
};

struct Conversion {
  uint16_t opcode;
  ConvSource source;
  ConvTarget target;
  bool ranged = false;  // lo..hi is tested
  int64_t lo = 0;
  int64_t hi = 0;
  // A REAL source tested against lo..hi as it stands, before the truncation (so that
  // -32768.5 lies outside -32768..32767); otherwise the truncated value is tested.
  bool range_on_real = false;
};

inline constexpr Conversion kConversions[] = {
    // INT, DINT and REAL.
    {.opcode = 75, .source = ConvSource::kDint, .target = ConvTarget::kCell, .ranged = true, .lo = -32768, .hi = 32767},
    {.opcode = 76, .source = ConvSource::kReal, .target = ConvTarget::kTwoCells, .ranged = true, .lo = INT32_MIN, .hi = INT32_MAX, .range_on_real = true},
    {.opcode = 77, .source = ConvSource::kReal, .target = ConvTarget::kCell, .ranged = true, .lo = -32768, .hi = 32767, .range_on_real = true},
    {.opcode = 78, .source = ConvSource::kDint, .target = ConvTarget::kReal},
    {.opcode = 79, .source = ConvSource::kInt, .target = ConvTarget::kReal},
    // From USINT and SINT.
    {.opcode = 300, .source = ConvSource::kUsint, .target = ConvTarget::kCell},
    {.opcode = 303, .source = ConvSource::kUsint, .target = ConvTarget::kCell},
    {.opcode = 301, .source = ConvSource::kUsint, .target = ConvTarget::kTwoCells},
    {.opcode = 304, .source = ConvSource::kUsint, .target = ConvTarget::kTwoCells},
    {.opcode = 302, .source = ConvSource::kUsint, .target = ConvTarget::kReal},
    {.opcode = 324, .source = ConvSource::kSint, .target = ConvTarget::kCell},
    {.opcode = 325, .source = ConvSource::kSint, .target = ConvTarget::kTwoCells},
    {.opcode = 326, .source = ConvSource::kSint, .target = ConvTarget::kReal},
    {.opcode = 327, .source = ConvSource::kSint, .target = ConvTarget::kCell, .ranged = true, .lo = 0, .hi = 127},
    {.opcode = 328, .source = ConvSource::kSint, .target = ConvTarget::kTwoCells, .ranged = true, .lo = 0, .hi = 127},
    // From UINT and INT.
    {.opcode = 306, .source = ConvSource::kUint, .target = ConvTarget::kTwoCells},
    {.opcode = 309, .source = ConvSource::kUint, .target = ConvTarget::kTwoCells},
    {.opcode = 307, .source = ConvSource::kUint, .target = ConvTarget::kReal},
    {.opcode = 305, .source = ConvSource::kUint, .target = ConvTarget::kCell, .ranged = true, .lo = 0, .hi = 127},
    {.opcode = 308, .source = ConvSource::kUint, .target = ConvTarget::kCell, .ranged = true, .lo = 0, .hi = 255},
    {.opcode = 315, .source = ConvSource::kUint, .target = ConvTarget::kCell, .ranged = true, .lo = 0, .hi = 255},
    {.opcode = 316, .source = ConvSource::kInt, .target = ConvTarget::kTwoCells, .ranged = true, .lo = 0, .hi = 32767},
    {.opcode = 329, .source = ConvSource::kInt, .target = ConvTarget::kCell, .ranged = true, .lo = -128, .hi = 127},
    // From UDINT and DINT.
    {.opcode = 310, .source = ConvSource::kUdint, .target = ConvTarget::kCell, .ranged = true, .lo = 0, .hi = 127},
    {.opcode = 313, .source = ConvSource::kUdint, .target = ConvTarget::kCell, .ranged = true, .lo = 0, .hi = 255},
    {.opcode = 317, .source = ConvSource::kUdint, .target = ConvTarget::kCell, .ranged = true, .lo = 0, .hi = 255},
    {.opcode = 314, .source = ConvSource::kUdint, .target = ConvTarget::kCell, .ranged = true, .lo = 0, .hi = 65535},
    {.opcode = 318, .source = ConvSource::kUdint, .target = ConvTarget::kCell, .ranged = true, .lo = 0, .hi = 65535},
    {.opcode = 311, .source = ConvSource::kDint, .target = ConvTarget::kCell, .ranged = true, .lo = -32768, .hi = 32767},
    {.opcode = 330, .source = ConvSource::kDint, .target = ConvTarget::kCell, .ranged = true, .lo = -128, .hi = 127},
    {.opcode = 312, .source = ConvSource::kUdint, .target = ConvTarget::kReal},
    // From REAL.
    {.opcode = 319, .source = ConvSource::kReal, .target = ConvTarget::kCell, .ranged = true, .lo = 0, .hi = 255},
    {.opcode = 320, .source = ConvSource::kReal, .target = ConvTarget::kCell, .ranged = true, .lo = 0, .hi = 65535},
    {.opcode = 331, .source = ConvSource::kReal, .target = ConvTarget::kCell, .ranged = true, .lo = -128, .hi = 127},
    {.opcode = 321, .source = ConvSource::kReal, .target = ConvTarget::kUdintReal, .ranged = true, .lo = 0, .hi = 4294967294},
};
static_assert(std::size(kConversions) == 35);

// The rows by opcode, for the handler.
inline constexpr uint16_t kConversionOpcodes = 332;
consteval std::array<Conversion, kConversionOpcodes> ConversionsByOpcode() {
  std::array<Conversion, kConversionOpcodes> t{};
  for (const Conversion& c : kConversions) {
    if (t[c.opcode].opcode != 0) throw "two conversions for one opcode";
    t[c.opcode] = c;
  }
  return t;
}
inline constexpr std::array<Conversion, kConversionOpcodes> kConversionByOpcode = ConversionsByOpcode();

void OpConvert(Machine& m, uint16_t opcode);

consteval std::array<OpRow, std::size(kConversions)> ConversionRows() {
  std::array<OpRow, std::size(kConversions)> rows{};
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = {kConversions[i].opcode, OpConvert};
  return rows;
}
inline constexpr std::array<OpRow, std::size(kConversions)> kConversionRows = ConversionRows();

}  // namespace logic

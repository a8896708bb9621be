#pragma once
// The meaning of every opcode word below 1024: which opcodes have a meaning, which are
// no-ops (skipped) and which are invalid (an error return). Opcodes are grouped by
// opcode / 64; groups 9 to 15 (576 to 1023) are invalid as a whole, so the map has 576
// entries.

#include <array>
#include <cstdint>

namespace logic {

inline constexpr uint16_t kOpcodeCount = 576;
inline constexpr uint16_t kFirstContact = 1024;

enum class OpKind : uint8_t { kInvalid, kNoop, kMeaning };

namespace opmap {
struct Range {
  uint16_t first;
  uint16_t last;
};

// Opcodes with a meaning, by group.
inline constexpr Range kMeaning[] = {
    // group 0
    {9, 9}, {31, 36}, {38, 41}, {48, 48}, {50, 56}, {60, 63},
    // group 1
    {64, 65}, {68, 71}, {73, 87}, {90, 127},
    // group 2
    {128, 137}, {140, 158}, {160, 179}, {182, 184}, {187, 188},
    // group 3
    {192, 196}, {199, 215}, {230, 230}, {240, 244}, {248, 254},
    // group 4
    {260, 273}, {280, 292}, {300, 319},
    // group 5
    {320, 321}, {324, 331}, {340, 347}, {350, 365}, {367, 368}, {370, 370}, {372, 379}, {381, 381},
    // group 6
    {384, 384}, {391, 391}, {394, 394}, {400, 400},
    // group 7
    {450, 455}, {458, 463}, {466, 471}, {474, 479}, {482, 487}, {498, 503}, {505, 509}, {511, 511},
    // group 8
    {512, 520}, {523, 526}, {528, 531}, {540, 544},
};

// Holes of groups 1 and 2 that the machine skips; every other hole is invalid.
inline constexpr uint16_t kNoop[] = {66, 67, 72, 88, 89, 138, 139, 159, 180, 181, 185, 186, 189, 190, 191};
static_assert(std::size(kNoop) == 15);

consteval std::array<OpKind, kOpcodeCount> Build() {
  std::array<OpKind, kOpcodeCount> map{};  // kInvalid
  for (Range r : kMeaning)
    for (uint16_t op = r.first; op <= r.last; ++op) map[op] = OpKind::kMeaning;
  for (uint16_t op : kNoop) {
    if (map[op] != OpKind::kInvalid) throw "a no-op that also has a meaning";
    map[op] = OpKind::kNoop;
  }
  return map;
}

consteval int Count(const std::array<OpKind, kOpcodeCount>& map, OpKind kind) {
  int n = 0;
  for (OpKind k : map) n += k == kind;
  return n;
}
}  // namespace opmap

inline constexpr std::array<OpKind, kOpcodeCount> kOpcodeMap = opmap::Build();
static_assert(opmap::Count(kOpcodeMap, OpKind::kMeaning) == 332, "332 opcodes have a meaning");
static_assert(opmap::Count(kOpcodeMap, OpKind::kNoop) == 15);

constexpr OpKind OpcodeKind(uint16_t op) { return op < kOpcodeCount ? kOpcodeMap[op] : OpKind::kInvalid; }

}  // namespace logic

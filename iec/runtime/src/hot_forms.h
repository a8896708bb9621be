#pragma once
// The interpreter's hot forms: the fixed-width arithmetic, compare, copy, indexed,
// immediate and jump instructions that the run loop executes inline, and the check of a
// code image against its built database that lets it. The check runs once per build,
// at every word position of the image (a jump may land anywhere even): a position holds
// a checked hot form when the instruction there, and the opcode after it, lie inside
// the image and every operand whose range does not depend on run-time values (variable
// indexes, relative jump targets) lies inside its area. The run loop then checks only
// what depends on run-time values: indexed elements, divisors, absolute jump targets
// (relative to the running program) and the backward-jump budget.
#include <cstdint>
#include <initializer_list>

#include "opcode_table.h"
#include "vm_runner.h"

namespace n4vm {

// The hot forms: one kind for an opcode and its lock-respecting twin.
enum Kind : uint8_t {
  kCareful,
  kRespecting,  // a lock-respecting twin: its destination's lock, then its plain kind
  kAddD, kSubD, kMulD, kDivD, kNegD, kGtD, kGeD, kEqD, kNeD,
  kAddR, kSubR, kMulR, kDivR, kNegR, kGtR, kGeR, kEqR, kNeR,
  kAddT, kSubT, kGtT, kGeT, kEqT, kNeT,
  kOr, kAnd, kXor, kNot, kEqB, kNeB,
  kAddL, kSubL, kMulL, kDivL, kNegL, kGtL, kGeL, kEqL, kNeL,
  kAddLR, kSubLR, kMulLR, kDivLR, kNegLR, kGtLR, kGeLR, kEqLR, kNeLR,
  kAddI, kSubI, kMulI, kDivI, kNegI, kGtI, kGeI, kEqI, kNeI,
  kAddSI, kSubSI, kMulSI, kDivSI, kNegSI, kGtSI, kGeSI, kEqSI, kNeSI,
  kMov8, kMov16, kMov32, kMov64, kMovT,
  kLdx8, kLdx16, kLdx32, kLdx64, kLdxT,
  kStx8, kStx16, kStx32, kStx64, kStxT,
  kSet1, kSet0, kImm8, kImm16, kImm32, kImm64, kImmT,
  kJt, kJf, kJmp, kJa, kJaf, kJat, kJeq,
  kKinds,
};

struct HotEntry {
  uint16_t plain, respecting;  // the same opcode twice where there is no twin
  Kind kind;
  uint8_t lock;  // the lock bit the twin tests on its destination
};

// An indexed write's lock-respecting twin runs through the careful path: its destination
// is known only with its element.
constexpr HotEntry kHot[] = {
    {8, 117, kAddD, kLk32}, {12, 120, kSubD, kLk32}, {4, 113, kMulD, kLk32}, {6, 115, kDivD, kLk32},
    {1, 110, kNegD, kLk32}, {19, 126, kGtD, kLk8}, {27, 134, kGeD, kLk8}, {31, 138, kEqD, kLk8},
    {36, 143, kNeD, kLk8},
    {9, 118, kAddR, kLk32}, {13, 121, kSubR, kLk32}, {5, 114, kMulR, kLk32}, {7, 116, kDivR, kLk32},
    {2, 111, kNegR, kLk32}, {20, 127, kGtR, kLk8}, {28, 135, kGeR, kLk8}, {32, 139, kEqR, kLk8},
    {37, 144, kNeR, kLk8},
    {10, 283, kAddT, kLkTime}, {14, 284, kSubT, kLkTime}, {21, 129, kGtT, kLk8}, {29, 137, kGeT, kLk8},
    {33, 142, kEqT, kLk8}, {38, 147, kNeT, kLk8},
    {41, 148, kOr, kLk8}, {42, 149, kAnd, kLk8}, {43, 150, kXor, kLk8}, {3, 112, kNot, kLk8},
    {35, 141, kEqB, kLk8}, {40, 146, kNeB, kLk8},
    {295, 294, kAddL, kLk64}, {297, 296, kSubL, kLk64}, {291, 290, kMulL, kLk64}, {293, 292, kDivL, kLk64},
    {289, 288, kNegL, kLk64}, {301, 300, kGtL, kLk8}, {305, 304, kGeL, kLk8}, {307, 306, kEqL, kLk8},
    {309, 308, kNeL, kLk8},
    {327, 326, kAddLR, kLk64}, {329, 328, kSubLR, kLk64}, {323, 322, kMulLR, kLk64}, {325, 324, kDivLR, kLk64},
    {321, 320, kNegLR, kLk64}, {333, 332, kGtLR, kLk8}, {337, 336, kGeLR, kLk8}, {339, 338, kEqLR, kLk8},
    {341, 340, kNeLR, kLk8},
    {355, 354, kAddI, kLk16}, {357, 356, kSubI, kLk16}, {351, 350, kMulI, kLk16}, {353, 352, kDivI, kLk16},
    {349, 348, kNegI, kLk16}, {361, 360, kGtI, kLk8}, {365, 364, kGeI, kLk8}, {367, 366, kEqI, kLk8},
    {369, 368, kNeI, kLk8},
    {383, 382, kAddSI, kLk8}, {385, 384, kSubSI, kLk8}, {379, 378, kMulSI, kLk8}, {381, 380, kDivSI, kLk8},
    {377, 376, kNegSI, kLk8}, {389, 388, kGtSI, kLk8}, {393, 392, kGeSI, kLk8}, {395, 394, kEqSI, kLk8},
    {397, 396, kNeSI, kLk8},
    {44, 151, kMov8, kLk8}, {399, 398, kMov8, kLk8}, {371, 370, kMov16, kLk16}, {45, 152, kMov32, kLk32},
    {46, 153, kMov32, kLk32}, {311, 310, kMov64, kLk64}, {343, 342, kMov64, kLk64}, {47, 155, kMovT, kLkTime},
    {55, 161, kLdx8, kLk8}, {401, 400, kLdx8, kLk8}, {373, 372, kLdx16, kLk16}, {56, 162, kLdx32, kLk32},
    {57, 163, kLdx32, kLk32}, {313, 312, kLdx64, kLk64}, {345, 344, kLdx64, kLk64}, {58, 164, kLdxT, kLkTime},
    {60, 60, kStx8, 0}, {403, 403, kStx8, 0}, {375, 375, kStx16, 0}, {61, 61, kStx32, 0}, {62, 62, kStx32, 0},
    {315, 315, kStx64, 0}, {347, 347, kStx64, 0}, {63, 63, kStxT, 0},
    {261, 263, kSet1, kLk8}, {262, 264, kSet0, kLk8}, {404, 405, kImm8, kLk8}, {267, 268, kImm16, kLk16},
    {271, 272, kImm32, kLk32}, {317, 316, kImm64, kLk64}, {279, 280, kImmT, kLkTime},
    {65, 65, kJt, 0}, {66, 66, kJf, 0}, {67, 67, kJmp, 0}, {528, 528, kJa, 0}, {529, 529, kJaf, 0},
    {530, 530, kJat, 0}, {544, 544, kJeq, 0},
};

// Per opcode: its hot kind, its length in words (the operand table's) and, for a
// lock-respecting twin, the lock bit of its destination.
struct HotForm {
  Kind kind = kCareful;
  uint8_t words = 1;
  uint8_t lock = 0;
};
struct HotTable {
  HotForm form[kOpMax + 1] = {};
  uint8_t words[kKinds] = {};  // every opcode of a kind has the same length
  constexpr HotTable() {
    for (const HotEntry& e : kHot) {
      for (uint16_t op : {e.plain, e.respecting}) {
        form[op] = {e.kind, uint8_t(1 + table::kTable.form[op].fixed), op == e.plain ? uint8_t(0) : e.lock};
        words[e.kind] = form[op].words;
      }
    }
  }
};
inline constexpr HotTable kHotTable;

constexpr bool HotFormsAreFixed() {
  for (const HotEntry& e : kHot)
    for (uint16_t op : {e.plain, e.respecting})
      if (!IsValid(op) || table::kTable.form[op].count_at >= 0 || kHotTable.form[op].words != kHotTable.words[e.kind])
        return false;
  return true;
}
static_assert(HotFormsAreFixed(), "a hot kind has one fixed operand list");

// The sizes of the areas the check relied on.
struct AreaSizes {
  uint32_t n8, n16, n32, n64, nt;
  bool operator==(const AreaSizes&) const = default;
};
AreaSizes SizesOf(uint8_t* db);

// Checks the code image against the database built for it: from then on, runs of that
// image on that database (with areas of the same sizes) take the checked hot forms.
// Whoever builds a database for an image, or attaches another image to it, calls it;
// the check is dropped when the database is shut down.
void CheckHotForms(const uint8_t* code, uint32_t code_size, uint8_t* db);
void DropHotForms(const uint8_t* db);
// The hot kind at every word position of the image, or nullptr when the image was not
// checked for this database as it is.
const uint8_t* HotKinds(const uint8_t* code, uint32_t code_size, uint8_t* db, const AreaSizes& sizes);

}  // namespace n4vm

#pragma once
// Puts an assembled ladder program into the logic table as a download leaves it, and
// runs scans of it.
//
//   ts::LadderProgram p;                        // 16-bit operand form
//   p.Load("LD I1; OUT Q1; END");               // also marks the next scan as the first
//   EXPECT_EQ(p.Scan(), -1);
//
// The table holds the code words, then a 9-byte trailer whose first four bytes are the
// program features word (bit 15 set for the 16-bit operand form), then the block's size
// and CRC-16 words are set and the features word is taken from the table as the kernel
// does after a load.

#include <cstdint>
#include <string_view>
#include <vector>

#include "testsupport/ladder_asm.h"

namespace ts {

// CRC-16 with the MODBUS parameters (reflected polynomial 0xA001, initial 0xFFFF).
uint16_t Crc16Modbus(const uint8_t* data, std::size_t length);

// Writes code into the logic table with the features trailer, size and CRC. Without the
// trailer (bare) the table ends with the last code word, so a stream that runs on reads
// past its end; NV_EditorFeatures is then set to features directly.
enum class Trailer { kFeatures, kBare };
void InstallLadder(const std::vector<uint16_t>& code, uint32_t features, Trailer trailer = Trailer::kFeatures);

class LadderProgram {
 public:
  explicit LadderProgram(OperandForm form = OperandForm::k16) : asm_(form) {}

  // Assembles text (or takes raw words), installs the program and sets the first-scan
  // bit S1, as a program start does.
  void Load(std::string_view text) { Load(asm_.Assemble(text)); }
  void Load(const std::vector<uint16_t>& words, Trailer trailer = Trailer::kFeatures);
  // One scan: LogicUpdate(ladder).
  int32_t Scan();

  uint32_t Label(const std::string& name) const { return asm_.Label(name); }
  LadderAsm& assembler() { return asm_; }
  const std::vector<uint16_t>& words() const { return words_; }

 private:
  LadderAsm asm_;
  std::vector<uint16_t> words_;
};

}  // namespace ts

#include "testsupport/ladder_program.h"

#include <cstring>
#include <stdexcept>

#include "controller/progstore.h"
#include "ground/regimage.h"
#include "ground/tablestore.h"
#include "logic/engine.h"

namespace ts {

uint16_t Crc16Modbus(const uint8_t* data, std::size_t length) {
  uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int b = 0; b < 8; ++b) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
  }
  return crc;
}

void InstallLadder(const std::vector<uint16_t>& code, uint32_t features, Trailer trailer) {
  const std::size_t trailer_bytes = trailer == Trailer::kFeatures ? 9 : 0;
  const std::size_t size = 2 * code.size() + trailer_bytes;
  if (size > kLadderCap - kTableHeader) throw std::length_error("ladder program too long");
  uint8_t* data = ladder_bl + kTableHeader;
  for (std::size_t i = 0; i < code.size(); ++i) {
    data[2 * i] = uint8_t(code[i]);
    data[2 * i + 1] = uint8_t(code[i] >> 8);
  }
  uint8_t* tail = data + 2 * code.size();
  std::memset(tail, 0, trailer_bytes);
  if (trailer_bytes) {
    for (int i = 0; i < 4; ++i) tail[i] = uint8_t(features >> (8 * i));
  }
  SetBlockSize(ladder_bl, uint32_t(size));
  SetBlockCrc(ladder_bl, Crc16Modbus(data, size));
  LogicTableChanged();
  if (trailer == Trailer::kFeatures) {
    nv_get_features();
  } else {
    NV_EditorFeatures = features;
  }
}

void LadderProgram::Load(const std::vector<uint16_t>& words, Trailer trailer) {
  words_ = words;
  InstallLadder(words_, asm_.form() == OperandForm::k16 ? 0x8000u : 0u, trailer);
  SBitSet(1, true);
}

int32_t LadderProgram::Scan() { return LogicUpdate(ladder); }

}  // namespace ts

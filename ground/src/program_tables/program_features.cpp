// The program features word: which optional tables the loaded logic program carries.
#include "ground/unaligned.h"
#include "ground/program_features.h"
#include "ground/tablestore.h"

uint32_t NV_EditorFeatures = 0;

uint32_t nv_get_features() {
  uint32_t size = BlockSize(ladder_bl);
  uint32_t word = 0;
  // The word is the u32 at size - 9; a table shorter than 9 bytes (the 2-byte default
  // program, say) has none, and a size past the block is not believed.
  if (size >= 9 && size <= kLadderCap - kTableHeader) {
    const uint8_t last = ladder[size - 1];
    if (last != 0xFE && last != 0xFF) word = UTIL_GetDword(ladder + (size - 9));
  }
  NV_EditorFeatures = word;
  return word;
}

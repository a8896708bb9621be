// The program image's loader on arbitrary file bytes: the first byte chooses the file
// (even: ladder.pgm, odd: config.pgm), the rest is its content.
#include <cstddef>
#include <cstdint>

#include "controller/poweron.h"
#include "controller/progstore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  KernelPowerOnReset();
  if (data[0] & 1) {
    LoadConfigImage(data + 1, size - 1);
  } else {
    LoadLadderImage(data + 1, size - 1);
  }
  return 0;
}

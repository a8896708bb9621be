#include "ground/version.h"

#include "ground/regimage.h"

int KernelBuildNumber() {
  const uint16_t a = SrGet(203), b = SrGet(204), c = SrGet(205);
  return (a & 0xF) * 1000 + ((a >> 8) & 0xF) * 100 + ((b >> 8) & 0xF) * 10 + (c & 0xF);
}

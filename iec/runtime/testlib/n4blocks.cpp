// A stand-in for the optional library of extra blocks, for the start-up's tests: it is
// valid and names two blocks, each exported under its name.
#include <cstdint>

extern "C" {
int N4Blocks_IsValid() { return 1; }
const char* N4Blocks_GetBlockName(uint32_t id, void*, uint32_t, void*) {
  switch (id) {
    case 1: return "XLIB_ONE";
    case 2: return "XLIB_TWO";
    default: return nullptr;
  }
}
int XLIB_ONE() { return 1; }
int XLIB_TWO() { return 2; }
}

// Width and limits of every system register SR1..SR192, tested on each write.
#include <array>

#include "ground/regaccess.h"

namespace {

constexpr SrInfo kReadOnly16{16, 0, 1, 0};
constexpr int32_t kU32Max = -1;  // 0xFFFFFFFF, compared unsigned

constexpr std::array<SrInfo, 192> BuildSrInfo() {
  std::array<SrInfo, 192> t{};
  for (auto& r : t) r = kReadOnly16;
  auto set = [&t](int sr, uint16_t width, int32_t min, int32_t max) { t[sr - 1] = {width, 0, min, max}; };
  auto rw = [&set](std::initializer_list<int> srs, int32_t min, int32_t max) {
    for (int sr : srs) set(sr, 16, min, max);
  };
  // Read-only wide registers; their tail words have width 0.
  auto wide = [&set](int sr, uint16_t width) {
    set(sr, width, 1, 0);
    for (int i = 1; i < width / 16; ++i) set(sr + i, 0, 1, 0);
  };
  for (int sr : {11, 13, 15, 17, 19, 21, 35, 53, 113, 115, 117, 119, 121, 123, 139, 143, 145, 149}) wide(sr, 32);
  for (int sr : {66, 78, 90, 102}) wide(sr, 96);
  wide(131, 80);  // the model name
  set(61, 0, 1, 0);
  set(142, 0, 1, 0);

  // Writable registers.
  rw({1, 2}, 0, 1023);
  rw({3}, 0, 28);
  rw({5}, 0, 4);
  rw({9, 10, 58, 62, 151, 154, 156, 163, 164, 165, 166, 168, 169, 170, 174, 175, 182}, 0, 65535);
  rw({29}, 1, 127);
  rw({30, 152}, 0, 4);
  rw({32}, 1, 40);
  rw({33, 34, 173, 183, 184, 185}, 0, 1);
  rw({57}, 0, 255);
  rw({63}, 0, 0);
  rw({153}, 0, 15);
  rw({155}, 135, 1500);
  for (int sr : {157, 159, 161, 176, 178, 181}) set(sr, 32, 0, kU32Max);
  rw({167}, 2, 50);
  rw({171}, 0, 480);
  rw({172}, 0, 800);
  rw({180}, 0, 2);
  rw({186}, 5, 1200);
  rw({188, 189, 191, 192}, 0, 1000);

  // The clock: PlcReg_Set hands these to the clock routines, which check the record
  // themselves; the limits serve the IEC runtime's binding.
  set(44, 96, 0, 59);
  set(45, 0, 0, 59);
  set(46, 0, 0, 23);
  set(47, 48, 1, 31);
  set(48, 0, 1, 12);
  set(49, 0, 1900, 1999);
  set(50, 0, 1, 7);
  return t;
}

}  // namespace

// Built at compile time from the tables above; constant data.
constinit const std::array<SrInfo, 192> sr_info = BuildSrInfo();

int VmDbWordSR_MinMax(uint16_t* minimum, uint16_t* maximum, int row) {
  if (row < 0 || row >= 192 || minimum == nullptr || maximum == nullptr) return 0;
  *minimum = static_cast<uint16_t>(sr_info[row].min);
  *maximum = static_cast<uint16_t>(sr_info[row].max);
  return 1;
}

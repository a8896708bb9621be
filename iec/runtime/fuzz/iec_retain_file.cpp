// The IEC runtime's retain file (/mnt/cfg/n4.ret) read into the retain blocks of a running
// application. Bytes 0..13: the seven blocks' sizes (u16 each, at most 4 KiB); bytes
// 14..17: the application's layout CRC; the rest is the file. An even-length input is
// given the file's CRC of the layout, so that the loader reads on past the check.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "iec_runtime/retain.h"
#include "testsupport/temp_root.h"

namespace {
constexpr std::size_t kBlocks = 7;
constexpr std::size_t kHead = 2 * kBlocks + 4;
constexpr uint32_t kBlockMax = 4096;
constexpr char kPath[] = "/mnt/cfg/n4.ret";
constexpr uint8_t kUntouched = 0x5A;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static ts::TempRoot root;
  if (size < kHead || size > kHead + kBlocks * kBlockMax + 64) return 0;
  N4RetainBlocks r{};
  std::vector<uint8_t> blocks[kBlocks];
  for (std::size_t i = 0; i < kBlocks; ++i) {
    r.size[i] = uint32_t(data[2 * i] | data[2 * i + 1] << 8) % (kBlockMax + 1);
    // One guard byte behind each block: a load must never write past a block's size.
    blocks[i].assign(r.size[i] + 1, kUntouched);
    r.block[i] = blocks[i].data();
  }
  std::memcpy(&r.crc, data + 2 * kBlocks, 4);
  std::vector<uint8_t> file(data + kHead, data + size);
  if (file.size() >= 4 && size % 2 == 0) std::memcpy(file.data(), &r.crc, 4);
  root.Write(kPath, file);
  const int can = N4Retain_CanLoad(r.crc, kPath);
  const int loaded = N4Retain_Load(&r, kPath);
  if (loaded == 0 && can != 1) std::abort();
  for (std::size_t i = 0; i < kBlocks; ++i)
    if (blocks[i][r.size[i]] != kUntouched) std::abort();
  return 0;
}

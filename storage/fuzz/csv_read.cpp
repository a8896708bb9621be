// CSV files from the card as the unit reads them: the first three bytes choose the value
// type, the count and the cells or rows to skip; the rest is the file. Each input is read
// by row, by column and as a line count into a bounded destination.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/root.h"
#include "storage/cf.h"
#include "storage/csv.h"
#include "storage/services.h"

namespace {

const std::string& Card() {
  static const std::string card = [] {
    char dir[] = "/tmp/panel-fuzz-csv-XXXXXX";
    const std::string root = ::mkdtemp(dir);
    plat::SetDeviceRoot(root);
    plat::MakeUnitDirs("/sys/block/mmcblk0");
    plat::MakeUnitDirs("/dev/mmcblk0p1");
    plat::MakeUnitDirs("/mnt/cfg");
    StoragePowerOnReset();
    return root + "/dev/mmcblk0p1/F.CSV";
  }();
  return card;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  std::ofstream(Card(), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data + 3), std::streamsize(size - 3));
  alignas(8) static uint8_t values[256];
  uint32_t got = 0;
  CfReadRequest r{};
  r.path = "A:\\F.CSV";
  r.data = values;
  r.type = data[0] % 11;
  r.out_count = &got;
  r.data_bytes = sizeof values;
  r.count = data[1] % 64;
  r.selector = data[2] % 16;
  CF_ReadFile(0, &r);
  r.count = int32_t(uint32_t(data[2] % 8) | uint32_t(data[1] % 80) << 16);
  r.selector = int32_t(0x80000000u | uint32_t(data[1]) << 16 | data[2] % 4);
  CF_ReadFile(0, &r);
  r.selector = kCsvCountLines;
  CF_ReadFile(0, &r);
  return 0;
}

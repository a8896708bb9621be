// The register files read at start-up: autoreg.dta, bbram.dta, the register backup
// bkpreg.dta and the orderly-stop mark saved.dat, restored as start-up restores them and
// then the backup block loaded. Byte 0 chooses the files:
//   bit 0 saved.dat          bit 1 autoreg.dta     bit 2 autoreg.dta's CRC made right
//   bit 3 bkpreg.dta         bit 4 its CRC right   bit 5 bbram.dta
//   bit 6 bkpreg.dta's length field from the input's first four bytes
//   bit 7 the register files cut to the input's length (else padded to a whole image)
// The rest is the image (and bbram.dta's content) from its start.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "controller/poweron.h"
#include "controller/retentive.h"
#include "ground/regimage.h"
#include "retentive_internal.h"
#include "storage/crc16.h"
#include "testsupport/temp_root.h"

namespace {

std::vector<uint8_t> RegisterFile(const uint8_t* payload, std::size_t n, bool good_crc, bool cut,
                                  const uint32_t* length_field) {
  std::vector<uint8_t> image(reg::kImageSize, 0);
  std::memcpy(image.data(), payload, std::min(n, image.size()));
  const uint16_t crc = good_crc ? crc16(image.data(), image.size()) : uint16_t(crc16(image.data(), image.size()) ^ 1);
  const uint32_t length = length_field ? *length_field : retentive::kImageLength;
  std::vector<uint8_t> file(retentive::kHeader, 0);
  std::memcpy(file.data(), &crc, 2);
  std::memcpy(file.data() + 4, &length, 4);
  file.insert(file.end(), image.begin(), image.end());
  if (cut) file.resize(std::min(file.size(), retentive::kHeader + n));
  return file;
}

void Place(const ts::TempRoot& root, const char* unit_path, bool present, const std::vector<uint8_t>& bytes) {
  if (present) {
    root.Write(unit_path, bytes);
  } else {
    std::remove(root.Host(unit_path).c_str());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static ts::TempRoot root;
  if (size < 1 || size > reg::kImageSize + 1) return 0;
  const uint8_t flags = data[0];
  const uint8_t* payload = data + 1;
  const std::size_t n = size - 1;
  KernelPowerOnReset();
  const bool cut = flags & 0x80;
  uint32_t length_field = 0;
  if (n >= 4) std::memcpy(&length_field, payload, 4);
  Place(root, retentive::kSavedFile, flags & 0x01, {'S', 'a', 'v', 'e', 'd'});
  Place(root, retentive::kAutoregFile, flags & 0x02, RegisterFile(payload, n, flags & 0x04, cut, nullptr));
  Place(root, retentive::kBackupFile, flags & 0x08,
        RegisterFile(payload, n, flags & 0x10, cut, (flags & 0x40) && n >= 4 ? &length_field : nullptr));
  Place(root, retentive::kBbramFile, flags & 0x20, std::vector<uint8_t>(payload, payload + n));
  AutoLoadRegisters();
  RestoreSRReg();
  return 0;
}

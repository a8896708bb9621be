// The Ethernet configuration parser on a downloaded block. The first byte chooses the
// interface (even: the wired block in the network table; odd: the Wi-Fi entry of the I/O
// configuration) and whether an IEC application is loaded; the rest is the block. Each
// block is parsed twice, with two different tails beyond it in the table: a parse that
// reads past the block's end gives two different records and stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "iec_runtime/services.h"
#include "ground/tablestore.h"
#include "net/dpr.h"
#include "platform/root.h"

namespace {

constexpr std::size_t kWifiHeader = 8;  // type, length, offset value and padding

void InstallWired(const uint8_t* data, std::size_t size, uint8_t tail) {
  std::memset(net_config_bl, tail, kNetConfigCap);
  if (size) std::memcpy(net_config_bl + kTableHeader, data, size);
  SetBlockSize(net_config_bl, uint32_t(size));
}

void InstallWifi(const uint8_t* data, std::size_t size, uint8_t tail) {
  std::memset(io_config_bl, tail, 4096 + 64);
  uint8_t* t = io_config_bl + kTableHeader;
  const uint16_t length = uint16_t(size + 4);
  t[0] = 0x01;
  t[1] = 0xEF;
  t[2] = uint8_t(length);
  t[3] = uint8_t(length >> 8);
  t[4] = 4;
  t[5] = 0;
  t[6] = t[7] = 0;
  if (size) std::memcpy(t + kWifiHeader, data, size);
  SetBlockSize(io_config_bl, uint32_t(kWifiHeader + size));
}

EthConfig first;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const bool rooted = [] {
    char dir[] = "/tmp/fuzz-eth-XXXXXX";
    if (!mkdtemp(dir)) std::abort();
    plat::SetDeviceRoot(dir);
    return true;
  }();
  (void)rooted;
  if (size < 1 || size > 4096) return 0;
  const uint8_t mode = data[0];
  const int index = (mode & 1) ? 2 : 0;
  OrvanelRuntime = (mode & 2) ? 1 : 0;
  ++data;
  --size;
  if (index == 0 && size > kNetConfigCap - kTableHeader) return 0;
  for (uint8_t tail : {uint8_t(0), uint8_t(0xA5)}) {
    DprPowerOnReset();
    if (index == 0)
      InstallWired(data, size, tail);
    else
      InstallWifi(data, size, tail);
    DprParseConfig(index);
    if (tail == 0)
      first = Dpr_Configuration[index];
    else if (std::memcmp(&first, &Dpr_Configuration[index], sizeof first) != 0)
      std::abort();
  }
  OrvanelRuntime = 0;
  return 0;
}

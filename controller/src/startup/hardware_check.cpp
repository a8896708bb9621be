// The hardware check at start-up: the hardware information block and the MAC addresses,
// the kernel settings of the board, and the kernel and ramdisk versions into SR200..SR205.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ground/cfg_file.h"
#include "ground/bbram.h"
#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "ground/tablestore.h"
#include "net/services.h"
#include "platform/kernel_ident.h"
#include "platform/root.h"
#include "platform/runner.h"
#include "ground/power_on.h"
#include "hardware_check.h"
#include "platform/trace.h"

namespace {

constexpr char kTinyImageFile[] = "/mnt/cfg/TINYIMGE.BIN";
constexpr char kRevFile[] = "/dev/shm/rev.txt";
constexpr char kRamdiskVersionFile[] = "/usr/version";
constexpr uint16_t kTinyImageDataSize = 24;  // the block's third u16 (low half of its size)

// Kernel settings, each a value for a file of /proc/sys (the board writes them with echo).
struct KernelSetting {
  const char* file;
  const char* value;
};
constexpr KernelSetting kKernelSettings[] = {
    {"/proc/sys/vm/dirty_writeback_centisecs", "10\n"},
    {"/proc/sys/vm/dirty_expire_centisecs", "20\n"},
    {"/proc/sys/net/ipv4/conf/eth0/arp_filter", "0\n"},
    {"/proc/sys/net/ipv4/conf/eth1/arp_filter", "0\n"},
    {"/proc/sys/net/ipv4/conf/all/arp_ignore", "1\n"},
    {"/proc/sys/net/ipv4/conf/all/proxy_arp", "1\n"},
    {"/proc/sys/net/ipv4/tcp_retries2", "5\n"},
};
static_assert(std::size(kKernelSettings) == 7);

// Writes text into an existing file (a kernel or driver setting); a missing file is left
// missing, as the shell's redirection into /proc or /sys would fail there.
void WriteSetting(const char* unit_path, const char* text) {
  char host[1024];
  if (!plat::MapPath(unit_path, host, sizeof host)) return;
  int fd;
  do fd = ::open(host, O_WRONLY | O_TRUNC | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return;
  ssize_t w;
  do w = ::write(fd, text, std::strlen(text));
  while (w < 0 && errno == EINTR);
  ::close(fd);
}

bool HoldsMac(const uint8_t* mac) {
  bool zero = true, ones = true;
  for (int i = 0; i < 6; ++i) {
    zero = zero && mac[i] == 0x00;
    ones = ones && mac[i] == 0xFF;
  }
  return !zero && !ones;
}

void LoadHardwareBlock() {
  CfgReader file(kTinyImageFile);
  if (file.open()) file.Read(tinyImage, kTinyImageCap);
  const uint16_t size = kTinyImageDataSize;
  std::memcpy(tinyImage + 4, &size, 2);
}

}  // namespace

// The kernel version text from the identity line: digits and dots in order (a "4" as the
// very first is dropped), ended by a blank once something was collected or by the end;
// the last two collected characters also stand at positions 7 and 8, position 9 is NUL.
void ParseKernelVersion(const char* line, std::size_t length, char out[10]) {
  std::memset(out, 0, 10);
  std::size_t count = 0;
  bool first = true;
  char prev = 0, last = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = line[i];
    if ((c >= '0' && c <= '9') || c == '.') {
      const bool skip = first && c == '4';
      first = false;
      if (skip) continue;
      if (count < 9) out[count] = c;
      ++count;
      prev = last;
      last = c;
    } else if (c == ' ' && count > 0) {
      break;
    }
  }
  if (count >= 2) {
    out[7] = prev;
    out[8] = last;
  }
  out[9] = 0;
}

void SYS_HardwareCheck() {
  plat::TraceCall("SYS_HardwareCheck");
  LoadHardwareBlock();
  Etn_SetMacId(tinyImage + kTinyMac0, 0);
  if (HoldsMac(tinyImage + kTinyMac1)) Etn_SetMacId(tinyImage + kTinyMac1, 1);

  plat::RunCommand({"killall", "-9", "inetd"});
  for (const KernelSetting& s : kKernelSettings) WriteSetting(s.file, s.value);
  plat::WriteUnameTo(kRevFile);
  WriteSetting("/sys/class/graphics/fbcon/cursor_blink", "0\n");

  char line[256] = {};
  std::size_t n = 0;
  {
    CfgReader rev(kRevFile);
    if (rev.open()) n = rev.Read(line, sizeof line);
  }
  char version[10];
  ParseKernelVersion(line, n, version);
  std::memcpy(plc_reg + reg::SrOffset(201), version, sizeof version);

  char text[16] = {};
  std::size_t got = 0;
  {
    CfgReader ramdisk(kRamdiskVersionFile);
    if (ramdisk.open()) got = ramdisk.Read(text, sizeof text - 1);
  }
  uint32_t number = 0;
  for (std::size_t i = 0; i < got && text[i] >= '0' && text[i] <= '9'; ++i) number = number * 10 + uint32_t(text[i] - '0');
  SrSet(200, uint16_t(number));
}

// ASCII over TCP's receive on outside bytes: a client connects to the unit's ASCII server
// on loopback and sends the input in pieces, the time between them chosen by the input,
// while the hub's passes store what arrives into the receive block. Byte 0: the
// terminator (13, 10, none, or byte 1 itself); byte 1: where the receive block lies
// (R1200, or near the end of the R registers, so that a long text runs past them);
// byte 2: a seed for the pieces' sizes; the rest is sent.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "ascii_internal.h"
#include "controller/poweron.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "net/enet.h"
#include "platform/clock.h"
#include "platform/netif.h"
#include "testsupport/eth_config.h"
#include "testsupport/free_port.h"
#include "testsupport/program_image.h"
#include "testsupport/temp_root.h"

namespace {

constexpr uint32_t R(uint32_t n) { return reg::kTokR + 16 * (n - 1); }
constexpr uint32_t kLastR = 50240;
constexpr uint16_t kPort = 4000;
constexpr std::size_t kHead = 3;
constexpr std::size_t kMaxText = 6000;

void Pass() { EnetMain(0); }

void Set16(uint32_t token, uint16_t v) { PlcReg_Set(token, &v, 16); }
uint16_t Get16(uint32_t token) {
  uint16_t v = 0;
  PlcReg_Get(&v, token, 16);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static ts::TempRoot root;
  static plat::TestClock clock;
  static const int offset = ts::FreeLoopbackPort() - 502;
  if (size < kHead || size > kHead + kMaxText) return 0;
  plat::SetClock(&clock);
  plat::SetPortOffset(offset);
  plat::SetHostInterfaces(false);
  ts::ClearTableStore();
  KernelPowerOnReset();
  const uint32_t receive = data[1] & 1 ? R(kLastR - (data[1] >> 1) * 4) : R(1200);
  const uint32_t status = R(2300);
  const uint32_t words[6] = {0, kPort, R(1), R(1100), receive, status};
  ts::InstallWiredConfig(ts::EthConfigBuilder(0xC0A80A14, 0xFFFFFF00).Add({}).Ascii(words).Bytes());
  static constexpr uint16_t kTerminators[] = {13, 10, ascii::kNoTerminator};
  Set16(receive + 16, data[0] % 4 < 3 ? kTerminators[data[0] % 4] : data[1]);
  SrSet(5, 2);
  for (int i = 0; i < 4; ++i) Pass();
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(uint16_t(plat::HostPort(kPort)));
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (int i = 0; i < 200 && !Ascii_cnn_cnt(0); ++i) Pass();
    const uint8_t* text = data + kHead;
    const std::size_t n = size - kHead;
    uint8_t seed = data[2];
    for (std::size_t at = 0; at < n;) {
      seed = uint8_t(seed * 33 + 7);
      const std::size_t piece = std::min<std::size_t>(n - at, 1 + (seed % 4 == 0 ? 1500 : seed * 3));
      if (::send(fd, text + at, piece, MSG_NOSIGNAL) != ssize_t(piece)) break;
      at += piece;
      Set16(status, 0);
      for (int i = 0; i < 50 && !(Get16(status) & ascii::kReceived); ++i) {
        Pass();
        ::usleep(20);
      }
      clock.AdvanceMs(seed % 3 == 0 ? 80 : 20);
    }
    for (int i = 0; i < 10; ++i) Pass();
  }
  if (fd >= 0) ::close(fd);
  NetPowerOnReset();
  return 0;
}

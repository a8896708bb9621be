// The programming link over TCP on outside bytes: a client on loopback sends them as its
// stream (logins, commands, segmented transfers, lengths of any size), while a stand-in
// for the programming-command processor answers each request with a frame or an
// acknowledge and ends exchanges with a poll. Passes run until the client is gone.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "net/dpr.h"
#include "net/nx.h"
#include "platform/netif.h"
#include "velan_internal.h"

namespace {

void Pass(uint8_t answer) {
  Velan_Scan(0);
  if (Etn_CheckRx()) {
    while (Etn_CheckRx()) Etn_GetRx();
    if (answer & 1) {
      const uint8_t frame[] = {0xFF, 3, answer, 1, 2, uint8_t(-(0xFF + 3 + answer + 3))};
      Etn_PutnTx(frame, sizeof frame);
    } else {
      Etn_PutTx(answer & 2 ? 0xA0 : 0x0F);
    }
    if (answer & 4) Etn_PutTx('p');
  }
  EnetThread();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    plat::SetPortOffset(20000);
    nx::_nx_system_initialize();
    nx::_nx_packet_pool_create(&EnetPacketPoolCtrl, "pool", nx::kPayloadSize, EnetPacketPool, nx::kPoolMemorySize);
    nx::_nx_ip_create(&Enet_IpInstance[0], "eth0", 0x7F000001, 0xFF000000, &EnetPacketPoolCtrl);
    Dpr_Init();
    return Velan_Init(&Enet_IpInstance[0], &EnetPacketPoolCtrl) == 0;
  }();
  if (!ready) std::abort();
  if (size < 1 || size > 8192) return 0;
  const uint8_t answer = data[0];
  for (int i = 0; i < 4; ++i) Pass(answer);
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(uint16_t(plat::HostPort(velan::kPort)));
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::abort();
  ::send(fd, data + 1, size - 1, MSG_NOSIGNAL);
  for (int i = 0; i < 64; ++i) Pass(answer);
  ::close(fd);
  for (int i = 0; i < 64 && Velan_ConnCnt(0) > 0; ++i) Pass(answer);
  return 0;
}

// The hub and the socket layer on a real interface: a veth pair in network namespaces
// that the test makes. The unit's interface calls are the real ioctls; what they did is
// read back from outside with ip. Skipped (with the reason) where namespaces need root.
#include <gtest/gtest.h>
#include <poll.h>

#include <cstring>

#include <atomic>
#include <thread>

#include "ground/bbram.h"
#include "ground/tablestore.h"
#include "net_fixture.h"
#include "testsupport/eth_config.h"
#include "testsupport/net_namespace.h"

namespace {

using ts::EthConfigBuilder;
using Interface = EthConfigBuilder::Interface;

constexpr uint32_t kIp = 0x0A4D0002, kMask = 0xFFFFFF00, kGateway = 0x0A4D0001;  // 10.77.0.2/24 via .1

class Namespace : public nt::NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    ns_ = std::make_unique<ts::NetNamespace>();
    if (!ns_->available()) GTEST_SKIP() << "namespace tests skipped: " << ns_->why();
    plat::SetHostInterfaces(true);
    plat::SetNetIf(&plat::HostNetIf());
    plat::SetPortOffset(0);  // the namespace has every port to itself
  }
  void TearDown() override {
    NetPowerOnReset();  // nothing of the unit's stays open in the namespace
    plat::SetNetIf(nullptr);
    plat::SetHostInterfaces(false);
    ns_.reset();
    NetTest::TearDown();
  }
  std::string UnitIp(const std::vector<std::string>& args) const { return ns_->Ip(ns_->unit(), args); }
  bool Has(const std::vector<std::string>& args, const std::string& text) const {
    return UnitIp(args).find(text) != std::string::npos;
  }
  // Passes until the condition holds. The unit's 2 s of link debounce run on the test
  // clock; the kernel reports a carrier change with a delay of its own (up to a second).
  template <class F>
  bool PassUntil(F done) {
    for (int i = 0; i < 500; ++i) {
      EnetMain(0);
      if (done()) return true;
      clock().AdvanceMs(100);
      ::poll(nullptr, 0, 10);
    }
    return false;
  }
  std::unique_ptr<ts::NetNamespace> ns_;
};

TEST_F(Namespace, TheHubConfiguresTheInterfaceAndFollowsItsLink) {
  ts::InstallWiredConfig(EthConfigBuilder(kIp, kMask).Add(Interface{.flags = 0x100, .gateway = kGateway}).Bytes());
  // The hardware address is set while the interface is still down.
  std::memcpy(tinyImage + kTinyMac0, "\x02\x11\x22\x33\x44\x55", 6);
  Etn_SetMacId(tinyImage + kTinyMac0, 0);
  EXPECT_TRUE(Has({"link", "show", "eth0"}, "02:11:22:33:44:55"));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(tinyImage + kTinyMacText0)), "02:11:22:33:44:55");

  ASSERT_TRUE(PassUntil([] { return Enet_LinkUp[0] == 1; })) << UnitIp({"link", "show", "eth0"}) << UnitIp({"addr"});
  ASSERT_TRUE(PassUntil([&] { return Has({"-4", "addr", "show", "eth0"}, "10.77.0.2/24"); }));
  EXPECT_TRUE(Has({"link", "show", "eth0"}, "UP"));
  ASSERT_TRUE(PassUntil([&] { return Has({"route"}, "default via 10.77.0.1 dev eth0"); }));
  EXPECT_EQ(Enet_IpInstance[0].link_up, 1);

  // The cable goes: the fallback address, once; it comes back: the configured address.
  ns_->Ip(ns_->peer(), {"link", "set", "peer0", "down"});
  ASSERT_TRUE(PassUntil([&] { return Has({"-4", "addr", "show", "eth0"}, "192.168.254.128/"); }));
  EXPECT_EQ(Enet_LinkUp[0], 0);
  ns_->Ip(ns_->peer(), {"link", "set", "peer0", "up"});
  ASSERT_TRUE(PassUntil([&] { return Has({"-4", "addr", "show", "eth0"}, "10.77.0.2/24"); }));
  EXPECT_FALSE(Has({"-4", "addr", "show", "eth0"}, "192.168.254.128"));

  ASSERT_EQ(nx::_nx_arp_dynamic_entry_set(&Enet_IpInstance[0], 0x0A4D0009, 0x00AA, 0xBBCCDDEE), nx::kSuccess);
  EXPECT_TRUE(Has({"neigh", "show", "dev", "eth0"}, "10.77.0.9 lladdr 00:aa:bb:cc:dd:ee PERMANENT"));
}

struct PeerClient {
  bool connected = false;
  std::string reply;
  std::atomic<bool> finished{false};
};

void ConnectFromPeer(void* arg) {
  auto* c = static_cast<PeerClient*>(arg);
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(502);
  a.sin_addr.s_addr = htonl(kIp);
  timeval limit{.tv_sec = 5, .tv_usec = 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    c->connected = true;
    ::send(fd, "hi", 2, 0);
    char buf[16] = {};
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n > 0) c->reply.assign(buf, std::size_t(n));
  }
  ::close(fd);
  c->finished = true;
}

nx::TcpSocket server;
void Accept(nx::TcpSocket* s, uint32_t) { nx::_nx_tcp_server_socket_accept(s, 0); }
void Echo(nx::TcpSocket* s) {
  nx::Packet* p = nullptr;
  if (nx::_nx_tcp_socket_receive(s, &p, 0) == nx::kSuccess) nx::_nx_tcp_socket_send(s, p, 0);
}
int ServerInit(nx::IpInstance* ip, nx::PacketPool*) {
  server = nx::TcpSocket{};
  int r = nx::_nx_tcp_socket_create(ip, &server, "echo", 0, 0, 128, 2048, nullptr, nullptr);
  if (r == nx::kSuccess) r = nx::_nx_tcp_server_socket_listen(ip, 502, &server, 5, Accept);
  nx::_nx_tcp_socket_receive_notify(&server, Echo);
  return r;
}
void ServerDeInit(nx::IpInstance*) { nx::_nx_tcp_socket_delete(&server); }
constexpr EnetProtocol kEchoModule = {.name = "Echo", .Init = ServerInit, .DeInit = ServerDeInit};

TEST_F(Namespace, AServerBoundToEth0AnswersAPeerOnTheOtherSide) {
  ts::InstallWiredConfig(EthConfigBuilder(kIp, kMask).Add(Interface{.flags = 0x100, .gateway = kGateway}).Bytes());
  EnetSetModule(EnetModule::kModbus, &kEchoModule);
  ASSERT_TRUE(PassUntil([&] { return Has({"-4", "addr", "show", "eth0"}, "10.77.0.2/24"); }));
  ASSERT_EQ(server.state, nx::kListening);
  PeerClient client;
  std::thread peer([&] { ns_->InPeer(ConnectFromPeer, &client); });
  // The hub's passes accept and echo while the peer waits for its answer.
  for (int i = 0; i < 5000 && !client.finished; ++i) {
    EnetMain(0);
    ::poll(nullptr, 0, 1);
  }
  peer.join();
  EXPECT_TRUE(client.connected);
  EXPECT_EQ(client.reply, "hi");
  ServerDeInit(nullptr);
}

}  // namespace

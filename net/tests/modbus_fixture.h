#pragma once
// The Modbus server on the wired interface, in Run mode, driven pass by pass by the test
// while a client talks to it on loopback: libmodbus in a thread, a raw socket, or a
// pymodbus peer in a child process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "ground/program_features.h"
#include "ground/regimage.h"
#include "modbus_internal.h"
#include "net_fixture.h"
#include "testsupport/eth_config.h"

namespace mt {

constexpr uint32_t kIp = 0xC0A80A14, kMask = 0xFFFFFF00;
using Bytes = std::vector<uint8_t>;

// The interface with its Modbus item: transport (0 TCP, 1 UDP) on port 502 and the
// write-protect token. Interface flag 0x8 switches Modbus off.
inline ts::EthConfigBuilder Config(uint16_t transport, uint32_t protect = 0, uint32_t interface_flags = 0) {
  ts::EthConfigBuilder b(kIp, kMask);
  b.Add(ts::EthConfigBuilder::Interface{.flags = interface_flags}).Modbus(0x40000, {transport, 502, protect});
  return b;
}
inline ts::EthConfigBuilder TcpConfig(uint32_t protect = 0, uint32_t flags = 0) { return Config(0, protect, flags); }
inline ts::EthConfigBuilder UdpConfig(uint32_t protect = 0, uint32_t flags = 0) { return Config(1, protect, flags); }
constexpr uint32_t kModbusOff = 0x8;

class ModbusTest : public nt::NetTest {
 public:
  void TearDown() override {
    for (int fd : fds_) ::close(fd);
    NetTest::TearDown();
  }
  // Installs the configuration and enters Run mode; the server listens (or is bound)
  // once the run flag follows.
  void Start(const ts::EthConfigBuilder& config = TcpConfig(), bool flat_tokens = false) {
    NV_EditorFeatures = flat_tokens ? kFeatTokens16 : 0;
    ts::InstallWiredConfig(config.Bytes());
    SrSet(5, 2);
    for (int i = 0; i < 3; ++i) Pass();
  }
  static void Pass() { EnetMain(0); }
  static uint16_t Port() { return uint16_t(plat::HostPort(502)); }

  // Runs passes while the client runs in a thread (at most a few seconds).
  static void WithClient(const std::function<void()>& client) {
    std::atomic<bool> done{false};
    std::thread t([&] {
      client();
      done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < deadline) {
      Pass();
      ::usleep(100);
    }
    t.join();
    ASSERT_TRUE(done) << "the client did not finish";
  }

  // A raw TCP client connected to the server's port and accepted by it.
  int Connect() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(Port());
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const int one = 1;  // each send its own segment, at once
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fds_.push_back(fd);
    return fd;
  }
  int Udp() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    fds_.push_back(fd);
    return fd;
  }
  static void SendTo(int fd, const Bytes& b) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(Port());
    ASSERT_EQ(::sendto(fd, b.data(), b.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a), ssize_t(b.size()));
  }
  static void Send(int fd, const Bytes& b) { ASSERT_EQ(::send(fd, b.data(), b.size(), MSG_NOSIGNAL), ssize_t(b.size())); }
  // Passes until n bytes arrived on fd (or `passes` passes went by); what arrived.
  // A closed connection ends the wait; closed then tells.
  static Bytes Await(int fd, std::size_t n, int passes = 2000, bool* closed = nullptr) {
    Bytes got;
    for (int i = 0; i < passes && got.size() < n; ++i) {
      Pass();
      uint8_t buf[512];
      const ssize_t r = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
      if (r > 0) got.insert(got.end(), buf, buf + r);
      if (r == 0) {
        if (closed) *closed = true;
        break;
      }
      if (r < 0 && i % 16 == 15) ::usleep(200);
    }
    return got;
  }
  // An MBAP request: transaction, protocol 0, length, unit 1, then the PDU.
  static Bytes Adu(uint16_t transaction, const Bytes& pdu, uint8_t unit = 1) {
    Bytes b = {uint8_t(transaction >> 8), uint8_t(transaction), 0, 0, uint8_t((pdu.size() + 1) >> 8),
               uint8_t(pdu.size() + 1), unit};
    b.insert(b.end(), pdu.begin(), pdu.end());
    return b;
  }
  static Bytes ReadHolding(uint16_t transaction, uint16_t start, uint16_t count) {
    return Adu(transaction, {3, uint8_t(start >> 8), uint8_t(start), uint8_t(count >> 8), uint8_t(count)});
  }
  static int Connections() { return Modbus_Conn_Cnt(0); }

 private:
  std::vector<int> fds_;
};

}  // namespace mt

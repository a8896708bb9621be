// MBAP framing on a serial port, as the serial-to-Ethernet module carries it: socat joins
// a loopback TCP port to the port's pseudo-terminal and libmodbus's TCP client talks
// through it.
#include <gtest/gtest.h>
#include <modbus/modbus.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <thread>

#include "modbus_rig.h"
#include "testsupport/child_process.h"

namespace {

// A loopback port that is free now.
int FreePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t n = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  ::close(s);
  return ntohs(a.sin_port);
}

TEST(ModbusTcpFraming, LibmodbusTcpClientThroughSocat) {
  std::memset(plc_reg, 0, reg::kImageSize);
  mbt::Rig rig(1, 3, false);
  MOD_TCPInit(1, 0);
  struct Off {
    ~Off() { MOD_TCPInit(0, 0); }
  } tcp_off_at_the_end;
  mbt::SetR(1, 0x0102);
  const int port = FreePort();
  ts::ChildProcess socat("socat", {"TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr",
                                   "FILE:" + rig.link() + ",raw,echo=0"});
  ASSERT_TRUE(socat.started());
  std::atomic<bool> done{false};
  int read = -1, wrote = -1, transactions_ok = 0;
  uint16_t regs[2] = {};
  std::thread client([&] {
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
    modbus_set_response_timeout(ctx, 1, 0);
    for (int i = 0; i < 200 && modbus_connect(ctx) != 0; ++i) ::usleep(10000);  // until socat listens
    modbus_set_slave(ctx, 1);
    wrote = modbus_write_register(ctx, 513, 0x0304);
    read = modbus_read_registers(ctx, 512, 2, regs);
    for (int i = 0; i < 3; ++i) transactions_ok += modbus_read_registers(ctx, 512, 1, regs + 1) == 1;
    modbus_close(ctx);
    modbus_free(ctx);
    done = true;
  });
  for (int i = 0; i < 100000 && !done; ++i) {
    ModbusExecute(0);
    ::usleep(100);
  }
  client.join();
  EXPECT_EQ(wrote, 1);
  EXPECT_EQ(read, 2);
  EXPECT_EQ(regs[0], 0x0102);
  EXPECT_EQ(transactions_ok, 3);
  EXPECT_EQ(mbt::R(2), 0x0304);
  EXPECT_EQ(ModbusPortCounters(0).comm_errors, 0);
  socat.Stop(SIGTERM, std::chrono::seconds(5));
}

}  // namespace

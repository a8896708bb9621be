// The unit's serial Modbus against independent implementations: libmodbus (in a thread
// of this test, through the port's pseudo-terminal) and pymodbus (a child process, RTU
// and ASCII). Time is real here: frames end by the unit's own gap timing.
#include <gtest/gtest.h>
#include <modbus/modbus.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "modbus_rig.h"
#include "testsupport/child_process.h"

namespace {

// Runs the client on a thread while the unit's port service runs here, as the scan would.
void RunAgainstUnit(const std::function<void()>& client) {
  std::atomic<bool> done{false};
  std::thread t([&] {
    client();
    done = true;
  });
  for (int i = 0; i < 200000 && !done; ++i) {
    ModbusExecute(0);
    ::usleep(100);
  }
  t.join();
}

class ModbusPeers : public ::testing::Test {
 protected:
  void SetUp() override { std::memset(plc_reg, 0, reg::kImageSize); }
};

TEST_F(ModbusPeers, LibmodbusMasterAgainstTheUnitsSlave) {
  mbt::Rig rig(1, 3, false);
  plc_reg[reg::kOffS] = 0x06;
  SrSet(2, 0x4242);
  struct Results {
    int wrote = -1, read = -1, coil = -1, bits = -1, inputs = -1, sr = -1, masked = -1, rw = -1;
    uint16_t regs[3] = {}, rw_regs[2] = {}, sr_value = 0;
    uint8_t q[12] = {}, s[3] = {};
    int e1 = 0, e2 = 0, e3 = 0, e3_write = 0;
  } r;
  const std::string link = rig.link();
  RunAgainstUnit([&] {
    modbus_t* ctx = modbus_new_rtu(link.c_str(), 115200, 'N', 8, 1);
    ASSERT_NE(ctx, nullptr);
    modbus_set_slave(ctx, 1);
    modbus_set_response_timeout(ctx, 1, 0);
    ASSERT_EQ(modbus_connect(ctx), 0);
    const uint16_t values[3] = {0x1111, 0x2222, 0x3333};
    r.wrote = modbus_write_registers(ctx, 512, 3, values);
    r.read = modbus_read_registers(ctx, 3000, 3, r.regs);
    r.coil = modbus_write_bit(ctx, 9, 1);
    const uint8_t bits[3] = {1, 0, 1};
    r.bits = modbus_write_bits(ctx, 0, 3, bits);
    modbus_read_bits(ctx, 0, 12, r.q);
    r.inputs = modbus_read_input_bits(ctx, 4000, 3, r.s);
    r.sr = modbus_read_input_registers(ctx, 4001, 1, &r.sr_value);
    r.masked = modbus_mask_write_register(ctx, 10000, 0x00FF, 0x0100);
    const uint16_t w[1] = {0x7777};
    r.rw = modbus_write_and_read_registers(ctx, 514, 1, w, 512, 2, r.rw_regs);
    uint8_t id[64];
    if (modbus_report_slave_id(ctx, sizeof id, id) < 0) r.e1 = errno;
    const uint8_t diag[] = {1, 8, 0, 3, 0, 0};
    uint8_t answer[MODBUS_RTU_MAX_ADU_LENGTH];
    if (modbus_send_raw_request(ctx, diag, sizeof diag) > 0 && modbus_receive_confirmation(ctx, answer) == 5 &&
        answer[1] == 0x88)
      r.e2 = answer[2];
    uint16_t sink[2];
    if (modbus_read_registers(ctx, 511, 2, sink) < 0) r.e3 = errno;
    const uint16_t over[2] = {1, 2};
    if (modbus_write_registers(ctx, 6031, 2, over) < 0) r.e3_write = errno;
    modbus_close(ctx);
    modbus_free(ctx);
  });
  EXPECT_EQ(r.wrote, 3);
  EXPECT_EQ(r.read, 3);
  EXPECT_EQ(r.regs[0], 0x1111);
  EXPECT_EQ(r.regs[2], 0x3333);
  EXPECT_EQ(r.coil, 1);
  EXPECT_EQ(r.bits, 3);
  EXPECT_EQ((std::vector<uint8_t>(r.q, r.q + 12)), (std::vector<uint8_t>{1, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0}));
  EXPECT_EQ(r.inputs, 3);
  EXPECT_EQ((std::vector<uint8_t>(r.s, r.s + 3)), (std::vector<uint8_t>{0, 1, 1}));
  EXPECT_EQ(r.sr_value, 0x4242);
  EXPECT_EQ(r.masked, 1);
  EXPECT_EQ(r.rw, 2);
  EXPECT_EQ(r.rw_regs[0], (0x1111 & 0xFF) | 0x100);
  EXPECT_EQ(mbt::R(3), 0x7777);
  EXPECT_EQ(r.e1, EMBXILFUN);
  EXPECT_EQ(r.e2, 2);
  EXPECT_EQ(r.e3, EMBXILVAL);
  EXPECT_EQ(r.e3_write, EMBXILVAL);
  EXPECT_EQ(SrGet(2), 0x4242);
}

// pymodbus as a second client, in RTU and in ASCII framing.
TEST_F(ModbusPeers, PymodbusClientRtuAndAscii) {
  for (const char* framer : {"rtu", "ascii"}) {
    std::memset(plc_reg, 0, reg::kImageSize);
    mbt::Rig rig(7, std::string(framer) == "rtu" ? 3 : 2, false);
    mbt::SetR(5, 0xBEEF);
    ts::ChildProcess peer("/usr/bin/python3",
                          {PANEL_SOURCE_DIR "/testsupport/peers/modbus_client.py", "--port", rig.link(),
                           "--framer", framer, "--slave", "7"});
    ASSERT_TRUE(peer.started());
    int rc = -1;
    std::thread waiter([&] { rc = peer.Wait(std::chrono::seconds(30)); });
    std::atomic<bool> done{false};
    std::thread flag([&] {
      waiter.join();
      done = true;
    });
    for (int i = 0; i < 300000 && !done; ++i) {
      ModbusExecute(0);
      ::usleep(100);
    }
    flag.join();
    EXPECT_EQ(rc, 0) << framer << ": " << peer.output();
    EXPECT_NE(peer.output().find("read 48879"), std::string::npos) << peer.output();
    EXPECT_NE(peer.output().find("exception 3"), std::string::npos) << peer.output();
    EXPECT_EQ(mbt::R(6), 0x1234) << framer;
    EXPECT_TRUE(plc_reg[reg::kOffQ] & 4) << framer;
  }
}

}  // namespace

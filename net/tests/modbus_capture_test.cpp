// The unit's Modbus/TCP replies as a capture decodes them: tshark's dissector must find
// every request and reply and no malformed frame.
#include <modbus/modbus.h>

#include <csignal>

#include "modbus_fixture.h"
#include "testsupport/child_process.h"

namespace {

using namespace std::chrono_literals;

class ModbusCapture : public mt::ModbusTest {};

int CountFrames(const std::string& file, uint16_t port, const std::string& filter) {
  ts::ChildProcess reader("tshark", {"-r", file, "-d", "tcp.port==" + std::to_string(port) + ",mbtcp", "-Y", filter});
  reader.Wait(30s);
  // One line per frame; tshark's own remarks (running as root ...) are not frames.
  int lines = 0;
  std::size_t at = 0;
  const std::string& out = reader.output();
  while (at < out.size()) {
    const std::size_t end = std::min(out.find('\n', at), out.size());
    if (out.find("Modbus", at) < end) ++lines;
    at = end + 1;
  }
  return lines;
}

TEST_F(ModbusCapture, TsharkDecodesEveryReplyWithoutAMalformedFrame) {
  if (::access("/usr/bin/tshark", X_OK) != 0) GTEST_SKIP() << "tshark is not installed";
  Start();
  const std::string file = root().Host("/capture.pcapng");
  ts::ChildProcess capture("tshark", {"-i", "lo", "-f", "port " + std::to_string(Port()), "-l", "-P", "-w", file});
  if (!capture.WaitFor("Capturing on", 20s))
    GTEST_SKIP() << "capturing on the loopback interface is not permitted here: " << capture.output();
  // The capture runs once it shows a probe datagram to the port.
  const int probe = Udp();
  bool seen = false;
  for (int i = 0; i < 100 && !seen; ++i) {
    SendTo(probe, {0});
    seen = capture.WaitFor("UDP", 200ms);
  }
  ASSERT_TRUE(seen) << capture.output();
  Set16(reg::kTokAQ, 0x1234);
  WithClient([] {
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", Port());
    modbus_set_response_timeout(ctx, 2, 0);
    if (modbus_connect(ctx) != 0) return;
    uint16_t regs[10];
    uint8_t bits[20];
    modbus_read_registers(ctx, 0, 10, regs);
    modbus_read_input_registers(ctx, 0, 3, regs);
    modbus_read_bits(ctx, 0, 20, bits);
    modbus_read_input_bits(ctx, 0, 20, bits);
    modbus_write_register(ctx, 512, 7);
    const uint16_t two[2] = {1, 2};
    modbus_write_registers(ctx, 512, 2, two);
    modbus_write_bit(ctx, 0, 1);
    const uint8_t three[3] = {1, 0, 1};
    modbus_write_bits(ctx, 0, 3, three);
    modbus_read_registers(ctx, 7000, 1, regs);  // exception 2
    const uint8_t raw[] = {1, 8, 0, 0, 0, 0};    // exception 1
    uint8_t reply[MODBUS_TCP_MAX_ADU_LENGTH];
    if (modbus_send_raw_request(ctx, raw, sizeof raw) > 0) modbus_receive_confirmation(ctx, reply);
    modbus_close(ctx);
    modbus_free(ctx);
  });
  // The capture stops once it has shown the client's close.
  for (int i = 0; i < 100 && !capture.WaitFor("FIN", 50ms); ++i) Pass();
  capture.Stop(SIGINT, 30s);
  const uint16_t port = Port();
  EXPECT_EQ(CountFrames(file, port, "mbtcp && tcp.srcport == " + std::to_string(port)), 10) << "one reply per request";
  EXPECT_EQ(CountFrames(file, port, "mbtcp && tcp.dstport == " + std::to_string(port)), 10);
  EXPECT_EQ(CountFrames(file, port, "modbus.exception_code"), 2);
  EXPECT_EQ(CountFrames(file, port, "_ws.malformed || _ws.expert.severity >= \"error\""), 0);
}

}  // namespace

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "drivers/serial.h"
#include "fieldbus/gap_timers.h"
#include "ground/regimage.h"
#include "platform/clock.h"
#include "serial_port.h"
#include "testsupport/temp_root.h"

namespace {

// The peer end of a port: what a cable's far side would see.
class Peer {
 public:
  explicit Peer(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
    termios t{};
    ::tcgetattr(fd_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd_, TCSANOW, &t);
  }
  ~Peer() { ::close(fd_); }
  void Send(const std::vector<uint8_t>& b) { ASSERT_EQ(::write(fd_, b.data(), b.size()), ssize_t(b.size())); }
  // Everything that arrives within a short wait.
  std::vector<uint8_t> Take(int wait_ms = 100) {
    std::vector<uint8_t> out;
    pollfd p{fd_, POLLIN, 0};
    while (::poll(&p, 1, wait_ms) > 0) {
      uint8_t buf[256];
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0) break;
      out.insert(out.end(), buf, buf + n);
      wait_ms = 20;
    }
    return out;
  }

 private:
  int fd_;
};

class SerialPorts : public ::testing::Test {
 protected:
  void SetUp() override {
    RCT_Init();
    SrSet(203, 0);
    SrSet(204, 0);
    SrSet(205, 0);
    ProgrammingPort = 0;
    for (int n = 0; n < 4; ++n) Vcomm_Drv[n] = {};
    ASSERT_EQ(SCI2_Init(0), 1);
    ASSERT_EQ(SCI0_Init(1), 1);
    ASSERT_EQ(SCI3_Init(2), 1);
    ASSERT_EQ(SCI1_Init(3), 1);
  }
  void TearDown() override { RCT_Init(); }
  VcommDriver& Row(int n) { return Vcomm_Drv[n]; }
  void Wait(int n, int count) {
    for (int i = 0; i < 1000 && Row(n).count_rx() < count; ++i) ::usleep(1000);
  }
  ts::TempRoot root_;
  plat::ScopedTestClock clock_;
};

uint8_t Mode(uint8_t framing, uint8_t protocol = 3) { return uint8_t(protocol << 4 | framing); }

TEST_F(SerialPorts, FramingChangeMatrix) {
  const char* allowed[5] = {"11111", "01111", "01100", "01010", "01001"};
  for (int from = 0; from < 5; ++from) {
    for (int to = 0; to < 5; ++to) {
      ASSERT_EQ(SCI2_Init(0), 1);
      uint8_t m[6] = {5, 0, 3, 0, 0, Mode(uint8_t(from))};
      ASSERT_EQ(Row(0).open(m), 1);
      m[5] = Mode(uint8_t(to));
      const int expect = allowed[from][to] - '0';
      EXPECT_EQ(Row(0).open(m), expect) << from << "->" << to;
      EXPECT_EQ(Row(0).mode[5] & 0x0F, expect ? to : from) << from << "->" << to;
    }
  }
  uint8_t seven[6] = {5, 0, 3, 0, 0, 7};
  EXPECT_EQ(Row(0).open(seven), 0);
}

TEST_F(SerialPorts, LineSettingsAreRecordedAndInvalidCodesFailWithTheRestApplied) {
  const uint8_t m[6] = {9, 2, 2, 1, 0, Mode(3)};
  ASSERT_EQ(Row(3).open(m), 1);
  const termios& t = serial::DriverPort(1).device.line();
  EXPECT_EQ(cfgetospeed(&t), B115200);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CSIZE | CSTOPB), tcflag_t(PARENB | CS7 | CSTOPB));
  const uint8_t bad[6] = {13, 1, 3, 0, 1, Mode(3)};
  EXPECT_EQ(Row(3).open(bad), 0);
  const termios& u = serial::DriverPort(1).device.line();
  EXPECT_EQ(u.c_cflag & (PARENB | PARODD), tcflag_t(PARENB | PARODD));
  EXPECT_TRUE(u.c_iflag & IXON);
  serial::DriverPort(1).device.FailLine(true);
  EXPECT_EQ(Row(3).open(m), 0);
  serial::DriverPort(1).device.FailLine(false);
}

TEST_F(SerialPorts, ProgrammingPortReportsItsFraming) {
  ProgrammingPort = 1;
  const uint8_t m[6] = {5, 0, 3, 0, 0, Mode(3)};
  Row(1).open(m);
  EXPECT_EQ(SrGet(34), 3);
  Row(0).open(m);
  SrSet(34, 9);
  Row(0).open(velan_mode);
  EXPECT_EQ(SrGet(34), 9);
}

TEST_F(SerialPorts, KernelFramingGapByProtocolAndHandshake) {
  SrSet(203, 3);  // build 3545
  SrSet(205, 5);
  SrSet(204, 5 << 8);
  SrSet(203, 3 | 5 << 8);
  uint8_t m[6] = {6, 0, 3, 0, 0, Mode(3, 3)};
  Row(0).open(m);
  EXPECT_EQ(serial::DriverPort(2).device.frame_gap(), 1822u);
  m[5] = Mode(3, 0);
  Row(0).open(m);
  EXPECT_EQ(serial::DriverPort(2).device.frame_gap(), 4680u);
}

TEST_F(SerialPorts, RtuFrameIsSentWholeByRtuTx) {
  Peer peer(root_.Host("/dev/ttySP0"));
  const uint8_t m[6] = {5, 0, 3, 0, 0, Mode(3)};
  ASSERT_EQ(Row(0).open(m), 1);
  for (uint8_t b = 1; b <= 8; ++b) Row(0).put(b);
  EXPECT_TRUE(peer.Take(20).empty());
  Row(0).rtu_tx();
  EXPECT_EQ(peer.Take(), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

// Frame ends by gap on the test clock: a byte in the gap extends the frame, and a frame
// end is reported once after the last byte.
TEST_F(SerialPorts, RtuFrameEndsByGap) {
  Peer peer(root_.Host("/dev/ttySP0"));
  const uint8_t m[6] = {5, 0, 3, 0, 0, Mode(3)};
  ASSERT_EQ(Row(0).open(m), 1);
  peer.Send({1, 2});
  Wait(0, 2);
  EXPECT_EQ(Row(0).check(), 1);
  EXPECT_EQ(Row(0).get(), 1);
  EXPECT_EQ(Row(0).get(), 2);
  EXPECT_EQ(Row(0).check(), 0);
  clock_->AdvanceTicks(200);
  EXPECT_EQ(Row(0).check(), 0);
  peer.Send({3});  // within the gap: the same frame
  Wait(0, 1);
  EXPECT_EQ(Row(0).get(), 3);
  clock_->AdvanceTicks(200);
  EXPECT_EQ(Row(0).check(), 0);
  clock_->AdvanceTicks(70);
  EXPECT_EQ(Row(0).check(), 255);
  EXPECT_EQ(Row(0).check(), 0);
}

// Every port ends RTU frames on the newer kernels too, where the board's driver times
// the gap.
TEST_F(SerialPorts, RtuFrameEndsOnEveryPortWithTheDriversGap) {
  SrSet(203, 3 | 5 << 8);  // build 3545
  SrSet(204, 4 << 8);
  SrSet(205, 5);
  const char* devices[4] = {"/dev/ttySP0", "/dev/ttySP3", "/dev/ttySP2", "/dev/ttySP4"};
  for (int n = 0; n < 4; ++n) {
    SCOPED_TRACE(n);
    Peer peer(root_.Host(devices[n]));
    const uint8_t m[6] = {9, 0, 3, 0, 0, Mode(3)};
    ASSERT_EQ(Row(n).open(m), 1);
    peer.Send({1, 2});
    Wait(n, 2);
    EXPECT_EQ(Row(n).get(), 1);
    EXPECT_EQ(Row(n).get(), 2);
    EXPECT_EQ(Row(n).check(), 0);
    clock_->AdvanceTicks(10);
    EXPECT_EQ(Row(n).check(), 255);
    EXPECT_EQ(Row(n).check(), 0);
  }
}

TEST_F(SerialPorts, InterceptRings) {
  Row(1).set_intercept(1);
  for (uint8_t b : {7, 8, 9}) Row(1).stuff_rx(b);
  EXPECT_EQ(Row(1).count_rx(), 3);
  EXPECT_EQ(Row(1).check(), 1);
  EXPECT_EQ(Row(1).get(), 7);
  for (int i = 0; i < 3000; ++i) Row(1).stuff_rx(1);
  EXPECT_EQ(Row(1).count_rx(), 2047);
  Row(1).put(0x55);
  const uint8_t block[3] = {1, 2, 3};
  Row(1).put_n(block, 3);
  EXPECT_EQ(Row(1).count_tx(), 4);
  EXPECT_EQ(Row(1).empty_tx(), 0);
  uint8_t b = 0;
  EXPECT_EQ(Row(1).drain_tx(&b), 1);
  EXPECT_EQ(b, 0x55);
  Row(1).flush_tx();
  EXPECT_EQ(Row(1).drain_tx(&b), 0);
  Row(1).set_intercept(0);
  EXPECT_EQ(Row(1).count_tx(), 0);
}

// Room to send is reported only while the next byte will be taken, so that a sender
// that asks first loses nothing to a peer that stopped reading.
TEST_F(SerialPorts, TransmitRoomFollowsTheQueue) {
  Peer peer(root_.Host("/dev/ttySP3"));
  std::vector<uint8_t> written;
  for (int i = 0; i < 1 << 20 && Row(1).check_tx(); ++i) {
    written.push_back(uint8_t(i * 7));
    Row(1).put(written.back());
  }
  ASSERT_EQ(Row(1).check_tx(), 0);
  EXPECT_EQ(peer.Take(), written);
  EXPECT_EQ(Row(1).check_tx(), 1);
  // Intercepted: the transmit ring's room.
  Row(1).set_intercept(1);
  for (int i = 0; i < 2047; ++i) Row(1).put(1);
  EXPECT_EQ(Row(1).check_tx(), 0);
  uint8_t b = 0;
  Row(1).drain_tx(&b);
  EXPECT_EQ(Row(1).check_tx(), 1);
  Row(1).set_intercept(0);
}

TEST_F(SerialPorts, WaitRxReturnsAtOnceOutsideRun) {
  SrSet(5, 0);
  uint8_t b = 0;
  EXPECT_EQ(Row(0).wait_rx(&b), 0);
}

TEST_F(SerialPorts, ChainBitAndCarrier) {
  const uint8_t rs485[6] = {5, 0, 3, 0, 3, Mode(3)};
  Row(3).open(rs485);
  EXPECT_EQ(serial::DriverPort(1).device.modem_lines() & plat::kLineRts, 0);
  // The second on-board port leaves RTS alone; MJ1 raises it.
  EXPECT_EQ(serial::DriverPort(0).device.modem_lines() & plat::kLineRts, 0);
  EXPECT_NE(serial::DriverPort(2).device.modem_lines() & plat::kLineRts, 0);
  const uint8_t modem[6] = {5, 0, 3, 0, 0, Mode(1, 4)};
  Row(2).open(modem);
  serial::DriverPort(3).device.SetCarrier(true);
  EXPECT_EQ(Row(2).get_dcd(), 1);
  EXPECT_NE(serial::DriverPort(3).device.modem_lines() & plat::kLineRts, 0);
  const uint8_t plain[6] = {5, 0, 3, 0, 0, Mode(1, 1)};
  Row(2).open(plain);
  EXPECT_EQ(Row(2).get_dcd(), 0);
}

TEST_F(SerialPorts, UsbPortReopensWhenTheGadgetResumes) {
  ASSERT_EQ(SCI4_Init(3), 1);
  const std::string flag = "/sys/devices/platform/fsl-usb2-udc/gadget/suspended";
  root_.Write(flag, "0");
  USBPortMon();
  root_.Write(flag, "1");
  USBPortMon();
  EXPECT_EQ(FileDesForUSB, -1);
  EXPECT_FALSE(root_.Exists("/dev/ttyGS0"));
  root_.Write(flag, "0");
  USBPortMon();
  EXPECT_GE(FileDesForUSB, 0);
  Peer peer(root_.Host("/dev/ttyGS0"));
  SCI4_PutTx(0x42);
  EXPECT_EQ(peer.Take(), std::vector<uint8_t>{0x42});
}

}  // namespace

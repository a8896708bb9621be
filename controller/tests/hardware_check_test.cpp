// The hardware check: the hardware information block and MAC addresses, the kernel
// settings, and the kernel and ramdisk versions in SR200..SR205.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ground/bbram.h"
#include "ground/regimage.h"
#include "controller/startup.h"
#include "ground/sysservices.h"
#include "ground/tablestore.h"
#include "platform/kernel_ident.h"
#include "hardware_check.h"
#include "testsupport/recording_runner.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"

namespace {

class HardwareCheck : public ts::RegImageTest {
 protected:
  ts::TempRoot root;
  ts::RecordingRunner runner;
  void SetUp() override {
    RegImageTest::SetUp();
    std::memset(tinyImage, 0, sizeof tinyImage);
  }
  void TearDown() override {
    plat::SetUnameLine("");
    RegImageTest::TearDown();
  }
  std::string Text(const char* unit_path) {
    auto bytes = root.Read(unit_path);
    return std::string(bytes.begin(), bytes.end());
  }
  static std::string VersionText() { return std::string(reinterpret_cast<const char*>(plc_reg + reg::SrOffset(201)), 10); }
};

TEST_F(HardwareCheck, LoadsTheHardwareBlockAndSetsTheMacAddresses) {
  std::vector<uint8_t> block(kTinyImageCap);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = uint8_t(0x80 + i);
  root.Write("/mnt/cfg/TINYIMGE.BIN", block);
  SYS_HardwareCheck();
  EXPECT_EQ(tinyImage[4], 24);  // the block's third u16
  EXPECT_EQ(tinyImage[5], 0);
  EXPECT_EQ(tinyImage[8], 0x88);
  EXPECT_EQ(tinyImage[kTinyImageCap - 1], 0x80 + kTinyImageCap - 1);
  auto macs = Calls("Etn_SetMacId");
  ASSERT_EQ(macs.size(), 2u);
  EXPECT_EQ(macs[0].a, 0);
  EXPECT_EQ(macs[1].a, 1);
}

TEST_F(HardwareCheck, SecondInterfaceOnlyWhenTheBlockHoldsItsAddress) {
  for (uint8_t fill : {0x00, 0xFF}) {
    std::vector<uint8_t> block(kTinyImageCap, 0);
    std::memset(block.data() + kTinyMac1, fill, 6);
    block[kTinyMac0] = 0x02;
    root.Write("/mnt/cfg/TINYIMGE.BIN", block);
    plat::TraceClear();
    SYS_HardwareCheck();
    EXPECT_EQ(Calls("Etn_SetMacId").size(), 1u) << int(fill);
  }
}

TEST_F(HardwareCheck, KernelSettingsAndCommands) {
  const char* kSettings[][2] = {
      {"/proc/sys/vm/dirty_writeback_centisecs", "10\n"},
      {"/proc/sys/vm/dirty_expire_centisecs", "20\n"},
      {"/proc/sys/net/ipv4/conf/eth0/arp_filter", "0\n"},
      {"/proc/sys/net/ipv4/conf/eth1/arp_filter", "0\n"},
      {"/proc/sys/net/ipv4/conf/all/arp_ignore", "1\n"},
      {"/proc/sys/net/ipv4/conf/all/proxy_arp", "1\n"},
      {"/proc/sys/net/ipv4/tcp_retries2", "5\n"},
      {"/sys/class/graphics/fbcon/cursor_blink", "0\n"},
  };
  for (auto& s : kSettings) root.Write(s[0], "old value\n");
  SYS_HardwareCheck();
  for (auto& s : kSettings) EXPECT_EQ(Text(s[0]), s[1]) << s[0];
  EXPECT_EQ(runner.Lines(), (std::vector<std::string>{"killall -9 inetd"}));
  EXPECT_EQ(Text("/dev/shm/rev.txt"), std::string(plat::kBoardUname) + "\n");
}

TEST_F(HardwareCheck, MissingSettingFilesStayMissing) {
  SYS_HardwareCheck();
  EXPECT_FALSE(root.Exists("/proc/sys/vm/dirty_writeback_centisecs"));
}

TEST_F(HardwareCheck, VersionsIntoTheSystemRegisters) {
  root.Write("/usr/version", "4711 build 3\n");
  SYS_HardwareCheck();
  EXPECT_EQ(VersionText(), std::string("2.6.35.49\0", 10));
  EXPECT_EQ(KernelBuildNumber(), 3549);
  EXPECT_EQ(SrGet(201), '2' | ('.' << 8));  // the first character in the low byte
  EXPECT_EQ(SrGet(200), 4711);

  plat::SetUnameLine("Linux panel 4.1.15-2311 #2 SMP");
  root.Write("/usr/version", "junk");
  SYS_HardwareCheck();
  EXPECT_EQ(VersionText(), std::string(".1.15231\0", 10).replace(7, 2, "11"));
  EXPECT_EQ(SrGet(200), 0);
}

TEST(KernelVersionText, FromTheIdentityLine) {
  struct Case {
    const char* line;
    const char* text;  // ten characters, NULs included
  };
  const Case kCases[] = {
      {"Linux panel 2.6.35.3-3549 #1", "2.6.35.49\0"},
      {"Linux h 3.1 x", "3.1\0\0\0\0.1\0"},       // short: the last two also at 7 and 8
      {"4.9", ".9\0\0\0\0\0.9\0"},                 // a leading 4 is dropped once
      {"44.1", "4.1\0\0\0\0.1\0"},
      {"abc", "\0\0\0\0\0\0\0\0\0\0"},
      {"7", "7\0\0\0\0\0\0\0\0\0"},                // one character: nothing at 7 and 8
      {"1.2.3.4.5.6.7.8.9.0.1 tail 9", "1.2.3.4.1\0"},  // long: bounded, the last two kept
      {"Linux\n2.6\n", "2.6\0\0\0\0.6\0"},        // line ends are skipped, not blanks
  };
  for (const Case& c : kCases) {
    char out[10];
    std::memset(out, 0x55, sizeof out);
    ParseKernelVersion(c.line, std::strlen(c.line), out);
    EXPECT_EQ(std::string(out, 10), std::string(c.text, 10)) << c.line;
  }
}

}  // namespace

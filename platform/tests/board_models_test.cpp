// The GPIO outputs, the power-status file and the kernel identity line.
#include <gtest/gtest.h>

#include <string>

#include "platform/gpio.h"
#include "platform/kernel_ident.h"
#include "platform/power_status.h"
#include "testsupport/temp_root.h"

namespace {

TEST(GpioModel, SetAndClearRegistersChangeOnlyTheirBits) {
  plat::GpioReset();
  plat::GpioDoutSet(2, 0x0F);
  plat::GpioDoutClear(2, 0x05);
  plat::GpioDoutSet(9, 1);  // no such bank
  EXPECT_EQ(plat::GpioDout(2), 0x0Au);
  EXPECT_EQ(plat::GpioDout(9), 0u);
  plat::GpioReset();
  EXPECT_EQ(plat::GpioDout(2), 0u);
}

TEST(PowerStatusModel, TenBytesOfFiveWords) {
  ts::TempRoot root;
  uint16_t words[plat::kPowerStatusWords] = {1, 2, 3, 4, 5};
  EXPECT_FALSE(plat::ReadPowerStatus(words));  // no file yet
  const uint16_t set[plat::kPowerStatusWords] = {0x0102, 3, 0, 0, 3600};
  ASSERT_TRUE(plat::WritePowerStatus(set));
  EXPECT_EQ(root.Read("/proc/powerdown").size(), 10u);
  ASSERT_TRUE(plat::ReadPowerStatus(words));
  EXPECT_EQ(words[0], 0x0102);
  EXPECT_EQ(words[4], 3600);
  root.Write("/proc/powerdown", "short");
  EXPECT_FALSE(plat::ReadPowerStatus(words));
}

TEST(KernelIdentity, WritesTheLineAsUnameWould) {
  ts::TempRoot root;
  ASSERT_TRUE(plat::WriteUnameTo("/dev/shm/rev.txt"));
  auto bytes = root.Read("/dev/shm/rev.txt");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string(plat::kBoardUname) + "\n");
  plat::SetUnameLine("Linux x 1.2");
  plat::WriteUnameTo("/dev/shm/rev.txt");
  bytes = root.Read("/dev/shm/rev.txt");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Linux x 1.2\n");
  plat::SetUnameLine("");
}

}  // namespace

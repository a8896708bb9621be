// Warm reset and program erase: what is saved or deleted, and the commands that restart.
#include <gtest/gtest.h>

#include "ground/bootstatus.h"
#include "ground/sysservices.h"
#include "platform/gpio.h"
#include "platform/persistent_regs.h"
#include "testsupport/recording_runner.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"

namespace {

class Resets : public ts::RegImageTest {
 protected:
  ts::TempRoot root;
  ts::RecordingRunner runner;
  void SetUp() override {
    RegImageTest::SetUp();
    plat::GpioReset();
    plat::ResetPersistentRegs();
  }
};

TEST_F(Resets, WarmResetSavesThenRebootsWithTheResetHeld) {
  BootStatusSet(0x41);
  SYS_WarmReset();
  EXPECT_EQ(plat::TraceNames(),
            (std::vector<std::string>{"SYS_WarmReset", "AutoSaveRegisters", "CreateSavedFile"}));
  EXPECT_EQ(runner.Lines(), (std::vector<std::string>{"sync", "reboot"}));
  EXPECT_EQ(BootStatusGet(), boot::kOrderlyShutdown);
  EXPECT_EQ(plat::GpioDout(3), 1u << 26);
}

TEST_F(Resets, EraseDeletesTheProgramAndRegisterFiles) {
  root.Write("/mnt/cfg/ladder.pgm", "x");
  root.Write("/mnt/cfg/config.pgm", "y");
  SYS_VDG();
  EXPECT_FALSE(root.Exists("/mnt/cfg/ladder.pgm"));
  EXPECT_FALSE(root.Exists("/mnt/cfg/config.pgm"));
  EXPECT_EQ(plat::TraceCountOf("DelAutoRegFile"), 1u);
  EXPECT_EQ(plat::TraceCountOf("ClrRegFile"), 1u);
  EXPECT_EQ(plat::TraceCountOf("AutoSaveRegisters"), 0u);
  EXPECT_EQ(runner.Lines(), (std::vector<std::string>{"sync", "reboot"}));
}

}  // namespace

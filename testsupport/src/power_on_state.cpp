#include "testsupport/power_on_state.h"

#include <gtest/gtest.h>

#include "controller/poweron.h"
#include "platform/trace.h"
#include "testsupport/program_image.h"

namespace ts {
namespace {

class PowerOnStateReset : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { ResetPowerOnState(); }
};

}  // namespace

void ResetPowerOnState() {
  plat::TraceEnable(false);
  // Tests may look past a table's size word: the whole store starts out zero for them.
  ClearTableStore();
  KernelPowerOnReset();
  plat::TraceClear();
}

bool ResetBeforeEachTest() {
  ::testing::UnitTest::GetInstance()->listeners().Append(new PowerOnStateReset);
  return true;
}

}  // namespace ts

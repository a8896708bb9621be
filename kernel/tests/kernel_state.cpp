#include "kernel_state.h"

#include <gtest/gtest.h>

#include "kernel/poweron.h"
#include "platform/trace.h"
#include "testsupport/program_image.h"

namespace kt {
namespace {

class KernelStateReset : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { ResetKernelState(); }
};

// Installed before main runs, so that it is in place for every test of the program.
[[maybe_unused]] const bool kInstalled = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new KernelStateReset);
  return true;
}();

}  // namespace

void ResetKernelState() {
  plat::TraceEnable(false);
  // Tests may look past a table's size word: the whole store starts out zero for them.
  ts::ClearTableStore();
  KernelPowerOnReset();
  plat::TraceClear();
}

}  // namespace kt

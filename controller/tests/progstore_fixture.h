#pragma once
// Tests of the program store: a zeroed register image and table store, a temporary
// device root, clean persistent registers and no IEC application.

#include <cstring>
#include <vector>

#include "iec_runtime/services.h"
#include "ground/bootstatus.h"
#include "controller/retentive.h"
#include "ground/tablestore.h"
#include "platform/persistent_regs.h"
#include "testsupport/program_image.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"

class ProgStoreTest : public ts::RegImageTest {
 protected:
  void SetUp() override {
    ts::RegImageTest::SetUp();
    ts::ClearTableStore();
    plat::ResetPersistentRegs();
    OrvanelRuntime = 0;
    OrvanelI0_VarLoc = nullptr;
    fwload_set_def = 0;
    // A unit past its first start has its register file; saving a program saves into it.
    root_.Write("/mnt/cfg/autoreg.dta", std::vector<uint8_t>{});
  }
  void TearDown() override {
    OrvanelRuntime = 0;
    fwload_set_def = 0;
    ts::RegImageTest::TearDown();
  }

  // Header and data of a block as it stands.
  static std::vector<uint8_t> BlockBytes(const uint8_t* block) {
    return {block, block + kTableHeader + BlockSize(block)};
  }

  ts::TempRoot root_;
};

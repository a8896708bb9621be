#pragma once
// Runtime tests: a temporary device root, a test clock, a zeroed register image and
// table store, and a runtime that is stopped and closed again after each test.
#include <gtest/gtest.h>

#include <vector>

#include "iec_runtime/code_image.h"
#include "iec_runtime/runtime.h"
#include "iec_runtime/services.h"
#include "iec_runtime/vm_db.h"
#include "ground/tablestore.h"
#include "platform/clock.h"
#include "testsupport/iec_image.h"
#include "testsupport/program_image.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"

class RuntimeTest : public ts::RegImageTest {
 protected:
  void SetUp() override {
    ts::RegImageTest::SetUp();
    ts::ClearTableStore();
    Reset();
  }
  void TearDown() override {
    n4::__Exit();
    Reset();
    ts::RegImageTest::TearDown();
  }
  static void Reset() {
    OrvanelRuntime = 0;
    orvanel_variables_enumerateded = 0;
    OrvanelI0_VarLoc = nullptr;
    N4_init = 0;
    iVmAlive = 0;
    OrvanelFirstRun = 0;
    OrvanelS9 = 0;
    IsCommMode_Velan = 1;
    n4_rcv = 0;
    is_n4protocol = 0;
  }

  // A database built from an image, as the start-up builds it.
  struct Built {
    std::vector<uint8_t> code, db;
    int error = 0;
  };
  static Built Build(const ts::IecImage& img) {
    Built b;
    b.code = img.Build();
    DbAreaDesc table[kDbAreas];
    b.error = N4VM_GetDBSize(b.code.data(), uint32_t(b.code.size()), table);
    if (b.error) return b;
    b.db.assign(N4VM_GetTotalDBSize(table), 0);
    std::memcpy(b.db.data(), table, sizeof table);
    N4VM_BuildDBMainLinks(b.db.data());
    b.error = N4VM_Build(b.code.data(), uint32_t(b.code.size()), b.db.data());
    return b;
  }
  static uint32_t Dint(uint8_t* db, uint32_t i) {
    uint32_t v;
    std::memcpy(&v, N4VM_Item(db, kArData32, i), 4);
    return v;
  }
  static void SetDint(uint8_t* db, uint32_t i, uint32_t v) { std::memcpy(N4VM_Item(db, kArData32, i), &v, 4); }

  ts::TempRoot root_;
  plat::ScopedTestClock clock_;
};

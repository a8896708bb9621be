#pragma once
// Each storage test starts from the power-on state in a device root of its own, with
// the storage queues made and the service opened, as at start-up.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "ground/coop.h"
#include "controller/poweron.h"
#include "platform/clock.h"
#include "platform/media.h"
#include "platform/trace.h"
#include "storage/cf.h"
#include "storage/cfm.h"
#include "testsupport/removable_media.h"
#include "testsupport/temp_root.h"

namespace st {

class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::TraceEnable(false);
    KernelPowerOnReset();
    plat::SetMediumMountError(0);
    CreateStorageQueues();
    CFM_Open();
    root_.Write("/mnt/cfg/.keep", "");
  }
  void TearDown() override {
    StoragePowerOnReset();
    plat::SetMediumMountError(0);
  }

  static std::string ReadHost(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void WriteHost(const std::string& host, const std::string& text) {
    std::ofstream(host, std::ios::binary) << text;
  }
  // Runs python3 with the script; its standard output (empty when it failed).
  static std::string Python(const std::string& script, int* status = nullptr) {
    const std::string cmd = "python3 -c '" + script + "' 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    std::string out;
    char buf[512];
    while (p && std::fgets(buf, sizeof buf, p)) out += buf;
    const int rc = p ? ::pclose(p) : -1;
    if (status) *status = rc;
    return out;
  }

  ts::TempRoot root_;
  plat::ScopedTestClock clock_;
};

}  // namespace st

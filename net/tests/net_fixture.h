#pragma once
// Every network test starts from power-on: the kernel's and the network's state, a zeroed
// register image, a device root of its own, the test clock, and a port offset that puts
// the board's ports on ports free on this host.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "controller/poweron.h"
#include "net/services.h"
#include "platform/clock.h"
#include "platform/netif.h"
#include "testsupport/free_port.h"
#include "testsupport/program_image.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"

namespace nt {

// A port offset under which board port 502 (and a few ports around it) is free here.
inline int FreeOffset() { return ts::FreeLoopbackPort() - 502; }

class NetTest : public ts::RegImageTest {
 protected:
  void SetUp() override {
    ts::ClearTableStore();
    KernelPowerOnReset();
    ts::RegImageTest::SetUp();
    root_ = std::make_unique<ts::TempRoot>();
    clock_ = std::make_unique<plat::ScopedTestClock>();
    plat::SetPortOffset(FreeOffset());
    plat::SetHostInterfaces(false);
  }
  void TearDown() override {
    NetPowerOnReset();
    plat::SetPortOffset(0);
    clock_.reset();
    root_.reset();
    ts::RegImageTest::TearDown();
  }
  plat::TestClock& clock() { return **clock_; }
  ts::TempRoot& root() { return *root_; }

 private:
  std::unique_ptr<ts::TempRoot> root_;
  std::unique_ptr<plat::ScopedTestClock> clock_;
};

}  // namespace nt

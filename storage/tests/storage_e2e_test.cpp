// The running unit and a card: inserted after start-up it is mounted by the status
// update, its figures reach the media-space file and the storage status register;
// pulled out, it is unmounted and the status says the drive is absent.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "testsupport/child_process.h"
#include "testsupport/removable_media.h"
#include "testsupport/temp_root.h"
#include "testsupport/unit_e2e.h"

namespace {

using ts::PanelBinary;

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

bool Linked(const std::string& host) {
  struct stat st;
  return ::lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// The card's total blocks in the media-space file (0 when there is none).
uint32_t CardBlocks(const ts::TempRoot& root) {
  std::ifstream in(root.Host("/dev/shm/read.dat"), std::ios::binary);
  uint32_t v[6] = {};
  in.read(reinterpret_cast<char*>(v), sizeof v);
  return in.gcount() == sizeof v ? v[1] : 0;
}

std::string ReadRegister(const ts::TempRoot& root, const char* name) {
  ts::ChildProcess tool("python3", {std::string(PANEL_SOURCE_DIR) + "/testsupport/peers/progtool.py", "--port",
                                    root.Host("/dev/ttyGS0"), "read", name, "--int"});
  tool.Wait(std::chrono::seconds(30));
  std::string out = tool.output();
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

TEST(StorageE2e, CardInsertedAndPulledOutWhileTheUnitRuns) {
  ts::TempRoot root;
  ts::ChildProcess panel(PanelBinary(), {}, {{"PANEL_ROOT", root.path()}});
  ASSERT_TRUE(panel.WaitFor("panel: running", std::chrono::seconds(60)));
  EXPECT_EQ(CardBlocks(root), 0u);

  ts::Insert(root, ts::kCard);
  ASSERT_TRUE(WaitUntil([&] { return Linked(root.Host("/mnt/USB0")); }, std::chrono::seconds(30)));
  ASSERT_TRUE(WaitUntil([&] { return CardBlocks(root) != 0; }, std::chrono::seconds(30)));
  ASSERT_TRUE(WaitUntil([&] { return ReadRegister(root, "SR175") == "0"; }, std::chrono::seconds(60)));

  ts::Remove(root, ts::kCard);
  ASSERT_TRUE(WaitUntil([&] { return !Linked(root.Host("/mnt/USB0")); }, std::chrono::seconds(30)));
  EXPECT_TRUE(WaitUntil([&] { return CardBlocks(root) == 0; }, std::chrono::seconds(30)));
  EXPECT_TRUE(WaitUntil([&] { return ReadRegister(root, "SR175") == "2"; }, std::chrono::seconds(60)));
  EXPECT_EQ(panel.Stop(SIGTERM, std::chrono::seconds(30)), 0);
}

}  // namespace

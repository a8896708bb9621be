// The runtime's log: closed it takes nothing; open, its writer thread writes the queued
// lines with their time and level, drops what does not fit the queue, and moves a full
// file aside.
#include <gtest/gtest.h>

#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "iec_runtime/os_services.h"
#include "platform/clock.h"
#include "testsupport/temp_root.h"

namespace {

constexpr const char* kLog = "/mnt/cfg/iec/n4.log";

std::vector<std::string> Lines(const std::vector<uint8_t>& bytes) {
  std::vector<std::string> out;
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

class RuntimeLog : public ::testing::Test {
 protected:
  void TearDown() override { N4LOG_Close(); }
  // The line prefix for the test clock's time now.
  static std::string Prefix(const char* level) {
    int64_t ns = plat::WallNs();
    std::time_t s = std::time_t(ns / 1'000'000'000);
    std::tm tm{};
    localtime_r(&s, &tm);
    char text[80];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d,%ld : [%s] ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, long((ns / 1'000'000) % 1000), level);
    return text;
  }
  ts::TempRoot root_;
  plat::ScopedTestClock clock_;
};

TEST_F(RuntimeLog, AClosedLogTakesNothing) {
  N4LOG_Trace("lost");
  N4LOG_Err("lost");
  N4LOG_Close();
  N4LOG_Open(0x601);
  N4LOG_Close();
  EXPECT_FALSE(root_.Exists(kLog));
}

TEST_F(RuntimeLog, LinesCarryTheirTimeAndLevelAndLongTextsAreCut) {
  clock_->AdvanceMs(123);
  N4LOG_Open(0x601);
  std::string trace = Prefix("N4TRACE") + "first";
  N4LOG_Trace("first");
  clock_->AdvanceMs(1'005);
  std::string warn = Prefix("N4WARNING") + "second";
  N4LOG_Warn("second");
  std::string err = Prefix("N4ERROR") + std::string(80, 'x');
  N4LOG_Err(std::string(100, 'x').c_str());
  N4LOG_Close();
  EXPECT_EQ(Lines(root_.Read(kLog)), (std::vector<std::string>{trace, warn, err}));
}

TEST_F(RuntimeLog, LevelsFollowTheFlags) {
  N4LOG_Open(0x401);  // errors only
  N4LOG_Trace("t");
  N4LOG_Warn("w");
  N4LOG_Err("e");
  N4LOG_Close();
  std::vector<std::string> lines = Lines(root_.Read(kLog));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("[N4ERROR] e"), std::string::npos);
  N4LOG_Open(0x200);  // no file
  N4LOG_Trace("t");
  N4LOG_Close();
  EXPECT_EQ(Lines(root_.Read(kLog)).size(), 1u);
}

TEST_F(RuntimeLog, AFullQueueDropsFurtherLines) {
  N4LOG_Open(0x201);
  // The writer wakes every 500 ms: twenty lines in a row meet a queue of sixteen.
  for (int i = 0; i < 20; ++i) N4LOG_Trace(std::to_string(i).c_str());
  N4LOG_Close();
  std::vector<std::string> lines = Lines(root_.Read(kLog));
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_NE(lines.front().find("] 0"), std::string::npos);
  EXPECT_NE(lines.back().find("] 15"), std::string::npos);
}

TEST_F(RuntimeLog, AFullFileIsMovedAsideBeforeTheNextLines) {
  root_.Write("/mnt/cfg/iec/n4.old.log", "older\n");
  root_.Write(kLog, std::string(65'456, 'o'));
  N4LOG_Open(0x201);
  N4LOG_Trace("fresh");
  N4LOG_Close();
  EXPECT_EQ(root_.Read("/mnt/cfg/iec/n4.old.log").size(), 65'456u);
  std::vector<std::string> lines = Lines(root_.Read(kLog));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("] fresh"), std::string::npos);

  root_.Write(kLog, std::string(65'455, 'o'));  // one byte short: appended to
  N4LOG_Open(0x201);
  N4LOG_Trace("more");
  N4LOG_Close();
  EXPECT_GT(root_.Read(kLog).size(), 65'455u);
  EXPECT_EQ(root_.Read("/mnt/cfg/iec/n4.old.log").size(), 65'456u);
}

}  // namespace

// The real firmware binary with an IEC application: a retained value held in the retain
// file is loaded at start, kept by an orderly stop (SIGTERM) and found again after a
// restart of the unit.
#include <gtest/gtest.h>

#include <poll.h>
#include <spawn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "testsupport/iec_image.h"
#include "testsupport/program_image.h"
#include "testsupport/temp_root.h"
#include "testsupport/unit_e2e.h"

extern char** environ;

namespace {

using ts::PanelBinary;

// Runs the unit until it reports its loop, then stops it with SIGTERM; its output, or ""
// when it did not come up and stop in order.
std::string RunAndStop(const std::string& root) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind("PANEL_ROOT=", 0) != 0) env.emplace_back(*e);
  env.push_back("PANEL_ROOT=" + root);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string binary = PanelBinary();
  char* argv[] = {binary.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  std::string out;
  auto read_until = [&](const std::string& text, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (out.find(text) == std::string::npos) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{fds[0], POLLIN, 0};
      if (::poll(&p, 1, int(left.count())) <= 0) continue;
      char buf[4096];
      ssize_t n = ::read(fds[0], buf, sizeof buf);
      if (n <= 0) return out.find(text) != std::string::npos;
      out.append(buf, std::size_t(n));
    }
    return true;
  };
  bool ok = pid > 0 && read_until("panel: running", 60);
  if (pid > 0) {
    ::kill(pid, SIGTERM);
    ok = read_until("panel: stopped", 60) && ok;
    int status = 0;
    ::waitpid(pid, &status, 0);
    ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  ::close(fds[0]);
  return ok ? out : std::string();
}

std::vector<uint8_t> RetainFile(uint32_t crc, uint32_t a, uint32_t b) {
  std::vector<uint8_t> f;
  for (uint32_t v : {crc, a, b})
    for (int i = 0; i < 4; ++i) f.push_back(uint8_t(v >> (8 * i)));
  return f;
}

TEST(UnitRetain, ARetainedValueSurvivesAnOrderlyStopAndARestart) {
  const std::string binary = PanelBinary();
  ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << "no panel binary at '" << binary << "'";
  ts::TempRoot root;
  ts::IecImage app;
  app.init32 = {{1, 5}, {2, 6}};
  app.retain.n32 = 2;
  app.retain.first32 = 1;
  ts::ProgramImage program = ts::ProgramImage::Sample();
  program.logic = ts::Table::Of(ts::IecLogic(app.Build()));
  program.WriteFiles(root);
  // Values of an earlier run; the initial values (5, 6) would show that nothing was loaded.
  root.Write("/mnt/cfg/n4.ret", RetainFile(app.retain.crc, 777, 888));
  // An old time stamp on the file shows whether the stop wrote it again (an inode number
  // would not: the file system may hand the freed number back to a second rewrite).
  const timespec long_ago[2] = {{1000, 0}, {1000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, root.Host("/mnt/cfg/n4.ret").c_str(), long_ago, 0), 0);

  std::string out = RunAndStop(root.path());
  ASSERT_FALSE(out.empty()) << "the unit did not run and stop in order";
  EXPECT_NE(out.find("N4_main_loop_start"), std::string::npos) << out;
  EXPECT_NE(out.find("Application stopped"), std::string::npos) << out;
  // The stop wrote the file again from the database, which held the loaded values.
  struct stat after {};
  ASSERT_EQ(::stat(root.Host("/mnt/cfg/n4.ret").c_str(), &after), 0);
  EXPECT_NE(after.st_mtim.tv_sec, 1000);
  EXPECT_EQ(root.Read("/mnt/cfg/n4.ret"), RetainFile(app.retain.crc, 777, 888));

  ASSERT_FALSE(RunAndStop(root.path()).empty());
  EXPECT_EQ(root.Read("/mnt/cfg/n4.ret"), RetainFile(app.retain.crc, 777, 888));
}

}  // namespace

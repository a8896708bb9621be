// The real firmware binary on a temporary device root: it shows its self-test on
// standard output, reports that its loop runs, and stops in order on SIGTERM.
#include <gtest/gtest.h>

#include <cerrno>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>
#include <unistd.h>

#include "testsupport/temp_root.h"
#include "testsupport/unit_e2e.h"

extern char** environ;

namespace {

class PanelProcess {
 public:
  PanelProcess(const std::string& binary, const std::string& root, std::vector<std::string> args) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<std::string> env_text;
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("PANEL_ROOT=", 0) != 0) env_text.emplace_back(*e);
    env_text.push_back("PANEL_ROOT=" + root);
    std::vector<char*> envp;
    for (auto& e : env_text) envp.push_back(e.data());
    envp.push_back(nullptr);
    args.insert(args.begin(), binary);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = fds[0];
  }
  ~PanelProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }
  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // Reads standard output until text has appeared (true) or the deadline or the end of
  // the output comes first (false).
  bool WaitFor(const std::string& text, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (output_.find(text) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, int(left.count())) <= 0) continue;
      char buf[4096];
      const ssize_t n = ::read(out_, buf, sizeof buf);
      if (n <= 0) return output_.find(text) != std::string::npos;
      output_.append(buf, std::size_t(n));
    }
    return true;
  }

  // Sends the signal and waits for the exit; the exit status, or -1.
  int Stop(int signal, std::chrono::seconds limit) {
    ::kill(pid_, signal);
    WaitFor("\x01never", limit);  // drains the output up to its end
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) return -1;
      pollfd none{-1, 0, 0};
      ::poll(&none, 0, 10);
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& output() const { return output_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
};

// The binary from the build directory CTest names, else from the build directory that
// holds this test program.
using ts::PanelBinary;

// Process ids of the children of parent that are zombies.
std::vector<int> ZombieChildren(pid_t parent) {
  std::vector<int> out;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return out;
  while (dirent* e = ::readdir(proc)) {
    const int pid = std::atoi(e->d_name);
    if (pid <= 0) continue;
    std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
    std::string text;
    if (!std::getline(stat, text)) continue;
    const auto close = text.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(text.substr(close + 2));
    char state = 0;
    int ppid = 0;
    rest >> state >> ppid;
    if (ppid == parent && state == 'Z') out.push_back(pid);
  }
  ::closedir(proc);
  return out;
}

TEST(PanelBinary, SelfTestOnStandardOutputAndOrderlyStopOnSigterm) {
  const std::string binary = PanelBinary();
  ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << "no panel binary at '" << binary << "'";
  ts::TempRoot root;
  PanelProcess panel(binary, root.path(), {});
  ASSERT_TRUE(panel.started());
  ASSERT_TRUE(panel.WaitFor("Self-test Running...", std::chrono::seconds(60))) << panel.output();
  ASSERT_TRUE(panel.WaitFor("*** Self-Test ", std::chrono::seconds(60))) << panel.output();
  ASSERT_TRUE(panel.WaitFor("panel: running", std::chrono::seconds(60))) << panel.output();
  // The children the unit started and that have ended are reaped: none stays a zombie.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!ZombieChildren(panel.pid()).empty() && std::chrono::steady_clock::now() < deadline) {
    pollfd none{-1, 0, 0};
    ::poll(&none, 0, 10);
  }
  EXPECT_TRUE(ZombieChildren(panel.pid()).empty());
  EXPECT_EQ(panel.Stop(SIGTERM, std::chrono::seconds(60)), 0) << panel.output();
  EXPECT_NE(panel.output().find("panel: stopped"), std::string::npos) << panel.output();
}

}  // namespace

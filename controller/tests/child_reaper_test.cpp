// The unit's own children are reaped when they end; other children are left to whoever
// waits for them.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "child_reaper.h"

namespace {

// The state letter of /proc/<pid>/stat ('Z' for a zombie), or 0 when it is gone.
char ProcState(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return 0;
  const auto close = text.rfind(')');
  return close == std::string::npos || close + 2 >= text.size() ? 0 : text[close + 2];
}

bool GoneWithin(pid_t pid, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (ProcState(pid) != 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

TEST(ChildReaper, AWatchedChildIsReapedAndAnotherIsLeftAlone) {
  InstallChildReaper();
  // Ended before it was watched, and ended after.
  const pid_t early = ::fork();
  if (early == 0) _exit(0);
  ASSERT_GT(early, 0);
  while (ProcState(early) != 'Z') std::this_thread::yield();
  WatchChild(early);
  EXPECT_TRUE(GoneWithin(early, std::chrono::seconds(10))) << "state " << ProcState(early);

  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  const pid_t late = ::fork();
  if (late == 0) {
    ::close(go[1]);
    char c;
    (void)!::read(go[0], &c, 1);
    _exit(0);
  }
  ASSERT_GT(late, 0);
  WatchChild(late);
  ::close(go[1]);  // the child ends now
  EXPECT_TRUE(GoneWithin(late, std::chrono::seconds(10))) << "state " << ProcState(late);
  ::close(go[0]);

  // A child nobody watches keeps its exit status for its own waitpid.
  const pid_t other = ::fork();
  if (other == 0) _exit(7);
  ASSERT_GT(other, 0);
  int status = 0;
  pid_t got;
  while ((got = ::waitpid(other, &status, 0)) < 0 && errno == EINTR) {
  }
  ASSERT_EQ(got, other);
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

}  // namespace

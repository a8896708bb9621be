#include "testsupport/child_process.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ts {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::pair<std::string, std::string>>& env) {
  int fds[2];
  if (::pipe(fds) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);

  std::vector<std::string> env_text;
  for (char** e = environ; *e; ++e) {
    const std::string entry(*e);
    bool replaced = false;
    for (const auto& [name, value] : env) replaced = replaced || entry.rfind(name + "=", 0) == 0;
    if (!replaced) env_text.push_back(entry);
  }
  for (const auto& [name, value] : env) env_text.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (auto& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::vector<std::string> argv_text{program};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  const int rc = program.find('/') == std::string::npos
                     ? ::posix_spawnp(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data())
                     : ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  if (rc != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  out_ = fds[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (out_ >= 0) ::close(out_);
}

bool ChildProcess::ReadSome(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0 || out_ < 0) return out_ >= 0;
  pollfd p{out_, POLLIN, 0};
  if (::poll(&p, 1, int(left.count())) <= 0) return true;
  char buf[4096];
  const ssize_t n = ::read(out_, buf, sizeof buf);
  if (n <= 0) {
    ::close(out_);
    out_ = -1;
    return false;
  }
  output_.append(buf, std::size_t(n));
  return true;
}

bool ChildProcess::WaitFor(const std::string& text, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (output_.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (!ReadSome(deadline)) return output_.find(text) != std::string::npos;
  }
  return true;
}

int ChildProcess::Wait(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  // A grandchild may hold the output open after the child ended: read while the child
  // runs, then only what is already there.
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
      return -1;
    }
    if (out_ >= 0) {
      ReadSome(std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)));
    } else {
      pollfd none{-1, 0, 0};
      ::poll(&none, 0, 5);
    }
  }
  pid_ = -1;
  // Take what is already in the pipe, without waiting for a grandchild to close it.
  while (out_ >= 0) {
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) break;
    if (!ReadSome(std::chrono::steady_clock::now() + std::chrono::milliseconds(100))) break;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int ChildProcess::Stop(int signal, std::chrono::milliseconds limit) {
  if (pid_ > 0) ::kill(pid_, signal);
  return Wait(limit);
}

}  // namespace ts

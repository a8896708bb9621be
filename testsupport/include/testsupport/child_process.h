#pragma once
// A child process for end-to-end tests: the firmware binary or a peer program, started
// with its own environment, its standard output (and standard error) collected, stopped
// by its own process id. Waits are bounded by deadlines; nothing sleeps a fixed time.
//
//   ts::ChildProcess panel("/path/app/panel", {}, {{"PANEL_ROOT", root.path()}});
//   ASSERT_TRUE(panel.WaitFor("panel: running", std::chrono::seconds(60)));
//   ts::ChildProcess tool("python3", {"progtool.py", "--port", link, "mode"});
//   int rc = tool.Wait(std::chrono::seconds(30));  // exit status; output() holds stdout

#include <chrono>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace ts {

class ChildProcess {
 public:
  // Starts program (searched in PATH when it has no '/') with args; env entries replace
  // or add to the test's own environment.
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::pair<std::string, std::string>>& env = {});
  // Kills the process if it still runs.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // Reads output until text has appeared (true), or the deadline or the end of the
  // output came first (false).
  bool WaitFor(const std::string& text, std::chrono::milliseconds limit);
  // Reads the output to its end and waits for the exit: the exit status, or -1 when the
  // process did not end in time (it is then killed) or ended by a signal.
  int Wait(std::chrono::milliseconds limit);
  // Sends the signal, then Wait.
  int Stop(int signal, std::chrono::milliseconds limit);
  const std::string& output() const { return output_; }

 private:
  // Reads what is there within the deadline; false at the end of the output.
  bool ReadSome(std::chrono::steady_clock::time_point deadline);

  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
};

}  // namespace ts

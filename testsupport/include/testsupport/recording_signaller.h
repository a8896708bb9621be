#pragma once
// A process signaller that signals nothing: it records each (pid, signal) it is asked to
// send and answers as configured (sent, unless told otherwise). Installed while alive.

#include <sys/types.h>

#include <utility>
#include <vector>

#include "platform/process.h"

namespace ts {

class RecordingSignaller final : public plat::ProcessSignaller {
 public:
  RecordingSignaller() : prev_(plat::SetProcessSignaller(this)) {}
  ~RecordingSignaller() override { plat::SetProcessSignaller(prev_); }

  int Signal(pid_t pid, int sig) override {
    sent_.emplace_back(pid, sig);
    return result_;
  }

  void SetResult(int result) { result_ = result; }
  const std::vector<std::pair<pid_t, int>>& sent() const { return sent_; }

 private:
  plat::ProcessSignaller* prev_;
  int result_ = plat::kSignalSent;
  std::vector<std::pair<pid_t, int>> sent_;
};

}  // namespace ts

#pragma once
// A command runner that runs nothing: it records each command line and answers with the
// status configured for its program (0 unless told otherwise). Installed while alive.

#include <map>
#include <string>
#include <vector>

#include "platform/runner.h"

namespace ts {

class RecordingRunner final : public plat::CommandRunner {
 public:
  RecordingRunner() : prev_(plat::SetCommandRunner(this)) {}
  ~RecordingRunner() override { plat::SetCommandRunner(prev_); }

  int Run(const std::vector<std::string>& argv) override {
    commands_.push_back(argv);
    auto it = argv.empty() ? status_.end() : status_.find(argv[0]);
    return it == status_.end() ? 0 : it->second;
  }

  void SetStatus(const std::string& program, int status) { status_[program] = status; }
  const std::vector<std::vector<std::string>>& commands() const { return commands_; }
  // Each command joined with single spaces.
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    for (const auto& c : commands_) {
      std::string line;
      for (const auto& a : c) line += (line.empty() ? "" : " ") + a;
      out.push_back(line);
    }
    return out;
  }

 private:
  plat::CommandRunner* prev_;
  std::map<std::string, int> status_;
  std::vector<std::vector<std::string>> commands_;
};

}  // namespace ts

#pragma once
// The master script's side of its command pipe: installs the pipe's write end as the
// unit's MasterScriptPipefd while alive and records what the unit wrote, line by line.

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "net/services.h"

namespace ts {

class FakeMasterScript {
 public:
  FakeMasterScript() {
    if (::pipe2(fds_, O_CLOEXEC) == 0) {
      ::fcntl(fds_[0], F_SETFL, O_NONBLOCK);
      MasterScriptPipefd = fds_[1];
    }
  }
  ~FakeMasterScript() {
    MasterScriptPipefd = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  FakeMasterScript(const FakeMasterScript&) = delete;
  FakeMasterScript& operator=(const FakeMasterScript&) = delete;

  // Everything written so far, as it arrived (terminating zero bytes included).
  const std::string& Raw() {
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds_[0], buf, sizeof buf)) > 0) raw_.append(buf, std::size_t(n));
    return raw_;
  }
  // The command lines, without their newlines and zero bytes.
  std::vector<std::string> Lines() {
    std::vector<std::string> out;
    std::string line;
    for (char c : Raw()) {
      if (c == '\0') continue;
      if (c == '\n') {
        out.push_back(line);
        line.clear();
      } else {
        line += c;
      }
    }
    return out;
  }
  void Clear() {
    Raw();
    raw_.clear();
  }

 private:
  int fds_[2] = {-1, -1};
  std::string raw_;
};

}  // namespace ts

#include "platform/runner.h"

#include <cerrno>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>

#include "media_commands.h"
#include "platform/root.h"

extern char** environ;

namespace plat {
namespace {

// Commands the host may really run, because every path they touch is mapped below
// the device root.
bool Allowed(const std::string& prog) {
  return prog == "sync" || prog == "rm" || prog == "mkdir" || prog == "cp" || prog == "mv";
}

class HostRunner final : public CommandRunner {
 public:
  int Run(const std::vector<std::string>& argv) override {
    if (argv.empty()) return kCommandRefused;
    if (IsMediaCommand(argv[0])) return RunMediaCommand(argv);
    if (!Allowed(argv[0])) {
      std::fprintf(stderr, "host: command not run: %s\n", argv[0].c_str());
      return kCommandRefused;
    }
    std::vector<std::string> mapped;
    mapped.reserve(argv.size());
    mapped.push_back(argv[0]);
    for (std::size_t i = 1; i < argv.size(); ++i) {
      const std::string& a = argv[i];
      if (!a.empty() && a[0] == '-') {  // an option
        mapped.push_back(a);
        continue;
      }
      // A relative path would be taken from the host's working directory, outside the
      // device root.
      if (a.empty() || a[0] != '/') {
        std::fprintf(stderr, "host: command not run (relative path): %s %s\n", argv[0].c_str(), a.c_str());
        return kCommandRefused;
      }
      std::string host = HostPath(a);
      if (host.empty()) return kCommandRefused;
      mapped.push_back(std::move(host));
    }
    std::vector<char*> cargv;
    for (auto& a : mapped) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, cargv[0], nullptr, nullptr, cargv.data(), environ) != 0) {
      return kCommandRefused;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
      if (errno != EINTR) return kCommandRefused;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : kCommandRefused;
  }
};

HostRunner g_host;
CommandRunner* g_runner = &g_host;

}  // namespace

CommandRunner* SetCommandRunner(CommandRunner* runner) {
  CommandRunner* prev = g_runner;
  g_runner = runner ? runner : &g_host;
  return prev;
}

int RunCommand(const std::vector<std::string>& argv) { return g_runner->Run(argv); }

int RunCommand(std::initializer_list<std::string_view> argv) {
  std::vector<std::string> v;
  v.reserve(argv.size());
  for (auto a : argv) v.emplace_back(a);
  return g_runner->Run(v);
}

}  // namespace plat

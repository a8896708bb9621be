#include "platform/process.h"

#include <csignal>

namespace plat {
namespace {

class HostSignaller final : public ProcessSignaller {
 public:
  int Signal(pid_t pid, int sig) override { return ::kill(pid, sig) == 0 ? kSignalSent : kSignalFailed; }
};

HostSignaller g_host;
ProcessSignaller* g_signaller = &g_host;

}  // namespace

ProcessSignaller* SetProcessSignaller(ProcessSignaller* signaller) {
  ProcessSignaller* prev = g_signaller;
  g_signaller = signaller ? signaller : &g_host;
  return prev;
}

int SignalProcess(pid_t pid, int sig) {
  if (pid <= 0) return kSignalRefused;
  return g_signaller->Signal(pid, sig);
}

}  // namespace plat

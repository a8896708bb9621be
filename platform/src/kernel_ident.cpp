#include "platform/kernel_ident.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/root.h"

namespace plat {
namespace {
// The run command may start the unit as on another kernel build (PANEL_UNAME).
std::string DefaultLine() {
  const char* env = std::getenv("PANEL_UNAME");
  return env != nullptr && *env != 0 ? std::string(env) : std::string(kBoardUname);
}
std::string g_line = DefaultLine();
}  // namespace

void SetUnameLine(std::string_view line) { g_line = line.empty() ? DefaultLine() : std::string(line); }

bool WriteUnameTo(const char* unit_path) {
  const std::string_view path(unit_path);
  const std::size_t slash = path.rfind('/');
  if (slash != std::string_view::npos && slash > 0) MakeUnitDirs(path.substr(0, slash));
  char host[1024];
  if (!MapPath(unit_path, host, sizeof host)) return false;
  const int fd = ::open(host, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const std::string text = g_line + "\n";
  ssize_t w;
  do w = ::write(fd, text.data(), text.size());
  while (w < 0 && errno == EINTR);
  ::close(fd);
  return w == ssize_t(text.size());
}

}  // namespace plat

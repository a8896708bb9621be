#include "platform/root.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace plat {
namespace {

constexpr std::size_t kRootMax = 1024;
char g_root[kRootMax];
bool g_root_set = false;

void EnsureRoot() {
  if (g_root_set) return;
  const char* env = std::getenv("PANEL_ROOT");
  SetDeviceRoot(env && *env ? env : "panel-root");
}

}  // namespace

void SetDeviceRoot(std::string_view host_dir) {
  std::size_t n = host_dir.size();
  while (n > 1 && host_dir[n - 1] == '/') --n;  // keep "/" itself
  if (n >= kRootMax) n = kRootMax - 1;
  std::memcpy(g_root, host_dir.data(), n);
  g_root[n] = '\0';
  g_root_set = true;
}

const char* DeviceRoot() {
  EnsureRoot();
  return g_root;
}

bool MapPath(const char* unit_path, char* out, std::size_t out_size) {
  if (unit_path == nullptr || unit_path[0] != '/' || out_size == 0) return false;
  // Refuse any ".." component, so no unit path leaves the root.
  for (const char* p = unit_path; *p; ++p) {
    if (p[0] == '.' && p[1] == '.' && (p[-1] == '/') && (p[2] == '/' || p[2] == '\0')) return false;
  }
  const char* root = DeviceRoot();
  std::size_t rl = std::strlen(root);
  if (rl == 1 && root[0] == '/') rl = 0;  // the board: paths stay as they are
  std::size_t ul = std::strlen(unit_path);
  if (rl + ul + 1 > out_size) return false;
  std::memcpy(out, root, rl);
  std::memcpy(out + rl, unit_path, ul + 1);
  return true;
}

std::string HostPath(std::string_view unit_path) {
  std::string in(unit_path);
  std::string out(in.size() + std::strlen(DeviceRoot()) + 2, '\0');
  if (!MapPath(in.c_str(), out.data(), out.size())) return {};
  out.resize(std::strlen(out.c_str()));
  return out;
}

bool MakeUnitDirs(std::string_view unit_dir) {
  // No allocation: a save inside a time slice may need its directory made.
  char unit[kRootMax];
  char host[2 * kRootMax];
  if (unit_dir.size() >= sizeof unit) return false;
  std::memcpy(unit, unit_dir.data(), unit_dir.size());
  unit[unit_dir.size()] = '\0';
  if (!MapPath(unit, host, sizeof host)) return false;
  const std::size_t n = std::strlen(host);
  for (std::size_t i = 1; i <= n; ++i) {
    if (i == n || host[i] == '/') {
      const char keep = host[i];
      host[i] = '\0';
      const bool ok = ::mkdir(host, 0755) == 0 || errno == EEXIST;
      host[i] = keep;
      if (!ok) return false;
    }
  }
  return true;
}

}  // namespace plat

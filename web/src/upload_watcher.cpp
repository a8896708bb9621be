// The upload watcher: while the web files on the card are replaced by FTP the server is
// stopped, and started again when the uploader leaves its end-of-upload file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/inotify.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <unistd.h>

#include "panel_server.h"
#include "platform/root.h"
#include "platform/runner.h"
#include "platform/trace.h"
#include "web/quorv_util.h"
#include "web/services.h"

uint8_t quorvFtpStates = 0;

namespace {

constexpr uint32_t kMissesBeforeWaiting = 100;
constexpr size_t kEventRoom = 32768;
constexpr const char* kEndOfUpload = "/mnt/USB0/EndOfFTP.txt";

uint32_t g_misses = 0;
// The folder of the panel's identity, read when watching begins (not at every pass of
// the main loop).
const char* g_folder = nullptr;
int g_fd = -1;
int g_watch = -1;

// Asked on every pass while no card holds the folder: one stat, not one per kind.
bool Exists(const char* unit_path) {
  char host[4096];
  struct stat info;
  return plat::MapPath(unit_path, host, sizeof host) && ::stat(host, &info) == 0 &&
         (S_ISDIR(info.st_mode) || S_ISREG(info.st_mode));
}

void UploadStarted() {
  QuorvFtping = 1;
  QuorvServerState = 0;
}

}  // namespace

void QuorvUploadWatcherReset() {
  if (g_fd >= 0) close(g_fd);
  g_fd = g_watch = -1;
  g_misses = 0;
  g_folder = nullptr;
  quorvFtpStates = 0;
}

int quorv_create_inotify(int* fd, int* watch, const char* path, int on_create) {
  *fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (*fd < 0) {
    std::perror("inotify_init");
    return 0;
  }
  const std::string host = plat::HostPath(path);
  *watch = inotify_add_watch(*fd, host.c_str(), on_create ? IN_CREATE : IN_DELETE);
  if (*watch < 0) {
    std::perror("inotify_add_watch");
    close(*fd);
    *fd = -1;
    return 0;
  }
  return 1;
}

int quorv_check_inotify(int fd, int watch) {
  if (fd < 0 || fd >= FD_SETSIZE) return 0;
  fd_set set;
  FD_ZERO(&set);
  FD_SET(fd, &set);
  timeval zero{0, 0};
  if (select(fd + 1, &set, nullptr, nullptr, &zero) <= 0) return 0;
  alignas(inotify_event) static char events[kEventRoom];
  const ssize_t n = read(fd, events, sizeof events);
  if (n < 0) {
    if (errno != EAGAIN) std::perror("read");
    return 0;
  }
  for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
    const auto* event = reinterpret_cast<const inotify_event*>(events + at);
    const bool web_root_gone = !(event->mask & IN_CREATE) && (event->mask & IN_ISDIR) && (event->mask & IN_DELETE) &&
                               event->len > 0 && std::strcmp(event->name, "wwwroot") == 0;
    // An event without a name: the watched folder itself went away.
    if (web_root_gone || event->len == 0) {
      inotify_rm_watch(fd, watch);
      close(fd);
      return 1;
    }
    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
  }
  return 0;
}

void quorv_check_ftp_state() {
  plat::TraceCall("quorv_check_ftp_state");
  // The folder by the panel's identity, the one the server takes its web root from.
  if (!g_folder) g_folder = QuorvFolder();
  const char* folder = g_folder;
  switch (quorvFtpStates) {
    case 0:
      if (Exists(folder)) {
        quorvFtpStates = 1;
      } else if (g_misses <= kMissesBeforeWaiting) {
        ++g_misses;
      } else {
        quorvFtpStates = 3;
      }
      break;
    case 1:
      if (quorv_create_inotify(&g_fd, &g_watch, folder, 0)) quorvFtpStates = 2;
      break;
    case 2:
      if (quorv_check_inotify(g_fd, g_watch)) {
        g_fd = g_watch = -1;
        UploadStarted();
        quorvFtpStates = 4;
      }
      break;
    case 3:
      if (Exists(folder)) {
        UploadStarted();
        quorvFtpStates = 4;
      }
      break;
    case 4:
      if (quorv_sys_is_file(kEndOfUpload) && QuorvServerState == 1) {
        std::remove(plat::HostPath(kEndOfUpload).c_str());
        plat::RunCommand({"sync"});
        QuorvFtping = 0;
        QuorvServerState = 2;
        quorvFtpStates = 0;
        g_folder = nullptr;
      }
      break;
    default:
      quorvFtpStates = 0;
      break;
  }
}

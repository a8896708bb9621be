// The panel's side of the web server's life: the thread and its passes, start-up from
// the configuration file on the card, and tear-down.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pthread.h>

#include "ground/regaccess.h"
#include "ground/sysservices.h"
#include "ground/upcalls.h"
#include "panel_server.h"
#include "platform/clock.h"
#include "platform/root.h"
#include "platform/trace.h"
#include "quorv_comm.h"
#include "web/quorv_options.h"
#include "web/quorv_rsa.h"
#include "web/services.h"

uint8_t QuorvServerState = 1;

bool PseudoWebRunning() { return QuorvServerState == 4; }
uint8_t QuorvUpdateNewIp = 0;
uint8_t QuorvFtping = 0;
uint8_t QuorvThreadCreated = 0;
uint8_t QuorvServerStatus = 0;
uint32_t Quorv_server_status_token = 0;
uint16_t ConnectionTimeOut = 0;
uint16_t SessionTimeOut = 0;
uint8_t quorv_authentication_method = 2;
uint32_t Quorv_global_config_file_size = 0;
std::mutex demoMutex;
std::mutex QuorvQueryFilterMutex;

namespace {

constexpr uint8_t kPartnerOem = 128;
constexpr uint32_t kConfigRoom = 250;
constexpr const char* kKeyFile = "/mnt/USB0/server.pem";
// ESR 17, bit 3: the server serves.
constexpr uint32_t kStatusToken = 0x10030000 + 16 * 16 + 2;
// The pace of the server's own duties (the tick's passes, the automatic updates); sockets
// are served as soon as they are ready, in between.
constexpr uint32_t kPassPauseMs = 5;
// A start whose listener could not be opened is tried again after this long.
constexpr uint32_t kRetryDelayMs = 2000;

enum : uint8_t { kStopRequested = 0, kStopped = 1, kStartRequested = 2, kCreated = 3, kRunning = 4 };

std::atomic<bool> g_thread_enabled{false};
pthread_t quorv_thread_id;
pthread_attr_t tattr;

bool Partner() { return OemIdentityByte() == kPartnerOem; }

// The state byte is shared with the main loop without a lock; the thread's own moves are
// made only from the state it expects, so that a stop asked for meanwhile is not lost.
bool MoveState(uint8_t from, uint8_t to) { return std::atomic_ref<uint8_t>(QuorvServerState).compare_exchange_strong(from, to); }
uint8_t State() { return std::atomic_ref<uint8_t>(QuorvServerState).load(); }
void SetThreadCreated(uint8_t value) { std::atomic_ref<uint8_t>(QuorvThreadCreated).store(value); }

void WriteStatus() {
  const uint8_t bit = QuorvServerStatus;
  if (Quorv_server_status_token) PlcReg_Set(Quorv_server_status_token, &bit, 1);
}

// Later parts of the glue: access rights and login details (web users), and the
// automatic variable, alarm and alarm-history updates. Until they are built the server
// serves files with every request granted.
void AccessRightsClear() { plat::TraceCall("quorv_access_rights_clear"); }
void AccessRightsLoad() { plat::TraceCall("quorv_access_rights_load"); }
void AutomaticUpdates() {}

void* quorv_Loop(void*) {
  if (quorv_server_main() != 0) {
    // Nothing listens: tear down, wait a little, and ask the main loop for a new start
    // unless a stop was asked for meanwhile.
    quorv_thread_clear();
    for (uint32_t waited = 0; waited < kRetryDelayMs && State() == kCreated; waited += kPassPauseMs)
      quorv_sys_sleep(kPassPauseMs);
    SetThreadCreated(0);
    if (!MoveState(kCreated, kStartRequested)) MoveState(kStopRequested, kStopped);
    return nullptr;
  }
  MoveState(kCreated, kRunning);
  constexpr int64_t kPassNs = int64_t{kPassPauseMs} * 1'000'000;
  int64_t pass_start = plat::MonotonicNs();
  bool busy = false;
  for (;;) {
    // Sockets are waited on without the mutex: the pass is what takes it.
    const int64_t elapsed = plat::MonotonicNs() - pass_start;
    if (elapsed < kPassNs) quorv_comm_mainloop_wait(static_cast<int32_t>((kPassNs - std::max<int64_t>(elapsed, 0) + 999'999) / 1'000'000));
    while (!demoMutex.try_lock()) quorv_sys_sleep(1);
    if (quorv_comm_mainloop_serve() > 0) busy = true;
    const int64_t now = plat::MonotonicNs();
    // A clock set back (another clock installed) starts the pass again.
    if (now < pass_start) pass_start = now;
    if (now - pass_start >= kPassNs) {
      quorv_comm_mainloop_count_pass(busy);
      AutomaticUpdates();
      busy = false;
      pass_start = now;
    }
    if (State() == kStopRequested) {
      quorv_sys_thread_shutdown_threads();
      quorv_thread_clear();
      SetThreadCreated(0);
      demoMutex.unlock();
      MoveState(kStopRequested, kStopped);
      return nullptr;
    }
    demoMutex.unlock();
  }
}

}  // namespace

void QuorvEnableServerThread(bool enabled) { g_thread_enabled.store(enabled); }

void QuorvStopServer() {
  constexpr uint32_t kStopWaitMs = 5000;
  if (!std::atomic_ref<uint8_t>(QuorvThreadCreated).load()) return;
  if (!MoveState(kRunning, kStopRequested)) MoveState(kCreated, kStopRequested);
  for (uint32_t waited = 0; waited < kStopWaitMs && std::atomic_ref<uint8_t>(QuorvThreadCreated).load(); waited += kPassPauseMs)
    quorv_sys_sleep(kPassPauseMs);
}

void quorv_init_mutexes() {
  // Both mutexes are ready from the start; the call stays the start-up's step.
  plat::TraceCall("quorv_init_mutexes");
}

void quorv_update_system_screen_details() { plat::TraceCall("quorv_update_system_screen_details"); }

void quorv_thread_create() {
  plat::TraceCall("quorv_thread_create");
  // Marked before the thread exists, so that the thread's own move to 4 always follows.
  SetThreadCreated(1);
  std::atomic_ref<uint8_t>(QuorvServerState).store(kCreated);
  if (!g_thread_enabled.load()) return;
  sigset_t block, previous;
  sigemptyset(&block);
  sigaddset(&block, SIGALRM);
  sigaddset(&block, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &block, &previous);
  pthread_attr_init(&tattr);
  pthread_attr_setdetachstate(&tattr, PTHREAD_CREATE_DETACHED);
  const int failed = pthread_create(&quorv_thread_id, &tattr, quorv_Loop, nullptr);
  pthread_attr_destroy(&tattr);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (failed) {
    // No thread: the main loop may try again.
    std::fprintf(stderr, "web server: cannot create its thread\n");
    SetThreadCreated(0);
    MoveState(kCreated, kStartRequested);
  }
}

int quorv_read_file(char* buffer, size_t room, const char* path, int kind) {
  if (!buffer || room == 0) return 0;
  char host[4096];
  FILE* file = plat::MapPath(path, host, sizeof host) ? std::fopen(host, "rb") : nullptr;
  if (!file) return 0;
  // One byte stays for the NUL the parser needs; a longer file is cut there.
  const size_t n = std::fread(buffer, 1, room - 1, file);
  buffer[n] = '\0';
  if (n == 0) {
    std::fclose(file);
    return 0;
  }
  if (kind == 2 || kind == 3) Quorv_global_config_file_size = static_cast<uint32_t>(n);
  return std::fclose(file);
}

void quorv_update_global_config_parameters(const char* text) {
  if (!text) return;
  const char* p = text;
  while (*p) {
    const char* line_end = std::strchr(p, '\n');
    const char* end = line_end ? line_end : p + std::strlen(p);
    const char* colon = static_cast<const char*>(std::memchr(p, ':', static_cast<size_t>(end - p)));
    if (colon) {
      const std::string_view key(p, static_cast<size_t>(colon - p));
      const std::string value(colon + 1, end);
      if (key == "KeepAlive") {
        ConnectionTimeOut = static_cast<uint16_t>(std::strtol(value.c_str(), nullptr, 10));
      } else if (key == "InactivityTimeOut") {
        SessionTimeOut = static_cast<uint16_t>(std::strtol(value.c_str(), nullptr, 10) * 60);
      } else if (key == "Authentication") {
        quorv_authentication_method = value.find("Basic") != std::string::npos ? 1 : 2;
      }
    }
    // A line whose key is not known is passed over whole: the next line keeps its key.
    if (!line_end) break;
    p = line_end + 1;
  }
}

const char* QuorvFolder() { return Partner() ? "/mnt/USB0/z7PNQ" : "/mnt/USB0/Quorv"; }

int quorv_server_main() {
  char config[kConfigRoom] = {};
  Quorv_server_status_token = kStatusToken;
  QuorvServerStatus = 0;
  WriteStatus();
  AccessRightsClear();
  Quorv_global_config_file_size = 0;
  const std::string config_path = std::string(QuorvFolder()) + "/config/QuorvGlobal.cfg";
  quorv_read_file(config, sizeof config, config_path.c_str(), 2);
  if (Quorv_global_config_file_size) quorv_update_global_config_parameters(config);
  AccessRightsLoad();
  Quorv_global_config_file_size = 0;

  if (quorv_server_initialize() != 0) quorv_log("web server: cannot initialise");
  const std::string web_root = std::string(QuorvFolder()) + "/wwwroot";
  quorv_options_set_web_root(web_root.c_str(), "index.htm;index.html");
  quorv_options_set_server_name(Partner() ? "Qrb_server" : "Quorv_server");
  quorv_options_set_auth_options(quorv_authentication_method, Partner() ? "z7PNQ" : "Quorv");
  quorv_options_set_http_options(nullptr, 80);
  quorv_options_set_https_options(nullptr, 443, kKeyFile, nullptr);
  quorv_options_generate_temporary_rsa(1024, 65537);
  quorv_global_options.level = 2;
  quorv_server_prepare();

  if (ConnectionTimeOut == 0) ConnectionTimeOut = 60;
  if (SessionTimeOut == 0) SessionTimeOut = 300;
  // A connection silent for the keep-alive time is closed (server time counts halves).
  quorv_global_context.idle_timeout = 2ull * ConnectionTimeOut;
  if (quorv_server_mainloop() != 0) {
    quorv_log("web server: cannot listen; trying again");
    return -1;
  }
  QuorvServerStatus = 1;
  WriteStatus();
  quorv_sys_sleep(1);
  return 0;
}

void quorv_thread_clear() {
  quorv_comm_mainloop_exit();
  quorv_server_free(quorv_server_clear());
  AccessRightsClear();
  if (QuorvServerStatus == 1) {
    QuorvServerStatus = 0;
    WriteStatus();
  }
}

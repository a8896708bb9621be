// The runtime's log. A log call may come from a scan that runs inside a time slice,
// possibly interrupting another log call on the same thread, so the queue takes no lock:
// a bounded lock-free queue of 16 lines, filled by any caller and emptied by the writer
// thread alone. The writer formats and writes outside the callers' path.
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <syslog.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

#include "iec_runtime/memory.h"
#include "iec_runtime/os_services.h"
#include "platform/clock.h"

namespace {

constexpr uint32_t kFile = 0x001, kSyslog = 0x002, kTraceWarn = 0x200, kError = 0x400;
constexpr uint32_t kQueue = 16, kTextMax = 80;
constexpr long kRotateAt = 65'456;
constexpr const char* const kLevels[] = {"N4TRACE", "N4WARNING", "N4ERROR"};

struct Line {
  int64_t wall_ns;
  int level;
  char text[kTextMax + 1];
};
struct Cell {
  std::atomic<uint32_t> seq;
  Line line;
};

Cell g_cells[kQueue];
std::atomic<uint32_t> g_enqueue{0};
uint32_t g_dequeue = 0;  // the writer's own
std::atomic<uint32_t> g_flags{0};  // 0 while closed

std::thread g_writer;
std::mutex g_wake_mutex;
std::condition_variable g_wake;
bool g_stop = false;

void ResetQueue() {
  for (uint32_t i = 0; i < kQueue; ++i) g_cells[i].seq.store(i, std::memory_order_relaxed);
  g_enqueue.store(0, std::memory_order_relaxed);
  g_dequeue = 0;
}

void Push(int level, const char* text) {
  uint32_t flags = g_flags.load(std::memory_order_acquire);
  if (text == nullptr || !(flags & (level == 2 ? kError : kTraceWarn))) return;
  uint32_t pos = g_enqueue.load(std::memory_order_relaxed);
  Cell* cell;
  for (;;) {
    cell = &g_cells[pos % kQueue];
    int32_t diff = int32_t(cell->seq.load(std::memory_order_acquire) - pos);
    if (diff == 0 && g_enqueue.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) break;
    if (diff < 0) return;  // full: the line is dropped
    if (diff > 0) pos = g_enqueue.load(std::memory_order_relaxed);
  }
  cell->line.wall_ns = plat::WallNs();
  cell->line.level = level;
  std::size_t n = strnlen(text, kTextMax);
  std::memcpy(cell->line.text, text, n);
  cell->line.text[n] = '\0';
  cell->seq.store(pos + 1, std::memory_order_release);
}

bool Pop(Line& out) {
  Cell& cell = g_cells[g_dequeue % kQueue];
  if (int32_t(cell.seq.load(std::memory_order_acquire) - (g_dequeue + 1)) < 0) return false;
  out = cell.line;
  cell.seq.store(g_dequeue + kQueue, std::memory_order_release);
  ++g_dequeue;
  return true;
}

void Format(const Line& l, char* out, std::size_t size) {
  std::time_t s = std::time_t(l.wall_ns / 1'000'000'000);
  std::tm tm{};
  localtime_r(&s, &tm);
  std::snprintf(out, size, "%04u/%02u/%02u %02u:%02u:%02u,%ld : [%s] %s", unsigned(tm.tm_year + 1900),
                unsigned(tm.tm_mon + 1), unsigned(tm.tm_mday), unsigned(tm.tm_hour), unsigned(tm.tm_min),
                unsigned(tm.tm_sec), long((l.wall_ns / 1'000'000) % 1000), kLevels[l.level], l.text);
}

// Writes what the queue holds: the file first moves aside once it has reached its limit.
void Drain(uint32_t flags) {
  char path[4096], old_path[4096];
  FILE* f = nullptr;
  Line l;
  while (Pop(l)) {
    char text[160];
    Format(l, text, sizeof text);
    if (flags & kSyslog) syslog(LOG_INFO, "%s", text);
    if (!(flags & kFile)) continue;
    if (f == nullptr) {
      if (!N4_HostPath("n4.log", path, sizeof path) || !N4_HostPath("n4.old.log", old_path, sizeof old_path)) continue;
      struct stat st;
      if (::stat(path, &st) == 0 && st.st_size >= kRotateAt) std::rename(path, old_path);
      f = std::fopen(path, "ab");
      if (f == nullptr) continue;
    }
    std::fprintf(f, "%s\n", text);
  }
  if (f != nullptr) std::fclose(f);
}

void WriterLoop(uint32_t flags) {
  std::unique_lock<std::mutex> lock(g_wake_mutex);
  while (!g_stop) {
    g_wake.wait_for(lock, std::chrono::milliseconds(500), [] { return g_stop; });
    lock.unlock();
    Drain(flags);
    lock.lock();
  }
  lock.unlock();
  Drain(flags);  // what was queued before the stop
}

}  // namespace

void N4LOG_Open(uint32_t flags) {
  N4LOG_Close();
  if (flags == 0) return;
  ResetQueue();
  g_stop = false;
  if (flags & kSyslog) openlog("N4LOG", 0, LOG_USER);
  // The writer never takes the time-slice signal: it belongs to the main thread.
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &block, &old);
  g_writer = std::thread(WriterLoop, flags);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  g_flags.store(flags, std::memory_order_release);
}

void N4LOG_Trace(const char* text) { Push(0, text); }
void N4LOG_Warn(const char* text) { Push(1, text); }
void N4LOG_Err(const char* text) { Push(2, text); }

void N4LOG_Close() {
  uint32_t flags = g_flags.exchange(0, std::memory_order_acq_rel);
  if (!g_writer.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(g_wake_mutex);
    g_stop = true;
  }
  g_wake.notify_one();
  g_writer.join();
  if (flags & kSyslog) closelog();
}

#include "platform/trace.h"

#include <atomic>
#include <cstring>

namespace plat {
namespace {

constexpr std::size_t kTraceCap = 8192;
TraceEntry g_entries[kTraceCap];
std::atomic<std::size_t> g_count{0};
std::atomic<bool> g_on{false};

}  // namespace

void TraceCall(const char* name, int64_t a, int64_t b) {
  if (!g_on.load(std::memory_order_relaxed)) return;
  std::size_t i = g_count.fetch_add(1, std::memory_order_relaxed);
  if (i < kTraceCap) g_entries[i] = {name, a, b};
}

void TraceEnable(bool on) { g_on.store(on); }

void TraceClear() { g_count.store(0); }

std::vector<TraceEntry> TraceSnapshot() {
  std::size_t n = g_count.load();
  if (n > kTraceCap) n = kTraceCap;
  return {g_entries, g_entries + n};
}

std::vector<std::string> TraceNames() {
  std::vector<std::string> out;
  for (const auto& e : TraceSnapshot()) out.emplace_back(e.name);
  return out;
}

std::size_t TraceCountOf(const char* name) {
  std::size_t n = 0;
  for (const auto& e : TraceSnapshot()) n += std::strcmp(e.name, name) == 0;
  return n;
}

}  // namespace plat

// Host stand-in for setting the operating system's time of day: records, never sets.
#include "platform/systime.h"

namespace plat {
namespace {

constexpr std::size_t kKeep = 64;
systime_model::Request g_requests[kKeep];
std::size_t g_count = 0;

}  // namespace

int SetTimeOfDay(int64_t seconds, int32_t microseconds) {
  if (seconds < 0 || microseconds < 0 || microseconds > 999'999) return -1;
  g_requests[g_count % kKeep] = {seconds, microseconds};
  ++g_count;
  return 0;
}

namespace systime_model {

void Reset() { g_count = 0; }
std::size_t Count() { return g_count; }

std::vector<Request> Requests() {
  std::vector<Request> out;
  const std::size_t n = g_count < kKeep ? g_count : kKeep;
  for (std::size_t i = g_count - n; i < g_count; ++i) out.push_back(g_requests[i % kKeep]);
  return out;
}

}  // namespace systime_model
}  // namespace plat

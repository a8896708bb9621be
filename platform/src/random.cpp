#include "platform/random.h"

#include <atomic>
#include <cerrno>
#include <sys/random.h>

namespace plat {
namespace {

class HostRandom final : public RandomSource {
 public:
  std::size_t Fill(void* out, std::size_t length) override {
    auto* p = static_cast<unsigned char*>(out);
    std::size_t done = 0;
    while (done < length) {
      const ssize_t n = getrandom(p + done, length - done, 0);
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    return done;
  }
};

HostRandom g_host;
std::atomic<RandomSource*> g_source{&g_host};

}  // namespace

RandomSource* SetRandomSource(RandomSource* source) { return g_source.exchange(source ? source : &g_host); }

std::size_t RandomFill(void* out, std::size_t length) {
  return g_source.load(std::memory_order_acquire)->Fill(out, length);
}

}  // namespace plat

#include "platform/gpio.h"

#include <atomic>

namespace plat {
namespace {
std::atomic<uint32_t> g_dout[kGpioBanks];

bool Valid(int bank) { return bank >= 0 && bank < kGpioBanks; }
}  // namespace

void GpioDoutSet(int bank, uint32_t mask) {
  if (Valid(bank)) g_dout[bank].fetch_or(mask);
}

void GpioDoutClear(int bank, uint32_t mask) {
  if (Valid(bank)) g_dout[bank].fetch_and(~mask);
}

uint32_t GpioDout(int bank) { return Valid(bank) ? g_dout[bank].load() : 0; }

void GpioReset() {
  for (auto& w : g_dout) w.store(0);
}

}  // namespace plat

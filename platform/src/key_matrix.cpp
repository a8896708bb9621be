#include "platform/key_matrix.h"

#include <atomic>

namespace plat {
namespace {
std::atomic<uint16_t> g_inputs[kKeyChains];
}  // namespace

uint16_t KeyMatrixInput(int chain) {
  return chain >= 0 && chain < kKeyChains ? g_inputs[chain].load(std::memory_order_relaxed) : 0;
}

void KeyMatrixSet(int chain, uint16_t word) {
  if (chain >= 0 && chain < kKeyChains) g_inputs[chain].store(word, std::memory_order_relaxed);
}

void KeyMatrixReset() {
  for (auto& word : g_inputs) word.store(0, std::memory_order_relaxed);
}

}  // namespace plat

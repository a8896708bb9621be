#pragma once
// The key matrix behind the board's GPIO shift chains: the 16 input bits that shifting
// chain 0 or chain 1 returns. On the board chain 0's high byte identifies the board; the
// panel's side keys are areas of the touch screen, so the input service takes nothing
// else from it. Tests set the words; the shift-chain driver reads them.
//
// Callers: the shift-chain driver on the main thread (also inside time slices); tests.
// Single atomic loads and stores: no lock, no allocation.

#include <cstdint>

namespace plat {

inline constexpr int kKeyChains = 2;

// The input word of chain 0 or 1 (0 for any other chain).
uint16_t KeyMatrixInput(int chain);
// Sets it; a chain outside 0..1 is ignored.
void KeyMatrixSet(int chain, uint16_t word);
// Tests: every input back to 0.
void KeyMatrixReset();

}  // namespace plat

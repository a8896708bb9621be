#pragma once
// The unit's random source (the board's /dev/urandom). On the host it is the kernel's
// getrandom(); tests install a source of their own, for example one that runs dry.
// Callable from any thread.

#include <cstddef>

namespace plat {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // Fills up to length bytes of out; returns how many it filled (length unless it fails).
  virtual std::size_t Fill(void* out, std::size_t length) = 0;
};

// Installs a source; nullptr restores the host one. Returns the previous one.
RandomSource* SetRandomSource(RandomSource* source);

// Random bytes from the installed source: the number filled, length unless it failed.
std::size_t RandomFill(void* out, std::size_t length);

}  // namespace plat

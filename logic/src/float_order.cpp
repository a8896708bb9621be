// The shared copies of the ordered sums and products where no instruction pins the order.
#include "float_order.h"

#if !defined(__x86_64__)
namespace logic {
[[gnu::noinline]] float Plus(float a, float b) { return a + b; }
[[gnu::noinline]] double Plus(double a, double b) { return a + b; }
[[gnu::noinline]] float Times(float a, float b) { return a * b; }
[[gnu::noinline]] double Times(double a, double b) { return a * b; }
}  // namespace logic
#endif

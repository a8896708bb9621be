#pragma once
// Sums and products with their operand order fixed. When both operands are NaN, the
// processor keeps the payload of one of them chosen by its place in the instruction, and
// a compiler may swap a commutative operation's operands wherever it likes; the careful
// handlers and the threaded code use these, so that both leave the same bits in the
// image. (Differences and quotients are not commutative: their order is fixed already.)

namespace logic {

#if defined(__x86_64__)
inline float Plus(float a, float b) {
  asm("addss %1, %0" : "+x"(a) : "x"(b));
  return a;
}
inline double Plus(double a, double b) {
  asm("addsd %1, %0" : "+x"(a) : "x"(b));
  return a;
}
inline float Times(float a, float b) {
  asm("mulss %1, %0" : "+x"(a) : "x"(b));
  return a;
}
inline double Times(double a, double b) {
  asm("mulsd %1, %0" : "+x"(a) : "x"(b));
  return a;
}
#else
// One compiled copy each (float_order.cpp), which every caller shares.
float Plus(float a, float b);
double Plus(double a, double b);
float Times(float a, float b);
double Times(double a, double b);
#endif

}  // namespace logic

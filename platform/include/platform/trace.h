#pragma once
// Call trace: the empty hooks of subsystems that are not built yet, and the device
// stand-ins, record their calls here so that a test can see which calls a pass made,
// in which order and with which arguments. Recording is off unless a test turns it on.
// Recording allocates nothing and takes no lock (the time-slice handler records too).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

struct TraceEntry {
  const char* name;  // a string literal of the caller
  int64_t a;
  int64_t b;
};

void TraceCall(const char* name, int64_t a = 0, int64_t b = 0);

void TraceEnable(bool on);
void TraceClear();
std::vector<TraceEntry> TraceSnapshot();
// Names only, in order; handy for comparing a pass with the expected sequence.
std::vector<std::string> TraceNames();
// How many recorded calls had this name.
std::size_t TraceCountOf(const char* name);

}  // namespace plat

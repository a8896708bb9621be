#pragma once
// The operating system's time of day (settimeofday). On the board the unit sets it after
// the user changed the clock; on the host the request is only recorded and the host's
// clock never changes.
//
// Called on the main thread (including a time-slice pass). Never blocks, takes no lock
// and allocates nothing.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

// Sets the time of day to seconds since 1970-01-01 UTC plus microseconds. 0 on success,
// -1 when refused (microseconds outside 0..999999 or negative seconds).
int SetTimeOfDay(int64_t seconds, int32_t microseconds);

namespace systime_model {

struct Request {
  int64_t seconds;
  int32_t microseconds;
};

void Reset();
// Requests made, oldest first; the model keeps the latest 64.
std::size_t Count();
std::vector<Request> Requests();

}  // namespace systime_model
}  // namespace plat

#pragma once
// A finger on the touch device's FIFO below a device root: writes input event records
// as the board's touch driver hands them out (x, y, pressure reports, and a zero
// pressure for the lift). The device must be open for reading (the unit opens it at
// start-up); Open waits for that up to a deadline.
//
//   ts::TouchWriter finger(root.Host("/dev/input/ts0"));
//   ASSERT_TRUE(finger.Open(std::chrono::seconds(10)));
//   finger.Report(760, 100, 50);  // x, y, pressure
//   finger.Lift();

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/touch_device.h"

namespace ts {

class TouchWriter {
 public:
  explicit TouchWriter(std::string fifo_path) : path_(std::move(fifo_path)) {}
  ~TouchWriter();
  TouchWriter(const TouchWriter&) = delete;
  TouchWriter& operator=(const TouchWriter&) = delete;

  // Opens the FIFO for writing once a reader has it open; false at the deadline.
  bool Open(std::chrono::milliseconds limit);
  // Writes records whole; false when they could not all be written.
  bool Write(const std::vector<plat::TouchRecord>& records);
  bool WriteBytes(const uint8_t* bytes, std::size_t n);
  // One report of the pressure-aware driver: x, y, then the pressure.
  bool Report(int x, int y, int pressure) {
    return Write({Abs(plat::kAbsX, x), Abs(plat::kAbsY, y), Abs(plat::kAbsPressure, pressure)});
  }
  bool Lift() { return Write({Abs(plat::kAbsPressure, 0)}); }
  static plat::TouchRecord Abs(uint16_t code, int value) {
    return {.type = plat::kEventAbsolute, .code = code, .value = value};
  }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace ts

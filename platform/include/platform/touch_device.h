#pragma once
// The touch screen device "/dev/input/ts0": the board's touch driver hands out input
// event records of 16 bytes each. On the host the device is a FIFO below the device
// root; whoever writes records into it (a test, a person with a small script) is the
// finger. The record is defined here byte by byte, not by the host's own input_event
// struct, whose size differs on a 64-bit host.
//
// Callers: the kernel's input service on the main thread (also inside time slices and
// from the crash screen's fault signal): open and read only, no allocation, no stdio.

#include <cstddef>
#include <cstdint>

namespace plat {

inline constexpr char kTouchDevice[] = "/dev/input/ts0";
inline constexpr std::size_t kTouchRecordBytes = 16;

// One input event. Bytes, little-endian: u32 seconds, u32 microseconds, u16 type,
// u16 code, i32 value.
struct TouchRecord {
  uint32_t seconds = 0;
  uint32_t microseconds = 0;
  uint16_t type = 0;
  uint16_t code = 0;
  int32_t value = 0;
};
inline constexpr uint16_t kEventAbsolute = 3;  // type of position and pressure events
inline constexpr uint16_t kAbsX = 0;
inline constexpr uint16_t kAbsY = 1;
inline constexpr uint16_t kAbsPressure = 24;

void EncodeTouchRecord(const TouchRecord& record, uint8_t out[kTouchRecordBytes]);
TouchRecord DecodeTouchRecord(const uint8_t in[kTouchRecordBytes]);

// Opens the device read-only and non-blocking; -1 when it cannot be opened. On the host
// a missing device is created as a FIFO first.
int TouchOpen();

}  // namespace plat

// The touch readers: input event records from the touch device, decoded by the reader of
// the kernel build, calibrated, filtered for a steady point and handed on as presses and
// releases.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ground/regimage.h"
#include "controller/startup.h"
#include "ground/sysservices.h"
#include "touch_state.h"

namespace tch {
namespace {

constexpr int kPressureReaderFrom = 3549;  // kernel build
constexpr uint16_t kCalibrationPage = 21;
constexpr int kUncalibratedPoints = 3;
constexpr uint16_t kDefaultThreshold = 200;
constexpr int kRecordsPerRead = 32;
constexpr int kReadsPerCall = 16;  // bounds the call against a writer that never stops

int Diff16(uint16_t a, uint16_t b) {
  const int d = int16_t(uint16_t(a - b));
  return d < 0 ? -d : d;
}

bool RawMode() { return g.release_mode == kReleaseRaw; }
bool FullScaleSet() { return g.cal.x_full != 1 && g.cal.y_full != 1; }
bool NoFullScale() { return g.cal.x_full == 1 && g.cal.y_full == 1; }

void DefaultCalibration() { g.cal = Calibration{}; }

// The offset and scale mapping of a steady point; false when the touch is dropped.
bool MapPoint(Reader& r) {
  // A scale of 0 (set through the driver settings) maps nothing.
  if (g.cal.x_scale == 0 || g.cal.y_scale == 0) return false;
  const int dx = int16_t(uint16_t(r.px - g.cal.x_offset));
  const int dy = int16_t(uint16_t(r.py - g.cal.y_offset));
  const int64_t x = int64_t(dx) * kScreenWidth / g.cal.x_scale;
  const int64_t y = int64_t(dy) * kScreenHeight / g.cal.y_scale;
  if (!RawMode() && (dx < 0 || dy < 0 || x >= kScreenWidth || y >= kScreenHeight)) return false;
  r.x = uint16_t(x);
  r.y = uint16_t(y);
  return true;
}

void TouchedOrMoved(Reader& r) {
  const uint16_t prev_x = g.last_x, prev_y = g.last_y;
  g.last_x = r.px;
  g.last_y = r.py;
  if (!RawMode() && NoFullScale()) {
    if (++r.uncalibrated >= kUncalibratedPoints) {
      r.uncalibrated = 0;
      SYS_WriteSys(3, kCalibrationPage);
      DefaultCalibration();
      g.touch_state = kIdle;
    }
    return;
  }
  const bool steady = Diff16(r.px, prev_x) <= kSteadyUnits && Diff16(r.py, prev_y) <= kSteadyUnits;
  if (!steady || !MapPoint(r)) {
    if (g.touch_state == kMoved) Deliver(kEventTouchUp, g.press_x, g.press_y);
    g.touch_state = kIdle;
    return;
  }
  g.press_x = r.x;
  g.press_y = r.y;
  Deliver(kEventTouchDown, r.x, r.y);
  SrSet(171, r.x);
  SrSet(172, r.y);
  g.touch_state = kPressed;
}

void Pressed(const Reader& r, bool release) {
  const int distance = std::max(Diff16(g.last_x, r.px), Diff16(g.last_y, r.py));
  if (distance < g.release_delta && !release) return;
  if (g.release_mode != kReleaseNormal && !RawMode() && !(r.x == 0 && r.y == 0)) {
    // Dragging: the next point is tested and mapped as a new press.
    g.last_x = r.px;
    g.last_y = r.py;
    g.touch_state = kMoved;
  } else if (release) {
    Deliver(kEventTouchUp, g.press_x, g.press_y);
    g.touch_state = kIdle;
  }
}

void ProcessPoint(Reader& r, bool release) {
  r.phase = 0;
  if (FullScaleSet() && g.cal.x_full != 0 && g.cal.y_full != 0) {
    r.px = uint16_t(int64_t(r.px) * kScreenWidth / g.cal.x_full);
    if (r.py != 0) r.py = uint16_t(kScreenHeight - int64_t(r.py) * kScreenHeight / g.cal.y_full);
  }
  switch (g.touch_state) {
    case kIdle:
      SrSet(171, 0);
      SrSet(172, 0);
      if (r.px == 0 && r.py == 0) return;
      g.last_x = r.px;
      g.last_y = r.py;
      if (g.dark) {
        g.wake_request = 1;
        return;
      }
      g.saver_timer = g.saver_preset;
      g.touch_state = kTouched;
      return;
    case kTouched:
    case kMoved:
      TouchedOrMoved(r);
      return;
    case kPressed:
      Pressed(r, release);
      return;
    default:
      g.touch_state = kIdle;
  }
}

void ReleaseReading(Reader& r) {
  r.px = r.py = r.x = r.y = 0;
  SrSet(171, 0);
  SrSet(172, 0);
}

// Kernel builds below 3549: y comes first, a zero pressure is the release.
void OlderReader(uint16_t code, int32_t value) {
  Reader& r = g.older;
  switch (code) {
    case plat::kAbsX:
      r.py = uint16_t(value);
      r.phase = 1;
      return;
    case plat::kAbsY:
      r.px = uint16_t(value);
      if (r.phase == 1 || r.phase == 2) {
        r.phase = 2;
        ProcessPoint(r, false);
      }
      return;
    case plat::kAbsPressure:
      if (value != 0) return;
      ReleaseReading(r);
      r.phase = 2;
      ProcessPoint(r, true);
      return;
    default:
      if (r.phase == 2) ProcessPoint(r, false);
  }
}

// The pressure, weighted by the x position, against the threshold SR10.
uint16_t WeightedPressure(uint16_t px, int32_t pressure) {
  int64_t w;
  if (px <= 200)
    w = int64_t(pressure) * 10;
  else if (px <= 400)
    w = int64_t(pressure) * 5;
  else if (px <= 800)
    w = int64_t(pressure) * 4;
  else if (px <= 2096)
    w = int64_t(pressure) * 3 / 2;
  else
    w = pressure;
  return uint16_t(w);
}

void PressureReader(uint16_t code, int32_t value) {
  Reader& r = g.pressure;
  switch (code) {
    case plat::kAbsX:
      r.px = uint16_t(value);
      r.phase = 1;
      return;
    case plat::kAbsY:
      if (r.phase == 1) {
        r.py = uint16_t(value);
        r.phase = 2;
      }
      return;
    case plat::kAbsPressure: {
      const uint16_t w = WeightedPressure(r.px, value);
      const uint16_t threshold = SrGet(10) ? SrGet(10) : kDefaultThreshold;
      if (w > threshold) {
        if (r.phase == 2) {
          SrSet(9, w);
          ProcessPoint(r, false);
        } else {
          r.phase = 0;
        }
        return;
      }
      ReleaseReading(r);
      ProcessPoint(r, true);
      return;
    }
    default:
      return;
  }
}

void Decode(const uint8_t* bytes, bool pressure_reader) {
  const plat::TouchRecord rec = plat::DecodeTouchRecord(bytes);
  if (rec.type != plat::kEventAbsolute) return;
  if (pressure_reader)
    PressureReader(rec.code, rec.value);
  else
    OlderReader(rec.code, rec.value);
}

}  // namespace

void ReadTouchEvents() {
  const bool pressure_reader = KernelBuildNumber() >= kPressureReaderFrom;
  uint8_t buf[kRecordsPerRead * plat::kTouchRecordBytes];
  for (int reads = 0; reads < kReadsPerCall && g.fd >= 0; ++reads) {
    std::memcpy(buf, g.partial, g.partial_bytes);
    const ssize_t n = ::read(g.fd, buf + g.partial_bytes, sizeof buf - g.partial_bytes);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EBADF) {
        g.fd = plat::TouchOpen();
        continue;
      }
      return;  // nothing pending (EAGAIN) or a read error
    }
    if (n == 0) return;  // no writer: nothing pending
    const std::size_t total = g.partial_bytes + std::size_t(n);
    std::size_t at = 0;
    for (; at + plat::kTouchRecordBytes <= total; at += plat::kTouchRecordBytes) Decode(buf + at, pressure_reader);
    g.partial_bytes = uint8_t(total - at);
    std::memcpy(g.partial, buf + at, g.partial_bytes);
  }
}

}  // namespace tch

// Run control's state and the scan statistics.
#include <algorithm>

#include "ground/regimage.h"
#include "runctl_internal.h"

namespace runctl {

State g;

void ResetState() { g = State{}; }

namespace {
constexpr uint32_t kSrAverage = 6;
constexpr uint32_t kSrMinimum = 7;
constexpr uint32_t kSrMaximum = 8;
constexpr uint32_t kSamples = 16;  // the running average spans about 16 scans
}  // namespace

void RestartScanAverage() {
  g.scan_total = 0;
  g.scan_measured = false;
  SrSet(kSrAverage, 0);
}

void ResetScanStats() {
  RestartScanAverage();
  SrSet(kSrMinimum, 0xFFFF);
  SrSet(kSrMaximum, 0);
}

void MeasureScan(uint32_t t) {
  if (!SBitGet(1) && !SBitGet(10)) {
    // The registers are 16 bits: a scan longer than 6.5 s counts as 0xFFFF ticks, so
    // neither the average nor the maximum wraps to a small value.
    const uint16_t time = uint16_t(std::min<uint32_t>(t - g.scan_start, 0xFFFF));
    if (!g.scan_measured) {
      g.scan_measured = true;
      g.scan_total = time * kSamples;
      SrSet(kSrAverage, time);
    } else {
      g.scan_total = g.scan_total + time - SrGet(kSrAverage);
      SrSet(kSrAverage, uint16_t(g.scan_total / kSamples));
    }
    SrSet(kSrMinimum, std::min(SrGet(kSrMinimum), time));
    SrSet(kSrMaximum, std::max(SrGet(kSrMaximum), time));
  }
  g.scan_start = t;
}

}  // namespace runctl

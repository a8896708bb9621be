#pragma once
// Run control's state and the steps the scan is made of, shared by its files
// (runctl_*.cpp, plcscan_*.cpp). Main thread only; the scan's steps also run inside time
// slices and allocate nothing.

#include <cstdint>

#include "iec_runtime/services.h"

namespace runctl {

// The IEC runtime runs an application whose variables are bound to the registers.
inline bool IecBound() { return OrvanelRuntime && orvanel_variables_enumerateded; }

struct State {
  bool mode_set_once = false;   // SetPlcMode has run since start-up
  bool io_probed = false;       // IoConfig has asked the driver for the modules
  uint32_t io_unsupported = 0;  // the driver's unsupported-slot bits
  uint32_t scan_total = 0;      // 16 x the running average of the scan time (ticks)
  bool scan_measured = false;   // scan_total holds a measurement (a scan can take 0 ticks)
  uint32_t scan_start = 0;      // tick of the previous scan start
  bool clock_started = false;   // the clock bits have their first periods
  uint16_t clock_prev = 0;      // low 16 bits of the previous scan's tick
  uint16_t s3_start = 0, s4_start = 0, s5_start = 0;
};
extern State g;

// Back to the state after power-on (start-up, and tests).
void ResetState();
// The network set-up's part of it: the default network parameters and no record handed
// to the network layer yet.
void ResetNetConfig();

// SR6 = 0, SR7 = 0xFFFF, SR8 = 0 and the running total 0.
void ResetScanStats();
// The average starts again: SR6 = 0, the next measurement is the first.
void RestartScanAverage();
// The time since the previous scan start feeds SR6..SR8 (unless S1 or S10 is set), then
// t becomes the scan start.
void MeasureScan(uint32_t t);

// S3, S4 and S5 from the low 16 bits of the tick.
void UpdateClockBits(uint16_t t);

// The I/O exchange of the scan, slot by slot, and the force table.
void ReadInputs();
void WriteOutputs();
void ForceInputs();
void ForceOutputs();

// The online-change step of the scan (SR193).
void OnlineChange();
// A logic fault during online programming: the stored program comes back when the new
// one was in use, and SR193 reports the change failed.
void OnlineLogicFault();
// SR11-SR12 and SR23 show the ladder table's size and CRC.
void ShowLadder();

}  // namespace runctl

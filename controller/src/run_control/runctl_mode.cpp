// The PLC mode: what changes when SR5 changes, and the I/O start.
#include "drivers/services.h"
#include "fieldbus/services.h"
#include "iec_runtime/services.h"
#include "ground/cmdproto.h"
#include "controller/orvanel.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "controller/runctl.h"
#include "logic/media_jobs.h"
#include "messaging/services.h"
#include "platform/trace.h"
#include "runctl_internal.h"
#include "storage/services.h"

namespace {

constexpr uint32_t kSrMode = 5;
constexpr uint32_t kS1FirstScan = 1;
constexpr uint32_t kS10Resumed = 10;
constexpr int kTalkPorts = 4;

bool Running(uint16_t mode) { return mode == kModeRun || mode == kModeRunFaulted; }

// Leaving Idle: the IEC application starts afresh, then the services of a running
// controller start.
void StartServices() {
  if (OrvanelRuntime) {
    OrvanelStop();
    OrvanelFirstRun = 0;
    OrvanelStart();
  }
  PMGR_Start();
  SMS_Start();
  LOG_Start();
  REPORT_Start();
  AlarmLogToCF_Start();
}

void StopServices() {
  IoStop();
  PMGR_Stop();
  SMS_Stop();
  LOG_Stop();
  REPORT_Stop();
  AlarmLogToCF_Stop();
  if (runctl::IecBound()) iVmAlive = 3;  // the controller stopped
  // Only the children of the logic's own copy and delete jobs are stopped, by their
  // process ids; other copies and deletes of the system keep running.
  File_AbortMediaJobs();
}

// The logic no longer runs: talk-through ports go back to the network mode, every
// session closes and the programming port is free again.
void EndTalkSessions() {
  for (int port = 0; port < kTalkPorts; ++port)
    if (TalkOpened(port)) Talk_ReopenNetwork(port);
  for (int port = 0; port < kTalkPorts; ++port) TalkClosed(port);
  Cmd_Override = 0;
}

}  // namespace

void PlcInit(int cold) {
  plat::TraceCall("PlcInit", cold);
  PlcRegInit(cold);
}

void IoStart() {
  plat::TraceCall("IoStart");
  PlcTmpClear();
  PlcOldInit();
  runctl::ResetScanStats();
  SBitSet(kS1FirstScan, true);
  io_driver(14, 0);
  io_driver(14, 1);
}

void SetPlcMode(uint8_t mode) {
  plat::TraceCall("SetPlcMode", mode);
  const bool first_call = !runctl::g.mode_set_once;
  runctl::g.mode_set_once = true;

  if (mode != kModeRunFaulted && (SrGet(4) & kSr4IdleFaults)) {
    mode = kModeIdle;
  } else if (mode > kModeHeld) {
    return;
  }
  const uint16_t old = SrGet(kSrMode);
  if (mode == old) return;

  // Start-up re-applies the saved mode: nothing has changed that needs saving then.
  if (!first_call) {
    SrSet(kSrMode, mode);
    AutoSaveRegisters();
    SrSet(kSrMode, old);
  }
  if (mode != kModeRun) OLPMode = 0;
  if (old == kModeIdle) StartServices();
  if (mode == kModeIdle) StopServices();
  if (Running(mode)) {
    if (old == kModeHeld) {
      runctl::ResetScanStats();
      SBitSet(kS10Resumed, true);
    } else {
      IoStart();
    }
  }
  if ((old == kModeHeld && mode <= kModeDoIo) || (Running(old) && mode <= kModeRunFaulted)) {
    runctl::RestartScanAverage();
    EndTalkSessions();
  }
  SrSet(kSrMode, mode);
}

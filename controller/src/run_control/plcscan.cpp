// One PLC scan: clock bits and clock registers, the networks' reception, inputs and
// forcing, the logic with its online changes, outputs and the scan-rate services.
#include <algorithm>
#include <array>

#include "fieldbus/services.h"
#include "iec_runtime/services.h"
#include "ground/cmdproto.h"
#include "controller/progstore.h"
#include "ground/regimage.h"
#include "ground/rtc.h"
#include "controller/runctl.h"
#include "ground/tablestore.h"
#include "ground/timebase.h"
#include "logic/engine.h"
#include "messaging/services.h"
#include "net/services.h"
#include "platform/trace.h"
#include "runctl_internal.h"
#include "storage/services.h"

namespace {

constexpr uint32_t kSrMode = 5;
constexpr uint32_t kSrFaultCode = 53;  // SR53-SR54
constexpr uint32_t kS6IoGood = 6;
constexpr uint32_t kS9 = 9;
constexpr uint32_t kS12Forcing = 12;
constexpr int32_t kLogicEnded = -1;

// Option boards in slot 1 that carry the Ethernet e-mail service.
constexpr std::array<uint16_t, 8> kEmailModules = {0xDF0F, 0xBF0F, 0x6F0F, 0xEF0F,
                                                   0x6E0F, 0xEE0F, 0xAF0F, 0xAE0F};

// A fault of the logic stops the controller, except during online programming, where the
// stored program is taken back when the new one was in use.
void RunLogic() {
  const int32_t result = LogicUpdate(ladder);
  if (result == kLogicEnded) return;
  if (OLPMode) {
    runctl::OnlineLogicFault();
    return;
  }
  SrSet32(kSrFaultCode, uint32_t(result));
  SrSet(4, SrGet(4) | kSr4LogicFault);
  SetPlcMode(kModeIdle);
}

}  // namespace

void PlcScan() {
  plat::TraceCall("PlcScan");
  const uint32_t t = FPGA_GetFrt();
  if (SBitGet(kS9)) OrvanelS9 = 1;
  runctl::UpdateClockBits(uint16_t(t));
  RtcScan();
  CANOpenRxMsg();
  if (std::find(kEmailModules.begin(), kEmailModules.end(), io_init[1]) != kEmailModules.end()) EtnEmailScan(0);
  if (runctl::IecBound()) {
    OrvanelUpdateWordSRRegs();
    OrvanelUpdateBitSysRegs();
  }

  if (SrGet(kSrMode) != kModeIdle) {
    if (SBitGet(kS6IoGood)) runctl::ReadInputs();
    if (SBitGet(kS12Forcing)) runctl::ForceInputs();
    if (runctl::IecBound()) {
      OrvanelUpdateBitInputRegs();
      OrvanelUpdateWordInputRegs();
    }
    const uint16_t mode = SrGet(kSrMode);
    if (mode == kModeRun || mode == kModeRunFaulted) {
      runctl::MeasureScan(t);
      runctl::OnlineChange();
      RunLogic();
    }
    // A logic fault has just stopped the controller and its services: nothing more to
    // write or scan in this pass.
    if (SrGet(kSrMode) != kModeIdle) {
      if (SBitGet(kS12Forcing)) runctl::ForceOutputs();
      if (SBitGet(kS6IoGood)) runctl::WriteOutputs();
      if (runctl::IecBound()) {
        OrvanelUpdateBitOutputRegs();
        OrvanelUpdateWordOutputRegs();
      }
      PMGR_Scan();
      SMS_Scanner();
      LOG_Update();
      REPORT_Scanner();
      AlarmLogToCF_Scanner();
      DLOG_Update();
    }
  }

  CANOpenTxMsg();
  Etn_UpdateStatus();
}

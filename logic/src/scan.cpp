// One scan of the ladder program: the scan entry (scan time, time base, first-scan
// latches), the IEC cycle in place of the ladder code, the interpreter, and the end of
// the program, where the screen requests take effect.
#include "fieldbus/services.h"
#include "file_blocks.h"
#include "iec_runtime/services.h"
#include "interpreter.h"
#include "ground/program_features.h"
#include "ground/regimage.h"
#include "ground/tablestore.h"
#include "ground/timebase.h"
#include "logic/engine.h"
#include "scan_state.h"
#include "threaded.h"
#include "threaded_table.h"

uint8_t RegTokLen_16b = 0;
uint32_t local_frt_100us = 0;
uint32_t local_scan_time = 0;
uint32_t local_scan_time_rm = 0;
uint16_t time_frt_100us = 0;
uint16_t old_change_screen = 0;

namespace logic {

namespace {

constexpr uint32_t kS1 = 1;    // first scan
constexpr uint32_t kS10 = 10;  // res_scn
constexpr uint32_t kSrUserScreen = 1;
constexpr uint32_t kSrAlarmScreen = 2;
constexpr uint32_t kSrScanTick = 149;  // SR149-SR150: time base at the scan's start

// The machine's stacks are statics, like every other piece of engine state: nothing is
// allocated per scan.
Machine g_machine;

void MeasureScanTime(bool first_scan) {
  if (first_scan) {
    local_scan_time = 0;
    local_scan_time_rm = 0;
  } else {
    const uint32_t d = FPGA_GetFrt() - local_frt_100us + local_scan_time_rm;
    local_scan_time_rm = d % 10;
    local_scan_time = d / 10;
  }
  const uint32_t f = FPGA_GetFrt();
  time_frt_100us = uint16_t(f & 0x3FFF);
  SrSet32(kSrScanTick, f);
  local_frt_100us = f;
}

// The words of the stream: its table block's size word, bounded by the block.
uint32_t StreamWords(const uint8_t* stream) {
  uint32_t bytes = BlockSize(stream - kTableHeader);
  if (bytes > kLadderCap - kTableHeader) bytes = kLadderCap - kTableHeader;
  return bytes / 2;
}

// A screen change is written once, on the scan in which the request first differs from
// the previous one; a request of 0 only re-arms it.
void EndOfProgram(const Machine& m) {
  if (OrvanelRuntime) return;
  SrSet(kSrAlarmScreen, uint16_t(m.alarm_request + 1));
  SBitSet(kS1, false);
  SBitSet(kS10, false);
  if (m.screen_request != old_change_screen) {
    old_change_screen = m.screen_request;
    if (m.screen_request != 0) SrSet(kSrUserScreen, m.screen_request);
  }
}

}  // namespace

const Machine& LastMachine() { return g_machine; }

}  // namespace logic

int32_t LogicUpdate(const uint8_t* stream) {
  using namespace logic;
  const bool first_scan = SBitGet(kS1);
  MeasureScanTime(first_scan);
  if (first_scan) {
    RegTokLen_16b = ProgramTokens16() ? 1 : 0;
    TalkInit();
    File_Init();
  }
  Machine& m = g_machine;
  if (OrvanelRuntime) {
    m.Reset(stream, 0, RegTokLen_16b != 0);
    n4::_VMThread();
    if (!OrvanelRuntime) EndOfProgram(m);
    m.stop = Stop::kEnd;
    return -1;
  }

  m.Reset(stream, StreamWords(stream), RegTokLen_16b != 0);
  if (ThreadedReady(stream, m.size, m.form16)) {
    RunDecoded(m);
  } else {
    Interpret(m);
  }
  if (m.stop != Stop::kEnd) return int32_t(m.at);
  EndOfProgram(m);
  return -1;
}

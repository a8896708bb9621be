// The register files under /mnt/cfg: autoreg.dta (the register image) and bbram.dta (the
// battery-backed RAM image), written at power-down, after a download, on a mode change,
// before a warm reset and by the watchdog monitor; and the small files around them.
//
// Every file is written beside the old one and renamed over it only once it is whole and
// synced, so an interrupted save (power loss, full disk) always leaves the previous file.
// The save may run on the watchdog-monitor thread while the main loop runs, and inside a
// time-slice pass: it copies each image into a buffer of its own first (until two copies
// in a row agree), so the CRC it writes is always that of the bytes it writes; one save at
// a time (a second one meanwhile fails at once); nothing here allocates or takes a lock.
#include <atomic>
#include <cstring>

#include "ground/cfg_file.h"
#include "ground/bbram.h"
#include "ground/bootstatus.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "ground/rtc.h"
#include "platform/rtc_model.h"
#include "platform/trace.h"
#include "retentive_internal.h"
#include "storage/crc16.h"

namespace retentive {
namespace {

alignas(8) uint8_t g_register_copy[kRegisterFileBytes];
alignas(8) uint8_t g_bbram_copy[kBbramSize];
std::atomic<bool> g_saving{false};

constexpr int kCopyTries = 4;

// A copy of memory that another thread may be changing: taken again until a copy equals
// its source, at most a few times (then the last copy stands, torn values and all).
void CopyStable(uint8_t* to, const uint8_t* from, std::size_t n) {
  for (int i = 0; i < kCopyTries; ++i) {
    std::memcpy(to, from, n);
    if (std::memcmp(to, from, n) == 0) return;
  }
}

bool WriteWhole(const char* unit_path, const void* bytes, std::size_t n) {
  CfgWriter out(unit_path);
  return out.open() && out.Write(bytes, n) == n && out.Sync() && out.Commit(true);
}

// The clock registers SR44..SR50 go to the hardware clock after a save.
void WriteHardwareClock() {
  const RtcRecord r{SrGet(44), SrGet(45), SrGet(46), SrGet(47), SrGet(48), SrGet(49), SrGet(50)};
  if (!RtcCheck(r)) return;
  const plat::RtcTime t{.tm_sec = r.second,
                        .tm_min = r.minute,
                        .tm_hour = r.hour,
                        .tm_mday = r.day,
                        .tm_mon = r.month - 1,
                        .tm_year = r.year - 1900,
                        .tm_wday = r.dow >= 1 && r.dow <= 7 ? r.dow - 1 : 0,
                        .tm_yday = 0,
                        .tm_isdst = 0};
  const int handle = plat::RtcOpen(plat::kRtcDevicePath);
  if (handle < 0) return;
  plat::RtcSetTime(handle, t);
  plat::RtcClose(handle);
}

class SaveTurn {
 public:
  SaveTurn() : mine_(!g_saving.exchange(true, std::memory_order_acquire)) {}
  ~SaveTurn() {
    if (mine_) g_saving.store(false, std::memory_order_release);
  }
  bool mine() const { return mine_; }

 private:
  bool mine_;
};

}  // namespace

bool FileExists(const char* unit_path) {
  CfgReader in(unit_path);
  return !in.missing();
}

void ResetSaveState() { g_saving.store(false); }

}  // namespace retentive

using namespace retentive;

int AutoSaveRegisters() {
  plat::TraceCall("AutoSaveRegisters", SrGet(5));
  const SaveTurn turn;
  if (!turn.mine()) return 0;
  // Neither file is created here: a first start creates them.
  if (FileExists(kBbramFile)) {
    CopyStable(g_bbram_copy, bbram, kBbramSize);
    WriteWhole(kBbramFile, g_bbram_copy, kBbramSize);
  }
  if (!FileExists(kAutoregFile)) return 0;
  uint8_t* image = g_register_copy + kHeader;
  CopyStable(image, plc_reg, reg::kImageSize);
  const uint16_t crc = crc16(image, reg::kImageSize);
  const uint16_t zero = 0;
  std::memcpy(g_register_copy, &crc, 2);
  std::memcpy(g_register_copy + 2, &zero, 2);
  std::memcpy(g_register_copy + 4, &kImageLength, 4);
  const bool saved = WriteWhole(kAutoregFile, g_register_copy, kRegisterFileBytes);
  if (!saved) BootStatusOr(boot::kAutoregWriteFailed);
  WriteHardwareClock();
  return saved ? 1 : 0;
}

int CrtAutoSaveRegFile() {
  plat::TraceCall("CrtAutoSaveRegFile");
  const bool made = WriteWhole(kBbramFile, "", 0) && WriteWhole(kAutoregFile, "", 0);
  if (!made) BootStatusOr(boot::kAutoregNotCreated);
  CfgReader ids(kNodeIdFile);
  uint16_t words[2];
  if (ids.open() && ids.Read(words, sizeof words) == sizeof words) {
    SrSet(29, words[0]);
    SrSet(30, words[1]);
  }
  return made ? 1 : 0;
}

int DelAutoRegFile() {
  plat::TraceCall("DelAutoRegFile");
  const uint16_t words[2] = {SrGet(29), SrGet(30)};
  WriteWhole(kNodeIdFile, words, sizeof words);
  BootStatusSet(boot::kOrderlyShutdown);
  ResetCounterSet(0);
  return FileExists(kAutoregFile) && CfgRemove(kAutoregFile) ? 1 : 0;
}

void CreateSavedFile() {
  plat::TraceCall("CreateSavedFile");
  WriteWhole(kSavedFile, kSavedText, sizeof kSavedText - 1);
}

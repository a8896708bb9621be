// The register files under /mnt/cfg: autoreg.dta (the register image) and bbram.dta (the
// battery-backed RAM image), written at power-down, after a download, on a mode change,
// before a warm reset and by the watchdog monitor; and the small files around them.
//
// Every file is written beside the old one and renamed over it only once it is whole and
// synced, so an interrupted save (power loss, full disk) always leaves the previous file.
// The CRC written is always that of the bytes written: each image is copied into a buffer
// of its own first. One save at a time (a second one meanwhile fails at once).
//
// The copy must be one moment of the program: a scan writes related registers one after
// the other, and a copy taken in the middle of a pass keeps half of them. On the main
// loop's own thread (a pass, start-up, the orderly stop, and a time-slice pass, which
// interrupts only the screen and storage loops, never a scan) the copy is taken at once,
// since nothing else of the loop runs meanwhile. Any other thread (the watchdog monitor)
// asks the loop for the copy, which the loop takes between two passes; no lock is taken,
// so a sliced pass is never held up. Should the loop not get there in time (the watchdog
// monitor saves because the loop is stuck), the saver copies the images itself. Nothing
// here allocates; a pass pays one atomic load unless a saver waits.
#include <atomic>
#include <cstring>
#include <ctime>
#include <thread>

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

// The thread that runs the main loop's passes; a default id while none does.
std::atomic<std::thread::id> g_loop_thread{};
static_assert(std::atomic<std::thread::id>::is_always_lock_free, "read inside a time-slice pass");

// A copy asked of the loop: the saver asks, the loop takes it between two passes and
// marks it copied, the saver takes it and clears the request. A request the loop never
// got to is withdrawn by the saver; one the loop is copying is waited for.
enum SnapshotState : int { kNoRequest, kRequested, kCopying, kCopied };
std::atomic<int> g_snapshot{kNoRequest};

// How long a saver waits for the loop before it copies itself: a pass takes micro- to
// milliseconds, and the watchdog monitor's save must be written well before the reset.
constexpr int kLoopWaitRounds = 1000;
constexpr timespec kLoopWaitStep{0, 100'000};

uint8_t* SavedImage() { return g_register_copy + kHeader; }

void CopyBothImages() {
  std::memcpy(SavedImage(), plc_reg, reg::kImageSize);
  std::memcpy(g_bbram_copy, bbram, kBbramSize);
}

// Both images as the loop had them between two passes; false when the loop did not
// copy them in time (the request is then withdrawn and nothing was copied).
bool CopyFromTheLoop() {
  g_snapshot.store(kRequested, std::memory_order_release);
  for (int round = 0;; ++round) {
    if (g_snapshot.load(std::memory_order_acquire) == kCopied) break;
    if (round >= kLoopWaitRounds) {
      int expected = kRequested;
      if (g_snapshot.compare_exchange_strong(expected, kNoRequest, std::memory_order_acq_rel)) return false;
      // The loop is copying: that ends within a copy's time.
      while (g_snapshot.load(std::memory_order_acquire) != kCopied) std::this_thread::yield();
      break;
    }
    nanosleep(&kLoopWaitStep, nullptr);
  }
  g_snapshot.store(kNoRequest, std::memory_order_release);
  return true;
}

// Both images into the save buffers. The saver's own copy runs while another thread
// (the web server through the accessors, or a stuck loop) may still write: it is taken
// again until it equals its source, a few times at most.
void CopyImages() {
  const std::thread::id loop = g_loop_thread.load(std::memory_order_acquire);
  if (loop != std::thread::id{} && loop != std::this_thread::get_id() && CopyFromTheLoop()) return;
  for (int i = 0; i < kCopyTries; ++i) {
    CopyBothImages();
    if (std::memcmp(SavedImage(), plc_reg, reg::kImageSize) == 0 && std::memcmp(g_bbram_copy, bbram, kBbramSize) == 0)
      return;
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

void ResetSaveState() {
  g_saving.store(false);
  g_loop_thread.store(std::thread::id{});
  g_snapshot.store(kNoRequest);
}

}  // namespace retentive

using namespace retentive;

int AutoSaveRegisters() {
  plat::TraceCall("AutoSaveRegisters", SrGet(5));
  const SaveTurn turn;
  if (!turn.mine()) return 0;
  // Neither file is created here: a first start creates them.
  const bool have_bbram = FileExists(kBbramFile);
  const bool have_autoreg = FileExists(kAutoregFile);
  if (have_bbram || have_autoreg) CopyImages();
  if (have_bbram) WriteWhole(kBbramFile, g_bbram_copy, kBbramSize);
  if (!have_autoreg) return 0;
  const uint8_t* image = SavedImage();
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

void SetRegisterLoopThread(bool running) {
  g_loop_thread.store(running ? std::this_thread::get_id() : std::thread::id{}, std::memory_order_release);
}

void ServeRegisterSnapshot() {
  if (g_snapshot.load(std::memory_order_relaxed) != kRequested) return;
  int expected = kRequested;
  if (!g_snapshot.compare_exchange_strong(expected, kCopying, std::memory_order_acq_rel)) return;
  CopyBothImages();
  g_snapshot.store(kCopied, std::memory_order_release);
}

void CreateSavedFile() {
  plat::TraceCall("CreateSavedFile");
  WriteWhole(kSavedFile, kSavedText, sizeof kSavedText - 1);
}

#pragma once
// Shared inside the retentive-register code: the files under /mnt/cfg, the backup block
// and the start-up questions.

#include <cstddef>
#include <cstdint>

#include "ground/regimage.h"

namespace retentive {

inline constexpr char kAutoregFile[] = "/mnt/cfg/autoreg.dta";
inline constexpr char kBbramFile[] = "/mnt/cfg/bbram.dta";
inline constexpr char kBackupFile[] = "/mnt/cfg/bkpreg.dta";
inline constexpr char kNodeIdFile[] = "/mnt/cfg/retnreg.dta";
inline constexpr char kSavedFile[] = "/mnt/cfg/saved.dat";
inline constexpr char kSavedText[] = "Saved autoreg.dta";  // 17 bytes, no NUL

// A register file's header: u16 CRC-16 of the image, u16 0, u32 image length.
inline constexpr std::size_t kHeader = 8;
inline constexpr uint32_t kImageLength = uint32_t(reg::kImageSize);
// The 8-byte header followed by one image.
inline constexpr std::size_t kRegisterFileBytes = kHeader + reg::kImageSize;

// The register backup block (table block form): header, image, then its flag bytes.
inline constexpr std::size_t kBackupBlockSize = 256 * 1024;
inline constexpr std::size_t kStoredMark = kHeader + reg::kImageSize;  // 90 stored, 0 cleared
inline constexpr std::size_t kFileMark = kStoredMark + 4;              // 0xFF no file
inline constexpr uint8_t kStoredMarkValue = 90;
// bkpreg.dta: the header, then length + 8 bytes (image and flag bytes), read bounded.
inline constexpr uint32_t kBackupBodyMax = 0x3FFF8;
extern uint8_t crcsize_tbl[kBackupBlockSize];

// SR164 bits of the backup and the start-up restore.
inline constexpr uint16_t kSr164RestoreDone = 0x04;
inline constexpr uint16_t kSr164BackupPresent = 0x08;
inline constexpr uint16_t kSr164AutoRun = 0x10;
inline constexpr uint16_t kSr164UseBackup = 0x20;
inline constexpr uint16_t kSr164StoreRequest = 0x40;
inline constexpr uint16_t kSr4NotOrderly = 0x1000;

// Reads a whole register file (header and image) into a work copy; the image's place in
// it when its length word is the image size and its CRC matches, else nullptr. short_read
// tells a file that ended (or could not be read) from one that was whole but bad.
const uint8_t* ReadRegisterFile(const char* unit_path, bool& short_read);
// True when the unit file exists.
bool FileExists(const char* unit_path);

// The start-up questions: asks question id (10, 11 or 12) and gives 1 for OK, 0 for
// Cancel. Question 11 counts down from tick, the time base's tick when it opened.
int AskLoadQuestion(int id, uint32_t tick);

// The state of this code back to power-on (KernelPowerOnReset), and of its parts.
void ResetRetentive();
void ResetSaveState();
void ResetRestoreState();
void ResetBackupState();
void ResetQuestions();

}  // namespace retentive

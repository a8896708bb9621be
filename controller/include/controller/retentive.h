#pragma once
// Retentive registers, register backups and the power-down save.
//
// Files under /mnt/cfg (mode 0600): autoreg.dta (header {u16 CRC-16, u16 0, u32 109176}
// and the register image), bbram.dta (the battery-backed RAM image), bkpreg.dta (the
// register backup block: header, image, flag bytes), retnreg.dta (SR29, SR30), saved.dat
// (the mark of an orderly stop). Each is written beside the old file and renamed over
// it once whole, so an interrupted write keeps the previous file.
//
// Results: 1 done, 0 failed, unless an operation says otherwise.

#include <cstdint>

// Set while the firmware's first start after a load must take the defaults.
extern uint8_t fwload_set_def;

// Saves bbram.dta and autoreg.dta (neither is created here); 0 when autoreg.dta is
// missing or could not be written whole (boot status 0x01), or while another save runs.
// Main thread, time-slice pass or watchdog-monitor thread; allocates nothing.
int AutoSaveRegisters();
// The main loop's side of the save: a save on another thread takes the images as the
// loop has them between two passes. SetRegisterLoopThread(true) names the calling thread
// as the one that runs the passes (false: none does, and every save copies at once);
// ServeRegisterSnapshot, called by that thread between two passes, copies the images
// when such a save waits for them (otherwise it only reads an atomic).
void SetRegisterLoopThread(bool running);
void ServeRegisterSnapshot();
// The start-up restore: 1 when a register image was taken (or on a first start, which
// creates the empty files and sets fwload_set_def), 0 when none could be.
int AutoLoadRegisters();
// The callback of the start-up questions: 1 is yes, anything else no; marks the open
// question answered.
void SetLoadState(int answer);
// First start: creates empty bbram.dta and autoreg.dta (failure: boot status 0x08, 0) and
// takes SR29 and SR30 from retnreg.dta when present.
int CrtAutoSaveRegFile();
// Reloads the register backup file and copies every table block's CRC and size into
// its mirror registers.
void RestoreSRReg();
// Erases the backup block when it holds one, then ClrRegFile.
int EraseBackupData();
// Copies the register image into the backup block and bkpreg.dta (SR164 bit 0x40 asks
// for it); the result of BkpRegisters.
int StoreBBRAM();
// Restores the backup block into the register image and warm-resets (request 1: the
// operator's restore, recorded in SR164 bit 0x04); returns at once when the block is not
// a good image (and on a host, whose runner refuses the reboot).
void RestoreBBRAM(int request);
// bkpreg.dta from the backup block / into it (a missing file marks the block 0xFF).
int BkpRegisters();
int LoadRegisters();

// The power-fail signal (44): its handler only sets PowerdownSignal; the main loop then
// runs the power-down save PowerDown, which switches the unit off and does not return
// (on a host the power controller's model ends the process). GPIOInit maps the SoC's
// register window, sets up the pins and installs the power-fail handler.
extern volatile int PowerdownSignal;
void PowerDownSignaled(int signal);
void PowerDown();
void GPIOInit();

// Writes saved.dat, the mark of an orderly stop.
void CreateSavedFile();
// Writes retnreg.dta, marks an orderly stop in the boot status word and deletes
// autoreg.dta; 1 when it was deleted.
int DelAutoRegFile();
// Clears the register backup and deletes bkpreg.dta; 1 when it was deleted.
int ClrRegFile();
// Writes the fault back-trace to /mnt/cfg/logfile; 1 written, 0 failed.
int GenLogFile();
// Write / read the touch calibration record (cal.dta); 1 done, 0 failed.
int StrTchClb(const uint16_t* record);
int ReadTchClb(uint16_t* record);

// The IEC runtime's retain backup N4_BKP.RET: saved from the running database, loaded
// into it (and copied to n4.ret). The command server uses both (register token
// 0xC0000000 of commands 22 and 24).
void n4_reg_store_backup();
void n4_reg_load_backup();

// The maker's organisationally unique identifier: the first three bytes of every MAC
// address the unit takes as its own.
inline constexpr uint8_t kMakerOui[3] = {0x02, 0x50, 0x4E};
bool MakersMac(const uint8_t mac[6]);
// The end of a hardware-information download: stores the block and applies its MAC id;
// 0 applied, 1 the block holds no MAC id of the maker.
int SaveAndSetMACID();
// Hands the next address of /mnt/USB/MACIDS.TXT to the 124-byte hardware block (unless
// it holds one of the maker's already) and stores the block: 0 done, 1 file error, 2 bad
// list text, 3 no list file, 4 list exhausted, 5 the list could not be rewritten (the
// address is then not taken).
int SaveMACID(uint8_t* block);

#pragma once
// Retentive registers, register backups and the power-down save.

#include <cstdint>

// Set while the firmware's first start after a load must take the defaults.
extern uint8_t fwload_set_def;

// 1 saved / loaded, 0 failed.
int AutoSaveRegisters();
int AutoLoadRegisters();
// Reloads the register backup file and copies every table block's CRC and size into
// its mirror registers.
void RestoreSRReg();
int EraseBackupData();
// Copies the register image into the battery-backed backup (SR164 bit 0x40 asks for it).
void StoreBBRAM();

// The power-fail signal: its handler only sets PowerdownSignal; the main loop then runs
// the power-down save PowerDown (which does not return on the board). GPIOInit maps the
// SoC's register window, sets up the pins and installs the power-fail handler.
extern volatile int PowerdownSignal;
void PowerDown();
void GPIOInit();

// Set at start-up when the register restore failed (the battery test then fails).
extern uint8_t AutoregFailed;
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
// The end of a hardware-information download: stores the block and applies its MAC id;
// 0 applied, 1 the block holds no MAC id of the maker.
int SaveAndSetMACID();

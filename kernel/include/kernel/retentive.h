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

// The power-fail signal: its handler only sets PowerdownSignal; the main loop then runs
// the power-down save PowerDown (which does not return on the board). GPIOInit maps the
// SoC's register window, sets up the pins and installs the power-fail handler.
extern volatile int PowerdownSignal;
void PowerDown();
void GPIOInit();

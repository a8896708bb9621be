#pragma once
// Small system services of the panel: system-register helpers, menu options, contrast,
// the hardware check, the watchdog device and the battery test.

#include <cstdint>

void SYS_HardwareCheck();
void SYS_Init();
uint16_t SYS_ReadSys(int n);
// Writes SR n as 16 bits through PlcReg_Set (with its side effects).
int SYS_WriteSys(int n, uint16_t value);
void SYS_MenuOption(int which, int on);
void SYS_MenuOption2(uint16_t value);
void SYS_Contrast(uint8_t value);
// 1 when the battery is good.
int SYS_BattTest();
void SYS_ResetRCBs(int mode);

// The watchdog device.
void StartWatchdog();
void StopWatchdog();
void TickleWatchdogReal();

#pragma once
// Small system services of the panel: system-register helpers, menu options, contrast,
// the hardware check, the watchdog device and the battery test.

#include <cstdint>

void SYS_HardwareCheck();
// Start-up system initialisation: writes the product sign-on text into signon (at least
// kSignonBytes bytes); 1 when a firmware load asked for default settings, else 0.
inline constexpr int kSignonBytes = 32;
int SYS_Init(char* signon);
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

// Serial layer start (before the ports are opened) and the register-link pools' load.
void Vcomm_Init();
int SYS_LoadRCBs(int x);
// The identity table: the sign-on text (at most kSignonBytes with its NUL) and the model
// name (at most 10 characters, NUL-terminated when shorter) for a product code and the
// module id found in I/O slot 0.
void Oem_GetSignon(char* text, uint16_t product_code, uint16_t module_id);
void Oem_GetModel(char* model, uint16_t product_code, uint16_t module_id);
// Non-zero on a grey-scale display (colours are then palette indices).
extern uint8_t SYS_fGrayScale;

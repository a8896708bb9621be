#pragma once
// Small system services of the panel: system-register helpers, keys and LEDs, menu
// options, backlight, the panel services of each screen pass, the watchdog device,
// resets, the battery test, the start-up services with the crash handler, the identity
// table and the ownership of the programming channel. Register links are in rcb.h, the
// battery-backed RAM image in bbram.h.
//
// Main thread only (the watchdog feed also inside time slices, the crash screen from a
// fault signal). Operations that act on the unit record their call in the platform call
// trace (nothing when tracing is off), so that their callers' tests can see the call.

#include <cstdint>

#include "ground/bbram.h"
#include "ground/rcb.h"

// --- System registers and helpers -------------------------------------------------

uint16_t SYS_ReadSys(int n);
// Writes SR n as 16 bits through PlcReg_Set (with its side effects); SR1 is also kept
// as the last local user screen. Returns the PlcReg_Set result.
int SYS_WriteSys(int n, uint16_t value);
// The last value written to SR1 through SYS_WriteSys.
uint16_t SYS_LastUserScreen();
// Panel outputs: which 0 is GPIO bank 3 bit 14, which 1 GPIO bank 2 bit 27; others nothing.
void SYS_MenuOption(int which, int on);
// Default port of the communication option board: 0..4, 7, 10, 11, 13; others ignored.
void SYS_MenuOption2(uint16_t value);
void SYS_Contrast(uint8_t value);
// SR5, the PLC mode.
uint16_t SYS_RunMode();
// Run LED: 0 Idle, 1 running a ladder program, 2 otherwise.
int SYS_GetRunLed();
// OK LED: 2 (blinking) with SR34 0 or forced I/O, 1 self-test passed, 0 otherwise.
int SYS_GetOkLed();
// 1 when the function keys are enabled (SR173 0).
int SYS_KeyEnabled();
// A function key code (1..10 press, any other release) into SR56 and K1..K10. Returns 1
// (the key is taken).
int SYS_KeyPut(uint16_t key);
// Sets the register-pack flag and returns the previous one.
int SYS_PackRegs(int flag);
int SYS_GetModel();
void LogicTickleWatchdog();
// Non-zero on a grey-scale display (colours are then palette indices).
extern uint8_t SYS_fGrayScale;

// --- Backlight and panel services ----------------------------------------------------

// Unless direct, the level is limited to 100 and stored in SR57; the level goes to the
// backlight device.
void BKLT_Ctrl(int direct, int level);
// At screen-program start: screen saver, key beep, pop-up mode, backlight 100, storage
// job states, protocol drivers' information.
void SYS_InitGFX();
// The panel services of a screen pass (beeper override, backlight, touch sensitivity);
// the mailbox's SYS_Update runs them after its own work.
void SYS_PanelServices();
// The touch calibration parameter table: two leading words, then x offset, y offset,
// x scale, y scale, x full-scale, y full-scale, each an i32 kept as two u16 halves (low
// half first). SYS_GetParmTbl reads the stored calibration into the table and returns it.
inline constexpr int kParmTblWords = 14;
uint16_t* SYS_GetParmTbl();
// Stores the table; 1 stored, 0 failed.
int SYS_SaveParmTbl(const uint16_t* table);

// --- Watchdog device ----------------------------------------------------------------

// Opens the device (unless WatchDogDisable is set or it is open) with a 5 s timeout.
void StartWatchdog();
void StopWatchdog();
void TickleWatchdogReal();
void set_watchdog_time(int seconds);

// --- Resets and the battery ------------------------------------------------------------

// Saves the registers and the saved-state file, syncs and reboots. On the board this does
// not return; on a host the reboot is a command of the runner and the call returns.
void SYS_WarmReset();
// Deletes the program and register files, syncs and reboots (returns on a host, as above).
void SYS_VDG();
// 1 when the battery is good.
int SYS_BattTest();

// --- Start-up services ------------------------------------------------------------------

void SYS_HardwareCheck();
// Start-up system initialisation: writes the product sign-on text into signon (at least
// kSignonBytes bytes); 1 when a firmware load asked for default settings, else 0.
inline constexpr int kSignonBytes = 32;
int SYS_Init(char* signon);
// The crash screen for a fault signal (0: the boot-failure screen, which stays). Never
// returns to its caller: the operator erases the program or restarts, or the countdown
// restarts the unit. On a host the restart command does not reboot, and the process then
// ends with kCrashExitStatus.
[[noreturn]] void ExceptionISR(int signal);
inline constexpr int kCrashExitStatus = 70;
// The crash screen's touch callback: records the position of a touch press (event 512).
int ExcpTch(int event, int x, int y);

// --- Identity table ---------------------------------------------------------------------

// The identity table: the sign-on text (at most kSignonBytes with its NUL) and the model
// name (at most 10 characters, NUL-terminated when shorter) for a product code and the
// module id found in I/O slot 0.
void Oem_GetSignon(char* text, uint16_t product_code, uint16_t module_id);
void Oem_GetModel(char* model, uint16_t product_code, uint16_t module_id);
// The OEM identity byte (/mnt/cfg/oeminfo, as the program header keeps it), which selects
// the identity variant (128 selects variant 5, others above 5 know no panel).
uint8_t OemIdentityByte();

// --- Programming channel ownership ----------------------------------------------------

// Host that owns the link (0 programming serial port, 1 Ethernet, 3 USB device port),
// mode (0 local, 1 pass-through, 2 remote from the CAN network), connection id, lock
// (bit 0 command in progress, bit 1 communication lock) and the idle counter, raised each
// time the lock drops to 0.
extern uint8_t Vcomm_Host;
extern uint8_t Vcomm_Mode;
extern uint8_t Vcomm_ConnectId;
extern uint8_t Vcomm_Lock;
inline constexpr uint8_t kVcommLockCommand = 0x01;  // a command is in progress
inline constexpr uint8_t kVcommLockComm = 0x02;     // communication lock (command 25)
extern uint16_t Vcomm_Idle;
// Claims the link: refused (0) while the lock is held (with force only lock bit 1
// refuses); otherwise records host, mode and id, sets lock bit 0 and answers 1.
int Vcomm_ModeSet(int force, uint8_t host, uint8_t mode, uint8_t connect_id);
// 0 clears the lock, 1 sets bit 0, 2 clears bit 0, 3 sets bit 1, 4 clears bit 1.
void Vcomm_LockSet(int op);
void* Vcomm_GetEvtPtr();
// Serial layer start (before the ports are opened).
void Vcomm_Init();

// The backlight level last applied from SR57 (-1 before the first).
int BacklightLevel();
// The product code the start-up puts in SR37, by which the identity table finds the panel.
inline constexpr uint16_t kProductCode = 573;

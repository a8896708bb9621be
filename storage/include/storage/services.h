#pragma once
// What the controller kernel and the ladder engine use of the removable storage,
// logging, alarm and recipe subsystem.

#include <cstddef>
#include <cstdint>

// Auto-load-run in progress; while set the main loop runs no scan.
extern uint8_t Sys_AutoLoad;
// Set by the key scan: load the application from the card.
extern uint8_t Sys_ManualLoadKey;
// Non-zero while removable media are being made safe to remove.
extern uint8_t removeSafe;
// Seconds the card has been up since it was mounted (0 while it is not).
extern uint32_t Sys_CFinitTime;

// Back to the power-on state: drives unmounted, root directories, no job (start-up and
// tests; the kernel's power-on reset calls it).
void StoragePowerOnReset();

// The forked media-space child's body; never returns.
[[noreturn]] void BackTsk();
// Checks a drive (0 card, 1 stick, 2 internal flash), mounting it when needed: 3 when
// it is usable, else 0.
int Cf_Check(int drive);

// The storage service: start, program set-up, per-screen-pass update, job loop.
void CFM_Open();
void CFM_Init();
void CFM_Update();
void CFM_TheLoop();
// Mailbox slot handlers; non-zero when the job was accepted.
int CFM_LoadDpramReq();
int CFM_LoadLoggerReq();
int CFM_LoadReportReq();
int CFM_LoadRecipeReq();
int CFM_LoadAlarmReq();
int CFM_LoadEmailReq();
int CFM_LoadTrendReq();
int CFM_LoadTrendReadReq();
int CFM_QuorvLoadTrendReadReq();
int CFM_LoadDBGLoggerReq();
// Advances an accepted job of a mailbox client (its index in the mailbox's client
// order): 2 while it is queued or running; when it is done, 4 or the job's own status,
// with the result code in result.
int CFM_PollReq(int client, uint32_t* result);

// Data logger, reports, alarm log and debug log: started on leaving Idle, stopped on
// entering Idle, scanned once per scan while not Idle.
void LOG_Start();
void LOG_Stop();
void LOG_Update();
void REPORT_Start();
void REPORT_Stop();
void REPORT_Scanner();
void AlarmLogToCF_Start();
void AlarmLogToCF_Stop();
void AlarmLogToCF_Scanner();
void DLOG_Update();

// The alarm manager's start and per-pass update.
void ALRM_Init();
void ALRM_Update();
// The alarm manager's copy of the mailbox's alarm-bit window, taken on each screen pass.
inline constexpr std::size_t kAlarmWindowBytes = 256;
extern uint8_t ALRM_WindowCopy[kAlarmWindowBytes];

// Calls the media-image loader makes before a program is loaded from media.
int LoadPgm();

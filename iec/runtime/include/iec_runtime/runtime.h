#pragma once
// The runtime's own sequencing: start, stop, hot start, online change and downloads of
// the IEC application, as the programming tool's requests and the panel's start-up use
// them. Results: 0 success, 1 refused or busy, else the build error.
#include <cstdint>

#include "iec_runtime/memory.h"

// The runtime's millisecond tick: monotonic milliseconds modulo one day, so that every
// elapsed time (now - then + 86,400,000) mod 86,400,000 is exact across the wrap and a
// clock set by the operator or NTP moves no timer.
uint32_t N4_GetTickCount();

// 1 while the programming link serves the panel's protocol, 0 while the runtime owns it.
extern uint8_t IsCommMode_Velan;
extern uint8_t n4_rcv;
extern uint32_t timer_N4;
extern uint8_t eth_conn;
// The runtime's TCP port for the programming tool, 1100; tests move it to a free port.
extern uint16_t n4_tcp_port;
extern void* pCode;
extern void* pEvData;

namespace n4 {
struct StartInfo {
  uint8_t warm;
  uint8_t paused;
  const char* name;
};
int _Start(const StartInfo& info);
int _Stop();
int _HotStart(const StartInfo& info);
int _Change();
// A download step (2 start, 3 piece, 4 end) of image 1 (code) or 3 (change).
int _Load(int kind, uint8_t image, const N4WritePiece* piece, const char* name);
// One request of the programming tool, as the communication server hands it over.
int _ServeKind(int kind, const uint8_t* info, uint32_t info_len);
// The memory manager of the running runtime.
N4MMContext& MemoryManager();
}  // namespace n4

int N4EVSPORT();
void N4_Sleep(uint32_t ms);  // returns at once
int N4_SysCmd(const char* command);
void N4EVSTRACE(const char* format, ...) __attribute__((format(printf, 1, 2)));
// I/O-driver hooks of the VM: no driver, no memory, no hot restart.
uint32_t N4Ios_GetMemorySizing();
int N4Ios_Open();
int N4Ios_CanHotRestart();
int N4Ios_Exchange();
void N4Ios_HotRestart();
void N4Ios_Close();

int N4Def_ColdStart(uint8_t* db, const char* retain, void* events, int warm, int paused, const char* name);
int N4Def_HotStart(uint8_t* db, const char* retain, void* events, int paused, const char* name, uint32_t now);
int N4Def_Change(const uint8_t* code, uint32_t size, uint8_t* db, void* events, const char* name, uint32_t now);
int N4Def_UndoChange(const uint8_t* code, uint32_t size, uint8_t* db, void* events, const char* name, uint32_t now);
int N4Def_Stop(uint8_t* db, void* events, const char* retain, const char* name);
void N4Def_Cycle(uint8_t* db, uint32_t now, void* events);
// Requests of a communication-server slot (cs: the server's context): the debugger's
// (Ex: with the event server's port given), Modbus (kind 16 RTU, 17 TCP) and the clock
// sync (code 24: three words into the status record). 0 when answered; 1 when refused
// (the slot then gets return code 1, except for the sync, which answers nothing).
int N4Def_ServeVMRequest(void* cs, uint8_t* db, int slot);
int N4Def_ServeVMRequestEx(void* cs, uint8_t* db, int slot, uint32_t event_port);
int N4Def_ServeModbusRequest(void* cs, uint8_t* db, int kind, int slot);
int N4Def_ServeSyncRequest(void* cs, uint8_t** dbref, int slot);
// The block library opened at start-up (nullptr: none).
extern void* dwDynaLink;

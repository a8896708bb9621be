#pragma once
// What the database build, the cycle and the start-up need of the runtime's later parts
// (program scheduler and breakpoints, bit sampler, I/O layer and bus drivers, Modbus,
// external access, communication and event servers). Until
// those parts are built these are hooks (pending_vm_parts.cpp): they record their call
// and answer as an application without such objects would.
#include <cstdint>

namespace n4hook {
// Scheduler: one task of the task table.
int RunTask(uint8_t* db, unsigned task, uint32_t now);
void ProcessExecBuffer(uint8_t* db);
// Breakpoint table (0: no breakpoint at that position) and the bit sampler.
int IsBreakpoint(uint8_t* db, uint16_t program, uint16_t position);
void SamplerSet(uint8_t* db, uint16_t number, const uint16_t* settings);
void SamplerCtl(uint8_t* db, uint16_t number, uint16_t on);
// I/O layer, driver kit, AS-i, CAN, Modbus and external access of the VM.
int OpenIo(const uint8_t* code, uint8_t* db);
void CloseIo(uint8_t* db);
int ExchangeIo(uint8_t* db);
int OpenModbus(uint8_t* db);
void CloseModbus(uint8_t* db);
void CycleModbus(uint8_t* db, uint32_t now);
int OpenExtData(uint8_t* db);
void CloseExtData(uint8_t* db);
void UpdateExtData(uint8_t* db, uint32_t now);
void SampleBits(uint8_t* db);
// Communication server: the next complete request's kind (0 none) and its slot.
int CommOpen();
void CommClose();
int CommNextRequest(int* slot, const uint8_t** info, uint32_t* info_len);
void CommAnswer(int slot, int code);
// Event server.
uint32_t EventSize();
int EventOpen(void* memory);
void EventClose(void* memory);
void EventPass(void* memory);
void EventSignal(void* memory, int what, const char* name);
}  // namespace n4hook

#pragma once
// The VM's entry points around the database build and cycle that other parts call: the
// undo of an online change, the trigger word, the extended I/O exchange, the Modbus
// server's wrapper and the block library's links.
#include <cstdint>

// Takes the database back to the image it ran before an online change (same checks as
// a hot build: 29 marker, 26 build stamp, 72/73 breakpoints, 27 SFC layout, ...).
int N4VM_UndoHOTChange(const uint8_t* code, uint32_t code_size, uint8_t* db, uint32_t now);
// The programmed cycle time (u32 microseconds) in the status record.
uint8_t* N4VM_GetTriggerPtr(uint8_t* db);
// The full I/O exchange with CAN and the driver kit first: 1 while stopped.
int N4VM_FullIOExchangeEx(uint8_t* db, uint32_t now);
// One Modbus question for the runtime's server (kind 17 TCP framing, 16 RTU): 1 while
// the VM is stopped, else 0 with the answer's length (0: no answer).
int N4VM_ServeModbus(uint8_t* db, int kind, const uint8_t* question, uint8_t* answer, uint32_t* length);
// The driver kit's links, then the block library; the library's handle or nullptr.
void* N4VM_OpenDynaLinks();
void N4VM_CloseDynaLinks();

#pragma once
// The bytecode interpreter: runs one program of the application (or the debugger's
// execution buffer, program 0) against the VM database until it ends, suspends, stops
// at a breakpoint or fails. Every data, code and call-stack address it computes is
// checked against its area first; a fault is logged in the VM error log and stops the
// application, never the host.
#include <cstdint>

// 1 when the program ended or suspended normally, 0 at a breakpoint or on an error.
int N4VMTic_Run(uint8_t* db, const uint8_t* code, uint32_t code_size, unsigned program);

// Error codes the interpreter logs.
enum : uint16_t {
  kVmErrInvalidOpcode = 8,  // also an argument-type refusal
  kVmErrDivZero32 = 12,     // DINT, REAL and unsigned 64-bit division by zero
  kVmErrStfUnavailable = 17,
  kVmErrDivZero64 = 18,     // LINT and LREAL division by zero
  kVmErrOutOfRange = 32,    // an index, offset or jump outside its area
  kVmErrCallStack = 38,
};

// Helpers of the opcodes, also used by the debugger.
void N4VMTic_LockVar(uint8_t* db, uint32_t index, uint8_t bit);
void N4VMTic_UnlockVar(uint8_t* db, uint32_t index, uint8_t bit);
void N4VMTic_UnlockAllVars(uint8_t* db);
// Copies between CT-segment offsets held in three 32-bit variables; false when a range
// falls outside the segment (nothing is copied then).
bool N4VMTic_CTMemcpy(uint8_t* db, uint32_t dst_var, uint32_t src_var, uint32_t len_var);
// Copies between a typed variable and the CT segment at the offset held in a 32-bit
// variable (plus a displacement); the get skips a locked destination. False when an
// index or the range is outside its area.
bool N4VMTic_SetCTSegItem(uint8_t* db, uint16_t type, uint32_t index, uint32_t offset_var, uint32_t displacement = 0);
bool N4VMTic_GetCTSegItem(uint8_t* db, uint16_t type, uint32_t index, uint32_t offset_var, uint32_t displacement = 0);
void N4VMTic_SetSfcBreakS(uint8_t* db, uint32_t step, int on);
void N4VMTic_SetSfcBreakT(uint8_t* db, uint32_t transition, int on);
// Stops the application on an error: status flags' low four bits become 2.
void N4VMTic_StopOnError(uint8_t* db);
// The position (program in the low 16 bits, byte offset in the high 16) of the call
// instruction being executed, for the error entries of called functions and blocks.
uint32_t N4VMTic_CallPosition();
// Backward jumps one run may take before it is stopped as a runaway (error 8 with the
// jump's opcode). The compiler guards every loop, so only a broken image meets it.
void N4VMTic_SetJumpBudget(uint32_t jumps);
void N4VMTic_Init();
void N4VMTic_Exit();
void N4VMTic_ExeCtrl();

#pragma once
// What the controller kernel and the ladder engine use of the IEC runtime.

#include <cstdint>

#include "ground/iec_variables.h"

extern uint32_t orvanel_total_variables_enumerated;
// Walks the running application's variable map and enables the per-scan sync; 0 (and
// the sync off) without an application.
int EnumOrvanelVars();
// The panel address bound to an IEC variable (kind 0 words, 1 bits, 2 SR words, 3
// system bits; input selects the input or the output table), 0 when not bound.
uint32_t OrvanelCalculateRegToken(const uint8_t* pointer, int kind, int input);

// Access to the variables: by default the running database's; tests may install a fake
// backend in its place.
struct IecVarBackend {
  // Address of the variable (or of its element area) named by a variable-location
  // token; nullptr when the variable does not exist. flag is 1 for a write.
  uint8_t* (*address)(uint32_t token, uint32_t nbits, int flag);
};
void Iec_SetVarBackend(const IecVarBackend* backend);


// Runtime life cycle and per-pass service.
void Orvanel_init();
void Orvanel_Comm_service();
void DeleteOrvanelProgram();    // deletes /mnt/cfg/n4.cod
void DelOrvanelRetentiveFile(); // deletes /mnt/cfg/n4.ret
// With an IEC application in the program: stops the runtime and deletes both files.
void DelOrvanelFile();
// The I/O binding table behind the code image in the panel's logic table (set by the
// panel's loader; nullptr while none).
extern const uint8_t* OrvanelI0_VarLoc;
// 1 once Orvanel_init has done its one-time work; the panel's loader clears it first.
extern uint8_t N4_init;
// Clears the variable-enumeration flags (per-scan sync off).
void ClearOrvanelFlags();

// Runtime state: 0 stopped, 1 running, 2 stop requested; run control writes 3 when the
// controller goes to Idle.
extern uint16_t iVmAlive;
// 1 from a start of the application until its first cycle has run.
extern uint8_t OrvanelFirstRun;
// Set by the scan while system bit S9 is on; consumed by the application's first cycle.
extern uint8_t OrvanelS9;
// The per-scan synchronisation between the bound IEC variables and the registers, in
// scan order: SR words and system bits at the start of the scan; bit and word inputs
// once the inputs and forcing are in; bit and word outputs after the outputs are written.
void OrvanelUpdateWordSRRegs();
void OrvanelUpdateBitSysRegs();
void OrvanelUpdateBitInputRegs();
void OrvanelUpdateWordInputRegs();
void OrvanelUpdateBitOutputRegs();
void OrvanelUpdateWordOutputRegs();

namespace n4 {
// One cycle of the IEC application, called by the ladder engine in place of the ladder
// program. Its result is not used.
int _VMThread();
// Stops the application and closes everything Orvanel_init opened (the panel's stop).
void __Exit();
}  // namespace n4

// Hands the programming link over to the runtime's debug protocol.
void N4_Connect_Serial();
void N4_Connect_Ethernet();
extern uint8_t is_n4protocol;  // 1 while the runtime owns the USB serial port

// Retain variables of the running database (pDB; nullptr while no application runs).
extern void* pDB;
int N4VMWarm_SaveToFile(void* database, const char* full_path);
int N4VMWarm_LoadFromFile(void* database, const char* full_path);
void N4_GetFullPath(char* out, const char* name);

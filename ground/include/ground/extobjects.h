#pragma once
// External-object registers: registers of remote nodes served by the protocol-driver
// plug-ins, named by tokens with bit 31 set (object = token & 0x1FF, bit offset within
// the object = (token >> 12) & 0x1FF).

#include <cstdint>

inline constexpr int kExtObjects = 1023;
inline constexpr int kExtObjectBytes = 32;

// Scratch slot of each object, used while its plug-in image is not mapped or the
// controller is not in Run.
extern uint8_t ExternalRegs[kExtObjects][kExtObjectBytes];
// Where each object lives in its plug-in's image (filled by the plug-in manager's
// scan-list loader); nullptr = not mapped.
extern uint8_t* ExternalRegsOffsets[kExtObjects];

struct ExtObjStatus {
  uint8_t status;            // communication status code
  uint8_t attributes;
  uint8_t read_not_running;  // set when read while the controller was not in Run
  uint8_t spare;
};
static_assert(sizeof(ExtObjStatus) == 4);
extern ExtObjStatus Ext_Obj_Comm_Status[kExtObjects];

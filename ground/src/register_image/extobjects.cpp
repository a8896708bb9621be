#include "ground/extobjects.h"

uint8_t ExternalRegs[kExtObjects][kExtObjectBytes];
uint8_t* ExternalRegsOffsets[kExtObjects];
ExtObjStatus Ext_Obj_Comm_Status[kExtObjects];

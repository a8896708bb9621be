#include "ground/bootstatus.h"

#include "platform/persistent_regs.h"

uint32_t BootStatusGet() { return plat::ReadPersistentReg(plat::kPersistentBootStatus); }
void BootStatusSet(uint32_t value) { plat::WritePersistentReg(plat::kPersistentBootStatus, value); }
void BootStatusOr(uint32_t bits) { BootStatusSet(BootStatusGet() | bits); }
void BootStatusClear(uint32_t bits) { BootStatusSet(BootStatusGet() & ~bits); }

uint32_t ResetCounterGet() { return plat::ReadPersistentReg(plat::kPersistentResetCount); }
void ResetCounterSet(uint32_t value) { plat::WritePersistentReg(plat::kPersistentResetCount, value); }

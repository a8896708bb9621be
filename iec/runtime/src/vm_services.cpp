// The VM's smaller entry points: undo of an online change, the trigger word, the
// extended I/O exchange, the Modbus server's wrapper and the block library's links.
#include "iec_runtime/vm_services.h"

#include "iec_runtime/os_services.h"
#include "iec_runtime/vm_db.h"
#include "pending_services.h"

int N4VM_UndoHOTChange(const uint8_t* code, uint32_t code_size, uint8_t* db, uint32_t now) {
  // The previous image ran on this very database, so the hot build's carry-over takes
  // the database back: the sizing gives the areas the old boundaries again, and initial
  // values go only to indexes at or above the boundaries the change left.
  return N4VM_BuildHOT(code, code_size, db, now);
}

uint8_t* N4VM_GetTriggerPtr(uint8_t* db) { return N4VM_AreaPtr(db, kArStatus) + kStCycleTime; }

int N4VM_FullIOExchangeEx(uint8_t* db, uint32_t now) {
  uint16_t flags = N4VM_Status16(db, kStFlags);
  if (flags & kStsStopped) return 1;
  if ((N4VM_Status32(db, kStBuildFlags) & 0x08) && (flags & kStsStep)) return 0;
  n4hook::ExchangeCanAndDriverKit(db, now);
  return N4VM_FullIOExchange(db);
}

int N4VM_ServeModbus(uint8_t* db, int kind, const uint8_t* question, uint8_t* answer, uint32_t* length) {
  *length = 0;
  if (N4VM_Status16(db, kStFlags) & kStsStopped) return 1;
  *length = n4hook::ServeModbus(db, kind, question, answer);
  return 0;
}

void* N4VM_OpenDynaLinks() {
  n4hook::OpenDriverKitLinks();
  return N4Bdll_OpenDynaLinks();
}

void N4VM_CloseDynaLinks() {
  N4Bdll_CloseDynaLinks();
  n4hook::CloseDriverKitLinks();
}

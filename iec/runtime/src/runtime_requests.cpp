// The kernel's answers to the programming tool's debugger, Modbus and clock-sync
// requests: the communication server holds the question and the answer buffer of the
// slot, the debug and Modbus servers fill the answer.
#include "iec_runtime/runtime.h"
#include "iec_runtime/vm_db.h"
#include "iec_runtime/vm_services.h"
#include "le_bytes.h"
#include "pending_services.h"
#include "pending_vm_parts.h"

namespace {
int ServeVM(uint8_t* db, int slot, bool ex, uint32_t event_port) {
  const uint8_t* request = n4hook::CommVMRequest(slot);
  uint8_t* answer = n4hook::CommVMAnswerBuffer(slot);
  if (request == nullptr || answer == nullptr) {
    n4hook::CommAnswer(slot, 1);
    return 1;
  }
  uint32_t n = ex ? n4hook::ServeVMEx(db, request, answer, event_port) : n4hook::ServeVM(db, request, answer);
  n4hook::CommSendVMAnswer(slot, n);
  return 0;
}
}  // namespace

int N4Def_ServeVMRequest(void*, uint8_t* db, int slot) { return ServeVM(db, slot, false, 0); }

int N4Def_ServeVMRequestEx(void*, uint8_t* db, int slot, uint32_t event_port) {
  return ServeVM(db, slot, true, event_port);
}

int N4Def_ServeModbusRequest(void*, uint8_t* db, int kind, int slot) {
  const uint8_t* question = n4hook::CommRequestFrame(slot);
  uint8_t* answer = n4hook::CommAnswerFrameBuffer(slot);
  uint32_t n = 0;
  if (db == nullptr || question == nullptr || answer == nullptr || N4VM_ServeModbus(db, kind, question, answer, &n)) {
    n4hook::CommAnswer(slot, 1);
    return 1;
  }
  n4hook::CommSendAnswerFrame(slot, n);
  return 0;
}

int N4Def_ServeSyncRequest(void*, uint8_t** dbref, int slot) {
  const uint8_t* frame = n4hook::CommRequestFrame(slot);
  // "N4", u16 big-endian length of what follows, code 24, then three big-endian words.
  if (dbref == nullptr || *dbref == nullptr || frame == nullptr || frame[4] != 24 ||
      ((frame[2] << 8) | frame[3]) < 13)
    return 1;
  uint8_t* status = N4VM_AreaPtr(*dbref, kArStatus);
  for (int i = 0; i < 3; ++i) {
    const uint8_t* v = frame + 5 + 4 * i;
    le::Put32(status + kStCopied + 4 * i, uint32_t(v[0]) << 24 | uint32_t(v[1]) << 16 | uint32_t(v[2]) << 8 | v[3]);
  }
  return 0;
}

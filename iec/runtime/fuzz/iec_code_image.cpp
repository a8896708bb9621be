// Fuzz target: the code-image check and, for an image it accepts, the database build, a
// few cycles, a hot build of the same image and the shutdown.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "iec_runtime/code_image.h"
#include "iec_runtime/interpreter.h"
#include "iec_runtime/vm_db.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  std::vector<uint8_t> code(data, data + size);
  if (N4VMCode_CheckCode(code.data(), uint32_t(code.size())) != 0) return 0;
  DbAreaDesc table[kDbAreas];
  if (N4VM_GetDBSize(code.data(), uint32_t(code.size()), table) != 0) return 0;
  uint32_t total = N4VM_GetTotalDBSize(table);
  if (total == 0 || total > (16u << 20)) return 0;
  std::vector<uint8_t> db(total, 0);
  std::memcpy(db.data(), table, sizeof table);
  N4VM_BuildDBMainLinks(db.data());
  N4VMTic_SetJumpBudget(20000);  // an endless loop in the image ends quickly
  if (N4VM_Build(code.data(), uint32_t(code.size()), db.data()) == 0) {
    N4VM_Cycle(db.data(), 1000);
    N4VM_Cycle(db.data(), 86'399'999);
    N4VM_RegisterCycleTime(db.data(), 12345);
    if (N4VM_CanHOTStart(code.data(), uint32_t(code.size()), db.data()) == 0)
      N4VM_BuildHOT(code.data(), uint32_t(code.size()), db.data(), 5);
    N4VM_Cycle(db.data(), 10);
  }
  N4VM_ShutDown(db.data(), nullptr);
  return 0;
}

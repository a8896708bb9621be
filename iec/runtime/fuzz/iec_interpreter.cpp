// Fuzz target: arbitrary bytecode run for a few cycles. An input that passes the
// code-image check runs as the whole image; any other input becomes the bytecode of the
// first program of a template image that has every kind of area (strings, 64-bit
// values, a CT segment, SFC steps and transitions, a variable map, blocks and external
// variables), so that every instruction family reaches real data.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "iec_runtime/code_image.h"
#include "iec_runtime/interpreter.h"
#include "iec_runtime/vm_db.h"
#include "testsupport/iec_image.h"

namespace {

std::vector<uint8_t> Template(const uint8_t* data, size_t size) {
  ts::IecImage img;
  img.d8_max = img.d16_max = img.d32_max = img.d64_max = img.time_max = 16;
  img.string_caps = {4, 16, 0, 255};
  img.steps_max = img.trans_max = 4;
  img.xv_max = 3;
  img.ext_vars = {{2, 3}, {5, 2}, {1, 4}};
  img.ct_alloc = 32;
  img.call_depth = 4;
  img.classes = {{"TON", 1, 7}};
  img.instances = {{true, 7}};
  img.custom_funcs = {{"CTUR", 1}};
  ts::IecMapVar v;
  v.name = "V";
  v.index = 2;
  img.map = {v};
  std::vector<uint16_t> words((size + 1) / 2, 0);
  if (size != 0) std::memcpy(words.data(), data, size);
  words.push_back(68);
  img.code = {words, {68}};
  return img.Build();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  std::vector<uint8_t> code(data, data + size);
  if (N4VMCode_CheckCode(code.data(), uint32_t(code.size())) != 0) code = Template(data, size);
  DbAreaDesc table[kDbAreas];
  if (N4VM_GetDBSize(code.data(), uint32_t(code.size()), table) != 0) return 0;
  uint32_t total = N4VM_GetTotalDBSize(table);
  if (total == 0 || total > (16u << 20)) return 0;
  std::vector<uint8_t> db(total, 0);
  std::memcpy(db.data(), table, sizeof table);
  N4VM_BuildDBMainLinks(db.data());
  N4VMTic_SetJumpBudget(20000);
  if (N4VM_Build(code.data(), uint32_t(code.size()), db.data()) == 0) {
    for (uint32_t cycle = 0; cycle < 4; ++cycle) {
      N4VM_Cycle(db.data(), 1000 + 7 * cycle);
      // The debugger's buffer too: the same bytes as an execution-buffer program.
      N4VMTic_Run(db.data(), code.data(), uint32_t(code.size()), cycle % 2 ? 2 : 1);
    }
    if (size != 0) std::memcpy(N4VM_AreaPtr(db.data(), kArExecBuffer), data, size < 1024 ? size : 1024);
    N4VMTic_Run(db.data(), code.data(), uint32_t(code.size()), 0);
  }
  N4VM_ShutDown(db.data(), nullptr);
  return 0;
}

#pragma once
// The interpreter's working state for one run: the typed areas of the database and the
// code being executed, held in locals, and operand access that checks every index
// against its area. A failed check records the fault and hands back a scratch cell, so
// an instruction can finish harmlessly before the run stops and logs it.
#include <cstdint>
#include <cstring>

#include "iec_runtime/vm_db.h"
#include "opcode_table.h"

namespace n4vm {

inline constexpr uint32_t kDayMs = 86'400'000;
enum : uint8_t { kLk8 = 0x01, kLk16 = 0x02, kLk32 = 0x04, kLk64 = 0x08, kLkTime = 0x10, kLkStr = 0x20, kLkXv = 0x80 };

template <typename T>
inline T Ld(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename T>
inline void St(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

struct Area {
  uint8_t* p = nullptr;
  uint32_t n = 0;
};

// The position reported by N4VMTic_CallPosition while a function or block runs.
void SetCallPosition(uint32_t position);

class Runner {
 public:
  Runner(uint8_t* db, const uint8_t* code, uint32_t code_size);
  int Run(unsigned program);

 private:
  // Operand access.
  uint8_t* Bad(uint32_t arg) {
    Fault(32, arg);
    return scratch_;
  }
  uint8_t* P8(uint32_t i) { return i < a8_.n ? a8_.p + i : Bad(i); }
  uint8_t* P16(uint32_t i) { return i < a16_.n ? a16_.p + 2 * i : Bad(i); }
  uint8_t* P32(uint32_t i) { return i < a32_.n ? a32_.p + 4 * i : Bad(i); }
  uint8_t* P64(uint32_t i) { return i < a64_.n ? a64_.p + 8 * i : Bad(i); }
  uint8_t* PT(uint32_t i) { return i < at_.n ? at_.p + 4 * i : Bad(i); }
  uint8_t* Str(uint32_t i);
  // The item of an IEC type code (1 byte, 2, 4, 8 bytes, TIME or a string record).
  uint8_t* Typed(uint16_t type, uint32_t i, uint32_t* width, uint8_t* lock_bit);
  bool Locked(uint32_t i, uint8_t bit) const { return i < lk_.n && (lk_.p[i] & bit) != 0; }
  int32_t D(uint32_t i) { return Ld<int32_t>(P32(i)); }
  // The element base + index of an area, index taken from a DINT variable.
  uint32_t Element(uint32_t base, uint32_t index_var, uint32_t count);

  void Fault(int code, uint32_t arg) {
    if (fault_ == 0) {
      fault_ = code;
      fault_arg_ = uint16_t(arg);
    }
  }
  void End(int result) {
    halt_ = true;
    result_ = result;
  }
  uint32_t Position() const { return ((pc_ - base_) * 2 + 2) << 16 | prog_; }
  void LogHere(uint16_t code, uint16_t arg) { N4VM_LogError(db_, code, arg, Position()); }
  uint16_t Flags() const;
  void SetFlags(uint16_t set, uint16_t clear);

  // Code views and control flow.
  bool Enter(uint16_t program);
  uint32_t ProgramStart(uint16_t program);
  uint8_t* ProgramRecord(uint16_t program) { return program < progs_.n ? progs_.p + 24 * program : nullptr; }
  // Jumps to a byte position of the current code view: it must be an even position
  // inside the view; a backward jump spends one of the run's budget.
  void JumpBytes(int64_t target, uint16_t op);
  void JumpRelative(uint16_t offset, uint16_t op) { JumpBytes(int64_t(next_) * 2 + int16_t(offset), op); }
  void JumpAbsolute(uint16_t offset, uint16_t op) { JumpBytes(int64_t(base_) * 2 + offset, op); }
  void Return();
  void CallProgram(uint16_t program);
  void SaveResume(uint32_t at);

  // The run loop (run_loop.cpp): the instruction at pc_ (inside the code view) and on.
  void Loop();
  // Executes the instruction at pc_ the careful way and moves pc_ on; false when the run
  // ends with it (or the next position is outside the code view, a fault).
  bool Step();
  // The careful execution of every family (interpreter.cpp, vm_ops_*.cpp).
  void Execute(uint16_t op, const uint16_t* o);
  void Immediate(uint16_t op, const uint16_t* o);
  void LockOp(uint16_t op, const uint16_t* o);
  void Debugger(uint16_t op, const uint16_t* o);
  void Calls(uint16_t op, const uint16_t* o);
  void Sfc(uint16_t op, const uint16_t* o);
  void ProgramControl(uint16_t op, const uint16_t* o);
  void External(uint16_t op, const uint16_t* o);
  void CtOps(uint16_t op, const uint16_t* o);
  void Unsigned(uint16_t op, const uint16_t* o);
  void Misc(uint16_t op, const uint16_t* o);
  void Control(uint16_t op, const uint16_t* o);
  uint8_t* XvItem(uint32_t x, uint32_t width);
  uint8_t* XvString(uint32_t x);
  uint8_t* CtBytes(uint32_t offset, uint32_t width, uint32_t arg);
  uint8_t* StepRec(uint32_t e) { return e < steps_.n ? steps_.p + 12 * e : Bad(e); }
  uint8_t* TransRec(uint32_t r) { return r < trans_.n ? trans_.p + 4 * r : Bad(r); }
  bool BlockStopped();

  uint8_t* db_;
  const uint8_t* image_;
  uint32_t image_size_;
  uint32_t db_bytes_;
  Area a8_, a16_, a32_, a64_, at_, lk_, sp_, xv_, steps_, trans_, progs_, stack_, inst_, cust_, ct_, exec_;
  const uint16_t* w_ = nullptr;  // the words of the code being executed
  uint32_t nwords_ = 0;
  uint32_t base_ = 0;  // word index of the current program's start
  uint32_t pc_ = 0;    // word index of the current instruction
  uint32_t next_ = 0;  // word index of the next instruction
  uint16_t prog_ = 0;  // the program executing (0: the execution buffer)
  uint16_t top_ = 0;   // the program the run was started for
  uint32_t stack_base_ = 0, depth_ = 0, depth_limit_ = 0;
  uint32_t loop_mark_ = 0, loop_budget_ = 0;
  uint16_t loop_prog_ = 0;
  uint32_t ct_pending_ = 0;  // CT offset + 1 for the next index-0 immediate, 0 for none
  int fault_ = 0;
  uint16_t fault_arg_ = 0;
  bool halt_ = false;
  bool stop_vm_ = false;  // stop the application even without a fault entry
  int result_ = 1;
  uint32_t jumps_left_;
  alignas(8) uint8_t scratch_[272] = {};
  uint8_t empty_[4] = {};
};

}  // namespace n4vm

// The interpreter: every instruction family as a table of programs, the invalid-opcode
// sweep, the traps of x86 arithmetic, bounds checks and the control instructions.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <thread>

#include "vm_fixture.h"

namespace {

struct Case {
  std::string name;
  std::string program;  // a return is appended
  std::function<void(IecVm&)> setup;
  std::function<void(IecVm&)> check;
  std::vector<uint16_t> errors = {};
};

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IecVm vm(c.program + "|RET");
    ASSERT_EQ(vm.build_error, 0);
    if (c.setup) c.setup(vm);
    EXPECT_EQ(vm.Run(), 1);
    c.check(vm);
    EXPECT_EQ(vm.ErrorCodes(), c.errors);
    EXPECT_FALSE(vm.Stopped());
  }
}

// How an instruction reaches the interpreter: in the image checked at its build (the
// run loop's hot forms), in a copy of it that no build checked (every instruction the
// careful way), or in the debugger's execution buffer (careful, and a failure there does
// not stop the application).
enum class Path { kChecked, kCareful, kBuffer };
struct PathName {
  Path path;
  const char* name;
};
constexpr PathName kPaths[] = {{Path::kChecked, "checked image"},
                               {Path::kCareful, "unchecked image"},
                               {Path::kBuffer, "execution buffer"}};

// Runs program, which vm was built from unless the path is the execution buffer.
int RunVia(IecVm& vm, Path path, const std::string& program) {
  switch (path) {
    case Path::kChecked: return vm.Run();
    case Path::kCareful: {
      const std::vector<uint8_t> copy = vm.code;
      return N4VMTic_Run(vm.Db(), copy.data(), uint32_t(copy.size()), 1);
    }
    case Path::kBuffer: {
      const std::vector<uint16_t> words = ts::IecAssemble(program);
      const DbAreaDesc* buffer = N4VM_Area(vm.Db(), kArExecBuffer);
      EXPECT_LE(2 * words.size(), size_t(buffer->item_size) * buffer->allocated);
      std::memcpy(N4VM_AreaPtr(vm.Db(), kArExecBuffer), words.data(), 2 * words.size());
      return vm.Run(0);
    }
  }
  return -1;
}

// Runs f in a forked child and waits at most limit for it to end; one still running then
// is killed. A run the interpreter fails to end then fails the test instead of hanging it.
bool EndsWithin(std::chrono::milliseconds limit, const std::function<void()>& f) {
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    f();
    ::_exit(0);
  }
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Sets the run's backward-jump budget for one test.
struct JumpBudget {
  explicit JumpBudget(uint32_t jumps) { N4VMTic_SetJumpBudget(jumps); }
  ~JumpBudget() { N4VMTic_SetJumpBudget(50'000'000); }
};

uint32_t Bits(float f) {
  uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

TEST(Interpreter, DintRealAndTimeFamilies) {
  RunCases({
      {"DINT add wraps", "ADD.D 1, 2, 3", [](IecVm& v) { v.Set(kArData32, 2, INT32_MAX); v.Set(kArData32, 3, 1); },
       [](IecVm& v) { EXPECT_EQ(v.D(1), INT32_MIN); }},
      {"DINT sub, mul, neg", "SUB.D 1, 2, 3|MUL.D 4, 2, 3|NEG.D 5, 2",
       [](IecVm& v) { v.Set(kArData32, 2, 7); v.Set(kArData32, 3, -3); },
       [](IecVm& v) { EXPECT_EQ(v.D(1), 10); EXPECT_EQ(v.D(4), -21); EXPECT_EQ(v.D(5), -7); }},
      {"DINT negate of the minimum", "NEG.D 1, 2", [](IecVm& v) { v.Set(kArData32, 2, INT32_MIN); },
       [](IecVm& v) { EXPECT_EQ(v.D(1), INT32_MIN); }},
      {"DINT 7 / 0 gives the maximum and goes on", "DIV.D 1, 2, 3|IMM.D 4, 9",
       [](IecVm& v) { v.Set(kArData32, 2, 7); },
       [](IecVm& v) { EXPECT_EQ(v.D(1), INT32_MAX); EXPECT_EQ(v.D(4), 9); }, {12}},
      {"INT_MIN / -1 does not trap", "DIV.D 1, 2, 3",
       [](IecVm& v) { v.Set(kArData32, 2, INT32_MIN); v.Set(kArData32, 3, -1); },
       [](IecVm& v) { EXPECT_EQ(v.D(1), INT32_MIN); }},
      {"DINT compares are signed", "GT.D 1, 2, 3|GE.D 2, 2, 2|EQ.D 3, 2, 3|NE.D 4, 2, 3",
       [](IecVm& v) { v.Set(kArData32, 2, -1); v.Set(kArData32, 3, 1); },
       [](IecVm& v) { EXPECT_EQ(v.B(1), 0); EXPECT_EQ(v.B(2), 1); EXPECT_EQ(v.B(3), 0); EXPECT_EQ(v.B(4), 1); }},
      {"REAL arithmetic", "ADD.R 1, 2, 3|MUL.R 4, 2, 3|NEG.R 5, 2|SUB.R 6, 2, 3",
       [](IecVm& v) { v.Set(kArData32, 2, 1.5f); v.Set(kArData32, 3, 2.0f); },
       [](IecVm& v) {
         EXPECT_EQ(v.R(1), 3.5f); EXPECT_EQ(v.R(4), 3.0f); EXPECT_EQ(v.R(5), -1.5f); EXPECT_EQ(v.R(6), -0.5f);
       }},
      {"REAL negate flips the sign of 0 too", "NEG.R 1, 2", nullptr,
       [](IecVm& v) { EXPECT_EQ(uint32_t(v.D(1)), 0x80000000u); }},
      {"REAL / 0 gives 1.0E37", "DIV.R 1, 2, 3", [](IecVm& v) { v.Set(kArData32, 2, 5.0f); },
       [](IecVm& v) { EXPECT_EQ(uint32_t(v.D(1)), 0x7CF0BDC2u); EXPECT_EQ(Bits(1.0E37f), 0x7CF0BDC2u); }, {12}},
      {"REAL compare with NaN", "GT.R 1, 2, 3|NE.R 2, 2, 2",
       [](IecVm& v) { v.Set(kArData32, 2, std::nanf("")); },
       [](IecVm& v) { EXPECT_EQ(v.B(1), 0); EXPECT_EQ(v.B(2), 1); }},
      {"TIME 5 - 9 gives 0, addition wraps", "SUB.T 1, 2, 3|ADD.T 4, 3, 5",
       [](IecVm& v) { v.Set(kArTime, 2, 5u); v.Set(kArTime, 3, 9u); v.Set(kArTime, 5, 0xFFFFFFFFu); },
       [](IecVm& v) { EXPECT_EQ(v.T(1), 0u); EXPECT_EQ(v.T(4), 8u); }},
      {"TIME compares are unsigned", "GT.T 1, 2, 3", [](IecVm& v) { v.Set(kArTime, 2, 0x80000000u); v.Set(kArTime, 3, 1u); },
       [](IecVm& v) { EXPECT_EQ(v.B(1), 1); }},
  });
}

TEST(Interpreter, BoolStringAndNarrowFamilies) {
  RunCases({
      {"NOT and BOOL logic give 0 or 1", "NOT 1, 5|NOT 2, 6|OR 3, 5, 6|AND 4, 5, 7|XOR 8, 5, 7|EQ.B 9, 5, 7",
       [](IecVm& v) { v.Set<uint8_t>(kArData8, 5, 0); v.Set<uint8_t>(kArData8, 6, 7); v.Set<uint8_t>(kArData8, 7, 2); },
       [](IecVm& v) {
         EXPECT_EQ(v.B(1), 1); EXPECT_EQ(v.B(2), 0); EXPECT_EQ(v.B(3), 1); EXPECT_EQ(v.B(4), 0);
         EXPECT_EQ(v.B(8), 1); EXPECT_EQ(v.B(9), 0);
       }},
      {"strings: immediate, concatenation cut to capacity, compare",
       "IMM.S 1, \"abcdef\"|IMM.S 2, \"XYZ\"|CAT 4, 1, 2|CAT 1, 1, 2|GT.S 5, 2, 1|EQ.S 6, 4, 4|MOV.S 3, 4", nullptr,
       [](IecVm& v) {
         EXPECT_EQ(v.S(4), "abcdefXYZ"); EXPECT_EQ(v.S(1), "abcdefXY"); EXPECT_EQ(v.B(5), 0); EXPECT_EQ(v.B(6), 1);
         EXPECT_EQ(v.S(3), "abcd");
       }},
      {"INT wraps at 16 bits and / 0 leaves the destination", "ADD.I 1, 2, 3|DIV.I 4, 2, 5|NEG.I 6, 7|GT.I 8, 3, 2",
       [](IecVm& v) {
         v.Set<int16_t>(kArData16, 2, 32767); v.Set<int16_t>(kArData16, 3, 1); v.Set<int16_t>(kArData16, 4, 99);
         v.Set<int16_t>(kArData16, 7, -32768);
       },
       [](IecVm& v) { EXPECT_EQ(v.I(1), -32768); EXPECT_EQ(v.I(4), 99); EXPECT_EQ(v.I(6), -32768); EXPECT_EQ(v.B(8), 0); }},
      {"SINT is an unsigned byte", "GT.SI 1, 2, 3|ADD.SI 4, 2, 3|DIV.SI 5, 2, 6|NEG.SI 7, 3",
       [](IecVm& v) { v.Set<uint8_t>(kArData8, 2, 200); v.Set<uint8_t>(kArData8, 3, 100); v.Set<uint8_t>(kArData8, 5, 42); },
       [](IecVm& v) { EXPECT_EQ(v.B(1), 1); EXPECT_EQ(v.B(4), 44); EXPECT_EQ(v.B(5), 42); EXPECT_EQ(v.B(7), 156); }},
      {"LINT / 0 and the minimum / -1", "DIV.L 1, 2, 3|DIV.L 4, 5, 6",
       [](IecVm& v) { v.Set<int64_t>(kArData64, 2, 5); v.Set(kArData64, 5, INT64_MIN); v.Set<int64_t>(kArData64, 6, -1); },
       [](IecVm& v) { EXPECT_EQ(v.L(1), INT64_MAX); EXPECT_EQ(v.L(4), INT64_MIN); }, {18}},
      {"LINT immediate, add, compare", "IMM.L 1, -5|IMM.L 2, 0x100000000|ADD.L 3, 1, 2|GT.L 4, 2, 1", nullptr,
       [](IecVm& v) { EXPECT_EQ(v.L(3), 0x100000000LL - 5); EXPECT_EQ(v.B(4), 1); }},
      {"LREAL / 0 gives 1.0E307", "DIV.LR 1, 2, 3|MUL.LR 4, 2, 2", [](IecVm& v) { v.Set(kArData64, 2, 3.0); },
       [](IecVm& v) { EXPECT_EQ(v.LR(1), 1.0E307); EXPECT_EQ(v.LR(4), 9.0); }, {18}},
      {"unsigned 32-bit compare and / 0", "GT.UD 1, 2, 3|DIV.UD 4, 2, 5|MUL.UD 6, 2, 3",
       [](IecVm& v) { v.Set(kArData32, 2, -1); v.Set(kArData32, 3, 2); v.Set(kArData32, 4, 77); },
       [](IecVm& v) { EXPECT_EQ(v.B(1), 1); EXPECT_EQ(v.D(4), 77); EXPECT_EQ(v.D(6), -2); }},
      {"unsigned 64-bit / 0 gives all ones", "DIV.UL 1, 2, 3|GE.UL 4, 1, 2",
       [](IecVm& v) { v.Set<int64_t>(kArData64, 2, 9); },
       [](IecVm& v) { EXPECT_EQ(v.L(1), -1); EXPECT_EQ(v.B(4), 1); }, {12}},
      {"unsigned 16-bit", "GT.UW 1, 2, 3|DIV.UW 4, 2, 3", [](IecVm& v) { v.Set<int16_t>(kArData16, 2, -2); v.Set<int16_t>(kArData16, 3, 3); },
       [](IecVm& v) { EXPECT_EQ(v.B(1), 1); EXPECT_EQ(uint16_t(v.I(4)), 65534 / 3); }},
      {"bit tests and masks", "TEST.D 1, 2, 3|BITS.D 4, 5, 3|BITS.W 6, 7, 8",
       [](IecVm& v) {
         v.Set(kArData32, 2, 0x0F); v.Set(kArData32, 3, 0x11); v.Set(kArData32, 4, 0x100); v.Set<uint8_t>(kArData8, 5, 1);
         v.Set<int16_t>(kArData16, 6, 0x0F0F); v.Set<int16_t>(kArData16, 8, 0x0101);
       },
       [](IecVm& v) { EXPECT_EQ(v.B(1), 1); EXPECT_EQ(v.D(4), 0x111); EXPECT_EQ(v.I(6), 0x0E0E); }},
      {"edges: rising and falling", "RTRIG 1, 2, 3|FTRIG 4, 5, 6",
       [](IecVm& v) { v.Set<uint8_t>(kArData8, 2, 1); v.Set<uint8_t>(kArData8, 6, 1); },
       [](IecVm& v) { EXPECT_EQ(v.B(1), 1); EXPECT_EQ(v.B(3), 1); EXPECT_EQ(v.B(4), 1); EXPECT_EQ(v.B(6), 0); }},
      {"indexed read and write", "IMM.D 9, 3|STX.D 10, 9, 1|LDX.D 2, 10, 9|STX.S 1, 9, 2",
       [](IecVm& v) { v.Set(kArData32, 1, 55); },
       [](IecVm& v) { EXPECT_EQ(v.D(13), 55); EXPECT_EQ(v.D(2), 55); }},
      {"immediates of every width", "IMM.B 1, 0x1FF|IMM.W 1, -2|IMM.D 1, 0x12345678|IMM.T 1, 86400000|SET1 2", nullptr,
       [](IecVm& v) {
         EXPECT_EQ(v.B(1), 0xFF); EXPECT_EQ(v.I(1), -2); EXPECT_EQ(v.D(1), 0x12345678); EXPECT_EQ(v.T(1), 86400000u);
         EXPECT_EQ(v.B(2), 1);
       }},
  });
}

TEST(Interpreter, EveryStringCompareOnEqualLesserGreaterAndPrefixOperands) {
  struct Pair {
    const char* a;
    const char* b;
    uint8_t gt, ge, eq, ne;
  };
  const Pair pairs[] = {
      {"abc", "abc", 0, 1, 1, 0},  {"abc", "abd", 0, 0, 0, 1},  {"abd", "abc", 1, 1, 0, 1},
      {"ab", "abc", 0, 0, 0, 1},   {"abc", "ab", 1, 1, 0, 1},   {"", "a", 0, 0, 0, 1},
      {"b", "abc", 1, 1, 0, 1},    {"\xE9", "z", 1, 1, 0, 1},  // bytes compare unsigned
  };
  std::vector<Case> cases;
  for (const Pair& p : pairs) {
    // The plain forms into 1..4, the lock-respecting ones into 5..8.
    const std::string program = std::string("IMM.S 1, \"") + p.a + "\"|IMM.S 2, \"" + p.b +
                                "\"|GT.S 1, 1, 2|GE.S 2, 1, 2|EQ.S 3, 1, 2|NE.S 4, 1, 2|"
                                "GT.S! 5, 1, 2|GE.S! 6, 1, 2|EQ.S! 7, 1, 2|NE.S! 8, 1, 2";
    cases.push_back({std::string(p.a) + " against " + p.b, program, nullptr, [p](IecVm& v) {
                       EXPECT_EQ(v.S(1), p.a);
                       EXPECT_EQ(v.S(2), p.b);
                       const uint8_t want[] = {p.gt, p.ge, p.eq, p.ne};
                       for (uint32_t k = 0; k < 4; ++k) {
                         EXPECT_EQ(v.B(1 + k), want[k]) << "plain compare " << k;
                         EXPECT_EQ(v.B(5 + k), want[k]) << "lock-respecting compare " << k;
                       }
                     }});
  }
  RunCases(cases);
}

TEST(Interpreter, ExternalVariablesThroughTheirPointers) {
  ts::IecImage img = IecVm::Image();
  img.xv_max = 3;
  img.ext_vars = {{2, 3}, {2, 4}, {5, 2}};  // slots 1, 2: d3, d4; slot 3: string 2
  IecVm vm("XLD.D 1, 1|XIMM.D 2, 77|XST.D 1, 5|XIMM.S 3, \"ext\"|XLD.S 1, 3|IMM.D 9, 1|XLDX.D 6, 1, 9|"
           "XPROT 1|XST.D 1, 7|XUNPROT 1|RET",
           img);
  ASSERT_EQ(vm.build_error, 0);
  vm.Set(kArData32, 3, 11);
  vm.Set(kArData32, 5, 22);
  vm.Set(kArData32, 7, 33);
  EXPECT_EQ(vm.Run(), 1);
  EXPECT_EQ(vm.D(1), 11);
  EXPECT_EQ(vm.D(4), 77);
  EXPECT_EQ(vm.D(3), 22);  // written before the protection, not after
  EXPECT_EQ(vm.S(2), "ext");
  EXPECT_EQ(vm.S(1), "ext");
  EXPECT_EQ(vm.D(6), 77);  // slot 1 + 1
  EXPECT_TRUE(vm.Errors().empty());
}

TEST(Interpreter, LockRespectingFormsSkipALockedDestination) {
  IecVm vm("LOCK.D 1|DIV.R! 1, 2, 3|DIV.R! 4, 2, 3|ADD.D! 5, 6, 6|IMM.D! 5, 7|RET");
  vm.Set(kArData32, 1, 1.25f);
  vm.Set(kArData32, 2, 6.0f);
  vm.Set(kArData32, 3, 3.0f);
  EXPECT_EQ(vm.Run(), 1);
  EXPECT_EQ(vm.R(1), 1.25f);  // the forced value stays
  EXPECT_EQ(vm.R(4), 2.0f);
  EXPECT_EQ(vm.D(5), 7);
  EXPECT_TRUE(vm.Flags() & kStsLocked);
  EXPECT_EQ(N4VM_Status32(vm.Db(), kStLocked), 1u);
  // The plain form writes through the lock; unlocking clears the locked flag.
  IecVm plain("LOCK.D 1|DIV.R 1, 2, 3|UNLOCK.D 1|RET");
  plain.Set(kArData32, 2, 6.0f);
  plain.Set(kArData32, 3, 3.0f);
  plain.Run();
  EXPECT_EQ(plain.R(1), 2.0f);
  EXPECT_FALSE(plain.Flags() & kStsLocked);
}

TEST(Interpreter, EveryUnassignedOpcodeIsInvalidAndEveryAssignedOneDecodes) {
  const std::vector<uint16_t> assigned = ts::IecAllOpcodes();
  EXPECT_EQ(assigned.size(), 411u);
  N4VMTic_SetJumpBudget(100);
  for (uint32_t op = 0; op <= 600; ++op) {
    SCOPED_TRACE(op);
    const bool valid = std::find(assigned.begin(), assigned.end(), op) != assigned.end();
    ts::IecImage img = IecVm::Image();
    // The opcode, then zero words: enough for any operand list with counts of 0.
    img.code = {{uint16_t(op), 0, 0, 0, 0, 0, 0, 0, 0, 68, 68, 68}};
    IecVm vm(std::vector<std::string>{}, img);
    ASSERT_EQ(vm.build_error, 0);
    vm.Run();
    const auto errors = vm.Errors();
    if (!valid) {
      ASSERT_EQ(errors.size(), 1u);
      EXPECT_EQ(errors[0].code, 8);
      EXPECT_EQ(errors[0].arg, op);
      EXPECT_EQ(errors[0].position, (2u << 16) | 1u);
      EXPECT_TRUE(vm.Stopped());
    } else {
      // Jumps to offset 0 loop until the run's budget ends them (error 8 with their
      // opcode); every other assigned opcode must decode as itself.
      static const uint16_t kJumps[] = {65, 66, 67, 412, 413, 417, 528, 529, 530, 543, 544, 550, 565};
      if (std::find(std::begin(kJumps), std::end(kJumps), op) != std::end(kJumps)) continue;
      for (const auto& e : errors)
        EXPECT_FALSE(e.code == 8 && e.arg == op) << "opcode " << op << " decoded as invalid";
    }
  }
  N4VMTic_SetJumpBudget(50'000'000);
}

TEST(Interpreter, RuntimeAddressesOutsideTheirAreaStopTheApplication) {
  struct {
    const char* name;
    const char* program;
    int32_t index_value;
  } const cases[] = {
      {"indexed read past the area", "LDX.D 1, 30, 2", 5},
      {"indexed read before the area", "LDX.D 1, 3, 2", -4},
      {"indexed write past the area", "STX.D 30, 2, 1", 2},
      {"string indexed write", "STX.S 4, 2, 1", 1},
      {"a static operand beyond the area", "MOV.D 1, 40", 0},
      {"CT get beyond the segment", "CTGET 2, 1, 2", 1000},
      {"CT copy beyond the segment", "CTCOPY 2, 2, 2", 60},
      {"external pointer slot that does not exist", "XLD.D 1, 7", 0},
      {"jump outside the code", "JA 0x7FFE", 0},
      {"bound check, maximum + 1", "BOUND 2, 1, 10", 11},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ts::IecImage img = IecVm::Image();
    img.ct_alloc = 64;
    IecVm vm(std::string(c.program) + "|IMM.D 5, 1|RET", img);
    ASSERT_EQ(vm.build_error, 0);
    vm.Set(kArData32, 2, c.index_value);
    const auto before = vm.db;
    EXPECT_EQ(vm.Run(), 0);
    ASSERT_EQ(vm.Errors().size(), 1u);
    EXPECT_EQ(vm.Errors()[0].code, 32);
    EXPECT_TRUE(vm.Stopped());
    EXPECT_EQ(vm.D(5), 0) << "execution went on after the fault";
    EXPECT_EQ(vm.Cycle(5), 1) << "a stopped application does not cycle";
  }
  // The bound check passes at its maximum.
  IecVm ok("BOUND 2, 1, 10|RET");
  ok.Set(kArData32, 2, 10);
  EXPECT_EQ(ok.Run(), 1);
  EXPECT_TRUE(ok.Errors().empty());
}

TEST(Interpreter, AnIndexedWriteReachesBothEndsOfItsAreaAndNotOnePast) {
  const uint32_t n = N4VM_Area(IecVm("RET").Db(), kArData32)->allocated;
  ASSERT_GT(n, 31u);
  struct {
    const char* name;
    uint32_t base;
    int32_t index;
    bool inside;
  } const cases[] = {
      {"the first element", 3, -3, true},      {"one before it", 3, -4, false},
      {"inside", 10, 3, true},                 {"the last element", 20, int32_t(n) - 21, true},
      {"one past it", 20, int32_t(n) - 20, false},
  };
  for (const PathName& p : kPaths) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(p.name) + ": " + c.name);
      // d2 holds the index, d1 the value; d5 shows whether execution went on.
      const std::string program = "STX.D " + std::to_string(c.base) + ", 2, 1|IMM.D 5, 1|RET";
      IecVm vm(p.path == Path::kBuffer ? std::string("RET") : program);
      ASSERT_EQ(vm.build_error, 0);
      vm.Set(kArData32, 1, 55);
      vm.Set(kArData32, 2, c.index);
      const DbAreaDesc* area = N4VM_Area(vm.Db(), kArData32);
      const uint8_t* p32 = N4VM_AreaPtr(vm.Db(), kArData32);
      const std::vector<uint8_t> before(p32, p32 + 4 * n);
      ASSERT_EQ(area->allocated, n);
      const int result = RunVia(vm, p.path, program);
      if (c.inside) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(vm.D(c.base + uint32_t(c.index)), 55);
        EXPECT_EQ(vm.D(5), 1);
        EXPECT_TRUE(vm.Errors().empty());
        continue;
      }
      EXPECT_EQ(result, 0);
      EXPECT_EQ(std::vector<uint8_t>(p32, p32 + 4 * n), before) << "nothing was written";
      ASSERT_EQ(vm.Errors().size(), 1u);
      EXPECT_EQ(vm.Errors()[0].code, 32);
      EXPECT_EQ(vm.Errors()[0].arg, 2) << "the error names the index variable";
      EXPECT_EQ(vm.Stopped(), p.path != Path::kBuffer);
    }
  }
}

TEST(Interpreter, AJumpToItselfEndsInTheRunawayFaultOnEveryPath) {
  const JumpBudget budget(1000);
  const char* const jumps[] = {"SELF: JMP SELF", "SELF: JA SELF", "SELF: JT 1, SELF", "SELF: JEQ 1, 1, SELF"};
  for (const PathName& p : kPaths) {
    for (const char* jump : jumps) {
      SCOPED_TRACE(std::string(p.name) + ": " + jump);
      const std::string program = std::string(jump) + "|IMM.D 5, 1|RET";
      IecVm vm(p.path == Path::kBuffer ? std::string("RET") : program);
      ASSERT_EQ(vm.build_error, 0);
      vm.Set<uint8_t>(kArData8, 1, 1);
      // First in a child, so that a loop the interpreter fails to end fails here.
      ASSERT_TRUE(EndsWithin(std::chrono::seconds(20), [&] { RunVia(vm, p.path, program); }))
          << "the run never ended";
      EXPECT_EQ(RunVia(vm, p.path, program), 0);
      ASSERT_EQ(vm.Errors().size(), 1u);
      EXPECT_EQ(vm.Errors()[0].code, 8);
      EXPECT_EQ(vm.Errors()[0].position >> 16, 2u) << "at the jump";
      EXPECT_EQ(vm.D(5), 0);
      EXPECT_EQ(vm.Stopped(), p.path != Path::kBuffer);
    }
  }
}

TEST(Interpreter, JumpsAndTheirOffsets) {
  IecVm vm(
      "JT 1, SKIP|IMM.D 1, 1|SKIP: JF 1, SKIP2|IMM.D 2, 1|SKIP2: JA ABS|IMM.D 3, 1|ABS: JTAB 4, T0, T1|IMM.D 5, 99|"
      "JMP END|T0: IMM.D 5, 10|JMP END|T1: IMM.D 5, 11|END: JEQ 6, 7, OUT|IMM.D 8, 1|OUT: RET");
  vm.Set<uint8_t>(kArData8, 1, 1);
  vm.Set(kArData32, 4, 0x10001);  // low 16 bits select entry 1
  EXPECT_EQ(vm.Run(), 1);
  EXPECT_EQ(vm.D(1), 0);
  EXPECT_EQ(vm.D(2), 1);
  EXPECT_EQ(vm.D(3), 0);
  EXPECT_EQ(vm.D(5), 11);
  EXPECT_EQ(vm.D(8), 0);
  // A selector beyond the table goes on after it.
  IecVm past("JTAB 4, A|IMM.D 5, 7|RET|A: IMM.D 5, 1|RET");
  past.Set(kArData32, 4, 1);
  past.Run();
  EXPECT_EQ(past.D(5), 7);
  // An odd jump offset is a fault.
  IecVm odd("JMP 1|RET|RET");
  EXPECT_EQ(odd.Run(), 0);
  EXPECT_EQ(odd.ErrorCodes(), std::vector<uint16_t>{32});
}

TEST(Interpreter, AGuardedLoopRunsItsBodyAMillionTimes) {
  IecVm vm("IMM.D 2, 1|LOOP|ADD.D 1, 1, 2|ENDLOOP 3|IMM.D 4, 5|RET");
  vm.Set(kArData32, 3, 42);
  EXPECT_EQ(vm.Run(), 1);
  EXPECT_EQ(vm.D(1), 1'000'000);
  EXPECT_EQ(vm.D(3), 0);
  EXPECT_EQ(vm.D(4), 5);
}

TEST(Interpreter, ARunawayLoopIsStoppedNotTheHost) {
  N4VMTic_SetJumpBudget(1000);
  IecVm vm("TOP: ADD.D 1, 1, 2|JMP TOP");
  vm.Set(kArData32, 2, 1);
  EXPECT_EQ(vm.Run(), 0);
  EXPECT_EQ(vm.D(1), 1001);
  EXPECT_EQ(vm.ErrorCodes(), std::vector<uint16_t>{8});
  EXPECT_TRUE(vm.Stopped());
  N4VMTic_SetJumpBudget(50'000'000);
}

TEST(Interpreter, SubProgramCallsReturnAndOverflowTheStack) {
  ts::IecImage img = IecVm::Image();
  img.call_depth = 3;
  IecVm vm({"CALLP 2|ADD.D 1, 1, 9|RET", "ADD.D 2, 2, 9|CALLP 3|RET", "ADD.D 3, 3, 9|RET"}, img);
  vm.Set(kArData32, 9, 1);
  EXPECT_EQ(vm.Run(1), 1);
  EXPECT_EQ(vm.D(1), 1);
  EXPECT_EQ(vm.D(2), 1);
  EXPECT_EQ(vm.D(3), 1);
  // A program that calls itself passes the depth: error 38, the application stops.
  IecVm deep(std::vector<std::string>{"ADD.D 1, 1, 9|CALLP 1|RET"}, img);
  deep.Set(kArData32, 9, 1);
  EXPECT_EQ(deep.Run(1), 0);
  EXPECT_EQ(deep.D(1), 4);
  EXPECT_EQ(deep.ErrorCodes(), std::vector<uint16_t>{38});
  EXPECT_TRUE(deep.Stopped());
}

TEST(Interpreter, WaitResumesWhereTheProgramStopped) {
  IecVm vm("ADD.D 1, 1, 9|WAITPT|ADD.D 2, 2, 9|WAIT 3|ADD.D 4, 4, 9|RET");
  vm.Set(kArData32, 9, 1);
  vm.Run();
  vm.Run();
  EXPECT_EQ(vm.D(1), 1);  // the second run resumed after the resume point
  EXPECT_EQ(vm.D(2), 2);
  EXPECT_EQ(vm.D(4), 0);
  vm.Set<uint8_t>(kArData8, 3, 1);
  vm.Run();
  EXPECT_EQ(vm.D(4), 1);
  vm.Run();
  EXPECT_EQ(vm.D(1), 2);  // the resume point was cleared
}

TEST(Interpreter, EveryNCyclesRunsThePhaseCycleOnly) {
  IecVm vm("EVERY 3, 1|ADD.D 1, 1, 9|RET");
  vm.Set(kArData32, 9, 1);
  for (int i = 0; i < 9; ++i) vm.Run();
  EXPECT_EQ(vm.D(1), 3);
}

TEST(Interpreter, SfcStepsAndTransitions) {
  // Step 1 is initial; transition 1 (d1 >= 2) leads to step 2, which counts in d3.
  const char* program =
      "SFCINIT 1|"
      "SFCSTEP 1, S1IN, S1OUT, S1END|S1IN: JMP S1END|S1OUT: JMP S1END|S1END:|"
      "SFCSTEP 2, S2IN, S2OUT, S2END|S2IN: ADD.D 3, 3, 9|JMP S2END|S2OUT: JMP S2END|S2END:|"
      "SFCTRANS 1, T1END, 1|GE.D 5, 1, 8|SETTRANS 1, 5|T1END:|SFCOFF 1, 1|SFCON 1, 2|"
      "STEPX 6, 1|STEPX 7, 2|RET";
  ts::IecImage img = IecVm::Image();
  img.steps_max = 4;
  img.trans_max = 2;
  IecVm vm(program, img);
  ASSERT_EQ(vm.build_error, 0);
  vm.Set(kArData32, 8, 2);
  vm.Set(kArData32, 9, 1);
  uint8_t* rec = N4VM_Item(vm.Db(), kArPrograms, 1);
  rec[12] = 16;  // started, not initialised
  vm.Run();
  EXPECT_EQ(rec[12], 1);
  vm.Run();
  EXPECT_EQ(vm.B(6), 1);
  EXPECT_EQ(vm.B(7), 0);
  vm.Set(kArData32, 1, 2);  // the transition's condition
  vm.Run();                 // fires: step 1 off, step 2 to be activated
  vm.Run();
  EXPECT_EQ(vm.B(6), 0);
  EXPECT_EQ(vm.B(7), 1);
  EXPECT_EQ(vm.D(3), 1);  // the activating run entered the step's code
  vm.Run();
  EXPECT_EQ(vm.D(3), 2);
  EXPECT_TRUE(vm.Errors().empty());
}

TEST(Interpreter, DebuggerCommandsAndBreakpointsInStepMode) {
  IecVm vm("PAUSE|RET");
  vm.Run();
  EXPECT_FALSE(vm.Flags() & kStsCycling);
  IecVm run("RUN|SETCYCLE 1, 2|RET");
  run.Run();
  EXPECT_TRUE(run.Flags() & kStsCycling);
  EXPECT_EQ(N4VM_Status32(run.Db(), kStCycleTime), 0x10002u);
  // Step mode: each breakpoint instruction pauses and the next run resumes after it.
  IecVm step("ADD.D 1, 1, 9|BRK|ADD.D 2, 2, 9|RET");
  step.Set(kArData32, 9, 1);
  uint8_t* flags = N4VM_AreaPtr(step.Db(), kArStatus) + kStFlags;
  flags[0] |= kStsStep;
  EXPECT_EQ(step.Run(), 0);
  EXPECT_EQ(step.D(2), 0);
  EXPECT_FALSE(step.Flags() & kStsCycling);
  EXPECT_FALSE(step.Stopped());
  EXPECT_EQ(N4VM_Status16(step.Db(), kStDebug1 + 2), 8);  // break position: byte 8
  flags[0] &= uint8_t(~kStsStep);
  EXPECT_EQ(step.Run(), 1);
  EXPECT_EQ(step.D(1), 1);
  EXPECT_EQ(step.D(2), 1);
}

TEST(Interpreter, TimersStartAndStopThroughTheVmTimers) {
  IecVm vm("TSTART 1|RET");
  vm.Cycle(1000);
  vm.Cycle(1250);
  EXPECT_EQ(vm.T(1), 250u);
  IecVm stop("TSTART 1|TSTOP 1|RET");
  stop.Cycle(1000);
  stop.Cycle(1250);
  EXPECT_EQ(stop.T(1), 0u);
}

TEST(Interpreter, TheExecutionBufferFailsWithoutStoppingTheApplication) {
  IecVm vm("RET");
  uint16_t words[] = {15, 68};
  std::memcpy(N4VM_AreaPtr(vm.Db(), kArExecBuffer), words, sizeof words);
  EXPECT_EQ(vm.Run(0), 0);
  EXPECT_EQ(vm.ErrorCodes(), std::vector<uint16_t>{8});
  EXPECT_FALSE(vm.Stopped());
}

}  // namespace

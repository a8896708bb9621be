// The threaded form against the careful interpreter: generated programs over every
// instruction family the decoder knows and some it leaves to the handlers, in both
// operand forms, with jumps, skips, calls and returns, malformed operands and faults at
// random places. Each scan runs twice from the same state, once each way, and the
// register image, old_reg, the machine's stacks (slots above their tops included), the
// result and the fault position must be the same.
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ground/regimage.h"
#include "ladder_fixture.h"
#include "threaded.h"
#include "threaded_table.h"
#include "timers.h"

namespace {

using ts::OperandForm;

struct Snapshot {
  uint8_t image[reg::kImageSize];
  uint8_t old[reg::kImageSize];
  logic::Machine machine;
  uint32_t frt, scan_time, scan_rm;
  uint16_t tick, screen;
};
// Statics: three images per scan, taken thousands of times, are not worth allocating.
Snapshot g_before, g_careful, g_threaded;

// The offset of the first byte where two images differ; the size when they do not.
std::size_t FirstDifference(const uint8_t* a, const uint8_t* b) {
  std::size_t i = 0;
  while (i < reg::kImageSize && a[i] == b[i]) ++i;
  return i;
}

logic::Machine& MutableMachine() { return const_cast<logic::Machine&>(logic::LastMachine()); }

void Take(Snapshot& s) {
  std::memcpy(s.image, plc_reg, reg::kImageSize);
  std::memcpy(s.old, old_reg, reg::kImageSize);
  s.machine = logic::LastMachine();
  s.frt = local_frt_100us;
  s.scan_time = local_scan_time;
  s.scan_rm = local_scan_time_rm;
  s.tick = time_frt_100us;
  s.screen = old_change_screen;
}
void Put(const Snapshot& s) {
  std::memcpy(plc_reg, s.image, reg::kImageSize);
  std::memcpy(old_reg, s.old, reg::kImageSize);
  MutableMachine() = s.machine;
  local_frt_100us = s.frt;
  local_scan_time = s.scan_time;
  local_scan_time_rm = s.scan_rm;
  time_frt_100us = s.tick;
  old_change_screen = s.screen;
}

// A generated program: instructions as word lists, jump offsets filled in once every
// instruction's position is known.
class Generator {
 public:
  // A tidy generator writes no malformed operands and keeps the stacks' depths right,
  // so that its programs run far enough for the later instructions to count.
  Generator(uint32_t seed, OperandForm form, bool tidy)
      : rng_(seed), form16_(form == OperandForm::k16), tidy_(tidy) {}

  std::vector<uint16_t> Program(uint32_t instructions) {
    code_.clear();
    starts_.clear();
    fixups_.clear();
    bits_ = cells_ = 0;
    for (uint32_t i = 0; i < instructions; ++i) {
      starts_.push_back(uint32_t(code_.size()));
      Instruction();
    }
    starts_.push_back(uint32_t(code_.size()));
    if (tidy_ || Chance(95)) code_.push_back(9);  // else the program runs off its end
    for (const Fixup& f : fixups_) {
      // Forward only, so that every scan ends (a program's loops are its author's to
      // bound): mostly an instruction's start, now and then any word, rarely outside.
      const uint32_t after = f.at + f.words;
      const uint32_t later = uint32_t(std::upper_bound(starts_.begin(), starts_.end(), f.at) - starts_.begin());
      int64_t target = starts_[later + Pick(uint32_t(starts_.size()) - later)];
      if (!tidy_ && Chance(5)) target = after + Pick(uint32_t(code_.size()) + 1 - after);
      if (!tidy_ && Chance(2)) target = int64_t(code_.size()) + 5;
      const int64_t off = target - after;
      code_[f.at] = uint16_t(off);
      if (f.words == 2) code_[f.at + 1] = uint16_t(uint64_t(off) >> 16);
    }
    return code_;
  }

 private:
  struct Fixup {
    uint32_t at, words;
  };

  uint32_t Pick(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng_); }
  bool Chance(uint32_t percent) { return Pick(100) < percent; }
  void Token(uint32_t t) {
    if (form16_) {
      code_.push_back(uint16_t(t));
    } else {
      code_.push_back(uint16_t(t));
      code_.push_back(uint16_t(t >> 16));
    }
  }
  // A bit of I, Q or M, in the 32-bit form now and then of EM (past the first 64 KiB of
  // the image); rarely a token that names no bit.
  uint32_t BitToken() {
    if (!tidy_ && Chance(1)) return Pick(1024);
    if (!form16_ && Chance(20)) return 0x1001C000 + Pick(24);
    static constexpr uint32_t kBases[] = {8192, 10240, 14336};
    return kBases[Pick(3)] + Pick(24);
  }
  // One of R1..R12, now and then through an escape in the 16-bit form; rarely no
  // register at all.
  void WordRef() {
    if (!tidy_ && Chance(1)) return Token(Pick(1024));
    if (form16_ && Chance(5)) {
      code_.push_back(1776);
      code_.push_back(uint16_t(16 * Pick(8)));
      return;
    }
    Token(32768 + 16 * Pick(12));
  }
  void Offset(uint32_t words) {
    fixups_.push_back({uint32_t(code_.size()), words});
    for (uint32_t i = 0; i < words; ++i) code_.push_back(0);
  }

  // Keeps the stacks' depths roughly right (jumps aside) so that most programs run to
  // their end; now and then an instruction is emitted whatever the depth, to fault.
  bool Room(int bits_needed, int cells_needed = 0) {
    return (bits_ >= bits_needed && cells_ >= cells_needed) || (!tidy_ && Chance(3));
  }
  void Coil() {
    static constexpr uint16_t kCoils[] = {38, 50, 51, 52, 53, 54};
    code_.push_back(kCoils[Pick(std::size(kCoils))]);
    Token(BitToken());
    --bits_;
  }
  // The plain coil, which some joined shapes take along.
  void PlainCoil() {
    code_.push_back(38);
    Token(BitToken());
    --bits_;
  }
  // A contact word: the power flow of the instructions after it.
  void Contact() {
    code_.push_back(uint16_t(8192 + Pick(24)));
    ++bits_;
  }
  void Push(bool wide) {
    code_.push_back(wide ? 83 : 80);
    WordRef();
    cells_ += wide ? 2 : 1;
  }
  void PushOrImmediate(bool wide) {
    if (Chance(60)) return Push(wide);
    code_.push_back(wide ? 84 : 81);
    static constexpr uint16_t kEdges[] = {0, 1, 7, 0xFFFF, 0x7FFF, 0x8000, 100};
    code_.push_back(Chance(25) ? uint16_t(rng_()) : kEdges[Pick(std::size(kEdges))]);
    if (wide) code_.push_back(Chance(25) ? uint16_t(rng_()) : kEdges[Pick(std::size(kEdges))]);
    cells_ += wide ? 2 : 1;
  }
  void Pull(bool wide) {
    code_.push_back(wide ? 85 : 82);
    WordRef();
    cells_ -= wide ? 2 : 1;
  }

  static constexpr uint16_t kOperators[] = {32, 33, 34, 35, 36, 55, 56, 60, 61, 62, 63, 64, 65};
  static constexpr int kReads[] = {1, 1, 1, 2, 2, 1, 0, 2, 2, 2, 2, 3, 3};
  static constexpr int kChange[] = {0, 0, 0, -1, -1, -1, 1, -1, -1, -1, -1, -2, -2};

  // A rung of contacts and operators that read only what it pushed, up to four deep, and
  // its coil.
  void BooleanRung() {
    int depth = 0;
    for (uint32_t n = 2 + Pick(8); n != 0 || depth == 0; n = n == 0 ? 0 : n - 1) {
      if (depth == 0 || (depth < 4 && Chance(45))) {
        if (Chance(85)) {
          Contact();
        } else {
          code_.push_back(31);
          Token(BitToken());
          ++bits_;
        }
        ++depth;
        continue;
      }
      const uint32_t k = Pick(std::size(kOperators));
      if (kReads[k] == 0 || kReads[k] > depth) continue;
      code_.push_back(kOperators[k]);
      depth += kChange[k];
      bits_ += kChange[k];
    }
    Coil();
  }

  void Instruction() {
    if (bits_ < 0) bits_ = 0;
    if (cells_ < 0) cells_ = 0;
    switch (Pick(20)) {
      case 0: case 1: case 2: case 3:
        if (bits_ >= 18 && (tidy_ || !Chance(3))) return Instruction();
        if (Chance(85)) {
          code_.push_back(uint16_t(8192 + Pick(24)));  // a contact word
        } else {
          code_.push_back(31);
          Token(BitToken());
        }
        ++bits_;
        break;
      case 4: case 5: {
        const uint32_t k = Pick(std::size(kOperators));
        if (!Room(kReads[k]) || bits_ + kChange[k] > 19) return Instruction();
        code_.push_back(kOperators[k]);
        bits_ += kChange[k];
        break;
      }
      case 6: case 7:
        if (!Room(1)) return Instruction();
        Coil();
        break;
      case 8: {  // INT or DINT arithmetic into a register, now and then a chain of two
        if (Chance(40)) Contact();
        if (!Room(1)) return Instruction();
        const bool wide = Chance(40);
        Push(wide);
        for (uint32_t k = Chance(30) ? 2 : 1; k != 0; --k) {
          PushOrImmediate(wide);
          code_.push_back(uint16_t((wide ? 124 : 120) + Pick(4)));
          cells_ -= wide ? 2 : 1;
        }
        if (Chance(90)) Pull(wide);
        break;
      }
      case 9: {  // unary, remainder and REAL arithmetic
        if (Chance(40)) Contact();
        if (!Room(1)) return Instruction();
        static constexpr uint16_t kOps[] = {140, 141, 143, 144, 128, 129, 130, 131};
        const uint16_t op = kOps[Pick(std::size(kOps))];
        const bool wide = op >= 143, binary = op != 140 && op != 143;
        Push(wide);
        if (binary) PushOrImmediate(wide);
        code_.push_back(op);
        if (binary) cells_ -= wide ? 2 : 1;
        if (binary && Chance(30)) {  // a second operator on the result
          PushOrImmediate(wide);
          code_.push_back(kOps[4 + Pick(4)]);
          cells_ -= 2;
        }
        Pull(wide);
        break;
      }
      case 10: {  // a compare, feeding a coil or left on the bit stack
        if (Chance(40)) Contact();
        if (!Room(1)) return Instruction();
        static constexpr uint16_t kOps[] = {160, 161, 162, 163, 164, 165, 166, 168, 169, 171, 172, 174, 175, 177};
        const uint16_t op = kOps[Pick(std::size(kOps))];
        const bool wide = op >= 166;
        const std::size_t first = code_.size();
        Push(wide);
        if (Chance(25)) {  // the same register twice: the relations' equal cases
          code_.insert(code_.end(), code_.begin() + std::ptrdiff_t(first), code_.end());
          cells_ += wide ? 2 : 1;
        } else {
          PushOrImmediate(wide);
        }
        code_.push_back(op);
        cells_ -= wide ? 4 : 2;
        if (Chance(70)) Coil();
        break;
      }
      case 11:
        if (Chance(50)) {
          if (cells_ > 36) return Instruction();
          PushOrImmediate(Chance(50));
        } else {
          if (!Room(0, 2)) return Instruction();
          Pull(Chance(50));
        }
        break;
      case 12: {
        const bool immediate = Chance(50);
        code_.push_back(immediate ? 92 : 90);
        WordRef();
        if (immediate) {
          code_.push_back(uint16_t(rng_()));
        } else {
          WordRef();
        }
        break;
      }
      case 13: {  // jumps and calls, both offset widths
        if (Chance(30)) {  // a jump over a rung, or a skip to a rung's coil
          Contact();
          if (Chance(50)) {
            const bool wide = Chance(50);
            code_.push_back(wide ? 68 : 71);
            code_.push_back(uint16_t(2 + (form16_ ? 1 : 2)));  // the contact, the coil and its bit
            if (wide) code_.push_back(0);
            --bits_;
            Contact();
          } else {
            code_.insert(code_.end(), {70, 2});  // to the coil, past the contact and the operator
            Contact();
            code_.push_back(std::array<uint16_t, 6>{35, 36, 60, 61, 62, 63}[Pick(6)]);
            --bits_;
          }
          PlainCoil();
          break;
        }
        if (!Room(1)) return Instruction();
        const uint16_t op = std::array<uint16_t, 5>{71, 68, 73, 69, 70}[Pick(5)];
        code_.push_back(op);
        Offset(op == 68 || op == 69 ? 2 : 1);
        if (op != 70) --bits_;
        break;
      }
      case 14:
        if (!Room(1)) return Instruction();
        code_.push_back(74);
        --bits_;
        break;
      case 15:  // a timer of any row, either preset form, or a 16-bit counter
        if (Chance(50)) Contact();
        if (!Room(1)) return Instruction();
        if (Chance(70)) {
          const logic::TimerRow& t = logic::kTimerKinds[Pick(std::size(logic::kTimerKinds))];
          const bool immediate = Chance(60);
          code_.push_back(uint16_t(t.opcode + immediate));
          if (t.kind == logic::TimerKind::kAccumulating) Token(BitToken());
          WordRef();
          if (!immediate) {
            WordRef();
          } else if (t.wide) {
            // A negative DINT preset now and then: done at once.
            code_.push_back(uint16_t(Pick(50)));
            code_.push_back(Chance(10) ? 0xFFFF : 0);
          } else {
            code_.push_back(Chance(10) ? 0xFFF0 : uint16_t(Pick(50)));
          }
          if (Chance(50)) PlainCoil();
          break;
        }
        code_.push_back(std::array<uint16_t, 3>{201, 203, 200}[Pick(3)]);
        Token(BitToken());
        WordRef();
        code_.push_back(uint16_t(Pick(50)));
        break;
      case 16:
        if (!tidy_ && Chance(20)) {
          code_.push_back(std::array<uint16_t, 4>{600, 37, 0, 9}[Pick(4)]);  // three invalid words, an end
        } else if (Chance(50)) {
          code_.push_back(uint16_t(8192 + Pick(24)));
          ++bits_;
          Coil();
        }
        break;
      case 17: {  // LREAL: registers or immediates pushed, a sub-opcode, the result pulled
        if (Chance(40)) Contact();
        if (!Room(1) || cells_ > 24) return Instruction();
        static constexpr uint16_t kSubs[] = {0, 1, 2, 3, 4, 5, 16, 17, 18, 19, 21, 22, 6, 20, 65, 99};
        static constexpr int kTakes[] = {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 3, 2, 1, 0};
        if (Chance(15)) {  // a sub-opcode with register operands: through its handler
          const uint16_t sub = std::array<uint16_t, 8>{32, 33, 34, 35, 36, 37, 48, 49}[Pick(8)];
          code_.insert(code_.end(), {543, sub});
          WordRef();
          if (sub == 48) WordRef();
          for (int i = 0; sub == 49 && i < 4; ++i) code_.push_back(uint16_t(rng_()));
          if (sub >= 32 && sub <= 37) cells_ += sub <= 34 ? 4 : sub == 37 ? 2 : 1 + (sub == 36);
          break;
        }
        const auto push = [&] {
          if (Chance(80)) {
            code_.push_back(540);
            WordRef();
          } else {
            code_.push_back(541);
            for (int w = 0; w < 4; ++w) code_.push_back(Chance(50) ? uint16_t(rng_()) : uint16_t(0x7FF0 * Pick(2)));
          }
        };
        const uint32_t k = Pick(std::size(kSubs));
        for (int i = 0; i < kTakes[k]; ++i) push();
        code_.insert(code_.end(), {543, kSubs[k]});
        if (kSubs[k] >= 16 && kSubs[k] <= 19 && Chance(30)) {  // a second operator on the result
          push();
          code_.insert(code_.end(), {543, uint16_t(16 + Pick(4))});
        } else if (kSubs[k] >= 16 && kSubs[k] <= 19 && Chance(50)) {  // its square root or absolute value
          code_.insert(code_.end(), {543, uint16_t(21 + Pick(2))});
        }
        if (kSubs[k] >= 16 && kSubs[k] != 99) {
          cells_ += 4 * (1 - kTakes[k]);
          if (Chance(85)) {
            code_.push_back(542);
            WordRef();
            cells_ -= 4;
            if (Chance(40)) PlainCoil();
          }
        }
        break;
      }
      default:
        if (Chance(50)) {
          BooleanRung();
          break;
        }
        code_.push_back(uint16_t(8192 + Pick(24)));
        ++bits_;
        if (Chance(50)) Coil();
        break;
    }
  }

  std::mt19937 rng_;
  bool form16_, tidy_;
  int bits_ = 0, cells_ = 0;
  std::vector<uint16_t> code_;
  std::vector<uint32_t> starts_;
  std::vector<Fixup> fixups_;
};

class ThreadedDiff : public lt::LadderTest {
 protected:
  void TearDown() override {
    logic::UseThreaded(true);
    LadderTest::TearDown();
  }

  // Random inputs, and registers that often hold the values where arithmetic turns:
  // 0, 1, -1, the limits of INT and their neighbours, and the high word of an LREAL
  // infinity (a NaN when a lower word is not 0).
  static void Seed(std::mt19937& rng) {
    static constexpr uint16_t kEdges[] = {0, 1, 7, 0xFFFF, 0x7FFF, 0x8000, 0x7FF0};
    for (uint32_t i = 0; i < 3 * 8; ++i) plc_reg[reg::kOffI + i] = uint8_t(rng());
    for (uint32_t i = 0; i < 3; ++i) plc_reg[reg::kOffEM + i] = uint8_t(rng());
    for (uint32_t i = 0; i < 16; ++i)
      SetRegWord(reg::kOffR + 2 * i, rng() % 4 != 0 ? kEdges[rng() % std::size(kEdges)] : uint16_t(rng()));
  }

  // One scan each way from the same state; the threaded state goes on.
  void CompareScan(const std::string& what) {
    Take(g_before);
    logic::UseThreaded(false);
    const int32_t careful = Scan();
    Take(g_careful);
    Put(g_before);
    logic::UseThreaded(true);
    const int32_t threaded = Scan();
    Take(g_threaded);
    const Snapshot &c = g_careful, &t = g_threaded;
    ASSERT_EQ(careful, threaded) << what;
    ASSERT_EQ(FirstDifference(c.image, t.image), reg::kImageSize) << what;
    ASSERT_EQ(0, std::memcmp(c.old, t.old, reg::kImageSize)) << what;
    const logic::Machine &a = c.machine, &b = t.machine;
    ASSERT_EQ(a.stop, b.stop) << what;
    ASSERT_EQ(a.at, b.at) << what;
    ASSERT_EQ(a.bsp, b.bsp) << what;
    ASSERT_EQ(a.wsp, b.wsp) << what;
    ASSERT_EQ(a.depth, b.depth) << what;
    ASSERT_EQ(0, std::memcmp(a.bits, b.bits, sizeof a.bits)) << what;
    ASSERT_EQ(0, std::memcmp(a.words, b.words, sizeof a.words)) << what;
    ASSERT_EQ(0, std::memcmp(a.calls, b.calls, sizeof a.calls)) << what;
    ASSERT_EQ(a.screen_request, b.screen_request) << what;
  }
};

TEST_F(ThreadedDiff, GeneratedProgramsRunAsTheCarefulInterpreterRunsThem) {
  uint32_t faulted = 0, ended = 0, fast = 0, joined = 0;
  for (OperandForm form : {OperandForm::k16, OperandForm::k32}) {
    for (uint32_t seed = 1; seed <= 400; ++seed) {
      Generator gen(seed, form, seed % 3 == 0);
      std::mt19937 rng(seed * 7919u);
      const std::vector<uint16_t> code = gen.Program(5 + seed % 60);
      std::memset(plc_reg, 0, reg::kImageSize);
      std::memset(old_reg, 0, reg::kImageSize);
      prog_ = ts::LadderProgram(form);
      prog_.Load(code);
      for (uint32_t scan = 0; scan < 4; ++scan) {
        Seed(rng);
        clock_->AdvanceTicks(rng() % 300);
        const std::string what = "seed " + std::to_string(seed) + (form == OperandForm::k16 ? " 16" : " 32") +
                                 "-bit form, scan " + std::to_string(scan);
        ASSERT_NO_FATAL_FAILURE(CompareScan(what));
        (logic::LastMachine().stop == logic::Stop::kEnd ? ended : faulted)++;
      }
      fast += logic::DecodedStats().records - logic::DecodedStats().careful;
      joined += logic::DecodedStats().joined;
    }
  }
  // Both outcomes are common enough for the comparison to mean something.
  EXPECT_GT(faulted, 100u);
  EXPECT_GT(ended, 100u);
  // And most of the code ran as records of its own.
  EXPECT_GT(fast, 5000u);
  EXPECT_GT(joined, 500u);
}

// The joined shapes where a stack is nearly full: each has to leave the case to its parts
// (whose contact reports the overflow) exactly where the careful interpreter faults, and
// run as its parts do below that. The
// 16-bit form: contacts are words from 8192 on (I bits), 38 the plain coil, 32768 on R
// registers.
TEST_F(ThreadedDiff, JoinedShapesAtAFullStackFaultAsTheCarefulInterpreterDoes) {
  constexpr uint16_t kOrBranch = 64, kAnd = 36, kOr = 35, kOut = 38, kPush4 = 540, kLreal = 543, kGt = 2;
  const std::vector<std::vector<uint16_t>> rungs = {
      {8192, 8193, 8194, kOrBranch, kOut, 32768 + 16 * 100},       // three contacts, three slots
      {8192, 8193, kAnd, 8194, kOr, kOut, 32768 + 16 * 100},       // three contacts, two slots
      {8195, 80, 32768, 80, 32769, 120, 82, 32770, kOut, 32771},  // a contact and an INT sum
      {8195, kPush4, 32768 + 16 * 8, kPush4, 32768 + 16 * 12, kLreal, kGt, kOut, 32771},  // and an LREAL compare
      // and the square root of an LREAL difference, pulled, to a coil
      {8195, kPush4, 32768, kPush4, 32768 + 16 * 4, kLreal, 17, kLreal, 21, 542, 32768 + 16 * 12, kOut, 32771},
      // and an LREAL sum times a third register, pulled onto an operand, to a coil
      {8195, kPush4, 32768, kPush4, 32768 + 16 * 4, kLreal, 16, kPush4, 32768 + 16 * 8, kLreal, 18, 542, 32768,
       kOut, 32771},
  };
  std::mt19937 rng(5);
  for (std::size_t k = 0; k < rungs.size(); ++k) {
    for (uint16_t depth = 16; depth <= 20; ++depth) {
      std::vector<uint16_t> code(depth, uint16_t(8196));  // contacts filling the bit stack
      code.insert(code.end(), rungs[k].begin(), rungs[k].end());
      code.push_back(9);
      std::memset(plc_reg, 0, reg::kImageSize);
      std::memset(old_reg, 0, reg::kImageSize);
      prog_ = ts::LadderProgram(OperandForm::k16);
      prog_.Load(code);
      for (uint32_t scan = 0; scan < 2; ++scan) {
        Seed(rng);
        ASSERT_NO_FATAL_FAILURE(CompareScan("rung " + std::to_string(k) + " at depth " + std::to_string(depth)));
      }
    }
  }
}

// The joined LREAL rungs where an operand is not finite, is 0 or is negative: an operator
// whose operand is not finite turns the power flow off even when its result is finite
// (a finite value divided by infinity is 0), and so does the square root of a negative.
TEST_F(ThreadedDiff, LrealRungsWithEdgeOperandsRunAsTheCarefulInterpreterRunsThem) {
  constexpr uint16_t kPush4 = 540, kPull4 = 542, kLreal = 543, kOut = 38;
  constexpr uint16_t kAdd = 16, kSub = 17, kMul = 18, kDiv = 19, kSqrt = 21, kAbs = 22;
  const uint16_t a = 32768, b = 32768 + 16 * 4, c = 32768 + 16 * 8, d = 32768 + 16 * 12;
  const std::vector<std::vector<uint16_t>> rungs = {
      {8192, kPush4, a, kPush4, b, kLreal, kDiv, kLreal, kSqrt, kPull4, d, kOut, 14336},
      {8192, kPush4, a, kPush4, b, kLreal, kSub, kLreal, kAbs, kPull4, d, kOut, 14336},
      {8192, kPush4, a, kPush4, b, kLreal, kAdd, kPush4, c, kLreal, kMul, kPull4, d, kOut, 14336},
      {8192, kPush4, a, kPush4, b, kLreal, kDiv, kPush4, c, kLreal, kAdd, kPull4, d, kOut, 14336},
  };
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  const double values[] = {2.0, -3.0, 0.0, inf, -inf, nan};
  for (std::size_t k = 0; k < rungs.size(); ++k) {
    std::vector<uint16_t> code = rungs[k];
    code.push_back(9);
    std::memset(plc_reg, 0, reg::kImageSize);
    std::memset(old_reg, 0, reg::kImageSize);
    prog_ = ts::LadderProgram(OperandForm::k16);
    prog_.Load(code);
    for (double x : values) {
      for (double y : values) {
        plc_reg[reg::kOffI] = 1;
        std::memcpy(plc_reg + reg::kOffR, &x, 8);
        std::memcpy(plc_reg + reg::kOffR + 8, &y, 8);
        std::memcpy(plc_reg + reg::kOffR + 16, &values[(k + 1) % std::size(values)], 8);
        ASSERT_NO_FATAL_FAILURE(CompareScan("rung " + std::to_string(k) + " on " + std::to_string(x) + ", " +
                                            std::to_string(y)));
      }
    }
  }
}

}  // namespace

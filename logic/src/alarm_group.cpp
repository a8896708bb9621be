// Alarm group. Operands: u16 N entries, u16 K number base, u16 T (low byte: time-stamp
// selector), word ref S (N status words), word ref A (time-stamp area), bit refs next,
// previous, clear and acknowledge. In the 16-bit operand form S and A take no escapes.
//
// Status word of an entry: bits 0-7 occurrence count (stops at 255), 8 alarm condition
// (written by the program), 9 active, 10 acknowledged; bits 14 and 15 of entry 0's word
// are the group summary (15 some entry active, 14 some entry active and not
// acknowledged). The entry at index i has the number K + i - 1.
//
// One alarm_status serves the whole program. A selection stored by another alarm group
// (or one whose number did not fit in nine bits) can name an index outside this group's
// entries; such a selection is dropped and the group selects its first active entry, so
// no status word outside the group is ever read or written.
#include "alarm_group.h"

#include <algorithm>
#include <cstring>

#include "ground/regimage.h"
#include "operands.h"

uint16_t alarm_status = 0;

namespace logic {

namespace {

constexpr uint16_t kNone = 0x1FF;
constexpr uint16_t kCondition = 0x100;
constexpr uint16_t kActive = 0x200;
constexpr uint16_t kAcked = 0x400;
constexpr uint16_t kSummaryActive = 0x8000;
constexpr uint16_t kSummaryUnacked = 0x4000;

constexpr uint16_t kStNext = 0x200;
constexpr uint16_t kStPrev = 0x400;
constexpr uint16_t kStClear = 0x800;
constexpr uint16_t kStAck = 0x1000;
constexpr uint16_t kStValid = 0x8000;

class Group {
 public:
  Group(uint32_t status, uint16_t n, uint16_t k) : status_(status), n_(n), k_(k) {}
  uint16_t n() const { return n_; }
  uint16_t Get(uint32_t i) const { return RegWord(status_ + 2 * i); }
  void Set(uint32_t i, uint16_t v) const { SetRegWord(status_ + 2 * i, v); }
  bool Active(uint32_t i) const { return Get(i) & kActive; }
  uint16_t Number(uint32_t i) const { return uint16_t(k_ + i - 1); }
  uint16_t Index(uint16_t number) const { return uint16_t(number - k_ + 1); }
  int FirstActive() const {
    for (uint32_t i = 0; i < n_; ++i)
      if (Active(i)) return int(i);
    return -1;
  }

 private:
  uint32_t status_;
  uint16_t n_;
  uint16_t k_;
};

struct Inputs {
  bool next, previous, clear, acknowledge;
};

// Steps 4 to 8 with a selected number s whose index lies inside the group.
uint16_t MoveSelection(const Group& g, uint16_t st, uint16_t s, const Inputs& in) {
  if (in.next && !(st & kStNext)) {
    for (uint32_t j = g.Index(s) + 1u; j < g.n(); ++j) {
      if (g.Active(j)) {
        s = g.Number(j);
        break;
      }
    }
    st |= kStNext;
  }
  if (in.previous && !(st & kStPrev)) {
    for (int j = int(g.Index(s)) - 1; j >= 0; --j) {
      if (g.Active(uint32_t(j))) {
        s = g.Number(uint32_t(j));
        break;
      }
    }
    st |= kStPrev;
  }
  const uint16_t m = g.Index(s);
  if (in.acknowledge && !(st & kStAck)) {
    g.Set(m, g.Get(m) | kAcked);
    st |= kStAck;
  }
  // A clear input held over an unacknowledged entry clears it in the execution in which
  // it gets acknowledged; an entry that is no longer active is dropped at once.
  const uint16_t e = g.Get(m);
  if ((in.clear && !(st & kStClear) && (e & kAcked)) || !(e & kActive)) {
    g.Set(m, uint16_t(e & ~(kActive | kAcked)));
    const int first = g.FirstActive();
    s = first < 0 ? kNone : g.Number(uint32_t(first));
    st |= kStClear;
  }
  return uint16_t((st & 0x7E00) | (s & kNone) | kStValid);
}

// Step 10: the summary (taken before each entry's activation) and the activation of
// entries whose condition is set.
void Activate(const Group& g, uint32_t stamps, uint8_t selector) {
  const uint32_t stamp_bytes = selector == 0 ? 0 : selector == 1 ? 6 : 12;
  g.Set(0, g.Get(0) & uint16_t(~(kSummaryActive | kSummaryUnacked)));
  for (uint32_t i = 0; i < g.n(); ++i) {
    uint16_t e = g.Get(i);
    if (e & kActive) {
      g.Set(0, g.Get(0) | kSummaryActive | ((e & kAcked) ? 0 : kSummaryUnacked));
      e = g.Get(i);  // entry 0 carries the summary bits
    }
    if (!(e & kCondition)) continue;
    if (!(e & kActive)) {
      // The program may place the stamps over the clock registers themselves.
      if (stamp_bytes) std::memmove(plc_reg + stamps + stamp_bytes * i, plc_reg + reg::SrOffset(44), stamp_bytes);
      if ((e & 0xFF) != 0xFF) ++e;
    }
    g.Set(i, e | kActive);
  }
}

}  // namespace

void OpAlarmGroup(Machine& m, uint16_t) {
  const uint16_t n = Imm16(m);
  const uint16_t k = Imm16(m);
  const uint8_t selector = uint8_t(Imm16(m));
  const uint32_t stamp_bytes = selector == 0 ? 0 : selector == 1 ? 6 : 12;
  // The first status word carries the summary even with no entries.
  const uint32_t status = WordOperand(m, std::max<uint32_t>(n, 1), false);
  const uint32_t stamps = WordOperand(m, (stamp_bytes * n + 1) / 2, false);
  const BitRef next = BitOperand(m);
  const BitRef previous = BitOperand(m);
  const BitRef clear = BitOperand(m);
  const BitRef acknowledge = BitOperand(m);
  const uint8_t power = m.Top();
  if (m.Failed()) return;

  const Group g(status, n, k);
  const Inputs in{BitIsSet(plc_reg, next), BitIsSet(plc_reg, previous), BitIsSet(plc_reg, clear),
                  BitIsSet(plc_reg, acknowledge)};
  uint16_t st = alarm_status;
  if (!power) {
    st &= uint16_t(~kStValid);
  } else {
    bool selected = false;
    uint16_t s = st & kNone;
    if ((st & kStValid) && s != kNone && g.Index(s) < n) selected = true;
    if (!selected) {
      const int first = g.FirstActive();
      if (first >= 0 && g.Number(uint32_t(first)) != 0xFFFF) {
        s = g.Number(uint32_t(first));
        selected = true;
      }
    }
    if (selected) st = MoveSelection(g, st, s, in);
    if (!in.next) st &= uint16_t(~kStNext);
    if (!in.previous) st &= uint16_t(~kStPrev);
    if (!in.clear) st &= uint16_t(~kStClear);
    if (!in.acknowledge) st &= uint16_t(~kStAck);
  }
  alarm_status = st;
  Activate(g, stamps, selector);
}

}  // namespace logic

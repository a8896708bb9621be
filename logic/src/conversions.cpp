// The conversion pushes of the table in conversions.h.
#include "conversions.h"

#include "word_stack.h"

namespace logic {

namespace {

bool ByteSource(ConvSource s) { return s == ConvSource::kUsint || s == ConvSource::kSint; }
uint32_t SourceWords(ConvSource s) { return s == ConvSource::kUint || s == ConvSource::kInt ? 1 : 2; }

int64_t ReadInteger(ConvSource s, uint32_t off) {
  switch (s) {
    case ConvSource::kUsint: return plc_reg[off];
    case ConvSource::kSint: return int8_t(plc_reg[off]);
    case ConvSource::kUint: return RegWord(off);
    case ConvSource::kInt: return int16_t(RegWord(off));
    case ConvSource::kUdint: return LoadReg<uint32_t>(off);
    case ConvSource::kDint: return LoadReg<int32_t>(off);
    case ConvSource::kReal: break;
  }
  return 0;
}

// An integer source: out of range, 0 is pushed in place of the value.
bool PushInteger(Machine& m, const Conversion& c, int64_t v) {
  const bool ok = !c.ranged || (v >= c.lo && v <= c.hi);
  if (!ok) v = 0;
  switch (c.target) {
    case ConvTarget::kCell: m.PushCell(uint16_t(v)); break;
    case ConvTarget::kTwoCells: m.Push32(uint32_t(v)); break;
    case ConvTarget::kReal: PushValue(m, float(v)); break;  // nearest REAL
    case ConvTarget::kUdintReal: break;
  }
  return ok;
}

// A REAL source: the truncated value is pushed also when the power flow goes off.
bool PushReal(Machine& m, const Conversion& c, float f) {
  bool ok = Finite(f);
  if (c.target == ConvTarget::kUdintReal) {
    // The range is tested on the REAL itself, so -0.5 is refused although it truncates
    // to 0; the pushed value truncates without sign: 0 for a negative REAL or a NaN,
    // 4294967295 from 4294967296 on.
    ok = ok && f >= 0.0f && double(f) <= double(c.hi);
    const uint32_t u = !(f > 0.0f) ? 0u : f >= 4294967296.0f ? UINT32_MAX : uint32_t(f);
    m.Push32(u);
    return ok;
  }
  // INT and DINT test the REAL itself (in double precision, where both limits are exact):
  // 32767.9 and -32768.5 lie outside INT's range although they truncate into it. The
  // other widths test the truncated value. A NaN turns the power flow off in every width.
  // One saturating 32-bit truncation gives the pushed value in every case: its low 16 bits
  // for one cell.
  const double t = c.range_on_real ? double(f) : std::trunc(double(f));
  ok = ok && t >= double(c.lo) && t <= double(c.hi);
  const int32_t v = TruncSaturated(f);
  if (c.target == ConvTarget::kCell) {
    m.PushCell(uint16_t(v));
  } else {
    m.Push32(uint32_t(v));
  }
  return ok;
}

}  // namespace

void OpConvert(Machine& m, uint16_t opcode) {
  const Conversion& c = kConversionByOpcode[opcode];
  const uint32_t off = ByteSource(c.source) ? ByteOperand(m) : WordOperand(m, SourceWords(c.source));
  if (m.Failed()) return;
  const bool ok = c.source == ConvSource::kReal ? PushReal(m, c, LoadReg<float>(off))
                                                : PushInteger(m, c, ReadInteger(c.source, off));
  PowerOffUnless(m, ok);
}

}  // namespace logic

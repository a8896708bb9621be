#include "attribute.h"

#include "ground/rcb.h"
#include "ground/touch.h"
#include "shape_common.h"

using namespace objrec;

namespace {
constexpr uint8_t kUnsigned16 = 0x40 | 16;
}  // namespace

void ATTR_Link(const uint8_t* record, AttrLink& link) {
  const uint16_t reference = U16(record, kAttrReg);
  link.rcb = reference ? SYS_32LinkReg(reference, kUnsigned16) : nullptr;
}

AttrResult ATTR_Evaluate(const uint8_t* record, ObjInstance& instance, AttrLink& link, uint16_t normal,
                         uint32_t alternates, uint32_t covered, uint8_t& shown) {
  AttrResult r{0, FlagsOf(record), false};
  if (link.rcb) {
    uint16_t value = 0;
    SYS_ReadReg(&value, link.rcb, sizeof value);
    const uint16_t mask = U16(record, kAttrMask);
    const uint16_t m = value & mask;
    if (mask & 0xF0) {
      // An alternate colour the record is too short to hold leaves the normal colour.
      uint16_t want = normal;
      const uint32_t length = OBJ_RecordLength(record);
      for (uint32_t i = 0; i < 4; ++i)
        if (m & (0x10u << i)) {
          if (alternates + 2 * i + 2 <= length) want = U16(record, alternates + 2 * i);
          break;
        }
      if (want != link.colour) {
        link.colour = want;
        r.bits |= kResultRepaint;
      }
    }
    const uint32_t decided = mask & covered;
    r.effective = (m & decided) | (r.effective & ~decided);
    const bool now_shown = (r.effective & kFlagShown) != 0;
    if (now_shown && !shown) {
      shown = 1;
      instance.state |= kStateShown;
      r.bits |= 0x1020;
    } else if (!now_shown && shown) {
      shown = 0;
      instance.state = uint16_t((instance.state & ~kStateShown) | kStatePassThrough);
      r.bits |= 0x2020;
    }
  }
  const uint8_t flash = sysFlash ? 1 : 0;
  if (r.effective & kFlagFlash) {
    if (link.phase != flash) {
      link.phase = flash;
      r.phase_changed = true;
    }
  } else if (link.phase) {
    link.phase = 0;
    r.phase_changed = true;
  }
  return r;
}

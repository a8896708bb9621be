#include "shape_common.h"

#include "screens/objm.h"

using namespace objrec;

uint32_t OBJ_RecordLength(const uint8_t* record) {
  if (FlagsOf(record) & kFlagOwnLength) return U16(record, kOwnLength);
  const uint16_t cls = ClassOf(record);
  return cls < kObjClasses ? oDefTbl[cls].length : 0;
}

const uint8_t* OBJ_Gradient(const uint8_t* record) {
  if (!(U16(record, kType) & kTypeGradient)) return nullptr;
  const uint32_t at = U16(record, kFill);
  if (at < kHeaderBytes || at + kGradBytes > OBJ_RecordLength(record)) return nullptr;
  return record + at;
}

#include "ground/coop.h"

namespace tx {

int _txe_event_flags_create(TxEventFlags* group, const char* name) {
  if (group == nullptr) return kTxPtrError;
  *group = {};
  group->name = name;
  return kTxSuccess;
}

int _txe_event_flags_set(TxEventFlags* group, uint32_t bits) {
  if (group == nullptr) return kTxPtrError;
  group->flags |= bits;
  return kTxSuccess;
}

int _txe_event_flags_get(TxEventFlags* group, uint32_t bits, uint32_t option, uint32_t* actual) {
  if (group == nullptr || actual == nullptr) return kTxPtrError;
  const uint32_t present = group->flags & bits;
  const bool met = (option & kTxAnd) ? present == bits : present != 0;
  if (!met) return kTxNoEvents;
  *actual = group->flags;
  if (option & kTxOrClear) group->flags &= ~bits;
  return kTxSuccess;
}

int _txe_event_flags_delete(TxEventFlags*) { return kTxSuccess; }

}  // namespace tx

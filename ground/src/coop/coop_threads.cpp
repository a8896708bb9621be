#include "ground/coop.h"

namespace tx {

int _txe_thread_create(TxThread* thread, const char* name, TxThreadEntry entry, uint32_t argument,
                       void* stack, uint32_t stack_bytes, uint32_t priority, uint32_t threshold,
                       uint32_t time_slice, uint32_t auto_start) {
  if (thread == nullptr) return kTxThreadError;
  if (entry == nullptr || stack == nullptr) return kTxPtrError;
  if (priority < threshold) return kTxThresholdError;
  if (auto_start > 1) return kTxStartError;
  *thread = {};
  thread->name = name;
  thread->entry = entry;
  thread->argument = argument;
  thread->stack_start = stack;
  thread->stack_end = static_cast<uint8_t*>(stack) + stack_bytes;
  thread->priority = priority;
  thread->threshold = threshold;
  thread->time_slice = time_slice;
  return kTxSuccess;
}

// Nothing is ever scheduled, so these have nothing to do.
int _txe_thread_resume(TxThread*) { return kTxSuccess; }
int _txe_thread_suspend(TxThread*) { return kTxSuccess; }
int _txe_thread_terminate(TxThread*) { return kTxSuccess; }
int _txe_thread_delete(TxThread*) { return kTxSuccess; }
void _txe_thread_relinquish() {}
int _txe_thread_preemption_change(TxThread* thread, uint32_t, uint32_t* old_threshold) {
  if (thread && old_threshold) *old_threshold = thread->threshold;
  return kTxSuccess;
}

}  // namespace tx

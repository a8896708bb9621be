#include "ground/coop.h"
#include "ground/timebase.h"

namespace {

// The created timers, by slot. Swept by tx_timer_check, which also runs inside time
// slices: entries are single pointer stores.
tx::TxTimer* TimerPtr[tx::kTxTimers];

}  // namespace

namespace tx {

int _txe_timer_create(TxTimer* timer, const char* name, TxTimerCallback callback, uint32_t argument,
                      uint32_t initial_ms, uint32_t reload_ms, uint32_t auto_activate) {
  if (timer == nullptr || callback == nullptr) return kTxPtrError;
  // A record that is in the table already keeps its slot: two slots would call it twice
  // and leave a stale pointer behind once it is deleted.
  int slot = -1;
  for (int i = 0; i < kTxTimers && slot < 0; ++i)
    if (TimerPtr[i] == timer) slot = i;
  for (int i = 0; i < kTxTimers && slot < 0; ++i)
    if (TimerPtr[i] == nullptr) slot = i;
  if (slot < 0) return kTxNoTimerSlot;
  TimerPtr[slot] = nullptr;
  *timer = {};
  timer->slot = slot;
  timer->name = name;
  timer->remaining_ms = initial_ms;
  timer->reload_ms = reload_ms;
  timer->callback = callback;
  timer->argument = argument;
  TimerPtr[slot] = timer;
  if (auto_activate == 1) _txe_timer_activate(timer);
  return kTxSuccess;
}

int _txe_timer_activate(TxTimer* timer) {
  if (timer == nullptr) return kTxPtrError;
  if (timer->active != nullptr || timer->remaining_ms == 0) return kTxActivateError;
  timer->start_tick = FPGA_GetFrt();
  timer->active = timer;
  return kTxSuccess;
}

int _txe_timer_deactivate(TxTimer* timer) {
  if (timer == nullptr) return kTxPtrError;
  timer->active = nullptr;
  return kTxSuccess;
}

int _txe_timer_delete(TxTimer* timer) {
  if (timer == nullptr) return kTxPtrError;
  if (timer->slot >= 0 && timer->slot < kTxTimers && TimerPtr[timer->slot] == timer) TimerPtr[timer->slot] = nullptr;
  timer->active = nullptr;
  timer->slot = -1;
  return kTxSuccess;
}

}  // namespace tx

void tx_timer_reset() {
  for (tx::TxTimer*& t : TimerPtr) t = nullptr;
}

void tx_timer_check() {
  const uint32_t now = FPGA_GetFrt();
  for (tx::TxTimer* t : TimerPtr) {
    if (t == nullptr || t->active != t || t->remaining_ms == 0) continue;
    const uint32_t elapsed = now - t->start_tick;
    if (elapsed / 10 >= t->remaining_ms) {
      t->remaining_ms = 0;
      t->callback(t->argument);
      if (t->reload_ms != 0) {
        t->remaining_ms = t->reload_ms;
        t->start_tick = now;
      }
    } else if (elapsed > 9) {
      // Whole milliseconds only; the fraction carries over to the next pass.
      t->remaining_ms -= elapsed / 10;
      t->start_tick = now - elapsed % 10;
    }
  }
}

#pragma once
// The cooperative services: the small RTOS-style interface kept for the network code and
// the storage service. Queues, event flags, ten software timers with millisecond periods
// swept once per main-loop pass by tx_timer_check, and thread records. Nothing here
// blocks, waits or starts a thread; main thread only (tx_timer_check also runs inside
// time slices, so timer callbacks must keep the time-slice rules).

#include <cstdint>

namespace tx {

// Status numbers of the interface (as the network code knows them).
enum : int {
  kTxSuccess = 0,
  kTxPtrError = 3,          // a record, buffer, entry or stack is missing
  kTxSizeError = 5,         // a queue of no message size, or a buffer too small for one message
  kTxNoEvents = 7,          // the requested event flags are not set
  kTxQueueEmpty = 10,
  kTxQueueFull = 11,
  kTxThreadError = 14,      // no thread record
  kTxStartError = 16,       // auto start above 1
  kTxNoTimerSlot = 21,
  kTxActivateError = 23,    // active already, or no time remaining
  kTxThresholdError = 24,   // priority below the preemption threshold
};

// Event-flag get options.
enum : uint32_t {
  kTxOrClear = 1,  // clear the requested flags once the request is met
  kTxAnd = 2,      // all of the requested flags, otherwise any of them
};

struct TxQueue {
  uint32_t id;
  const char* name;
  uint32_t message_words;  // message size in 32-bit words
  uint32_t capacity;       // messages
  uint32_t count;          // queued messages
  uint32_t free_places;
  uint32_t* start;
  uint32_t* end;           // one past the last whole message
  uint32_t* read;
  uint32_t* write;
};

struct TxEventFlags {
  uint32_t id;
  const char* name;
  uint32_t flags;
};

using TxTimerCallback = void (*)(uint32_t argument);
inline constexpr int kTxTimers = 10;

struct TxTimer {
  int32_t slot;              // index in the table of ten, -1 once deleted
  const char* name;
  uint32_t remaining_ms;
  uint32_t reload_ms;        // 0 = one-shot
  TxTimerCallback callback;
  uint32_t argument;
  const TxTimer* active;     // the record's own address while active, nullptr otherwise
  uint32_t start_tick;
};

using TxThreadEntry = void (*)(uint32_t argument);

struct TxThread {
  const char* name;
  TxThreadEntry entry;
  uint32_t argument;
  void* stack_start;
  void* stack_end;
  uint32_t priority;
  uint32_t threshold;
  uint32_t time_slice;
};

// Queues: capacity = buffer bytes / (4 x words per message). Send and receive copy one
// message and never wait.
int _txe_queue_create(TxQueue* queue, const char* name, uint32_t message_words, void* buffer,
                      uint32_t buffer_bytes);
int _txe_queue_send(TxQueue* queue, const void* message);
int _txe_queue_receive(TxQueue* queue, void* destination);

int _txe_event_flags_create(TxEventFlags* group, const char* name);
int _txe_event_flags_set(TxEventFlags* group, uint32_t bits);
// Answers kTxNoEvents when the request is not met (it never waits); otherwise stores the
// flags in *actual and, with kTxOrClear, clears the requested ones.
int _txe_event_flags_get(TxEventFlags* group, uint32_t bits, uint32_t option, uint32_t* actual);
int _txe_event_flags_delete(TxEventFlags* group);

// Software timers. Create fills the record and takes the first free of the ten slots
// (a record created again keeps its slot); auto_activate = 1 activates it at once.
int _txe_timer_create(TxTimer* timer, const char* name, TxTimerCallback callback, uint32_t argument,
                      uint32_t initial_ms, uint32_t reload_ms, uint32_t auto_activate);
int _txe_timer_activate(TxTimer* timer);
int _txe_timer_deactivate(TxTimer* timer);
int _txe_timer_delete(TxTimer* timer);

// Thread records are checked and filled; no thread is ever started.
int _txe_thread_create(TxThread* thread, const char* name, TxThreadEntry entry, uint32_t argument,
                       void* stack, uint32_t stack_bytes, uint32_t priority, uint32_t threshold,
                       uint32_t time_slice, uint32_t auto_start);
int _txe_thread_resume(TxThread* thread);
int _txe_thread_suspend(TxThread* thread);
int _txe_thread_terminate(TxThread* thread);
int _txe_thread_delete(TxThread* thread);
void _txe_thread_relinquish();
int _txe_thread_preemption_change(TxThread* thread, uint32_t new_threshold, uint32_t* old_threshold);

}  // namespace tx

// Once per main-loop pass (time slices included): counts the active software timers
// down in whole milliseconds of the time base, carrying the fraction, and calls the
// callback of each timer whose time is up (periodic ones start again from this pass).
void tx_timer_check();
// Empties the timer table, as at power-on: no created timer is swept any more. For the
// owner's start-up and tests (a record left in the table would otherwise be called from
// the next owner's passes, even after its memory is gone).
void tx_timer_reset();

// The storage service's request and answer queues ("CFI_REQUEST", one message of 4
// words; "CFI_RESPONSE", one message of 2 words), created at start-up.
extern tx::TxQueue qcb_cfi;
extern tx::TxQueue qcb_cfo;
void CreateStorageQueues();

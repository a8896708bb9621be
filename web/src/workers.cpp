// The pool of up to four worker threads for slow requests.
#include <csignal>

#include "quorv_context.h"
#include "web/quorv_util.h"

namespace {

void* WorkerMain(void* argument) {
  auto* slot = static_cast<quorv_worker_slot*>(argument);
  slot->stop_requested.store(0);
  slot->state.store(QUORV_WORKER_RUNNING);
  slot->function(slot);
  slot->state.store(QUORV_WORKER_FINISHED);
  return nullptr;
}

void Join(quorv_worker_slot& slot) {
  pthread_join(slot.thread, nullptr);
  slot.state.store(QUORV_WORKER_FREE);
  slot.function = nullptr;
  slot.argument = nullptr;
  --quorv_global_context.worker_count;
}

}  // namespace

quorv_worker_slot* quorv_sys_thread_start(quorv_thread_function function, void* argument) {
  if (!function) return nullptr;
  quorv_worker_slot* chosen = nullptr;
  for (quorv_worker_slot& slot : quorv_global_context.workers) {
    if (slot.state.load() == QUORV_WORKER_FINISHED) Join(slot);
    if (slot.state.load() == QUORV_WORKER_FREE) {
      chosen = &slot;
      break;
    }
  }
  if (!chosen) return nullptr;
  chosen->state.store(QUORV_WORKER_STARTING);
  chosen->function = function;
  chosen->argument = argument;
  // The worker inherits the mask: the time-slice signal and broken pipes stay with
  // the threads that expect them.
  sigset_t block, previous;
  sigemptyset(&block);
  sigaddset(&block, SIGPIPE);
  sigaddset(&block, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &block, &previous);
  const int failed = pthread_create(&chosen->thread, nullptr, WorkerMain, chosen);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (failed) {
    chosen->function = nullptr;
    chosen->argument = nullptr;
    chosen->state.store(QUORV_WORKER_FREE);
    return nullptr;
  }
  ++quorv_global_context.worker_count;
  return chosen;
}

void quorv_sys_thread_request_stop(quorv_worker_slot* slot) {
  if (slot && slot->state.load() == QUORV_WORKER_RUNNING) slot->stop_requested.store(1);
}

void quorv_sys_thread_tick() {
  for (quorv_worker_slot& slot : quorv_global_context.workers)
    if (slot.state.load() == QUORV_WORKER_FINISHED) Join(slot);
}

void quorv_sys_thread_shutdown_threads() {
  while (quorv_global_context.worker_count > 0) {
    bool busy = false;
    for (quorv_worker_slot& slot : quorv_global_context.workers) {
      const int state = slot.state.load();
      if (state == QUORV_WORKER_FINISHED) {
        Join(slot);
      } else if (state != QUORV_WORKER_FREE) {
        // A starting worker clears its flag as it begins: ask again on the next walk.
        if (state == QUORV_WORKER_RUNNING) slot.stop_requested.store(1);
        busy = true;
      }
    }
    if (busy) quorv_sys_sleep(200);
  }
}

// The web server's run-time record and the set-up and release of its server part.
#include "quorv_context.h"

quorv_context quorv_global_context;

void quorv_context_server_init() {
  quorv_context& c = quorv_global_context;
  c.callbacks = quorv_server_callbacks{};
  c.auth = quorv_auth_callbacks{};
  c.worker_count = 0;
  for (quorv_worker_slot& slot : c.workers) {
    slot.state.store(QUORV_WORKER_FREE);
    slot.stop_requested.store(0);
    slot.function = nullptr;
    slot.argument = nullptr;
  }
  c.last_auth_expiry = 0;
  quorv_timer_init_imp(&c.timer);
}

void quorv_context_server_free() { quorv_sys_thread_shutdown_threads(); }

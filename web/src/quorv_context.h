#pragma once
// The web server's run-time state: one process-wide record. The dispatcher, sessions,
// subscriptions and authentication tables join it as they are built.

#include <mutex>

#include "web/quorv_buffer.h"
#include "web/quorv_options.h"
#include "web/quorv_util.h"

struct quorv_context {
  quorv_server_callbacks callbacks;
  // Worker threads: the slots change only on the web-server thread, except each slot's
  // state and stop flag (see quorv_worker_slot).
  int32_t worker_count;
  quorv_worker_slot workers[QUORV_MAX_WORKERS];
  uint64_t last_auth_expiry;
  quorv_timer timer;  // started when the server starts listening
  // Buffer pool: shared by the web-server thread and the workers.
  quorv_buffer* free_buffers;
  std::mutex pool_mutex;
  quorv_auth_callbacks auth;
};

extern quorv_context quorv_global_context;

// Set-up and release of the server part (workers, timer) and the buffer pool.
void quorv_context_server_init();
void quorv_context_server_free();
void quorv_context_buffers_init();
void quorv_context_buffers_free();

#pragma once
// The web server's run-time state: one process-wide record. The dispatcher, sessions,
// subscriptions and authentication tables join it as they are built.

#include <mutex>

#include "web/quorv_buffer.h"
#include "web/quorv_options.h"
#include "web/quorv_util.h"

struct quorv_connection;
using quorv_comm_data_cb = void (*)(quorv_connection* connection);
using quorv_comm_dropped_cb = void (*)(quorv_connection* connection);
using quorv_comm_tick_cb = void (*)(uint64_t now);

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

  // Dispatcher: everything but the connection mutex and the records' send queues is
  // touched by the web-server thread only.
  quorv_comm_data_cb data_cb;
  quorv_comm_dropped_cb dropped_cb;
  quorv_comm_tick_cb tick_cb;
  int32_t http_socket;   // -1 when closed
  int32_t https_socket;  // -1 when closed
  int32_t sets_changed;
  int32_t shutdown_requested;
  uint8_t* scratch;  // file-backed buffers are read through it for sending
  uint32_t scratch_size;
  std::mutex connection_mutex;  // watch lists, send queues, release of records
  int32_t next_id;
  quorv_connection* free_connections;
  quorv_connection* lists[4][2];  // head and tail by quorv_watch
  // Idle connections are dropped after this many server time units (0: never).
  uint64_t idle_timeout;
};

extern quorv_context quorv_global_context;

// Set-up and release of the server part (workers, timer) and the buffer pool.
void quorv_context_server_init();
void quorv_context_server_free();
void quorv_context_buffers_init();
void quorv_context_buffers_free();

#pragma once
// The connection dispatcher: listening sockets, one select pass per call of the
// web-server thread (which waits for a ready socket between passes), per-connection send queues of buffer chains, TLS through the
// library loaded at run time, and the closing rules.
//
// Every descriptor the dispatcher keeps is below FD_SETSIZE (1024): one numbered higher
// is refused when it is made, so a select mask always holds every watched socket.

#include <cstdint>

#include "quorv_context.h"
#include "web/quorv_buffer.h"

enum quorv_watch : int { QUORV_WATCH_ACTIVE = 0, QUORV_WATCH_READ = 1, QUORV_WATCH_WRITE = 2, QUORV_WATCH_EXCEPTION = 3 };

struct quorv_connection;

struct quorv_links {
  quorv_connection* previous;
  quorv_connection* next;
};

struct quorv_connection_list {
  quorv_connection* head;
  quorv_connection* tail;
};

using quorv_release_cb = void (*)(void* argument);

struct quorv_connection {
  int32_t id;
  int32_t socket;  // -1 when none
  int32_t client;  // an outgoing connection
  int32_t silent_drop;
  int32_t keep_alive;
  int32_t remote_index;  // -1: no remote server
  int32_t long_poll;
  quorv_connection* free_next;
  quorv_links links[4];  // by quorv_watch
  uint8_t listed[4];
  quorv_release_cb release;
  void* release_argument;
  int32_t tls;
  void* ssl;
  int32_t close_requested;
  int32_t half_closed;
  int32_t connecting;
  uint64_t connect_start;
  int32_t tls_read_wants_read;
  int32_t tls_write_wants_write;
  int32_t tls_read_wants_write;
  int32_t tls_write_wants_read;
  quorv_buffer* receive;
  quorv_buffer* pending;  // bytes of a request that has not arrived whole
  quorv_buffer* queue_head;
  quorv_buffer* queue_tail;
  quorv_session* session;
  // Server time of the last byte moved; a connection silent for the idle time-out is
  // dropped (a parked long poll excepted).
  uint64_t last_activity;
  // The framing found a reason to close: the dispatcher drops the connection.
  int32_t drop;
  // The peer closed its side: what is queued is still sent, then the connection drops.
  int32_t peer_closed;
};

// --- Server level ---------------------------------------------------------------------

int quorv_server_initialize();
int quorv_server_prepare();
int quorv_server_mainloop();
// One pass: serves the sockets that are ready, counts the pass and runs the tick when
// it is due.
void quorv_comm_mainloop_accept_conn();
// The same pass in pieces, for a thread that waits on the sockets rather than pausing:
// waits up to timeout_ms for a watched socket to be ready (1) or not (0), handling
// nothing; serves what is ready without counting a pass (1 something was, 0 nothing, -1
// select failed); counts one pass of the tick, busy or idle, and runs the tick after
// more than 2 idle or more than 20 busy passes.
int quorv_comm_mainloop_wait(int32_t timeout_ms);
int quorv_comm_mainloop_serve();
void quorv_comm_mainloop_count_pass(int busy);
void quorv_comm_mainloop_exit();
int quorv_server_clear();
void quorv_server_free(int cleared);
void quorv_server_request_shutdown();

// --- Dispatcher -------------------------------------------------------------------------

int quorv_comm_initialize();
// Context set-up of the dispatcher: sockets closed, scratch buffer, id counter, lists.
int quorv_comm_context_init();
void quorv_comm_free();
void quorv_comm_set_cb(quorv_comm_data_cb data, quorv_comm_dropped_cb dropped, quorv_comm_tick_cb tick);
// Opens the listeners (HTTP when its port is above 0, HTTPS when a TLS context is
// ready): 0, or -1 when one cannot be opened.
int quorv_comm_mainloop();
// A non-blocking listening socket on every local address, or -1.
int quorv_comm_open_listening_port(const char* address, int32_t port);
int quorv_comm_send(quorv_connection* connection, quorv_buffer* buffer);
int quorv_comm_send_id(int32_t id, quorv_buffer* buffer);
int quorv_comm_disconnect(quorv_connection* connection);
// An outgoing connection to "host:port" (numeric IPv4): the descriptor, or -1.
int quorv_comm_connect(const char* address, int tls, quorv_connection** connection);
void quorv_comm_drop_connection(quorv_connection* connection);
// The port a listener is bound to (0 when closed): tests bind port 0 and ask.
int32_t quorv_comm_listening_port(int https);
// Connections that are open.
uint32_t quorv_comm_connection_count();
// Drops every connection silent for longer than the idle time-out (server time units).
void quorv_comm_drop_idle(uint64_t now);

// --- TLS --------------------------------------------------------------------------------

// Loads the library and makes the server context from the certificate option: 0 when
// HTTPS can run, -1 (logged) when not.
int quorv_comm_prepare();
bool quorv_tls_ready();
void quorv_tls_free();
// The library names tried in order (null-ended; null: the usual ones), for a host that
// lacks one of them.
void quorv_tls_use_library_names(const char* const* names);
// A session for a connection on its socket (accept: server side). 0, or -1.
int quorv_tls_attach(quorv_connection* connection, int accept);
void quorv_tls_detach(quorv_connection* connection);
// SSL_read / SSL_write and the error code of a result (SSL_get_error).
int quorv_tls_read(quorv_connection* connection, void* data, int length);
int quorv_tls_write(quorv_connection* connection, const void* data, int length);
int quorv_tls_error(quorv_connection* connection, int result);
// Sends the close notification (SSL_shutdown), so that the peer can tell the end of the
// replies from a cut connection.
void quorv_tls_close(quorv_connection* connection);

// --- Callbacks the server registers ------------------------------------------------------

void quorv_engine_receive_comm_data(quorv_connection* connection);
void quorv_server_connection_dropped(quorv_connection* connection);
void quorv_server_session_tick(uint64_t now);

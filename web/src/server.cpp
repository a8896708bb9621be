// The server's life as the glue drives it: initialise, prepare, listen, the callbacks
// the dispatcher calls, clear and free.
#include "platform/trace.h"
#include "quorv_comm.h"
#include "quorv_http.h"
#include "web/quorv_options.h"

namespace {

// Server time of the last session expiry and of the last authentication expiry.
uint64_t g_last_session_check = 0;

// Parts of the engine built with sessions, subscriptions, authentication and the remote
// servers: until then there is nothing of theirs to set up, expire or clear.
void SessionsExpire(uint64_t now) { plat::TraceCall("quorv_engine_session_delete_expired", static_cast<intptr_t>(now)); }
void LongPollsAnswer() { plat::TraceCall("quorv_comm_session_tick_long_polls"); }
void AuthExpire(uint64_t lifetime) { plat::TraceCall("quorv_auth_expire", static_cast<intptr_t>(lifetime)); }

}  // namespace

int quorv_server_initialize() {
  quorv_options_free();
  if (quorv_options_initialize() != 0) return -1;
  if (quorv_comm_initialize() != 0) return -1;
  quorv_context_server_init();
  if (quorv_comm_context_init() != 0) return -1;
  quorv_context_buffers_init();
  g_last_session_check = 0;
  return 0;
}

int quorv_server_prepare() {
  quorv_comm_set_cb(quorv_engine_receive_comm_data, quorv_server_connection_dropped, quorv_server_session_tick);
  return quorv_comm_prepare() < 0 ? -1 : 0;
}

int quorv_server_mainloop() { return quorv_comm_mainloop(); }

int quorv_server_clear() { return 0; }

void quorv_server_free(int) {
  quorv_comm_free();
  quorv_context_server_free();
  quorv_options_free();
  quorv_context_buffers_free();
}

void quorv_engine_receive_comm_data(quorv_connection* connection) {
  quorv_engine_handle_data(connection, &connection->pending, connection->receive);
}

void quorv_server_connection_dropped(quorv_connection* connection) {
  if (connection->long_poll && connection->session) {
    plat::TraceCall("quorv_engine_session_forget_long_poll");
    connection->session = nullptr;
  }
  if (connection->remote_index >= 0) plat::TraceCall("quorv_remote_connection_dropped", connection->remote_index);
}

void quorv_server_session_tick(uint64_t now) {
  if (now > g_last_session_check) {
    SessionsExpire(now);
    g_last_session_check = now;
  }
  if (quorv_global_options.long_poll) LongPollsAnswer();
  quorv_context& c = quorv_global_context;
  if (now - c.last_auth_expiry >= 10) {
    AuthExpire(2ull * quorv_global_options.session_timeout);
    c.last_auth_expiry = now;
  }
  if (quorv_global_options.idle) quorv_global_options.idle(now);
  quorv_sys_thread_tick();
}

// Hooks of sessions and their notification queues until they are built: no session
// exists, so a notification is refused and freed by its builder.
#include "platform/trace.h"
#include "quorv_subscription.h"

void quorv_engine_session_table_read_lock() { plat::TraceCall("quorv_engine_session_table_read_lock"); }
void quorv_engine_session_table_read_unlock() { plat::TraceCall("quorv_engine_session_table_read_unlock"); }

int32_t quorv_engine_session_insert_notification(quorv_session* session, quorv_notification*, quorv_subscription_item*, int32_t* error) {
  plat::TraceCall("quorv_engine_session_insert_notification", reinterpret_cast<intptr_t>(session));
  if (error) *error = 461;
  return 1;
}

quorv_session* quorv_engine_auth_context_session(quorv_auth_context*) {
  plat::TraceCall("quorv_engine_auth_context_session");
  return nullptr;
}

const char* quorv_engine_auth_context_user(quorv_auth_context*) {
  plat::TraceCall("quorv_engine_auth_context_user");
  return nullptr;
}

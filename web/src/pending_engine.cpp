// Hooks of the engine's parts that come later (authentication, the POST methods, the
// remote-server proxy): each records its call and refuses politely, so that pages are
// served meanwhile.
#include "platform/trace.h"
#include "quorv_http.h"
#include "web/quorv_encoding.h"

// The panel grants every static request: no refusal.
quorv_buffer* quorv_auth_check_access(const char*, const char*, quorv_connection*, quorv_buffer*) {
  plat::TraceCall("quorv_auth_check_access");
  return nullptr;
}

int quorv_auth_new_nonce(char* out, uint32_t room) {
  plat::TraceCall("quorv_auth_new_nonce");
  constexpr uint32_t kBytes = 16;
  if (room < 2 * kBytes + 1) return -1;
  return quorv_sys_get_random_data(reinterpret_cast<uint8_t*>(out), kBytes, 1, 0);
}

// No method is served yet: the request is answered as one the server cannot carry out.
quorv_buffer* quorv_engine_handle_post_request(quorv_connection* connection, quorv_buffer* request, const char* url) {
  plat::TraceCall("quorv_engine_handle_post_request");
  quorv_buffer_return(request);
  return quorv_engine_not_available_err(url, 501, "Not Implemented", connection->keep_alive, 0);
}

// No proxy connections are opened yet: a reply on one is let go.
void quorv_comm_remote_server_handle_response(quorv_connection*, quorv_buffer* reply) {
  plat::TraceCall("quorv_comm_remote_server_handle_response", reply->used);
  quorv_buffer_return(reply);
}

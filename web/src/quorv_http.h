#pragma once
// HTTP on the connections: request framing, the request line, response heads and error
// pages, and the static files behind GET and HEAD.

#include <cstdint>

#include "quorv_comm.h"
#include "web/quorv_buffer.h"

// The longest URL taken, in bytes (the area that holds it has one more for the NUL).
inline constexpr uint32_t QUORV_URL_MAX = 0xFFFF;
// Web root and request path together, with the NUL.
inline constexpr uint32_t QUORV_PATH_AREA = 256;

// Frames every complete request in the received bytes (appended to *pending when bytes
// wait there), hands each to the request handlers and queues each response on the
// connection in order; bytes of an unfinished request stay in *pending. 0, or -1 with the
// connection's drop flag set.
int quorv_engine_handle_data(quorv_connection* connection, quorv_buffer** pending, quorv_buffer* received);
// Parses the request line and dispatches; simple: a request line without a version. The
// response chain, or null. The request buffer is given back.
quorv_buffer* quorv_engine_handle_request(quorv_connection* connection, quorv_buffer* request, int simple);

// A response head (kind 6) with its status line and standard lines; null without a buffer.
quorv_buffer* quorv_engine_initialize_response(int32_t status, const char* reason, int keep_alive);
// The same in a buffer outside the shared free list (kind 4), for worker threads.
quorv_buffer* quorv_engine_initialize_response_mtsafe(int32_t status, const char* reason, int keep_alive);
// Writes the status line and standard lines into buffer: 0, or 1 when it cannot grow.
int quorv_engine_initialize_response_fields(quorv_buffer* buffer, int32_t status, const char* reason, int keep_alive);
// A complete HTML error page naming entity; head_only: the head alone (HEAD).
quorv_buffer* quorv_engine_not_available_err(const char* entity, int32_t status, const char* message, int keep_alive,
                                             int head_only);
quorv_buffer* quorv_auth_generate_401_response(int keep_alive, const char* extra);
// Ends a head with its Content-Type (when type is given) and Content-Length lines and
// chains content behind it: 0, or -1.
int quorv_engine_chain_content(quorv_buffer* response, quorv_buffer* content, const char* type);
quorv_buffer* quorv_engine_get_content_buffer_mtsafe();
quorv_buffer* quorv_engine_initialize_request(const char* url);

// GET and HEAD of the file at url below web_root; the answer goes to *response.
void quorv_engine_handle_head_get_request(const char* url, uint32_t url_length, int head, const char* web_root,
                                          quorv_connection* connection, quorv_buffer* request, quorv_buffer** response);
// Content type of an extension (case-insensitive), or null.
const char* quorv_engine_find_mimetype(const char* extension);

// Static-file path resolution. Results of quorv_static_resolve.
enum quorv_path_result : int {
  QUORV_PATH_OK = 0,
  QUORV_PATH_NOT_ABSOLUTE = 1,  // 403
  QUORV_PATH_DOT_DOT = 2,       // 403
  QUORV_PATH_TOO_LONG = 3,      // 414
  QUORV_PATH_BAD = 4,           // 400: a NUL in the decoded path
};
// The unit path of url below web_root into path (QUORV_PATH_AREA bytes): the query and
// fragment cut, decoded, backslashes made slashes, repeated slashes joined, and refused
// when a segment is "..". decoded_url (QUORV_PATH_AREA bytes) gets the decoded URL.
int quorv_static_resolve(const char* web_root, const char* url, uint32_t url_length, char* path, char* decoded_url);

// --- Parts of the engine built elsewhere -------------------------------------------------

// The access check of a static request: a response (a refusal), or null to go on.
quorv_buffer* quorv_auth_check_access(const char* method, const char* url, quorv_connection* connection,
                                      quorv_buffer* request);
// A fresh Digest nonce into out (room bytes): 0, or -1.
int quorv_auth_new_nonce(char* out, uint32_t room);
// The POST methods under the prefix: the response, or null when the request is kept.
quorv_buffer* quorv_engine_handle_post_request(quorv_connection* connection, quorv_buffer* request, const char* url);
// A framed reply that arrived on a connection the proxy opened; the proxy owns the buffer.
void quorv_comm_remote_server_handle_response(quorv_connection* connection, quorv_buffer* reply);

#pragma once
// The web server's option record and the callbacks through which the embedding
// application (the panel glue) hands it data, alarms and users.
//
// Options are filled on the web-server thread between initialisation and the start of
// the server and are read-only afterwards. Every setter keeps its own copy of a string.

#include <cstdint>

#include "web/quorv_types.h"

struct quorv_rsa_key;
struct quorv_buffer;

// One row of the MIME table: a file extension and its type.
struct quorv_mimetype {
  const char* extension;
  const char* type;
};

using quorv_log_cb = void (*)(const char* text);
using quorv_idle_cb = void (*)(uint64_t now);

struct quorv_options {
  char* server_name;
  int32_t server_name_length;
  char* prefix;
  int32_t prefix_length;
  char* http_address;
  int32_t http_port;  // 0 or less: no HTTP listener
  char* https_address;
  int32_t https_port;
  char* certificate_file;  // certificate and private key, PEM; none: no TLS
  char* pass_phrase;
  char* web_root;
  char* index_files;  // ';'-separated
  quorv_mimetype* mimetypes;  // sorted by extension without regard to case
  uint32_t mimetype_count;
  int32_t level;  // 0 basic, 1 advanced, 2 SCADA, 3 multipoint
  int32_t auth_mode;
  char* realm;
  // The RSA key as big-endian magnitudes: the public part (modulus, exponent) in one
  // storage block, the private part (d, p, q, dP, dQ, qInv) in another.
  uint8_t* modulus;
  int32_t modulus_length;
  uint8_t* exponent;
  int32_t exponent_length;
  uint8_t* public_storage;
  uint8_t* d;
  int32_t d_length;
  uint8_t* p;
  int32_t p_length;
  uint8_t* q;
  int32_t q_length;
  uint8_t* dp;
  int32_t dp_length;
  uint8_t* dq;
  int32_t dq_length;
  uint8_t* qinv;
  int32_t qinv_length;
  uint8_t* private_storage;
  quorv_rsa_key* rsa_key;  // the same key in computing form
  int32_t tcp_nodelay;
  uint32_t session_timeout;  // seconds
  uint32_t max_request_size;
  uint32_t max_buffer_size;
  quorv_log_cb log;
  quorv_idle_cb idle;
  char* vendor_info;
  char* server_header;
  uint32_t long_poll;
  uint32_t max_sessions;
  uint32_t max_subscription_frames;
  uint32_t max_subscription_items;
  uint32_t publish_queue_size;
  uint32_t max_auth_clients;
};

extern quorv_options quorv_global_options;

int quorv_options_initialize();
void quorv_options_free();
void quorv_options_set_server_name(const char* name);
void quorv_options_set_quorv_prefix(const char* prefix);
void quorv_options_set_http_options(const char* address, int32_t port);
void quorv_options_set_https_options(const char* address, int32_t port, const char* certificate_file, const char* pass_phrase);
void quorv_options_set_web_root(const char* root, const char* index_files);
void quorv_options_set_auth_options(int32_t mode, const char* realm);
// Replaces the MIME table from a file of "type extension..." lines; -1 (the table
// unchanged) when the file cannot be read or memory runs out.
int quorv_options_set_mimetypes_from_file(const char* path);
void quorv_server_set_error_logging_cb(quorv_log_cb function);
void quorv_server_set_idle_cb(quorv_idle_cb function);

// Orders two MIME rows by extension without regard to case (qsort, bsearch).
int quorv_util_compare_mimetype(const void* a, const void* b);

// --- Callbacks --------------------------------------------------------------------------
// Each is called with the request context that its answers go to (through the result
// serialisers of web/quorv_json.h) and the user data of the requesting session. Results
// are described where the method that calls them is built.

using quorv_request_hook_cb = int (*)(const char* method, const char* url, quorv_connection* connection, quorv_buffer* request,
                                      quorv_buffer** response, int32_t* keep_request, const char* user);
using quorv_response_hook_cb = int (*)(quorv_connection* connection, quorv_buffer* response);
// Error texts of application codes (10000 and above). *must_free tells the server to free
// what it got (the text, or each text of the list and the list).
using quorv_error_simple_cb = char* (*)(int32_t code, int32_t* must_free);
using quorv_error_ex_cb = int32_t (*)(int32_t code, char** text, quorv_localized_string** list, int32_t* must_free);
using quorv_read_simple_cb = int32_t (*)(quorv_request_context* request, void* user, const char* address);
using quorv_read_multi_cb = int32_t (*)(quorv_request_context* request, void* user, const char* const* addresses);
using quorv_write_simple_cb = int32_t (*)(quorv_request_context* request, void* user, const char* address, const char* value,
                                          int32_t value_length);
using quorv_write_multi_cb = int32_t (*)(quorv_request_context* request, void* user, const char* const* addresses,
                                         const char* const* values, const int32_t* value_lengths);
using quorv_processimage_list_cb = int32_t (*)(quorv_request_context* request, void* user);
using quorv_processimage_read_cb = int32_t (*)(quorv_request_context* request, void* user);
using quorv_deferred_address_cb = int32_t (*)(void* user, const char* address);
using quorv_subscribe_cb = int32_t (*)(quorv_subscription_item* item, void* user, const char* address, void** handle,
                                       int32_t* coalesce, int32_t* error);
using quorv_unsubscribe_cb = int32_t (*)(void* handle, int32_t* error);
using quorv_subscribe_filter_cb = int32_t (*)(quorv_subscription_item* item, void* user, const char* filter, void** handle,
                                              int32_t* error);
using quorv_query_filter_cb = int32_t (*)(quorv_request_context* request, void* user, const char* filter);
using quorv_accept_alarm_cb = int32_t (*)(void* user, const char* address, int32_t* error);
using quorv_read_history_cb = int32_t (*)(quorv_request_context* request, void* user, const char* const* addresses,
                                          const quorv_timestamp* start, const quorv_timestamp* end, int32_t return_bounds,
                                          const char* aggregation, uint32_t interval);
using quorv_change_password_cb = int32_t (*)(void* user, const char* name, const char* old_password, const char* new_password,
                                             int32_t* error);
using quorv_access_check_cb = int32_t (*)(const char* method, const char* url, quorv_connection* connection, const char* user,
                                          const char* realm, int32_t* error);
using quorv_password_digest_cb = int32_t (*)(void* entry, const char* password, char* ha1, int32_t* error);
using quorv_user_info_cb = int32_t (*)(quorv_auth_context* context, void* entry);

// The callback slots, in their order.
struct quorv_server_callbacks {
  quorv_request_hook_cb request_hook;
  quorv_response_hook_cb response_hook;
  quorv_error_simple_cb error_simple;
  quorv_error_ex_cb error_ex;
  quorv_read_simple_cb read_simple;
  quorv_write_simple_cb write_simple;
  quorv_processimage_list_cb processimage_list;
  quorv_processimage_read_cb processimage_read;
  quorv_read_simple_cb alarm_read;
  quorv_read_multi_cb read_multi;
  quorv_write_multi_cb write_multi;
  quorv_deferred_address_cb deferred_address;
  quorv_subscribe_cb subscribe_data;
  quorv_unsubscribe_cb unsubscribe_data;
  quorv_subscribe_cb subscribe_alarm;
  quorv_unsubscribe_cb unsubscribe_alarm;
  quorv_subscribe_filter_cb subscribe_filter;
  quorv_unsubscribe_cb unsubscribe_filter;
  quorv_query_filter_cb query_filter;
  quorv_accept_alarm_cb accept_alarm;
  quorv_read_history_cb read_history;
};

// The authentication slots, in their order.
struct quorv_auth_callbacks {
  quorv_change_password_cb change_password;
  quorv_access_check_cb access_check;
  quorv_password_digest_cb password_digest;
  quorv_user_info_cb user_info;
};

void quorv_server_set_basic_callbacks_simple(quorv_read_simple_cb read, quorv_write_simple_cb write);
void quorv_server_set_basic_callbacks_multi(quorv_read_multi_cb read, quorv_write_multi_cb write);
void quorv_server_set_processimage_callbacks(quorv_processimage_list_cb list, quorv_processimage_read_cb read);
void quorv_server_set_deferred_address_callback(quorv_deferred_address_cb test);
void quorv_server_set_advanced_callbacks(quorv_subscribe_cb subscribe, quorv_unsubscribe_cb unsubscribe);
void quorv_server_set_alarm_callbacks(quorv_subscribe_cb subscribe, quorv_unsubscribe_cb unsubscribe, quorv_read_simple_cb read,
                                      quorv_accept_alarm_cb accept);
void quorv_server_set_scada_callbacks(quorv_subscribe_filter_cb subscribe_filter, quorv_unsubscribe_cb unsubscribe_filter,
                                      quorv_query_filter_cb query_filter);
void quorv_server_set_history_callbacks(quorv_read_history_cb read_history);
void quorv_server_set_auth_callbacks(quorv_access_check_cb access_check, quorv_password_digest_cb password_digest,
                                     quorv_user_info_cb user_info, quorv_change_password_cb change_password);
void quorv_server_set_request_hook_callback(quorv_request_hook_cb hook);
void quorv_server_set_response_hook_callback(quorv_response_hook_cb hook);
void quorv_server_set_error_callback_simple(quorv_error_simple_cb function);
void quorv_server_set_error_callback_ex(quorv_error_ex_cb function);

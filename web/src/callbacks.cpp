// Registration of the application's callbacks; an empty slot makes the server answer the
// method concerned with its "callback not set" error.
#include "quorv_context.h"

namespace {

quorv_server_callbacks& Slots() { return quorv_global_context.callbacks; }

}  // namespace

void quorv_server_set_basic_callbacks_simple(quorv_read_simple_cb read, quorv_write_simple_cb write) {
  Slots().read_simple = read;
  Slots().write_simple = write;
}

void quorv_server_set_basic_callbacks_multi(quorv_read_multi_cb read, quorv_write_multi_cb write) {
  Slots().read_multi = read;
  Slots().write_multi = write;
}

void quorv_server_set_processimage_callbacks(quorv_processimage_list_cb list, quorv_processimage_read_cb read) {
  Slots().processimage_list = list;
  Slots().processimage_read = read;
}

void quorv_server_set_deferred_address_callback(quorv_deferred_address_cb test) { Slots().deferred_address = test; }

void quorv_server_set_advanced_callbacks(quorv_subscribe_cb subscribe, quorv_unsubscribe_cb unsubscribe) {
  Slots().subscribe_data = subscribe;
  Slots().unsubscribe_data = unsubscribe;
}

void quorv_server_set_alarm_callbacks(quorv_subscribe_cb subscribe, quorv_unsubscribe_cb unsubscribe, quorv_read_simple_cb read,
                                      quorv_accept_alarm_cb accept) {
  Slots().subscribe_alarm = subscribe;
  Slots().unsubscribe_alarm = unsubscribe;
  Slots().alarm_read = read;
  Slots().accept_alarm = accept;
}

void quorv_server_set_scada_callbacks(quorv_subscribe_filter_cb subscribe_filter, quorv_unsubscribe_cb unsubscribe_filter,
                                      quorv_query_filter_cb query_filter) {
  Slots().subscribe_filter = subscribe_filter;
  Slots().unsubscribe_filter = unsubscribe_filter;
  Slots().query_filter = query_filter;
}

void quorv_server_set_history_callbacks(quorv_read_history_cb read_history) { Slots().read_history = read_history; }

void quorv_server_set_auth_callbacks(quorv_access_check_cb access_check, quorv_password_digest_cb password_digest,
                                     quorv_user_info_cb user_info, quorv_change_password_cb change_password) {
  quorv_auth_callbacks& auth = quorv_global_context.auth;
  auth.access_check = access_check;
  auth.password_digest = password_digest;
  auth.user_info = user_info;
  auth.change_password = change_password;
}

void quorv_server_set_request_hook_callback(quorv_request_hook_cb hook) { Slots().request_hook = hook; }

void quorv_server_set_response_hook_callback(quorv_response_hook_cb hook) { Slots().response_hook = hook; }

void quorv_server_set_error_callback_simple(quorv_error_simple_cb function) { Slots().error_simple = function; }

void quorv_server_set_error_callback_ex(quorv_error_ex_cb function) { Slots().error_ex = function; }

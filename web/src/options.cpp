// The option record: defaults, setters and the log callback.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "ground/sysservices.h"
#include "mimetype_table.h"
#include "quorv_rsa_key.h"
#include "web/quorv_options.h"
#include "web/quorv_util.h"

quorv_options quorv_global_options;

namespace {

// The panel's partner identity (OEM byte 128) carries its own realm.
constexpr uint8_t kPartnerOem = 128;

void LogToStderr(const char* text) { std::fprintf(stderr, "%s\n", text); }

void Replace(char*& field, const char* value) {
  std::free(field);
  field = quorv_strdup(value);
}

}  // namespace

void quorv_log(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  const quorv_log_cb log = quorv_global_options.log ? quorv_global_options.log : LogToStderr;
  log(text);
}

int quorv_options_initialize() {
  quorv_options& o = quorv_global_options;
  o = quorv_options{};
  o.prefix = quorv_strdup("/Quorv/");
  o.prefix_length = 7;
  o.http_port = 80;
  o.https_port = 443;
  o.web_root = quorv_strdup("WEBROOT_NOT_SET");
  o.index_files = quorv_strdup("index.htm");
  o.mimetypes = quorv_mimetypes_default(&o.mimetype_count);
  o.level = 3;
  o.auth_mode = 5;
  o.realm = quorv_strdup(OemIdentityByte() == kPartnerOem ? "z7PNQ" : "Quorv");
  o.tcp_nodelay = 1;
  o.session_timeout = 60;
  o.max_request_size = 0x20000;
  o.max_buffer_size = 0x800000;
  o.log = LogToStderr;
  o.vendor_info = quorv_strdup("Operator panel web server, Quorv SDK 1.2");
  o.server_header = quorv_strdup("Quorv SDK/0.9.0");
  o.long_poll = 1;
  o.max_sessions = 4;
  o.max_subscription_frames = 16;
  o.max_subscription_items = 8192;
  o.publish_queue_size = 4608;
  o.max_auth_clients = 4;
  return 0;
}

void quorv_options_free() {
  quorv_options& o = quorv_global_options;
  for (char** s : {&o.server_name, &o.prefix, &o.http_address, &o.https_address, &o.certificate_file, &o.pass_phrase,
                   &o.web_root, &o.index_files, &o.realm, &o.vendor_info, &o.server_header}) {
    std::free(*s);
    *s = nullptr;
  }
  quorv_mimetypes_free_table(o.mimetypes, o.mimetype_count);
  o.mimetypes = nullptr;
  o.mimetype_count = 0;
  quorv_options_clear_key_parts();
  quorv_rsa_free(o.rsa_key);
  o.rsa_key = nullptr;
}

void quorv_options_set_server_name(const char* name) {
  if (!name) return;
  Replace(quorv_global_options.server_name, name);
  quorv_global_options.server_name_length = quorv_global_options.server_name ? static_cast<int32_t>(std::strlen(name)) : 0;
}

void quorv_options_set_quorv_prefix(const char* prefix) {
  Replace(quorv_global_options.prefix, prefix);
  quorv_global_options.prefix_length = quorv_global_options.prefix ? static_cast<int32_t>(std::strlen(prefix)) : 0;
}

void quorv_options_set_http_options(const char* address, int32_t port) {
  Replace(quorv_global_options.http_address, address);
  quorv_global_options.http_port = port;
}

void quorv_options_set_https_options(const char* address, int32_t port, const char* certificate_file, const char* pass_phrase) {
  Replace(quorv_global_options.https_address, address);
  quorv_global_options.https_port = port;
  Replace(quorv_global_options.certificate_file, certificate_file);
  Replace(quorv_global_options.pass_phrase, pass_phrase);
}

void quorv_options_set_web_root(const char* root, const char* index_files) {
  Replace(quorv_global_options.web_root, root);
  Replace(quorv_global_options.index_files, index_files);
}

void quorv_options_set_auth_options(int32_t mode, const char* realm) {
  quorv_global_options.auth_mode = mode;
  // Basic and Digest need a realm to name; the other modes go without one.
  if (realm)
    Replace(quorv_global_options.realm, realm);
  else
    Replace(quorv_global_options.realm, (mode == 1 || mode == 2) ? "Quorv" : nullptr);
}

void quorv_server_set_error_logging_cb(quorv_log_cb function) { quorv_global_options.log = function; }

void quorv_server_set_idle_cb(quorv_idle_cb function) { quorv_global_options.idle = function; }

// Response heads: the status line and standard lines, HTML error pages, the 401
// challenge, and content chained behind a head.
#include <cstdio>
#include <cstring>

#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "ground/rtc.h"
#include "quorv_http.h"
#include "web/quorv_options.h"

namespace {

constexpr uint32_t kHeadInitial = 1024;
constexpr uint32_t kRegisterUtcFirst = 212;  // SR212..SR217: second .. year in UTC

int Put(quorv_buffer* b, const char* text) { return quorv_buffer_put_data(b, text, static_cast<uint32_t>(std::strlen(text))); }

// The panel's clock in UTC: the zone and daylight saving are already taken out of the
// UTC record the clock keeps. 0 when the record holds no valid time.
time_t PanelUtcNow() {
  uint16_t words[6] = {};
  if (!PlcReg_Get(words, reg::SrToken(kRegisterUtcFirst), 96)) return 0;
  const UtcRecord record{words[0], words[1], words[2], words[3], words[4], words[5]};
  UtcTime time{};
  return UtcGet(record, time) ? static_cast<time_t>(time.seconds) : 0;
}

// Text with the five characters of HTML markup written as entities.
int PutEscaped(quorv_buffer* b, const char* text) {
  for (const char* p = text; *p; ++p) {
    const char* entity = nullptr;
    switch (*p) {
      case '"': entity = "&quot;"; break;
      case '&': entity = "&amp;"; break;
      case '\'': entity = "&apos;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      default: break;
    }
    if (entity ? Put(b, entity) != 0 : quorv_buffer_put_data(b, p, 1) != 0) return 1;
  }
  return 0;
}

}  // namespace

int quorv_engine_initialize_response_fields(quorv_buffer* buffer, int32_t status, const char* reason, int keep_alive) {
  char line[128];
  std::snprintf(line, sizeof line, "HTTP/1.0 %d ", status);
  if (Put(buffer, line) != 0 || Put(buffer, reason ? reason : "") != 0 || Put(buffer, "\r\nServer: ") != 0 ||
      Put(buffer, quorv_global_options.server_header ? quorv_global_options.server_header : "") != 0 || Put(buffer, "\r\n") != 0)
    return 1;
  char date[64];
  const time_t now = PanelUtcNow();
  if (now > 0 && quorv_util_output_http_time(now, date, sizeof date) > 0) {
    if (Put(buffer, "Date: ") != 0 || Put(buffer, date) != 0 || Put(buffer, "\r\n") != 0) return 1;
  }
  if (keep_alive && Put(buffer, "Connection: Keep-Alive\r\n") != 0) return 1;
  return 0;
}

quorv_buffer* quorv_engine_initialize_response(int32_t status, const char* reason, int keep_alive) {
  quorv_buffer* b = quorv_buffer_get(QUORV_BUFFER_HEAD, kHeadInitial, quorv_global_options.max_buffer_size, 0);
  if (!b) return nullptr;
  if (quorv_engine_initialize_response_fields(b, status, reason, keep_alive) != 0) {
    quorv_buffer_return(b);
    return nullptr;
  }
  return b;
}

quorv_buffer* quorv_engine_initialize_response_mtsafe(int32_t status, const char* reason, int keep_alive) {
  quorv_buffer* b = quorv_buffer_get(QUORV_BUFFER_CONTENT, kHeadInitial, quorv_global_options.max_buffer_size, 1);
  if (!b) return nullptr;
  if (quorv_engine_initialize_response_fields(b, status, reason, keep_alive) != 0) {
    quorv_buffer_free(b);
    return nullptr;
  }
  return b;
}

quorv_buffer* quorv_engine_get_content_buffer_mtsafe() {
  return quorv_buffer_get(QUORV_BUFFER_CONTENT, 512, quorv_global_options.max_buffer_size, 1);
}

int quorv_engine_chain_content(quorv_buffer* response, quorv_buffer* content, const char* type) {
  if (!response || !content) return -1;
  char line[64];
  std::snprintf(line, sizeof line, "Content-Length: %u\r\n\r\n", content->used);
  if (type && (Put(response, "Content-Type: ") != 0 || Put(response, type) != 0 || Put(response, "\r\n") != 0)) return -1;
  if (Put(response, line) != 0) return -1;
  response->kind = response->kind == QUORV_BUFFER_REQUEST ? QUORV_BUFFER_REQUEST_CHAINED : QUORV_BUFFER_HEAD_CHAINED;
  return quorv_buffer_put_chained_content(response, content);
}

quorv_buffer* quorv_engine_not_available_err(const char* entity, int32_t status, const char* message, int keep_alive,
                                             int head_only) {
  quorv_buffer* response = quorv_engine_initialize_response(status, message, keep_alive);
  if (!response) return nullptr;
  if (head_only) {
    if (Put(response, "\r\n") != 0) {
      quorv_buffer_return(response);
      return nullptr;
    }
    return response;
  }
  quorv_buffer* body = quorv_buffer_get(QUORV_BUFFER_DATA, 512, quorv_global_options.max_buffer_size, 0);
  if (!body) {
    quorv_buffer_return(response);
    return nullptr;
  }
  char start[512];
  std::snprintf(start, sizeof start,
                "<!DOCTYPE html><html><head><title>%d %s</title></head><body><h1>%s</h1><p>Requested Entity: ", status, message,
                message);
  char line[96];
  bool ok = Put(body, start) == 0 && PutEscaped(body, entity ? entity : "") == 0 && Put(body, "</p></body></html>") == 0;
  if (ok) {
    std::snprintf(line, sizeof line, "Content-Length: %u\r\nContent-Type: text/html; charset=utf-8\r\n\r\n", body->used);
    ok = Put(response, line) == 0;
  }
  if (ok) {
    response->kind = QUORV_BUFFER_HEAD_CHAINED;
    ok = quorv_buffer_put_chained_content(response, body) == 0;
  }
  if (!ok) {
    quorv_buffer_return(body);
    quorv_buffer_return(response);
    return nullptr;
  }
  return response;
}

quorv_buffer* quorv_auth_generate_401_response(int keep_alive, const char* extra) {
  static constexpr char kTail[] =
      "Content-Length: 126\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<!DOCTYPE html><html><head><title>401 "
      "Authorization Required</title></head><body><h1>Authorization required</h1></body></html>";
  static_assert(sizeof kTail - 1 == 189);
  const quorv_options& o = quorv_global_options;
  const char* realm = o.realm ? o.realm : "";
  extra = extra ? extra : "";
  char challenge[512];
  bool supported = true;
  switch (o.auth_mode) {
    case 1: std::snprintf(challenge, sizeof challenge, "WWW-Authenticate: Basic realm=\"%s\"\r\n", realm); break;
    case 2: {
      char nonce[128];
      if (quorv_auth_new_nonce(nonce, sizeof nonce) != 0) return nullptr;
      std::snprintf(challenge, sizeof challenge,
                    "WWW-Authenticate: Digest realm=\"%s\", domain=\"/\", nonce=\"%s\", algorithm=MD5, qop=\"auth\"%s\r\n", realm,
                    nonce, extra);
      break;
    }
    case 3: std::snprintf(challenge, sizeof challenge, "WWW-Authenticate: Negotiate%s\r\n", extra); break;
    case 4: std::snprintf(challenge, sizeof challenge, "WWW-Authenticate: NTLM%s\r\n", extra); break;
    default: supported = false; break;
  }
  quorv_buffer* response = supported ? quorv_engine_initialize_response(401, "Authorization Required", keep_alive)
                                     : quorv_engine_initialize_response(500, "Internal error - HTTP auth needed and not supported", keep_alive);
  if (!response) return nullptr;
  if ((supported && Put(response, challenge) != 0) || Put(response, kTail) != 0) {
    quorv_buffer_return(response);
    return nullptr;
  }
  return response;
}

quorv_buffer* quorv_engine_initialize_request(const char* url) {
  quorv_buffer* b = quorv_buffer_get(QUORV_BUFFER_REQUEST, 1024, quorv_global_options.max_request_size, 0);
  if (!b) return nullptr;
  if (Put(b, "POST ") != 0 || Put(b, url ? url : "/") != 0 || Put(b, " HTTP/1.0\r\n") != 0) {
    quorv_buffer_return(b);
    return nullptr;
  }
  return b;
}

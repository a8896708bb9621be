// Request framing: the bytes of a connection cut into whole requests, and the request
// line that sends each to the file server or the method dispatcher.
#include <cstring>

#include "quorv_http.h"
#include "web/quorv_options.h"

namespace {

const char* Data(const quorv_buffer* b) { return reinterpret_cast<const char*>(b->data) + b->read_pos; }
uint32_t Available(const quorv_buffer* b) { return b->used - b->read_pos; }

// The decimal value of the Content-Length header within the head, -1 when there is none,
// -2 when negative or above maximum.
int64_t ContentLength(const char* head, uint32_t length, uint32_t maximum) {
  static constexpr char kName[] = "\r\ncontent-length:";
  const int32_t at = quorv_util_strcasenstr(head, length, kName, sizeof kName - 1);
  if (at < 0) return -1;
  const char* p = head + at + sizeof kName - 1;
  const char* end = head + length;
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  int64_t value = 0;
  while (p < end && *p >= '0' && *p <= '9') {
    value = value * 10 + (*p++ - '0');
    if (value > maximum) return -2;
  }
  return negative && value > 0 ? -2 : value;
}

// The value of one header within the head (the name with its colon, lower case), or
// null; its length in *value_length.
const char* Header(const char* head, uint32_t length, const char* name, uint32_t* value_length) {
  char pattern[64] = "\r\n";
  const size_t name_length = std::strlen(name);
  if (name_length + 2 >= sizeof pattern) return nullptr;
  std::memcpy(pattern + 2, name, name_length);
  const int32_t at = quorv_util_strcasenstr(head, length, pattern, name_length + 2);
  if (at < 0) return nullptr;
  const char* value = head + at + 2 + name_length;
  const char* end = head + length;
  while (value < end && (*value == ' ' || *value == '\t')) ++value;
  const char* stop = value;
  while (stop < end && *stop != '\r' && *stop != '\n') ++stop;
  *value_length = static_cast<uint32_t>(stop - value);
  return value;
}

bool IsSimpleGet(const char* line, uint32_t length) {
  if (length < 4 || std::memcmp(line, "GET ", 4) != 0) return false;
  // A version follows the URL after a space; without one the line is a simple request.
  const void* space = std::memchr(line + 4, ' ', length - 4);
  return space == nullptr;
}

// A request buffer holding length bytes of data.
quorv_buffer* CopyRequest(const char* data, uint32_t length) {
  quorv_buffer* request = quorv_buffer_get(QUORV_BUFFER_REQUEST, length, std::max(length, quorv_global_options.max_request_size), 0);
  if (!request) return nullptr;
  if (quorv_buffer_put_data(request, data, length) != 0) {
    quorv_buffer_return(request);
    return nullptr;
  }
  return request;
}

int Drop(quorv_connection* connection) {
  connection->drop = 1;
  return -1;
}

// Keeps the unread bytes of work as the connection's pending bytes.
int KeepRest(quorv_buffer** pending, quorv_buffer* work, quorv_connection* connection) {
  const uint32_t rest = Available(work);
  if (work == *pending) {
    if (rest == 0) {
      quorv_buffer_return(*pending);
      *pending = nullptr;
    } else if (work->read_pos > 0) {
      std::memmove(work->data, work->data + work->read_pos, rest);
      work->used = rest;
      work->read_pos = 0;
    }
    return 0;
  }
  if (rest == 0) return 0;
  *pending = quorv_buffer_get(QUORV_BUFFER_DATA, 1024, quorv_global_options.max_request_size, 0);
  if (!*pending || quorv_buffer_put_data(*pending, Data(work), rest) != 0) {
    quorv_log("Request larger than %u bytes", quorv_global_options.max_request_size);
    quorv_buffer_return(*pending);
    *pending = nullptr;
    return Drop(connection);
  }
  return 0;
}

}  // namespace

int quorv_engine_handle_data(quorv_connection* connection, quorv_buffer** pending, quorv_buffer* received) {
  const bool peer_closed = received->used == 0;
  quorv_buffer* work = received;
  if (*pending) {
    if (quorv_buffer_put_data(*pending, received->data, received->used) != 0) {
      quorv_log("Request larger than %u bytes", quorv_global_options.max_request_size);
      received->used = received->read_pos = 0;
      return Drop(connection);
    }
    work = *pending;
    received->used = received->read_pos = 0;
  }
  // A reply on a connection the proxy opened to another server, not a request.
  const bool remote_response = connection->remote_index >= 0 && connection->client;
  bool closing = false;
  while (Available(work) > 0 && !closing) {
    const char* p = Data(work);
    const uint32_t available = Available(work);
    const void* newline = std::memchr(p, '\n', available);
    if (!newline) break;
    const uint32_t line_length = static_cast<uint32_t>(static_cast<const char*>(newline) - p) + 1;
    // An empty line before a request line is skipped (RFC 9112, 2.2).
    if (line_length == 1 || (line_length == 2 && p[0] == '\r')) {
      work->read_pos += line_length;
      continue;
    }
    if (line_length < 3 || p[line_length - 2] != '\r') break;
    quorv_buffer* request = nullptr;
    int simple = 0;
    if (IsSimpleGet(p, line_length - 2)) {
      simple = 1;
      request = CopyRequest(p, line_length);
      if (!request) return Drop(connection);
      work->read_pos += line_length;
    } else {
      const int32_t end = quorv_util_strnstr(p, available, "\r\n\r\n", 4);
      if (end < 0) break;
      const uint32_t header_length = static_cast<uint32_t>(end) + 4;
      const int64_t declared = ContentLength(p, header_length, quorv_global_options.max_request_size);
      if (declared == -2) {
        quorv_log("Content-Length negative or too large");
        return Drop(connection);
      }
      const uint32_t body_at_hand = available - header_length;
      uint32_t content_length;
      if (declared >= 0) {
        // A body cut short by the peer's close is never handled as if it were whole.
        if (body_at_hand < declared) break;
        content_length = static_cast<uint32_t>(declared);
      } else {
        if (remote_response && !peer_closed) break;
        content_length = remote_response ? body_at_hand : 0;
      }
      request = CopyRequest(p, header_length + content_length);
      if (!request) return Drop(connection);
      request->header_end = header_length;
      request->carried_length = content_length;
      work->read_pos += header_length + content_length;
    }
    if (remote_response) {
      quorv_comm_remote_server_handle_response(connection, request);
    } else if (quorv_buffer* response = quorv_engine_handle_request(connection, request, simple)) {
      quorv_comm_send(connection, response);
    }
    // Without keep-alive the connection ends after this answer: what follows is not read.
    closing = !connection->keep_alive;
  }
  if (closing) {
    if (work == *pending) {
      quorv_buffer_return(*pending);
      *pending = nullptr;
    }
    received->used = received->read_pos = 0;
    return 0;
  }
  const int result = KeepRest(pending, work, connection);
  received->used = received->read_pos = 0;
  return result;
}

quorv_buffer* quorv_engine_handle_request(quorv_connection* connection, quorv_buffer* request, int simple) {
  static char url[QUORV_URL_MAX + 1];
  const char* data = reinterpret_cast<const char*>(request->data);
  const uint32_t used = request->used;
  const int32_t line_end = quorv_util_strnstr(data, used, "\r\n", 2);
  if (line_end < 0) {
    quorv_buffer_return(request);
    return quorv_engine_not_available_err("", 400, "Bad Request", 0, 0);
  }
  const uint32_t line_length = static_cast<uint32_t>(line_end);
  // Keep-alive is what the request asks for; a simple request has no headers to ask.
  connection->keep_alive = 0;
  if (!simple) {
    uint32_t length = 0;
    const char* value = Header(data, request->header_end ? request->header_end : used, "connection:", &length);
    connection->keep_alive = value && quorv_util_strcasenstr(value, length, "keep-alive", 10) >= 0;
  }
  const int keep_alive = connection->keep_alive;
  const void* space = std::memchr(data, ' ', std::min<uint32_t>(line_length, 16));
  const uint32_t method_length = space ? static_cast<uint32_t>(static_cast<const char*>(space) - data) : 0;
  char method[17] = {};
  std::memcpy(method, data, space ? method_length : std::min<uint32_t>(line_length, 16));
  if (!space || method_length <= 2) {
    quorv_buffer_return(request);
    return quorv_engine_not_available_err(method, 500, "No recognizable method found in request", keep_alive, 0);
  }
  const char* url_start = data + method_length + 1;
  const uint32_t rest = line_length - method_length - 1;
  uint32_t url_length;
  if (simple) {
    url_length = rest;
  } else {
    const void* next = std::memchr(url_start, ' ', std::min<uint32_t>(rest, QUORV_URL_MAX + 1));
    url_length = next ? static_cast<uint32_t>(static_cast<const char*>(next) - url_start) : QUORV_URL_MAX + 1;
  }
  const bool head = std::strcmp(method, "HEAD") == 0;
  // The URL area holds QUORV_URL_MAX bytes and the NUL.
  if (url_length > QUORV_URL_MAX) {
    quorv_buffer_return(request);
    return quorv_engine_not_available_err(method, 414, "Request-URL Too Long", keep_alive, head);
  }
  std::memcpy(url, url_start, url_length);
  url[url_length] = '\0';
  quorv_buffer* response = nullptr;
  // Methods are matched whole: "GETX" is not GET.
  if (std::strcmp(method, "GET") == 0 || head) {
    quorv_engine_handle_head_get_request(url, url_length, head, quorv_global_options.web_root, connection, request, &response);
  } else if (std::strcmp(method, "POST") == 0) {
    response = quorv_engine_handle_post_request(connection, request, url);
  } else {
    quorv_buffer_return(request);
    response = quorv_engine_not_available_err(method, 501, "Invalid method", keep_alive, 0);
  }
  if (quorv_global_context.callbacks.response_hook && response)
    quorv_global_context.callbacks.response_hook(connection, response);
  return response;
}

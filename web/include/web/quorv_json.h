#pragma once
// JSON for the method protocol: the writer primitives, the serialisers with which the
// data callbacks answer a waiting request, the notification builders for subscribed
// sessions, error texts, and the small reader for replies of remote servers.
//
// Every primitive takes (destination, room, ...) and returns the bytes it writes; with a
// null destination it writes nothing and returns the bytes it would write. Too little
// room writes nothing, returns 0 and reports through the log.

#include <cstdint>

#include "web/quorv_buffer.h"
#include "web/quorv_types.h"

// --- Writer primitives ------------------------------------------------------------------

enum quorv_json_delimiter : int32_t {
  QUORV_JSON_OBJECT_BEGIN = 0,  // {
  QUORV_JSON_COLON = 1,         // :
  QUORV_JSON_COMMA = 2,         // ,
  QUORV_JSON_OBJECT_END = 3,    // }
  QUORV_JSON_ARRAY_BEGIN = 4,   // [
  QUORV_JSON_ARRAY_END = 5,     // ]
};

int32_t quorv_json_put_delimiter(char* dst, int32_t room, int32_t code);
// A quoted, escaped string; length -1: up to the NUL.
int32_t quorv_json_put_string(char* dst, int32_t room, const char* text, int32_t length);
int32_t quorv_json_put_integer(char* dst, int32_t room, int64_t value, int is_unsigned);
// "%.16g"; NaN and infinities as null.
int32_t quorv_json_put_real(char* dst, int32_t room, double value);
int32_t quorv_json_put_boolean(char* dst, int32_t room, int value);
int32_t quorv_json_put_null(char* dst, int32_t room);
// A quoted string of two hex digits per byte; length -1: up to the first NUL.
int32_t quorv_json_put_hex_data(char* dst, int32_t room, const uint8_t* bytes, int32_t length, int upper);
// JavaScript time: milliseconds since 1970 with the sub-millisecond part as a fraction.
int32_t quorv_json_put_timestamp(char* dst, int32_t room, const quorv_timestamp* timestamp);
int32_t quorv_json_put_data_value(char* dst, int32_t room, const quorv_data_value* value);
// "value":<data value>
int32_t quorv_json_put_value(char* dst, int32_t room, const quorv_data_value* value);
// A plain text as a string, a list as an object of language: text members.
int32_t quorv_json_put_localized_strings(char* dst, int32_t room, const quorv_localized_string* strings);
// The same from the packed form kept in notifications.
int32_t quorv_json_serialize_localized_strings(char* dst, int32_t room, const char* packed);
// The error text of code: the server's own below 10000, the application's from 10000 on.
int32_t quorv_util_write_errstrings(char* dst, int32_t room, int32_t code);

// --- Request context and result serialisers --------------------------------------------

enum quorv_request_kind : int32_t {
  QUORV_REQUEST_READ = 0,
  QUORV_REQUEST_WRITE = 1,
  QUORV_REQUEST_SUBSCRIPTION_READ = 2,
  QUORV_REQUEST_PROCESSIMAGE_LIST = 3,
  QUORV_REQUEST_PROCESSIMAGE_READ = 4,
  QUORV_REQUEST_FILTER_QUERY = 6,
  QUORV_REQUEST_HISTORY_READ = 7,
};

// One per data request, made by the request engine.
struct quorv_request_context {
  int32_t kind;
  quorv_buffer* result;  // the entries are appended here
  uint32_t entries;
  quorv_subscription_item* item;    // kind 2
  quorv_subscription_frame* frame;  // kind 2
  int32_t result_code;  // 500 until a serialiser succeeds; 0, 304, 900 or the callback's error
};

// Serialiser results.
enum quorv_serialize_result : int32_t {
  QUORV_SERIALIZE_DONE = 0,
  QUORV_SERIALIZE_NO_CONTEXT = 1,  // no context or no buffer (kind 2: the error was stored)
  QUORV_SERIALIZE_WRONG_KIND = 2,
  QUORV_SERIALIZE_OVERFLOW = 3,   // result code 304
  QUORV_SERIALIZE_NO_MEMORY = 4,  // result code 900
};

// Optional arguments are null (texts, timestamps) or 0 (status).
int32_t quorv_data_read_return(quorv_request_context* context, const quorv_data_value* value, const quorv_timestamp* timestamp,
                               uint32_t status, const quorv_localized_string* description, const char* user, int32_t error);
int32_t quorv_data_write_return(quorv_request_context* context, int32_t error);
int32_t quorv_read_processimage_return(quorv_request_context* context, const quorv_data_value* value,
                                       const quorv_timestamp* timestamp, uint32_t status,
                                       const quorv_localized_string* description, const char* user, int32_t error);
int32_t quorv_list_processimage_return(quorv_request_context* context, const char* address);
int32_t quorv_read_history_return(quorv_request_context* context, const char* address, const quorv_data_value* value,
                                  const quorv_timestamp* timestamp, uint32_t status, const quorv_localized_string* description,
                                  const char* user);
int32_t quorv_event_filter_read_return(quorv_request_context* context, const char* address, const quorv_timestamp* timestamp,
                                       const quorv_data_value* value, const quorv_localized_string* text, const char* user);
int32_t quorv_alarm_filter_read_return(quorv_request_context* context, const char* address, const quorv_timestamp* timestamp,
                                       uint32_t state, uint32_t priority, const quorv_data_value* value,
                                       const quorv_localized_string* text, const char* display, const char* user);
int32_t quorv_data_filter_read_return(quorv_request_context* context, const char* address, const quorv_data_value* value,
                                      const quorv_timestamp* timestamp, uint32_t status,
                                      const quorv_localized_string* description, const char* user);
int32_t quorv_alarm_read_return(quorv_request_context* context, const quorv_timestamp* timestamp, uint32_t state,
                                uint32_t priority, const quorv_data_value* value, const quorv_localized_string* text,
                                const char* display, const char* user, int32_t error);
// A user-info notification for the requesting session: the group names (null-ended),
// the names (null-ended) and one value per name.
int32_t quorv_user_info_return(quorv_auth_context* context, const char* const* groups, const char* const* names,
                               const quorv_data_value* values);

// --- Notifications ----------------------------------------------------------------------

// One notification per subscribed session of the item.
void quorv_data_notify(quorv_subscription_item* item, const quorv_data_value* value, const quorv_timestamp* timestamp,
                       uint32_t status, const quorv_localized_string* description, const char* user);
void quorv_data_filter_notify(quorv_subscription_item* item, const char* address, const quorv_data_value* value,
                              const quorv_timestamp* timestamp, uint32_t status, const quorv_localized_string* description,
                              const char* user);
void quorv_alarm_notify(quorv_subscription_item* item, const quorv_timestamp* timestamp, uint32_t state, uint32_t priority,
                        const quorv_data_value* value, const quorv_localized_string* text, const char* display,
                        const char* user);
void quorv_alarm_filter_notify(quorv_subscription_item* item, const char* address, const quorv_timestamp* timestamp,
                               uint32_t state, uint32_t priority, const quorv_data_value* value,
                               const quorv_localized_string* text, const char* display, const char* user);

// --- Reader -----------------------------------------------------------------------------

enum quorv_json_token : int32_t {
  QUORV_JSON_TOKEN_OBJECT_BEGIN = 0,
  QUORV_JSON_TOKEN_COLON = 1,
  QUORV_JSON_TOKEN_COMMA = 2,
  QUORV_JSON_TOKEN_OBJECT_END = 3,
  QUORV_JSON_TOKEN_ARRAY_BEGIN = 4,
  QUORV_JSON_TOKEN_ARRAY_END = 5,
  QUORV_JSON_TOKEN_STRING = 6,
  QUORV_JSON_TOKEN_NUMBER = 7,
  QUORV_JSON_TOKEN_TRUE = 8,
  QUORV_JSON_TOKEN_FALSE = 9,
  QUORV_JSON_TOKEN_NULL = 10,
  QUORV_JSON_TOKEN_END = 11,
  QUORV_JSON_TOKEN_OTHER = 12,
};

// Classifies the next token after blanks; the offset just past it (for a number: of its
// first character).
int32_t quorv_util_json_decode_next_token(const char* text, int32_t* token);
// A number: its length, -1 when there is none. A '.', 'e' or 'E' makes it real.
int32_t quorv_util_json_decode_number(const char* text, int64_t* integer, double* real, int* is_real);
// A string body after its opening quote into buffer (NUL-terminated within room); the
// length consumed with the closing quote, -1 when no quote ends it, an escape is unknown
// or the text does not fit. Without a buffer only measures (any escape fails).
int32_t quorv_util_json_decode_string(const char* text, char* buffer, int32_t room, int32_t* length);
// Skips a whole object from its opening brace: the length up to its closing brace, -1
// when malformed.
int32_t quorv_util_json_eat_object(const char* text);

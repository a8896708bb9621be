#pragma once
// Values that pass between the web server and the application that embeds it: typed
// data values, time stamps and texts in several languages.

#include <cstdint>

// Type codes of a data value; any other code (0 included) is null.
enum quorv_data_type : int32_t {
  QUORV_TYPE_NULL = 0,
  QUORV_TYPE_BOOLEAN = 1,  // first byte
  QUORV_TYPE_INT32 = 2,
  QUORV_TYPE_INT64 = 3,
  QUORV_TYPE_UINT32 = 4,
  QUORV_TYPE_UINT64 = 5,
  QUORV_TYPE_FLOAT = 6,
  QUORV_TYPE_DOUBLE = 7,
  QUORV_TYPE_STRING = 8,  // NUL-terminated UTF-8
};

struct quorv_data_value {
  int32_t type;
  union {
    uint8_t boolean;
    int32_t i32;
    int64_t i64;
    uint32_t u32;
    uint64_t u64;
    float f32;
    double f64;
    const char* text;
  } value;
};

// Seconds and nanoseconds since 1970-01-01 UTC.
struct quorv_timestamp {
  uint32_t seconds;
  uint32_t nanoseconds;
};

// One {language, text} pair of a list that ends with a pair holding a null member. A
// first pair whose text is null stands for one plain text, held in its language member.
struct quorv_localized_string {
  const char* language;
  const char* text;
};

// Records owned by other parts of the engine, passed through by pointer.
struct quorv_request_context;
struct quorv_subscription_item;
struct quorv_subscription_frame;
struct quorv_session;
struct quorv_auth_context;
struct quorv_connection;

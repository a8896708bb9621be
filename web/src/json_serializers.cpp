// The result serialisers: the data callbacks append one JSON entry per answer to the
// waiting request's result buffer, or, for a subscription read, queue a notification.
// Each entry is measured first and refused whole when it would pass the buffer's
// maximum, so a reply never holds half an entry.
#include <cstring>

#include "notification.h"
#include "web/quorv_json.h"
#include "web/quorv_util.h"

namespace {

constexpr int32_t kOverflow = 304;
constexpr int32_t kOutOfMemory = 900;

// Writes members into a range, or measures them when it has none.
class Entry {
 public:
  Entry(char* dst, int32_t room) : dst_(dst), room_(room) {}
  int32_t size() const { return n_; }

  template <typename F>
  void Put(F write) {
    n_ += write(dst_ ? dst_ + n_ : nullptr, dst_ ? room_ - n_ : 0);
  }
  void Delimiter(int32_t code) {
    Put([&](char* d, int32_t r) { return quorv_json_put_delimiter(d, r, code); });
  }
  void Key(const char* key) {
    if (members_++) Delimiter(QUORV_JSON_COMMA);
    Put([&](char* d, int32_t r) { return quorv_json_put_string(d, r, key, -1); });
    Delimiter(QUORV_JSON_COLON);
  }
  void String(const char* key, const char* text) {
    Key(key);
    Put([&](char* d, int32_t r) { return quorv_json_put_string(d, r, text, -1); });
  }
  void Integer(const char* key, int64_t value, bool is_unsigned = false) {
    Key(key);
    Put([&](char* d, int32_t r) { return quorv_json_put_integer(d, r, value, is_unsigned); });
  }
  void Value(const quorv_data_value* value) {
    Key("value");
    Put([&](char* d, int32_t r) { return quorv_json_put_data_value(d, r, value); });
  }
  void Timestamp(const quorv_timestamp* timestamp) {
    static constexpr quorv_timestamp kNone{};
    Key("timestamp");
    Put([&](char* d, int32_t r) { return quorv_json_put_timestamp(d, r, timestamp ? timestamp : &kNone); });
  }
  void Localized(const char* key, const quorv_localized_string* strings) {
    Key(key);
    Put([&](char* d, int32_t r) { return quorv_json_put_localized_strings(d, r, strings); });
  }
  void Error(int32_t error) {
    Integer("error", error);
    if (error) {
      Key("errorstring");
      Put([&](char* d, int32_t r) { return quorv_util_write_errstrings(d, r, error); });
    }
  }

 private:
  char* dst_;
  int32_t room_;
  int32_t n_ = 0;
  int members_ = 0;
};

// The footer that closes a reply ("]}"); room for it is kept with every entry.
int32_t FooterSize() {
  static const int32_t size =
      quorv_json_put_delimiter(nullptr, 0, QUORV_JSON_ARRAY_END) + quorv_json_put_delimiter(nullptr, 0, QUORV_JSON_OBJECT_END);
  return size;
}

// Appends one entry (an object whose members body writes) to the context's result.
template <typename Body>
int32_t Append(quorv_request_context* context, int32_t kind, Body body) {
  if (!context || !context->result) return QUORV_SERIALIZE_NO_CONTEXT;
  if (context->kind != kind) return QUORV_SERIALIZE_WRONG_KIND;
  auto whole = [&](Entry& e) {
    if (context->entries > 0) e.Delimiter(QUORV_JSON_COMMA);
    e.Delimiter(QUORV_JSON_OBJECT_BEGIN);
    body(e);
    e.Delimiter(QUORV_JSON_OBJECT_END);
  };
  Entry measure(nullptr, 0);
  whole(measure);
  const int32_t size = measure.size();
  quorv_buffer* buffer = context->result;
  if (static_cast<uint64_t>(size) + FooterSize() > UINT32_MAX - buffer->used ||
      quorv_buffer_call_overflow_error(buffer, static_cast<uint32_t>(size + FooterSize()))) {
    context->result_code = kOverflow;
    return QUORV_SERIALIZE_OVERFLOW;
  }
  if (quorv_buffer_grow(buffer, buffer->used + static_cast<uint32_t>(size)) != 0) {
    context->result_code = kOutOfMemory;
    return QUORV_SERIALIZE_NO_MEMORY;
  }
  Entry write(reinterpret_cast<char*>(buffer->data + buffer->used), size);
  whole(write);
  buffer->used += static_cast<uint32_t>(write.size());
  ++context->entries;
  context->result_code = 0;
  return QUORV_SERIALIZE_DONE;
}

bool Typed(const quorv_data_value* value) { return value && value->type != QUORV_TYPE_NULL; }

void ReadMembers(Entry& e, const quorv_data_value* value, const quorv_timestamp* timestamp, uint32_t status,
                 const quorv_localized_string* description, const char* user, int32_t error) {
  e.Value(value);
  if (Typed(value)) {
    if (timestamp) e.Timestamp(timestamp);
    if (status) e.Integer("status", status, true);
    if (description) e.Localized("description", description);
    if (user) e.String("username", user);
  }
  e.Error(error);
}

// A subscription read: the answer goes to the frame's session as a notification.
int32_t Notify(quorv_request_context* context, const quorv_notification_fields& fields, int32_t error) {
  if (error) {
    context->result_code = error;
    return QUORV_SERIALIZE_NO_CONTEXT;
  }
  const int32_t code = quorv_notification_publish_frame(context->item, context->frame, fields);
  context->result_code = code;
  return code ? QUORV_SERIALIZE_NO_MEMORY : QUORV_SERIALIZE_DONE;
}

const char* ItemName(const quorv_subscription_item* item) { return item && item->name ? item->name : ""; }

}  // namespace

int32_t quorv_data_read_return(quorv_request_context* context, const quorv_data_value* value, const quorv_timestamp* timestamp,
                               uint32_t status, const quorv_localized_string* description, const char* user, int32_t error) {
  if (context && context->kind == QUORV_REQUEST_SUBSCRIPTION_READ) {
    const quorv_notification_fields fields{QUORV_NOTIFY_DATA, ItemName(context->item), value, timestamp, status, 0, 0,
                                           description, nullptr, user};
    return Notify(context, fields, error);
  }
  return Append(context, QUORV_REQUEST_READ,
                [&](Entry& e) { ReadMembers(e, value, timestamp, status, description, user, error); });
}

int32_t quorv_data_write_return(quorv_request_context* context, int32_t error) {
  return Append(context, QUORV_REQUEST_WRITE, [&](Entry& e) { e.Error(error); });
}

int32_t quorv_read_processimage_return(quorv_request_context* context, const quorv_data_value* value,
                                       const quorv_timestamp* timestamp, uint32_t status,
                                       const quorv_localized_string* description, const char* user, int32_t error) {
  return Append(context, QUORV_REQUEST_PROCESSIMAGE_READ,
                [&](Entry& e) { ReadMembers(e, value, timestamp, status, description, user, error); });
}

int32_t quorv_list_processimage_return(quorv_request_context* context, const char* address) {
  if (!address) return QUORV_SERIALIZE_NO_CONTEXT;
  return Append(context, QUORV_REQUEST_PROCESSIMAGE_LIST, [&](Entry& e) { e.String("address", address); });
}

int32_t quorv_read_history_return(quorv_request_context* context, const char* address, const quorv_data_value* value,
                                  const quorv_timestamp* timestamp, uint32_t status, const quorv_localized_string* description,
                                  const char* user) {
  // Address, value and time stamp are required.
  if (!address || !value || !timestamp) return QUORV_SERIALIZE_NO_CONTEXT;
  return Append(context, QUORV_REQUEST_HISTORY_READ, [&](Entry& e) {
    e.String("address", address);
    e.Value(value);
    e.Timestamp(timestamp);
    if (status) e.Integer("status", status, true);
    if (description) e.Localized("description", description);
    if (user) e.String("username", user);
  });
}

int32_t quorv_event_filter_read_return(quorv_request_context* context, const char* address, const quorv_timestamp* timestamp,
                                       const quorv_data_value* value, const quorv_localized_string* text, const char* user) {
  return Append(context, QUORV_REQUEST_FILTER_QUERY, [&](Entry& e) {
    e.Integer("type", 99);
    e.Timestamp(timestamp);
    e.String("address", address ? address : "");
    if (value) e.Value(value);
    if (text) e.Localized("eventtext", text);
    if (user) e.String("username", user);
  });
}

int32_t quorv_alarm_filter_read_return(quorv_request_context* context, const char* address, const quorv_timestamp* timestamp,
                                       uint32_t state, uint32_t priority, const quorv_data_value* value,
                                       const quorv_localized_string* text, const char* display, const char* user) {
  return Append(context, QUORV_REQUEST_FILTER_QUERY, [&](Entry& e) {
    e.Integer("type", 2);
    e.Timestamp(timestamp);
    e.Integer("state", state, true);
    e.Integer("priority", priority, true);
    e.String("address", address ? address : "");
    if (value) e.Value(value);
    if (text) e.Localized("eventtext", text);
    if (display) e.String("display", display);
    if (user) e.String("username", user);
  });
}

int32_t quorv_data_filter_read_return(quorv_request_context* context, const char* address, const quorv_data_value* value,
                                      const quorv_timestamp* timestamp, uint32_t status,
                                      const quorv_localized_string* description, const char* user) {
  return Append(context, QUORV_REQUEST_FILTER_QUERY, [&](Entry& e) {
    e.Integer("type", 1);
    e.String("address", address ? address : "");
    if (Typed(value)) e.Value(value);
    if (timestamp) e.Timestamp(timestamp);
    if (status) e.Integer("status", status, true);
    if (description) e.Localized("description", description);
    if (user) e.String("username", user);
  });
}

int32_t quorv_alarm_read_return(quorv_request_context* context, const quorv_timestamp* timestamp, uint32_t state,
                                uint32_t priority, const quorv_data_value* value, const quorv_localized_string* text,
                                const char* display, const char* user, int32_t error) {
  if (!context) return QUORV_SERIALIZE_NO_CONTEXT;
  if (context->kind != QUORV_REQUEST_SUBSCRIPTION_READ) return QUORV_SERIALIZE_WRONG_KIND;
  const quorv_notification_fields fields{QUORV_NOTIFY_ALARM, ItemName(context->item), value, timestamp, 0, state, priority,
                                         text, display, user};
  return Notify(context, fields, error);
}

int32_t quorv_user_info_return(quorv_auth_context* context, const char* const* groups, const char* const* names,
                               const quorv_data_value* values) {
  if (!context) return QUORV_SERIALIZE_NO_CONTEXT;
  quorv_session* session = quorv_engine_auth_context_session(context);
  if (!session) return QUORV_SERIALIZE_NO_CONTEXT;
  quorv_notification* n = quorv_notification_build_user_info(quorv_engine_auth_context_user(context), groups, names, values);
  if (!n) {
    quorv_log("Out of memory allocating a publish item");
    return QUORV_SERIALIZE_NO_MEMORY;
  }
  int32_t error = 0;
  if (quorv_engine_session_insert_notification(session, n, nullptr, &error) != 0) quorv_notification_free(n);
  return QUORV_SERIALIZE_DONE;
}

void quorv_data_notify(quorv_subscription_item* item, const quorv_data_value* value, const quorv_timestamp* timestamp,
                       uint32_t status, const quorv_localized_string* description, const char* user) {
  if (!item) return;
  quorv_data_filter_notify(item, item->name, value, timestamp, status, description, user);
}

void quorv_data_filter_notify(quorv_subscription_item* item, const char* address, const quorv_data_value* value,
                              const quorv_timestamp* timestamp, uint32_t status, const quorv_localized_string* description,
                              const char* user) {
  const quorv_notification_fields fields{QUORV_NOTIFY_DATA, address, value, timestamp, status, 0, 0, description, nullptr, user};
  quorv_notification_publish(item, fields);
}

void quorv_alarm_notify(quorv_subscription_item* item, const quorv_timestamp* timestamp, uint32_t state, uint32_t priority,
                        const quorv_data_value* value, const quorv_localized_string* text, const char* display,
                        const char* user) {
  if (!item) return;
  quorv_alarm_filter_notify(item, item->name, timestamp, state, priority, value, text, display, user);
}

void quorv_alarm_filter_notify(quorv_subscription_item* item, const char* address, const quorv_timestamp* timestamp,
                               uint32_t state, uint32_t priority, const quorv_data_value* value,
                               const quorv_localized_string* text, const char* display, const char* user) {
  const quorv_notification_fields fields{QUORV_NOTIFY_ALARM, address, value, timestamp, 0, state, priority, text, display, user};
  quorv_notification_publish(item, fields);
}

#pragma once
// A notification queued for one session: a header and, in the same block behind it, a
// packed area with its texts. Offsets count from the start of the packed area; -1 is
// "none".

#include <cstddef>
#include <cstdint>

#include "quorv_subscription.h"
#include "web/quorv_types.h"

enum quorv_notification_kind : int32_t { QUORV_NOTIFY_USER_INFO = 0, QUORV_NOTIFY_DATA = 1, QUORV_NOTIFY_ALARM = 2 };

struct quorv_notification {
  quorv_notification* next;  // queue links, set by the session queue
  quorv_notification* previous;
  int32_t kind;
  quorv_data_value value;  // a string value points into the packed area
  quorv_timestamp timestamp;  // zero when none was given
  uint32_t status;  // data
  uint32_t state;  // alarm
  uint32_t priority;  // alarm
  int32_t address;  // data, alarm
  int32_t text;  // packed localized strings: description (data) or event text (alarm)
  int32_t display;  // alarm
  int32_t user;  // data, alarm; user info: the user name
  int32_t ids;  // subscription ids, each NUL-ended, then one more NUL
  int32_t groups;  // user info: group names, each NUL-ended, then one more NUL
  int32_t entries;  // user info: name NUL, a 16-byte data value, ..., then a NUL
  char* packed;
};

// What a data or alarm notification says.
struct quorv_notification_fields {
  int32_t kind;
  const char* address;
  const quorv_data_value* value;  // null: no value
  const quorv_timestamp* timestamp;
  uint32_t status;
  uint32_t state;
  uint32_t priority;
  const quorv_localized_string* text;
  const char* display;
  const char* user;
};

// A notification for the frames given (their ids make its id list); null when out of
// memory.
quorv_notification* quorv_notification_build(const quorv_notification_fields& fields, quorv_subscription_frame* const* frames,
                                             uint32_t frame_count);
// A user-info notification: the user, the group names (null-ended) and named values.
quorv_notification* quorv_notification_build_user_info(const char* user, const char* const* groups, const char* const* names,
                                                       const quorv_data_value* values);
void quorv_notification_free(quorv_notification* notification);

// The packed localized strings at an offset, null for -1.
inline const char* quorv_notification_text(const quorv_notification* n, int32_t offset) {
  return offset < 0 ? nullptr : n->packed + offset;
}

// Queues a notification of the fields on the session of each run of frames of the
// item (one run per session); without frames on the item nothing is done.
void quorv_notification_publish(quorv_subscription_item* item, const quorv_notification_fields& fields);
// For one frame (a subscription read): the ids of every frame of its session that
// holds the item; 0, or 900 when out of memory.
int32_t quorv_notification_publish_frame(quorv_subscription_item* item, quorv_subscription_frame* frame,
                                         const quorv_notification_fields& fields);

#pragma once
// What the notification builders read of subscriptions: the frame a page subscribes in
// and the server-wide item of one address with the frames that hold it. The methods
// that fill them, the item dictionary and the session queues come with subscriptions.

#include <cstdint>

#include "web/quorv_types.h"

struct quorv_notification;

struct quorv_subscription_frame {
  char id[16];  // "%x" of the frame counter
  quorv_session* session;
  quorv_subscription_frame* next;
  quorv_subscription_frame* previous;
};

enum quorv_subscription_type : int32_t { QUORV_SUBSCRIPTION_DATA = 0, QUORV_SUBSCRIPTION_ALARM = 1, QUORV_SUBSCRIPTION_FILTER = 2 };

struct quorv_subscription_item {
  char* name;
  uint32_t name_room;
  uint32_t hash;
  void* handle;
  int32_t type;
  int32_t coalesce;
  int32_t pending_error;
  // The frames that hold the item, the frames of one session next to each other, and
  // parallel to them the item's queued notification for that frame's session.
  quorv_subscription_frame** frames;
  quorv_notification** pending;
  uint32_t frame_count;
  uint32_t subscriber_count;
};

// The session table's read lock, around every walk from an item to its sessions.
void quorv_engine_session_table_read_lock();
void quorv_engine_session_table_read_unlock();
// Queues a notification on a session: 0, or nonzero (and *error) when the queue refuses
// it; the caller then frees it.
int32_t quorv_engine_session_insert_notification(quorv_session* session, quorv_notification* notification,
                                                 quorv_subscription_item* item, int32_t* error);
// The session an authentication context answers to (none: nothing is queued).
quorv_session* quorv_engine_auth_context_session(quorv_auth_context* context);
const char* quorv_engine_auth_context_user(quorv_auth_context* context);

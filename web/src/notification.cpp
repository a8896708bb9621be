// Building notifications for subscribed sessions and queueing them.
#include "notification.h"

#include <cstdlib>
#include <cstring>

#include "web/quorv_util.h"

namespace {

constexpr int32_t kOutOfMemory = 900;

// Lays texts out in a packed area; with no area it only counts.
class Packer {
 public:
  explicit Packer(char* area) : area_(area) {}
  size_t size() const { return pos_; }

  int32_t Text(const char* text) {
    const int32_t at = Here();
    Bytes(text ? text : "", text ? std::strlen(text) + 1 : 1);
    return at;
  }
  void Byte(char c) { Bytes(&c, 1); }
  void Bytes(const void* bytes, size_t n) {
    if (area_) std::memcpy(area_ + pos_, bytes, n);
    pos_ += n;
  }
  // Plain text: NUL, text, NUL; a list: language NUL text NUL per pair, then a NUL. An
  // empty list packs nothing (-1).
  int32_t Localized(const quorv_localized_string* strings) {
    if (!strings || !strings[0].language) return -1;
    const int32_t at = Here();
    if (!strings[0].text) {
      Byte('\0');
      Text(strings[0].language);
      return at;
    }
    for (const quorv_localized_string* s = strings; s->language && s->text; ++s) {
      Text(s->language);
      Text(s->text);
    }
    Byte('\0');
    return at;
  }
  int32_t Ids(quorv_subscription_frame* const* frames, uint32_t count) {
    const int32_t at = Here();
    for (uint32_t i = 0; i < count; ++i) Text(frames[i]->id);
    Byte('\0');
    return at;
  }
  char* At(int32_t offset) const { return area_ ? area_ + offset : nullptr; }

 private:
  int32_t Here() const { return static_cast<int32_t>(pos_); }
  char* area_;
  size_t pos_ = 0;
};

void Lay(quorv_notification* n, const quorv_notification_fields& f, quorv_subscription_frame* const* frames, uint32_t count,
         Packer& pack) {
  n->kind = f.kind;
  n->value = f.value ? *f.value : quorv_data_value{};
  if (f.value && f.value->type == QUORV_TYPE_STRING) {
    const int32_t at = pack.Text(f.value->value.text);
    n->value.value.text = pack.At(at);
  }
  n->timestamp = f.timestamp ? *f.timestamp : quorv_timestamp{};
  n->status = f.status;
  n->state = f.state;
  n->priority = f.priority;
  n->address = pack.Text(f.address);
  n->text = pack.Localized(f.text);
  n->display = f.display ? pack.Text(f.display) : -1;
  n->user = f.user ? pack.Text(f.user) : -1;
  n->ids = pack.Ids(frames, count);
  n->groups = -1;
  n->entries = -1;
}

quorv_notification* Allocate(size_t packed_size) {
  auto* n = static_cast<quorv_notification*>(std::calloc(1, sizeof(quorv_notification) + packed_size));
  if (n) n->packed = reinterpret_cast<char*>(n + 1);
  return n;
}

// The run of frames of one session that starts at index first.
uint32_t RunLength(const quorv_subscription_item* item, uint32_t first) {
  uint32_t end = first + 1;
  while (end < item->frame_count && item->frames[end]->session == item->frames[first]->session) ++end;
  return end - first;
}

void Queue(quorv_session* session, quorv_notification* n, quorv_subscription_item* item) {
  int32_t error = 0;
  if (quorv_engine_session_insert_notification(session, n, item, &error) != 0) quorv_notification_free(n);
}

}  // namespace

quorv_notification* quorv_notification_build(const quorv_notification_fields& fields, quorv_subscription_frame* const* frames,
                                             uint32_t frame_count) {
  quorv_notification sizing{};
  Packer measure(nullptr);
  Lay(&sizing, fields, frames, frame_count, measure);
  quorv_notification* n = Allocate(measure.size());
  if (!n) return nullptr;
  Packer write(n->packed);
  Lay(n, fields, frames, frame_count, write);
  return n;
}

quorv_notification* quorv_notification_build_user_info(const char* user, const char* const* groups, const char* const* names,
                                                       const quorv_data_value* values) {
  // Two passes over the same layout: measure, then write.
  auto layout = [&](quorv_notification* n, Packer& pack) {
    n->kind = QUORV_NOTIFY_USER_INFO;
    n->address = n->text = n->display = n->ids = -1;
    n->user = pack.Text(user);
    n->groups = -1;
    if (groups) {
      n->groups = static_cast<int32_t>(pack.size());
      for (const char* const* g = groups; *g; ++g) pack.Text(*g);
      pack.Byte('\0');
    }
    n->entries = -1;
    if (names && values) {
      n->entries = static_cast<int32_t>(pack.size());
      size_t count = 0;
      while (names[count]) ++count;
      // Each entry's value; string values point to texts placed after the last entry.
      size_t tail = pack.size();
      for (size_t i = 0; i < count; ++i) tail += std::strlen(names[i]) + 1 + sizeof(quorv_data_value);
      tail += 1;
      size_t text_at = tail;
      for (size_t i = 0; i < count; ++i) {
        pack.Text(names[i]);
        quorv_data_value v = values[i];
        if (v.type == QUORV_TYPE_STRING) {
          const char* text = v.value.text ? v.value.text : "";
          v.value.text = pack.At(static_cast<int32_t>(text_at));
          text_at += std::strlen(text) + 1;
        }
        pack.Bytes(&v, sizeof v);
      }
      pack.Byte('\0');
      for (size_t i = 0; i < count; ++i)
        if (values[i].type == QUORV_TYPE_STRING) pack.Text(values[i].value.text);
    }
  };
  quorv_notification sizing{};
  Packer measure(nullptr);
  layout(&sizing, measure);
  quorv_notification* n = Allocate(measure.size());
  if (!n) return nullptr;
  Packer write(n->packed);
  layout(n, write);
  return n;
}

void quorv_notification_free(quorv_notification* notification) { std::free(notification); }

void quorv_notification_publish(quorv_subscription_item* item, const quorv_notification_fields& fields) {
  if (!item || item->frame_count == 0 || !item->frames) return;
  quorv_engine_session_table_read_lock();
  for (uint32_t first = 0; first < item->frame_count;) {
    const uint32_t run = RunLength(item, first);
    quorv_session* session = item->frames[first]->session;
    if (session) {
      quorv_notification* n = quorv_notification_build(fields, item->frames + first, run);
      if (!n) {
        quorv_log("Out of memory allocating a publish item");
        break;
      }
      Queue(session, n, item);
    }
    first += run;
  }
  quorv_engine_session_table_read_unlock();
}

int32_t quorv_notification_publish_frame(quorv_subscription_item* item, quorv_subscription_frame* frame,
                                         const quorv_notification_fields& fields) {
  int32_t result = 0;
  quorv_engine_session_table_read_lock();
  if (frame && frame->session) {
    quorv_subscription_frame* const* ids = &frame;
    uint32_t count = 1;
    // A shared item: every frame of this session that holds it.
    if (item && item->frames && item->frame_count > 1) {
      for (uint32_t first = 0; first < item->frame_count; first += RunLength(item, first)) {
        if (item->frames[first]->session == frame->session) {
          ids = item->frames + first;
          count = RunLength(item, first);
          break;
        }
      }
    }
    quorv_notification* n = quorv_notification_build(fields, ids, count);
    if (n) {
      Queue(frame->session, n, item);
    } else {
      quorv_log("Out of memory allocating a publish item");
      result = kOutOfMemory;
    }
  }
  quorv_engine_session_table_read_unlock();
  return result;
}

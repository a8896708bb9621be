// Request buffers: the pool, growth and appending.
#include <cstdlib>
#include <cstring>

#include "quorv_context.h"
#include "web/quorv_buffer.h"
#include "web/quorv_util.h"

namespace {

// Growth doubles ahead while the storage stays below this size.
constexpr uint32_t kDoubleAheadLimit = 1048576;

quorv_buffer* NewRecord() {
  auto* buffer = static_cast<quorv_buffer*>(std::calloc(1, sizeof(quorv_buffer)));
  if (!buffer) return nullptr;
  quorv_buffer_reset(buffer, 0);
  buffer->magic = QUORV_BUFFER_MAGIC_NEW;
  return buffer;
}

void CloseFile(quorv_buffer* buffer) {
  if (buffer->file) std::fclose(buffer->file);
  buffer->file = nullptr;
}

}  // namespace

void quorv_context_buffers_init() {
  std::lock_guard<std::mutex> lock(quorv_global_context.pool_mutex);
  quorv_global_context.free_buffers = nullptr;
}

void quorv_context_buffers_free() { quorv_buffer_free_all(); }

void quorv_buffer_reset(quorv_buffer* buffer, int keep) {
  if (!buffer) return;
  const uint32_t magic = buffer->magic;
  uint8_t* data = buffer->data;
  const uint32_t capacity = buffer->capacity;
  std::memset(static_cast<void*>(buffer), 0, sizeof *buffer);
  buffer->magic = magic;
  buffer->parse_length = -1;
  if (keep && data) {
    std::memset(data, 0, capacity);
    buffer->data = data;
    buffer->capacity = capacity;
  }
}

void quorv_buffer_reset_data(quorv_buffer* buffer) { quorv_buffer_reset(buffer, 1); }

int quorv_buffer_grow(quorv_buffer* buffer, uint32_t n) {
  if (!buffer) return 1;
  if (buffer->overflow) return 1;
  if (n > buffer->max_size) {
    quorv_log("Buffer overflow - max size %u, wants %u", buffer->max_size, n);
    buffer->overflow = 1;
    return 1;
  }
  uint32_t target = quorv_util_upper_power_of_two(n);
  if (target == 0 || target > buffer->max_size) target = buffer->max_size;
  if (buffer->capacity >= target) return 0;
  if (!buffer->data) {
    buffer->data = static_cast<uint8_t*>(std::malloc(target));
    if (!buffer->data) return 1;
    buffer->capacity = target;
    return 0;
  }
  uint32_t size = target;
  if (target < kDoubleAheadLimit / 2 && target * 2 < buffer->max_size) size = target * 2;
  auto* grown = static_cast<uint8_t*>(std::realloc(buffer->data, size));
  if (!grown) {
    std::free(buffer->data);
    buffer->data = nullptr;
    buffer->capacity = 0;
    return 1;
  }
  buffer->data = grown;
  buffer->capacity = size;
  return 0;
}

quorv_buffer* quorv_buffer_get(int32_t kind, uint32_t initial, uint32_t maximum, int is_private) {
  quorv_buffer* buffer = nullptr;
  if (!is_private) {
    std::lock_guard<std::mutex> lock(quorv_global_context.pool_mutex);
    buffer = quorv_global_context.free_buffers;
    if (buffer) quorv_global_context.free_buffers = buffer->free_next;
  }
  if (buffer) {
    buffer->magic = QUORV_BUFFER_MAGIC_TAKEN;
    quorv_buffer_reset(buffer, 1);
  } else {
    buffer = NewRecord();
    if (!buffer) return nullptr;
  }
  if (buffer->max_size < maximum) buffer->max_size = maximum;
  if (buffer->capacity < initial && quorv_buffer_grow(buffer, initial) != 0) {
    if (is_private)
      quorv_buffer_free(buffer);
    else
      quorv_buffer_return(buffer);
    return nullptr;
  }
  buffer->kind = kind;
  return buffer;
}

void quorv_buffer_return(quorv_buffer* buffer) {
  if (!buffer) return;
  if (buffer->magic == QUORV_BUFFER_MAGIC_FREE) {
    quorv_log("DEBUG: Tried to free already freed buffer");
    return;
  }
  buffer->magic = QUORV_BUFFER_MAGIC_FREE;
  if (buffer->capacity > QUORV_BUFFER_KEEP_STORAGE) {
    std::free(buffer->data);
    buffer->data = nullptr;
    buffer->capacity = 0;
  }
  CloseFile(buffer);
  quorv_buffer* chained = buffer->chained;
  buffer->chained = nullptr;
  quorv_buffer_return(chained);
  quorv_buffer_reset(buffer, 1);
  std::lock_guard<std::mutex> lock(quorv_global_context.pool_mutex);
  buffer->free_next = quorv_global_context.free_buffers;
  quorv_global_context.free_buffers = buffer;
}

void quorv_buffer_free(quorv_buffer* buffer) {
  while (buffer) {
    quorv_buffer* chained = buffer->chained;
    CloseFile(buffer);
    std::free(buffer->data);
    std::free(buffer);
    buffer = chained;
  }
}

void quorv_buffer_free_all() {
  std::lock_guard<std::mutex> lock(quorv_global_context.pool_mutex);
  quorv_buffer* buffer = quorv_global_context.free_buffers;
  quorv_global_context.free_buffers = nullptr;
  while (buffer) {
    quorv_buffer* next = buffer->free_next;
    std::free(buffer->data);
    std::free(buffer);
    buffer = next;
  }
}

int quorv_buffer_put_data(quorv_buffer* buffer, const void* bytes, uint32_t length) {
  if (!buffer || (!bytes && length)) return 1;
  if (length > UINT32_MAX - buffer->used) return 1;
  if (quorv_buffer_grow(buffer, buffer->used + length) != 0) return 1;
  if (length) std::memcpy(buffer->data + buffer->used, bytes, length);
  buffer->used += length;
  return 0;
}

int32_t quorv_buffer_put_urlencoded(quorv_buffer* buffer, const char* text, uint32_t length, int plus_for_space, int* error) {
  if (!buffer || !text) {
    if (error) *error = 1;
    return 0;
  }
  if (length == 0) length = static_cast<uint32_t>(std::strlen(text));
  static constexpr char kHex[] = "0123456789ABCDEF";
  int32_t written = 0;
  for (uint32_t i = 0; i < length; ++i) {
    if (buffer->capacity - buffer->used < 3) {
      const int r = buffer->used > UINT32_MAX - 6 ? 1 : quorv_buffer_grow(buffer, buffer->used + 6);
      if (r != 0) {
        if (error) *error = r;
        break;
      }
    }
    const auto c = static_cast<unsigned char>(text[i]);
    uint8_t* out = buffer->data + buffer->used;
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (plain) {
      out[0] = c;
      buffer->used += 1;
      written += 1;
    } else if (c == ' ' && plus_for_space) {
      out[0] = '+';
      buffer->used += 1;
      written += 1;
    } else {
      out[0] = '%';
      out[1] = static_cast<uint8_t>(kHex[c >> 4]);
      out[2] = static_cast<uint8_t>(kHex[c & 0xF]);
      buffer->used += 3;
      written += 3;
    }
  }
  return written;
}

int quorv_buffer_add_header(quorv_buffer* buffer, const char* line, uint32_t length) {
  if (!buffer || !line || !buffer->data || buffer->used < 4 || std::memcmp(buffer->data + buffer->used - 4, "\r\n\r\n", 4) != 0)
    return 1;
  if (length > UINT32_MAX - buffer->used) return 2;
  if (quorv_buffer_grow(buffer, buffer->used + length) != 0) return 2;
  // The line goes before the final CR LF, the empty line.
  uint8_t* at = buffer->data + buffer->used - 2;
  std::memmove(at + length, at, 2);
  std::memcpy(at, line, length);
  buffer->used += length;
  return 0;
}

int quorv_buffer_call_overflow_error(quorv_buffer* buffer, uint32_t add) {
  if (!buffer) return 0;
  const uint64_t wanted = static_cast<uint64_t>(buffer->used) + add;
  if (wanted <= buffer->max_size) return 0;
  quorv_log("Buffer overflow - max size %u, wants %llu", buffer->max_size, static_cast<unsigned long long>(wanted));
  return 1;
}

int quorv_buffer_reach_max_size(quorv_buffer* buffer, uint32_t add) {
  if (!buffer) return 1;
  return static_cast<uint64_t>(buffer->used) + add > buffer->max_size ? 2 : 0;
}

int64_t quorv_buffer_available_space(quorv_buffer* buffer, int against_maximum) {
  if (!buffer) return 0;
  return static_cast<int64_t>(against_maximum ? buffer->max_size : buffer->capacity) - buffer->used;
}

// Request buffers as messages: file replies, chained content, reading a chain piece by
// piece and the form-field index.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "platform/root.h"
#include "web/quorv_buffer.h"
#include "web/quorv_options.h"

namespace {

bool Chains(const quorv_buffer* b) { return b->kind == QUORV_BUFFER_HEAD_CHAINED || b->kind == QUORV_BUFFER_REQUEST_CHAINED; }

uint32_t Read24(const uint8_t* p) { return p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16); }

}  // namespace

int quorv_buffer_put_file(quorv_buffer* buffer, const char* path) {
  if (!buffer || buffer->kind != QUORV_BUFFER_FILE || !path) return -1;
  quorv_buffer_discard_file_content(buffer);
  char host[4096];
  if (!plat::MapPath(path, host, sizeof host)) return -1;
  FILE* file = std::fopen(host, "rb");
  if (!file) return -1;
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > static_cast<off_t>(UINT32_MAX)) {
    std::fclose(file);
    return -1;
  }
  buffer->file = file;
  buffer->file_size = static_cast<uint32_t>(info.st_size);
  buffer->file_offset = 0;
  return 0;
}

int quorv_buffer_discard_file_content(quorv_buffer* buffer) {
  if (!buffer || buffer->kind != QUORV_BUFFER_FILE) return -1;
  if (buffer->file) std::fclose(buffer->file);
  buffer->file = nullptr;
  buffer->file_size = 0;
  buffer->file_offset = 0;
  return 0;
}

int quorv_buffer_put_chained_content(quorv_buffer* head, quorv_buffer* content) {
  if (!head || !content || !Chains(head)) return -1;
  quorv_buffer* previous = head->chained;
  head->chained = nullptr;
  if (previous != content) quorv_buffer_return(previous);
  head->carried = 1;
  head->carried_length = content->used;
  content->persistent = head->persistent;
  head->header_end = head->used;
  head->chained = content;
  return 0;
}

int quorv_buffer_split_content(quorv_buffer* buffer, quorv_buffer** rest) {
  if (!buffer || !rest) return -1;
  *rest = nullptr;
  if (buffer->kind == QUORV_BUFFER_FILE) return -1;
  if (Chains(buffer)) {
    *rest = buffer->chained;
    buffer->chained = nullptr;
    if (buffer->header_end < buffer->used) buffer->used = buffer->header_end;
    quorv_buffer_rewind(buffer);
    quorv_buffer_rewind(*rest);
    buffer->kind = buffer->kind == QUORV_BUFFER_HEAD_CHAINED ? QUORV_BUFFER_CONTENT : QUORV_BUFFER_REQUEST;
    return 0;
  }
  // Nothing carried: nothing follows the head.
  if (!buffer->carried) return 0;
  if (buffer->header_end > buffer->used || buffer->carried_length > buffer->used - buffer->header_end) return -1;
  quorv_buffer* tail = quorv_buffer_get(QUORV_BUFFER_DATA, buffer->carried_length, quorv_global_options.max_request_size, 0);
  if (!tail) return -1;
  if (quorv_buffer_put_data(tail, buffer->data + buffer->header_end, buffer->carried_length) != 0) {
    quorv_buffer_return(tail);
    return -1;
  }
  buffer->used = buffer->header_end;
  buffer->carried = 0;
  buffer->carried_length = 0;
  *rest = tail;
  return 0;
}

int quorv_buffer_create_grow(quorv_buffer** buffer, int32_t kind, uint32_t add, uint32_t maximum) {
  if (!buffer) return 1;
  if (*buffer) {
    if (add > UINT32_MAX - (*buffer)->used) return 2;
    return quorv_buffer_grow(*buffer, (*buffer)->used + add) ? 2 : 0;
  }
  *buffer = quorv_buffer_get(kind, add, maximum, 0);
  return *buffer ? 0 : 2;
}

int32_t quorv_buffer_get_data(quorv_buffer* chain, const uint8_t** pointer, uint8_t* scratch, uint32_t scratch_size,
                              const char* delimiter, uint32_t delimiter_length) {
  if (!pointer) return -1;
  quorv_buffer* b = chain;
  const uint8_t* piece = nullptr;
  uint32_t length = 0;
  for (;;) {
    if (!b || b->kind == QUORV_BUFFER_UNSET || (b->kind == QUORV_BUFFER_FILE && (!scratch || scratch_size == 0))) return -1;
    if (b->read_pos < b->used) {
      piece = b->data + b->read_pos;
      length = b->used - b->read_pos;
      break;
    }
    if (b->kind == QUORV_BUFFER_FILE) {
      if (!b->file || b->file_offset >= b->file_size) {
        *pointer = scratch;
        return 0;
      }
      if (std::fseek(b->file, static_cast<long>(b->file_offset), SEEK_SET) != 0) return -1;
      const uint32_t want = std::min(scratch_size, b->file_size - b->file_offset);
      length = static_cast<uint32_t>(std::fread(scratch, 1, want, b->file));
      piece = scratch;
      break;
    }
    if (Chains(b)) {
      b = b->chained;
      continue;
    }
    *pointer = b->data ? b->data + b->used : nullptr;
    return 0;
  }
  if (delimiter && delimiter_length > 0 && delimiter_length <= length) {
    const void* found = memmem(piece, length, delimiter, delimiter_length);
    if (found) length = static_cast<uint32_t>(static_cast<const uint8_t*>(found) - piece) + delimiter_length;
  }
  *pointer = piece;
  return static_cast<int32_t>(std::min<uint32_t>(length, INT32_MAX));
}

void quorv_buffer_get_advance(quorv_buffer* chain, uint32_t n) {
  for (quorv_buffer* b = chain; b;) {
    if (b->read_pos < b->used) {
      b->read_pos += std::min(n, b->used - b->read_pos);
      return;
    }
    if (b->kind == QUORV_BUFFER_FILE) {
      b->file_offset += std::min(n, b->file_size - std::min(b->file_offset, b->file_size));
      return;
    }
    if (!Chains(b)) return;
    b = b->chained;
  }
}

uint32_t quorv_buffer_available_data(quorv_buffer* chain) {
  uint32_t total = 0;
  for (quorv_buffer* b = chain; b; b = b->chained) {
    if (b->read_pos < b->used) total += b->used - b->read_pos;
    if (b->kind == QUORV_BUFFER_FILE) {
      if (b->file_offset < b->file_size) total += b->file_size - b->file_offset;
      break;
    }
    if (!Chains(b)) break;
  }
  return total;
}

void quorv_buffer_rewind(quorv_buffer* chain) {
  for (quorv_buffer* b = chain; b; b = b->chained) {
    b->read_pos = 0;
    b->file_offset = 0;
    if (!Chains(b)) break;
  }
}

int quorv_buffer_get_dict_entry(quorv_buffer* buffer, uint32_t n, const char** name, const char** value, uint32_t* value_length) {
  if (!buffer || !buffer->data || buffer->kind != QUORV_BUFFER_FORM) return -1;
  constexpr uint32_t kEntry = 12;
  const uint64_t at = buffer->form_index_offset + static_cast<uint64_t>(n) * kEntry;
  if (at + kEntry > buffer->used) return -1;
  const uint8_t* entry = buffer->data + at;
  const uint32_t name_offset = Read24(entry);
  const uint32_t value_offset = Read24(entry + 3);
  const uint32_t length = Read24(entry + 6);
  if (name_offset == 0) return -1;
  // Names and values lie in the decoded body, before the index.
  if (name_offset >= buffer->form_index_offset || value_offset > buffer->form_index_offset ||
      length > buffer->form_index_offset - value_offset)
    return -1;
  if (name) *name = reinterpret_cast<const char*>(buffer->data + name_offset);
  if (value) *value = reinterpret_cast<const char*>(buffer->data + value_offset);
  if (value_length) *value_length = length;
  return 0;
}

int quorv_buffer_is_overflowed(quorv_buffer* chain) {
  for (quorv_buffer* b = chain; b; b = b->chained)
    if (b->overflow) return -1;
  return 0;
}

#pragma once
// The web server's byte stores: every byte received or sent lives in a request buffer, a
// growable store with a read and a write position. A buffer can carry a second one
// (a reply head and its body) or an open file (a static file behind its head).
// Records are recycled through one free list shared by every thread of the server.

#include <cstdint>
#include <cstdio>

inline constexpr uint32_t QUORV_BUFFER_MAGIC_TAKEN = 0xFACEFACE;  // taken from the free list
inline constexpr uint32_t QUORV_BUFFER_MAGIC_NEW = 0xCAFFEEEE;    // freshly allocated
inline constexpr uint32_t QUORV_BUFFER_MAGIC_FREE = 0xDEADBEEF;   // on the free list
// Storage up to this size stays with a pooled record.
inline constexpr uint32_t QUORV_BUFFER_KEEP_STORAGE = 4096;

enum quorv_buffer_kind : int32_t {
  QUORV_BUFFER_UNSET = 0,
  QUORV_BUFFER_DATA = 1,      // receive buffers, bytes split off behind a request
  QUORV_BUFFER_REQUEST = 2,   // an HTTP request being assembled
  QUORV_BUFFER_FORM = 3,      // a request whose form fields are indexed
  QUORV_BUFFER_CONTENT = 4,   // content, such as a JSON body
  QUORV_BUFFER_FILE = 5,      // a head in memory and a file behind it
  QUORV_BUFFER_HEAD = 6,      // a reply head, or a reply from a remote server
  QUORV_BUFFER_HEAD_CHAINED = 7,     // a head with chained content
  QUORV_BUFFER_REQUEST_CHAINED = 8,  // a request with chained content
};

struct quorv_buffer {
  uint32_t magic;
  int32_t kind;
  // Belongs to someone other than the connection that sends it: sending or releasing
  // it only clears its queued flag. Chained content inherits it from its head.
  int32_t persistent;
  int32_t queued;
  quorv_buffer* free_next;
  quorv_buffer* send_next;
  uint8_t* data;
  uint32_t capacity;
  uint32_t max_size;
  FILE* file;  // kind 5
  uint32_t file_size;
  quorv_buffer* chained;  // kinds 7 and 8
  uint32_t read_pos;
  uint32_t file_offset;
  uint32_t used;
  int32_t overflow;  // refused to grow past its maximum: a chain holding it is never sent
  const char* parse_ptr;
  int32_t parse_length;
  uint32_t header_end;
  uint32_t carried_length;  // bytes after the header end that belong to the next message
  int32_t carried;
  uint32_t form_index_offset;  // kind 3
};

// A buffer of kind with at least initial bytes of storage and the given maximum.
// is_private = 0 takes a record from the pool; 1 always allocates (worker threads).
// Null when no storage can be had.
quorv_buffer* quorv_buffer_get(int32_t kind, uint32_t initial, uint32_t maximum, int is_private);
// Returns the buffer and its chained buffers to the pool.
void quorv_buffer_return(quorv_buffer* buffer);
// Frees storage, chained buffers and the record (private buffers that are not sent).
void quorv_buffer_free(quorv_buffer* buffer);
// Frees every record of the free list.
void quorv_buffer_free_all();
// Room for n bytes in all: 0 done, 1 refused (past the maximum) or out of memory.
int quorv_buffer_grow(quorv_buffer* buffer, uint32_t n);
// Appends; 1 when it cannot grow.
int quorv_buffer_put_data(quorv_buffer* buffer, const void* bytes, uint32_t length);
// Appends text URL-encoded (length 0: up to the NUL); the characters written. A failed
// growth stores its result in *error.
int32_t quorv_buffer_put_urlencoded(quorv_buffer* buffer, const char* text, uint32_t length, int plus_for_space, int* error);
// Inserts a header line before the empty line that ends the buffer: 1 bad arguments,
// 2 cannot grow.
int quorv_buffer_add_header(quorv_buffer* buffer, const char* line, uint32_t length);
// Kind 5: the file at a unit path follows the buffer's bytes; -1 when it cannot be
// opened or sized, or the kind is wrong.
int quorv_buffer_put_file(quorv_buffer* buffer, const char* path);
int quorv_buffer_discard_file_content(quorv_buffer* buffer);
// Chains content behind a head of kind 7 or 8 (else -1).
int quorv_buffer_put_chained_content(quorv_buffer* head, quorv_buffer* content);
// Separates a head from what follows it (the chained buffer, or the carried bytes
// copied into a new buffer); -1 for kind 5 or when no buffer can be had.
int quorv_buffer_split_content(quorv_buffer* buffer, quorv_buffer** rest);
// Grows *buffer by add bytes, or creates one: 0 done, 1 null argument, 2 overflow or no
// memory.
int quorv_buffer_create_grow(quorv_buffer** buffer, int32_t kind, uint32_t add, uint32_t maximum);
// The next contiguous piece of unread data of a chain, cut after the first delimiter
// when one is given: its length, 0 at the end, -1 when none can be given.
int32_t quorv_buffer_get_data(quorv_buffer* chain, const uint8_t** pointer, uint8_t* scratch, uint32_t scratch_size,
                              const char* delimiter, uint32_t delimiter_length);
// Consumes n bytes of the piece last returned.
void quorv_buffer_get_advance(quorv_buffer* chain, uint32_t n);
uint32_t quorv_buffer_available_data(quorv_buffer* chain);
void quorv_buffer_rewind(quorv_buffer* chain);
// Entry n of a kind-3 buffer's form index as pointers into its data; -1 past the last
// entry or when the entry points outside the data.
int quorv_buffer_get_dict_entry(quorv_buffer* buffer, uint32_t n, const char** name, const char** value, uint32_t* value_length);
// -1 when any buffer of the chain overflowed, else 0.
int quorv_buffer_is_overflowed(quorv_buffer* chain);
// 1 (and the overflow message) when used + add passes the maximum, else 0.
int quorv_buffer_call_overflow_error(quorv_buffer* buffer, uint32_t add);
// 1 null buffer, 2 used + add passes the maximum, else 0.
int quorv_buffer_reach_max_size(quorv_buffer* buffer, uint32_t add);
// Maximum (or capacity) minus used.
int64_t quorv_buffer_available_space(quorv_buffer* buffer, int against_maximum);
// Back to kind 0 with every position, flag, file and link cleared. keep: the storage
// stays, zero-filled, and the maximum becomes 0; otherwise storage, capacity, maximum and
// links are forgotten (not freed).
void quorv_buffer_reset(quorv_buffer* buffer, int keep);
// The same keeping the storage.
void quorv_buffer_reset_data(quorv_buffer* buffer);

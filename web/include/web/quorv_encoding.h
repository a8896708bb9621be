#pragma once
// Base64, hex text, MD5 and random bytes for the web server's authentication.

#include <cstddef>
#include <cstdint>

// Standard Base64 with "=" padding and a terminating NUL. *room is the room of out on
// entry: -2 (and *room = the room needed) when it is too small; 0 and *room = the text
// length on success.
int quorv_base64_encode(const uint8_t* bytes, size_t length, char* out, size_t* room);
// Characters outside the alphabet are skipped. -1 for a data character after padding, a
// third padding character in a group or an incomplete final group; -2 when out is too
// small; 0 and *room = the bytes written on success.
int quorv_base64_decode(const char* text, size_t length, uint8_t* out, size_t* room);

// Two lower-case hex digits per byte and a NUL, written from the last byte backwards so
// that out may be bytes itself (with room for 2 * length + 1).
void quorv_util_hex_encode(const uint8_t* bytes, size_t length, char* out);
// Hex digits of either case; length -1: up to the first non-hex character. 1 for an odd
// length, a bad digit or too little room; 0 and *count = bytes written on success.
int quorv_util_hex_decode(const char* text, int64_t length, uint8_t* out, size_t room, size_t* count);

struct quorv_md5_state {
  uint64_t length_bits;
  uint32_t words[4];
  uint32_t fill;  // bytes waiting in block, 0..64
  uint8_t block[64];
};

void quorv_md5_init(quorv_md5_state* state);
// -1 for a state whose fill count is out of range, else 0.
int quorv_md5_process(quorv_md5_state* state, const void* bytes, size_t length);
int quorv_md5_done(quorv_md5_state* state, uint8_t digest[16]);

// length random bytes into out; with nonzero set no byte is 0; with hex set the bytes are
// hex-encoded in place (out needs 2 * length + 1). -1, the log message and out zeroed
// when the random source cannot give every byte: callers never go on with a partly
// filled secret.
int quorv_sys_get_random_data(uint8_t* out, size_t length, int hex, int nonzero);

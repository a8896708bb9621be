#pragma once
// The RSA key in computing form (libtommath integers) and the helpers that move it to
// and from big-endian byte strings.

#include <tommath.h>

#include "web/quorv_rsa.h"

struct quorv_rsa_key {
  mp_int e;
  mp_int d;
  mp_int n;
  mp_int p;
  mp_int q;
  mp_int qinv;  // q^-1 mod p
  mp_int dp;    // d mod (p - 1)
  mp_int dq;    // d mod (q - 1)
};

// Big-endian unsigned bytes into an integer: 0, or -1.
int quorv_rsa_bn_read(mp_int* value, const uint8_t* bytes, size_t length);
// The integer as big-endian unsigned bytes into out (room for quorv_rsa_bn_size): the
// bytes written, or -1.
int64_t quorv_rsa_bn_write(const mp_int* value, uint8_t* out, size_t room);
size_t quorv_rsa_bn_size(const mp_int* value);

// Frees the key's byte strings kept in the options.
void quorv_options_clear_key_parts();

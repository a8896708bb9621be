#pragma once
// The server's RSA key pair: browsers encrypt passwords with its public part, the server
// decrypts them with the private part. Arithmetic by libtommath.

#include <cstddef>
#include <cstdint>

struct quorv_rsa_key;

// A key of eight empty integers (null when any cannot be made); free it with
// quorv_rsa_free.
quorv_rsa_key* quorv_rsa_alloc();
void quorv_rsa_free(quorv_rsa_key* key);
// A fresh key: 0, -1 for a size outside 1024..4096 bits, -2 no memory, -3 arithmetic
// failure, -4 no random bytes.
int quorv_rsa_make_key(quorv_rsa_key* key, int bits, uint32_t exponent);
// The RSA primitive (private: by the Chinese remainder theorem). out gets exactly the
// modulus' byte length, right-aligned; -1 (and *room = the length needed) when out is
// too small, -1 also for input not below the modulus or a key without that part.
int quorv_rsa_exptmod(const quorv_rsa_key* key, int is_private, const uint8_t* input, size_t length, uint8_t* out, size_t* room);
// Bytes of the modulus (0 for an empty key).
size_t quorv_rsa_modulus_size(const quorv_rsa_key* key);

// The server key of the options.
// A fresh key; its public part goes into the options, the private byte strings stay
// empty. 0, or -1.
int quorv_options_generate_temporary_rsa(int bits, uint32_t exponent);
// A PKCS #8 RSA private key in DER from a file (unit path) of at most 4096 bytes.
int quorv_options_set_rsa_from_file(const char* path);
// The same from memory: 0, or -1 when it cannot be read; the key stays as it was then.
int quorv_options_set_rsa_from_buffer(const uint8_t* der, size_t length);
// Stores the public part (nothing when any argument is empty).
void quorv_options_set_public_encryption_options(const uint8_t* modulus, size_t modulus_length, const uint8_t* exponent,
                                                 size_t exponent_length);
// Stores the private part and builds the key from both parts: 0, or -1 (the key as it
// was) when an argument is empty, no public part is stored or the key cannot be built.
int quorv_options_set_private_encryption_options(const uint8_t* d, size_t d_length, const uint8_t* p, size_t p_length,
                                                 const uint8_t* q, size_t q_length, const uint8_t* dp, size_t dp_length,
                                                 const uint8_t* dq, size_t dq_length, const uint8_t* qinv, size_t qinv_length);

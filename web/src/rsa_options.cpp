// The server key in the options: made at start-up, read from a PKCS #8 key file, or
// given as byte strings.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <sys/stat.h>

#include "platform/root.h"
#include "quorv_rsa_key.h"
#include "web/quorv_options.h"
#include "web/quorv_util.h"

namespace {

constexpr size_t kMaxKeyFile = 4096;

struct Bytes {
  const uint8_t* data;
  size_t length;
};

// The eight integers in the order of a key file: n, e, d, p, q, dP, dQ, qInv.
struct KeyParts {
  Bytes n, e, d, p, q, dp, dq, qinv;
};

bool Present(const Bytes& b) { return b.data && b.length > 0; }

quorv_rsa_key* BuildKey(const KeyParts& k) {
  quorv_rsa_key* key = quorv_rsa_alloc();
  if (!key) return nullptr;
  const bool ok = quorv_rsa_bn_read(&key->n, k.n.data, k.n.length) == 0 && quorv_rsa_bn_read(&key->e, k.e.data, k.e.length) == 0 &&
                  quorv_rsa_bn_read(&key->d, k.d.data, k.d.length) == 0 && quorv_rsa_bn_read(&key->p, k.p.data, k.p.length) == 0 &&
                  quorv_rsa_bn_read(&key->q, k.q.data, k.q.length) == 0 &&
                  quorv_rsa_bn_read(&key->dp, k.dp.data, k.dp.length) == 0 &&
                  quorv_rsa_bn_read(&key->dq, k.dq.data, k.dq.length) == 0 &&
                  quorv_rsa_bn_read(&key->qinv, k.qinv.data, k.qinv.length) == 0;
  if (!ok || mp_iszero(&key->n)) {
    quorv_rsa_free(key);
    return nullptr;
  }
  return key;
}

// Copies several byte strings into one block and points the fields into it.
uint8_t* Store(std::initializer_list<std::pair<Bytes, std::pair<uint8_t**, int32_t*>>> parts) {
  size_t total = 0;
  for (const auto& part : parts) total += part.first.length;
  auto* block = static_cast<uint8_t*>(std::malloc(total ? total : 1));
  if (!block) return nullptr;
  size_t at = 0;
  for (const auto& part : parts) {
    if (part.first.length) std::memcpy(block + at, part.first.data, part.first.length);
    *part.second.first = block + at;
    *part.second.second = static_cast<int32_t>(part.first.length);
    at += part.first.length;
  }
  return block;
}

void ClearPublic() {
  quorv_options& o = quorv_global_options;
  std::free(o.public_storage);
  o.public_storage = o.modulus = o.exponent = nullptr;
  o.modulus_length = o.exponent_length = 0;
}

void ClearPrivate() {
  quorv_options& o = quorv_global_options;
  std::free(o.private_storage);
  o.private_storage = o.d = o.p = o.q = o.dp = o.dq = o.qinv = nullptr;
  o.d_length = o.p_length = o.q_length = o.dp_length = o.dq_length = o.qinv_length = 0;
}

bool StorePublic(const Bytes& n, const Bytes& e) {
  quorv_options& o = quorv_global_options;
  uint8_t* block = Store({{n, {&o.modulus, &o.modulus_length}}, {e, {&o.exponent, &o.exponent_length}}});
  if (!block) return false;
  std::free(o.public_storage);
  o.public_storage = block;
  return true;
}

bool StorePrivate(const KeyParts& k) {
  quorv_options& o = quorv_global_options;
  uint8_t* block = Store({{k.d, {&o.d, &o.d_length}},
                          {k.p, {&o.p, &o.p_length}},
                          {k.q, {&o.q, &o.q_length}},
                          {k.dp, {&o.dp, &o.dp_length}},
                          {k.dq, {&o.dq, &o.dq_length}},
                          {k.qinv, {&o.qinv, &o.qinv_length}}});
  if (!block) return false;
  std::free(o.private_storage);
  o.private_storage = block;
  return true;
}

// Installs a key read from byte strings with its parts; false (nothing changed) when it
// cannot be built or stored.
bool Install(const KeyParts& k) {
  quorv_rsa_key* key = BuildKey(k);
  if (!key) return false;
  // The parts may point into the storage being replaced: keep it until the end.
  const quorv_options saved = quorv_global_options;
  quorv_global_options.public_storage = nullptr;
  quorv_global_options.private_storage = nullptr;
  if (!StorePublic(k.n, k.e) || !StorePrivate(k)) {
    quorv_rsa_free(key);
    std::free(quorv_global_options.public_storage);
    std::free(quorv_global_options.private_storage);
    quorv_global_options = saved;
    return false;
  }
  uint8_t* old_public = saved.public_storage;
  uint8_t* old_private = saved.private_storage;
  std::free(old_public);
  std::free(old_private);
  quorv_rsa_free(quorv_global_options.rsa_key);
  quorv_global_options.rsa_key = key;
  return true;
}

// A bounded reader of DER.
class Der {
 public:
  Der(const uint8_t* data, size_t length) : p_(data), left_(length) {}

  // An element of the tag: its contents. Lengths of one or two length bytes only.
  bool Element(uint8_t tag, Bytes* contents) {
    if (left_ < 2 || p_[0] != tag) return false;
    size_t length = p_[1];
    size_t head = 2;
    if (length & 0x80) {
      const size_t count = length & 0x7F;
      if (count < 1 || count > 2 || left_ < 2 + count) return false;
      length = 0;
      for (size_t i = 0; i < count; ++i) length = (length << 8) | p_[2 + i];
      head += count;
    }
    if (length > left_ - head) return false;
    *contents = {p_ + head, length};
    p_ += head + length;
    left_ -= head + length;
    return true;
  }

  // The exact bytes.
  bool Expect(const uint8_t* bytes, size_t length) {
    if (left_ < length || std::memcmp(p_, bytes, length) != 0) return false;
    p_ += length;
    left_ -= length;
    return true;
  }

  // A non-negative INTEGER as its magnitude (leading zero bytes dropped).
  bool Unsigned(Bytes* value) {
    Bytes raw;
    if (!Element(0x02, &raw) || raw.length == 0 || (raw.data[0] & 0x80)) return false;
    while (raw.length > 1 && raw.data[0] == 0) {
      ++raw.data;
      --raw.length;
    }
    *value = raw;
    return true;
  }

 private:
  const uint8_t* p_;
  size_t left_;
};

constexpr uint8_t kVersionZero[] = {0x02, 0x01, 0x00};
constexpr uint8_t kRsaEncryption[] = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01, 0x05, 0x00};

}  // namespace

void quorv_options_clear_key_parts() {
  ClearPublic();
  ClearPrivate();
}

int quorv_options_generate_temporary_rsa(int bits, uint32_t exponent) {
  quorv_rsa_key* key = quorv_rsa_alloc();
  if (!key) return -1;
  if (quorv_rsa_make_key(key, bits, exponent) != 0) {
    quorv_rsa_free(key);
    return -1;
  }
  uint8_t n[512], e[8];
  const int64_t n_length = quorv_rsa_bn_write(&key->n, n, sizeof n);
  const int64_t e_length = quorv_rsa_bn_write(&key->e, e, sizeof e);
  if (n_length <= 0 || e_length <= 0 || !StorePublic({n, static_cast<size_t>(n_length)}, {e, static_cast<size_t>(e_length)})) {
    quorv_rsa_free(key);
    return -1;
  }
  ClearPrivate();
  quorv_rsa_free(quorv_global_options.rsa_key);
  quorv_global_options.rsa_key = key;
  return 0;
}

void quorv_options_set_public_encryption_options(const uint8_t* modulus, size_t modulus_length, const uint8_t* exponent,
                                                 size_t exponent_length) {
  if (!modulus || !modulus_length || !exponent || !exponent_length) return;
  StorePublic({modulus, modulus_length}, {exponent, exponent_length});
}

int quorv_options_set_private_encryption_options(const uint8_t* d, size_t d_length, const uint8_t* p, size_t p_length,
                                                 const uint8_t* q, size_t q_length, const uint8_t* dp, size_t dp_length,
                                                 const uint8_t* dq, size_t dq_length, const uint8_t* qinv, size_t qinv_length) {
  const quorv_options& o = quorv_global_options;
  const KeyParts k{{o.modulus, static_cast<size_t>(o.modulus_length)},
                   {o.exponent, static_cast<size_t>(o.exponent_length)},
                   {d, d_length},
                   {p, p_length},
                   {q, q_length},
                   {dp, dp_length},
                   {dq, dq_length},
                   {qinv, qinv_length}};
  for (const Bytes* b : {&k.n, &k.e, &k.d, &k.p, &k.q, &k.dp, &k.dq, &k.qinv})
    if (!Present(*b)) return -1;
  return Install(k) ? 0 : -1;
}

int quorv_options_set_rsa_from_buffer(const uint8_t* der, size_t length) {
  if (!der) return -1;
  Der outer(der, length);
  Bytes info, algorithm, octets, rsa;
  if (!outer.Element(0x30, &info)) return -1;
  Der body(info.data, info.length);
  if (!body.Expect(kVersionZero, sizeof kVersionZero) || !body.Element(0x30, &algorithm) ||
      algorithm.length != sizeof kRsaEncryption || std::memcmp(algorithm.data, kRsaEncryption, sizeof kRsaEncryption) != 0 ||
      !body.Element(0x04, &octets))
    return -1;
  Der inner(octets.data, octets.length);
  if (!inner.Element(0x30, &rsa)) return -1;
  Der fields(rsa.data, rsa.length);
  KeyParts k{};
  if (!fields.Expect(kVersionZero, sizeof kVersionZero)) return -1;
  for (Bytes* b : {&k.n, &k.e, &k.d, &k.p, &k.q, &k.dp, &k.dq, &k.qinv})
    if (!fields.Unsigned(b)) return -1;
  return Install(k) ? 0 : -1;
}

int quorv_options_set_rsa_from_file(const char* path) {
  char host[4096];
  if (!path || !plat::MapPath(path, host, sizeof host)) return -1;
  FILE* file = std::fopen(host, "rb");
  if (!file) return -1;
  uint8_t der[kMaxKeyFile];
  struct stat info;
  const bool sized = fstat(fileno(file), &info) == 0 && info.st_size > 0 && static_cast<size_t>(info.st_size) <= kMaxKeyFile;
  const size_t length = sized ? static_cast<size_t>(info.st_size) : 0;
  const bool read = sized && std::fread(der, 1, length, file) == length;
  std::fclose(file);
  if (!read) return -1;
  return quorv_options_set_rsa_from_buffer(der, length);
}

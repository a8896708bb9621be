// The RSA key pair: making a key and the RSA primitive.
#include <cstring>
#include <initializer_list>
#include <new>

#include "quorv_rsa_key.h"
#include "web/quorv_encoding.h"

namespace {

// Candidates drawn for one prime before giving up (a working random source needs a few
// hundred at most).
constexpr int kMaxDraws = 100000;
constexpr int kMillerRabinRounds = 8;

struct Temp {
  mp_int v;
  bool ok;
  Temp() : ok(mp_init(&v) == MP_OKAY) {}
  ~Temp() {
    if (ok) mp_clear(&v);
  }
  Temp(const Temp&) = delete;
  Temp& operator=(const Temp&) = delete;
};

// A prime of bytes * 8 bits whose two top bits are set and with gcd(p - 1, e) = 1.
int DrawPrime(mp_int* prime, size_t bytes, const mp_int* e) {
  uint8_t candidate[512];
  Temp less_one, gcd;
  if (!less_one.ok || !gcd.ok) return -2;
  for (int draw = 0; draw < kMaxDraws; ++draw) {
    if (quorv_sys_get_random_data(candidate, bytes, 0, 0) != 0) return -4;
    candidate[0] |= 0xC0;
    candidate[bytes - 1] |= 0x01;
    if (mp_from_ubin(prime, candidate, bytes) != MP_OKAY) return -3;
    mp_bool is_prime = MP_NO;
    if (mp_prime_is_prime(prime, kMillerRabinRounds, &is_prime) != MP_OKAY) return -3;
    if (is_prime != MP_YES) continue;
    if (mp_sub_d(prime, 1, &less_one.v) != MP_OKAY || mp_gcd(&less_one.v, e, &gcd.v) != MP_OKAY) return -3;
    if (mp_cmp_d(&gcd.v, 1) == MP_EQ) return 0;
  }
  return -3;
}

bool IsZero(const mp_int* v) { return mp_iszero(v); }

}  // namespace

int quorv_rsa_bn_read(mp_int* value, const uint8_t* bytes, size_t length) {
  if (!value || (!bytes && length)) return -1;
  if (length == 0) {
    mp_zero(value);
    return 0;
  }
  return mp_from_ubin(value, bytes, length) == MP_OKAY ? 0 : -1;
}

int64_t quorv_rsa_bn_write(const mp_int* value, uint8_t* out, size_t room) {
  if (!value || !out) return -1;
  size_t written = 0;
  if (mp_to_ubin(value, out, room, &written) != MP_OKAY) return -1;
  return static_cast<int64_t>(written);
}

size_t quorv_rsa_bn_size(const mp_int* value) { return value ? mp_ubin_size(value) : 0; }

quorv_rsa_key* quorv_rsa_alloc() {
  auto* key = new (std::nothrow) quorv_rsa_key;
  if (!key) return nullptr;
  if (mp_init_multi(&key->e, &key->d, &key->n, &key->p, &key->q, &key->qinv, &key->dp, &key->dq, nullptr) != MP_OKAY) {
    delete key;
    return nullptr;
  }
  return key;
}

void quorv_rsa_free(quorv_rsa_key* key) {
  if (!key) return;
  mp_clear_multi(&key->e, &key->d, &key->n, &key->p, &key->q, &key->qinv, &key->dp, &key->dq, nullptr);
  delete key;
}

size_t quorv_rsa_modulus_size(const quorv_rsa_key* key) { return key ? mp_ubin_size(&key->n) : 0; }

int quorv_rsa_make_key(quorv_rsa_key* key, int bits, uint32_t exponent) {
  if (bits < 1024 || bits > 4096) return -1;
  if (!key || exponent < 3 || !(exponent & 1)) return -3;
  Temp e, p, q, p1, q1, lcm, d, n, dp, dq, qinv;
  for (Temp* t : {&e, &p, &q, &p1, &q1, &lcm, &d, &n, &dp, &dq, &qinv})
    if (!t->ok) return -2;
  mp_set_u32(&e.v, exponent);
  const size_t bytes = static_cast<size_t>(bits) / 16;
  if (int r = DrawPrime(&p.v, bytes, &e.v)) return r;
  do {
    if (int r = DrawPrime(&q.v, bytes, &e.v)) return r;
  } while (mp_cmp(&p.v, &q.v) == MP_EQ);
  if (mp_sub_d(&p.v, 1, &p1.v) != MP_OKAY || mp_sub_d(&q.v, 1, &q1.v) != MP_OKAY || mp_lcm(&p1.v, &q1.v, &lcm.v) != MP_OKAY ||
      mp_invmod(&e.v, &lcm.v, &d.v) != MP_OKAY || mp_mul(&p.v, &q.v, &n.v) != MP_OKAY || mp_mod(&d.v, &p1.v, &dp.v) != MP_OKAY ||
      mp_mod(&d.v, &q1.v, &dq.v) != MP_OKAY || mp_invmod(&q.v, &p.v, &qinv.v) != MP_OKAY)
    return -3;
  mp_exch(&key->e, &e.v);
  mp_exch(&key->d, &d.v);
  mp_exch(&key->n, &n.v);
  mp_exch(&key->p, &p.v);
  mp_exch(&key->q, &q.v);
  mp_exch(&key->dp, &dp.v);
  mp_exch(&key->dq, &dq.v);
  mp_exch(&key->qinv, &qinv.v);
  return 0;
}

int quorv_rsa_exptmod(const quorv_rsa_key* key, int is_private, const uint8_t* input, size_t length, uint8_t* out, size_t* room) {
  if (!key || !room || (!input && length) || IsZero(&key->n)) return -1;
  const size_t size = mp_ubin_size(&key->n);
  if (!out || *room < size) {
    *room = size;
    return -1;
  }
  if (is_private ? (IsZero(&key->p) || IsZero(&key->q) || IsZero(&key->dp) || IsZero(&key->dq) || IsZero(&key->qinv))
                 : IsZero(&key->e))
    return -1;
  Temp c, m, m2, h;
  if (!c.ok || !m.ok || !m2.ok || !h.ok) return -1;
  if (quorv_rsa_bn_read(&c.v, input, length) != 0) return -1;
  // Input at or above the modulus has no meaning for the key.
  if (mp_cmp(&c.v, &key->n) != MP_LT) return -1;
  if (is_private) {
    // m1 = c^dP mod p, m2 = c^dQ mod q, h = (m1 - m2) qInv mod p, m = m2 + h q.
    if (mp_exptmod(&c.v, &key->dp, &key->p, &m.v) != MP_OKAY || mp_exptmod(&c.v, &key->dq, &key->q, &m2.v) != MP_OKAY ||
        mp_sub(&m.v, &m2.v, &h.v) != MP_OKAY || mp_mulmod(&h.v, &key->qinv, &key->p, &h.v) != MP_OKAY ||
        mp_mul(&h.v, &key->q, &m.v) != MP_OKAY || mp_add(&m.v, &m2.v, &m.v) != MP_OKAY)
      return -1;
  } else if (mp_exptmod(&c.v, &key->e, &key->n, &m.v) != MP_OKAY) {
    return -1;
  }
  const size_t produced = mp_ubin_size(&m.v);
  if (produced > size) return -1;
  std::memset(out, 0, size - produced);
  size_t written = 0;
  if (mp_to_ubin(&m.v, out + size - produced, produced, &written) != MP_OKAY) return -1;
  *room = size;
  return 0;
}

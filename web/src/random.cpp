// Random bytes for nonces, secrets and keys.
#include <cstring>

#include "platform/random.h"
#include "web/quorv_encoding.h"
#include "web/quorv_util.h"

namespace {

// Zero bytes drawn again before one is forced to 1.
constexpr int kRedraws = 8;

}  // namespace

int quorv_sys_get_random_data(uint8_t* out, size_t length, int hex, int nonzero) {
  if (!out) return -1;
  if (plat::RandomFill(out, length) != length) {
    quorv_log("Cannot fetch random data from /dev/urandom");
    std::memset(out, 0, hex ? 2 * length + 1 : length);
    return -1;
  }
  if (nonzero) {
    for (size_t i = 0; i < length; ++i) {
      for (int tries = 0; out[i] == 0 && tries < kRedraws; ++tries) {
        if (plat::RandomFill(&out[i], 1) != 1) {
          quorv_log("Cannot fetch random data from /dev/urandom");
          std::memset(out, 0, hex ? 2 * length + 1 : length);
          return -1;
        }
      }
      if (out[i] == 0) out[i] = 1;
    }
  }
  if (hex) quorv_util_hex_encode(out, length, reinterpret_cast<char*>(out));
  return 0;
}

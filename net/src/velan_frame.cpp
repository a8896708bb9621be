// Velan message framing: where a message ends in a TCP stream (28 + its length field),
// segmented messages, the frames' check byte and the login challenge.
#include "ground/cmdhost.h"
#include "velan_internal.h"

namespace velan {

int StreamMessage(const uint8_t* data, std::size_t length) {
  if (length < kHeader) return 0;
  const std::size_t whole = kHeader + Get16(data + kLength);
  if (whole > kMaxMessage) return -1;
  return length < whole ? 0 : int(whole);
}

bool Segmented(const uint8_t* message, std::size_t length) {
  return length >= kHeader + 3 && message[kHeader] == kFrame && message[kHeader + 1] == 0;
}

uint8_t FrameCheck(uint8_t n, const uint8_t* data, std::size_t count) {
  uint32_t sum = kFrame + n + Cmd_ChecksumSeed();
  for (std::size_t i = 0; i < count; ++i) sum += data[i];
  return uint8_t(-sum);
}

uint32_t Challenge(const uint8_t* clock) {
  uint32_t v = 0;
  for (int i = 0; i < 6; ++i) v += Get16(clock + 2 * i);
  if (clock[0] != 0) v *= clock[0];
  return v * 47;
}

uint32_t MaskChallenge(uint32_t value) { return ((value << 16) | (value >> 16)) ^ 0x5B17E0A4u; }

}  // namespace velan

#pragma once
// The command table CmdInfo: one row per command byte 0..38. A command above 38 is run as
// command 0.

#include <array>
#include <cstdint>

// How a pass-through relays a command to another node.
enum CmdRelayKind : int16_t {
  kRelayAck = 0,       // one acknowledge byte back
  kRelayFrame = 1,     // one reply frame back
  kRelayDownload = 2,  // data frames to the node, a byte back for each
  kRelayUpload = 3,    // data frames from the node, a byte from the host for each
};

struct CmdRow {
  void (*handler)() = nullptr;
  int16_t kind = kRelayAck;  // CmdRelayKind
  uint8_t any_node = 0;      // runs locally whatever node id the request carries
  uint8_t broadcast = 0;     // may be sent to node 255
};

inline constexpr int kCmdCount = 39;
extern const std::array<CmdRow, kCmdCount> CmdInfo;

// The row of a command byte.
inline const CmdRow& CmdRowOf(uint8_t command) { return CmdInfo[command < kCmdCount ? command : 0]; }

#pragma once
// ASCII over TCP: one TCP client per interface exchanges raw text with the logic through
// register blocks (a send block with its request register, a receive block, a status
// register). Main thread only, within the hub's pass.
#include <cstdint>

#include "net/nx.h"

namespace ascii {

inline constexpr uint32_t kSegment = 1380;    // the connection's window: bytes per segment
inline constexpr uint32_t kTextMax = 2000;    // one text: a full segment and a continuation
inline constexpr uint32_t kContinuationTicks = 500;  // 50 ms of 0.1 ms ticks
inline constexpr uint16_t kNoTerminator = 48;

// Status word bits.
inline constexpr uint16_t kContinuationCut = 0x0001;
inline constexpr uint16_t kSendCut = 0x0002;
inline constexpr uint16_t kNoSocket = 0x0004;
inline constexpr uint16_t kReceived = 0x8000;

// Back to the power-on state; closes every descriptor held.
void ResetServers();

}  // namespace ascii

int Ascii_Init(nx::IpInstance* ip, nx::PacketPool* pool);
void Ascii_Scan(int index);
int Ascii_cnn_cnt(int index);
void Ascii_DeInit(nx::IpInstance* ip);

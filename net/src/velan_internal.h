#pragma once
// The programming link over TCP (port 18501): Velan messages, a 28-byte header and
// command bytes, carry programming-command frames between up to 8 clients per interface
// and the command channel of DprMap. The files split it as framing (velan_frame.cpp:
// the header, the message's end in a TCP stream, the frames' check byte) and the
// server (velan_server.cpp: connections, ownership of the channel, login, long
// transfers split into frames and long replies joined).
//
// Main thread only, within the hub's pass.
#include <cstddef>
#include <cstdint>

#include "net/nx.h"

namespace velan {

inline constexpr uint16_t kPort = 18501;
inline constexpr int kConnections = 8;
inline constexpr std::size_t kHeader = 28;
inline constexpr std::size_t kMaxCommand = 67;  // command bytes passed on per request
// The largest message taken from a client: one receive.
inline constexpr std::size_t kMaxMessage = nx::kReceiveMax;
inline constexpr uint32_t kIdleMs = 30000;
inline constexpr uint32_t kLoginMs = 60000;

// Header fields (little-endian).
inline constexpr std::size_t kKey = 0, kRoute = 4, kAddressA = 6, kAddressB = 8, kFunction = 10, kClock = 12,
                             kEcho = 24, kLength = 26;
// Functions of requests, statuses of replies.
inline constexpr uint16_t kLoginRequest = 32, kLoginResponse = 64, kLogout = 128;
inline constexpr uint16_t kDone = 0, kRefused = 1, kRouteTooDeep = 2, kBusy = 8;
inline constexpr uint8_t kFrame = 0xFF;  // a programming-command data frame, or a segmented message
inline constexpr uint8_t kAsk = 0xA0;    // the processor's acknowledge; asks for the next part

inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t Get32(const uint8_t* p) { return uint32_t(Get16(p) | uint32_t(Get16(p + 2)) << 16); }
inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  Put16(p, uint16_t(v));
  Put16(p + 2, uint16_t(v >> 16));
}

// Length of the first whole message at the start of a stream's bytes: 0 while it is not
// complete, -1 when its length field is larger than a message can be.
int StreamMessage(const uint8_t* data, std::size_t length);
// A segmented message (a long transfer): 0xFF, 0, n data bytes, a check byte, its length
// field n + 3. Its data bytes are data[30..30+n).
bool Segmented(const uint8_t* message, std::size_t length);
// The check byte of a programming-command frame 0xFF, n, data.
uint8_t FrameCheck(uint8_t n, const uint8_t* data, std::size_t count);
// The challenge of a login request from the 12 clock bytes, and its masked form.
uint32_t Challenge(const uint8_t* clock);
uint32_t MaskChallenge(uint32_t value);

void ResetServers();

}  // namespace velan

// The hub's operations (EnetProtocol row "Velan").
int Velan_Init(nx::IpInstance* ip, nx::PacketPool* pool);
void Velan_Scan(int index);
int Velan_ConnCnt(int index);
void Velan_DeInit(nx::IpInstance* ip);

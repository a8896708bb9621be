// The frame of the programming protocol, both directions:
//   short form  u8 command, u8 count (0..254), count data bytes, u8 checksum
//   long form   u8 command, 0xFF, u16 length (low byte first), length data bytes, u8 checksum
// The seed plus every byte of the frame, the checksum byte included, is 0 modulo 256.
// A receiver takes the long form at any time; the panel sends it only while negotiation
// (command 35) is on. Data beyond 1024 bytes is not kept but still counts in the sum.
#include <algorithm>

#include "cmd_server.h"
#include "ground/cmdhost.h"
#include "ground/gentimers.h"
#include "ground/regimage.h"
#include "ground/sysservices.h"

CmdBuffer CmdPacket;
uint16_t CmdDataMax = kCmdDataMaxDefault;
uint8_t CmdLongForm = 0;

namespace {

uint8_t g_seed = 0;

// A long frame's header and checksum around at most 1024 data bytes.
constexpr std::size_t kFrameMax = 4 + kCmdDataStore + 1;
uint8_t g_tx[kFrameMax];

// A hostile host could keep the receive loop busy for ever; one call takes this many
// bytes at most and leaves the rest for the next pass.
constexpr int kBytesPerCall = 4096;

}  // namespace

// The command check owns the baud timer's expiry; others only restart a running timer.
void CmdRestartBaudTimer() {
  if (Timer_Running(CmdBaudTimer)) Timer_Start(CmdBaudTimer, 0);
}

void CmdSetSeed(uint8_t oem_identity) { g_seed = oem_identity & 0x7F; }
uint8_t Cmd_ChecksumSeed() { return g_seed; }

uint32_t CmdField(std::size_t at, std::size_t n) {
  const std::size_t stored = CmdStored();
  uint32_t v = 0;
  for (std::size_t i = 0; i < n && i < 4; ++i)
    if (at + i < stored) v |= uint32_t(CmdPacket.data[at + i]) << (8 * i);
  return v;
}

void CmdResetReceive() {
  CmdPacket.state = kRxCommand;
  CmdPacket.index = 0;
}

void CmdNegotiationOff() {
  CmdLongForm = 0;
  CmdDataMax = kCmdDataMaxDefault;
}

int get_packet() {
  CmdBuffer& p = CmdPacket;
  for (int n = 0; n < kBytesPerCall && cmdio::chkbyte(); ++n) {
    const uint8_t b = uint8_t(cmdio::getbyte());
    Timer_Start(p.link_timer, p.link_period);
    switch (p.state) {
      case kRxCommand:
        p.command = b;
        p.checksum = uint8_t(b + g_seed);
        p.count = 0;
        if (p.one_byte && b != kDataFrame) {
          Timer_Stop(p.link_timer);
          CmdNegotiationOff();
          return 1;
        }
        p.state = kRxCount;
        Vcomm_LockSet(1);
        break;
      case kRxCount:
        p.checksum = uint8_t(p.checksum + b);
        if (b == 0xFF) {
          p.state = kRxLengthLow;
        } else {
          p.count = b;
          p.index = 0;
          p.state = b ? kRxData : kRxChecksum;
          if (b == 0) CmdNegotiationOff();
        }
        break;
      case kRxLengthLow:
        p.checksum = uint8_t(p.checksum + b);
        p.count = b;
        p.state = kRxLengthHigh;
        break;
      case kRxLengthHigh:
        p.checksum = uint8_t(p.checksum + b);
        p.count = uint16_t(p.count | (b << 8));
        p.index = 0;
        p.state = p.count ? kRxData : kRxChecksum;
        if (p.count == 0) CmdNegotiationOff();
        break;
      case kRxData:
        if (p.index < kCmdDataStore) p.data[p.index] = b;
        p.checksum = uint8_t(p.checksum + b);
        if (++p.index >= p.count) p.state = kRxChecksum;
        break;
      default:  // kRxChecksum
        p.checksum = uint8_t(p.checksum + b);
        CmdResetReceive();
        if (p.checksum != 0) {
          cmdio::putbyte(kNak);
          break;
        }
        if (Vcomm_Mode != 2) CmdRestartBaudTimer();
        Timer_Stop(p.link_timer);
        return 1;
    }
  }
  return 0;
}

void put_packet(uint8_t command, uint16_t count, const uint8_t* data) {
  const bool long_form = CmdLongForm != 0;
  // A short frame carries at most 254 bytes; no frame more than the buffer holds.
  count = std::min<uint16_t>(count, long_form ? uint16_t(kCmdDataStore) : uint16_t(254));
  std::size_t n = 0;
  g_tx[n++] = command;
  if (long_form) {
    g_tx[n++] = 0xFF;
    g_tx[n++] = uint8_t(count);
    g_tx[n++] = uint8_t(count >> 8);
  } else {
    g_tx[n++] = uint8_t(count);
  }
  if (count) std::copy_n(data, count, g_tx + n);
  n += count;
  uint8_t sum = g_seed;
  for (std::size_t i = 0; i < n; ++i) sum = uint8_t(sum + g_tx[i]);
  g_tx[n++] = uint8_t(-sum);
  cmdio::putnbyte(g_tx, uint32_t(n));
  if (long_form && command == kDataFrame && count == 0) CmdNegotiationOff();
}

// The command channel of DprMap: requests from the programming link over TCP in the
// receive ring or the single-byte slot, replies in the transmit area, and the poll toggle
// that marks the end of an exchange. Toggle pairs order the hand-over; no locks.
#include <cstring>

#include "dpr_internal.h"

using namespace dpr;

namespace {

uint16_t read_index = 0;  // into the receive ring's data

bool RingWaiting() { return DprMap[kRxRing] != DprMap[kRxRing + 1]; }
bool ByteWaiting() { return DprMap[kRxByte] != DprMap[kRxByte + 1]; }

void AckRing() {
  DprMap[kRxRing + 1] = DprMap[kRxRing];
  read_index = 0;
}

}  // namespace

void dpr::ResetChannel() { read_index = 0; }

int Etn_CheckRx() { return (RingWaiting() || ByteWaiting()) ? 1 : 0; }

int Etn_GetRx() {
  if (ByteWaiting()) {
    DprMap[kRxByte + 1] = DprMap[kRxByte];
    return DprMap[kRxByte + 2];
  }
  if (!RingWaiting()) return 0;
  // The producer's length is outside input: never read past the ring.
  uint16_t length = Get16(kRxRing + 2);
  if (length > kRxRingCapacity) length = uint16_t(kRxRingCapacity);
  if (read_index >= length) {
    Put16(kRxRing + 2, 0);
    AckRing();
    return 0;
  }
  const int byte = DprMap[kRxRingData + read_index++];
  if (read_index >= length) {
    Put16(kRxRing + 2, 0);
    AckRing();
  }
  return byte;
}

void Etn_FlushRx() {
  if (!Etn_CheckRx()) return;
  AckRing();
  DprMap[kRxByte + 1] = DprMap[kRxByte];
}

void Etn_PutTx(uint8_t byte) {
  if (byte == 'p') {
    const uint8_t t = DprMap[kPollToggle];
    DprMap[kPollToggle] = t > 1 ? 0 : uint8_t(t ^ 1);
    return;
  }
  DprMap[kTxData] = byte;
  Put16(kTx + 2, 1);
  DprMap[kTx] = uint8_t(DprMap[kTx + 1] ^ 1);
}

void Etn_PutnTx(const uint8_t* data, uint32_t length) {
  if (length > kTxCapacity) length = kTxCapacity;
  if (length) std::memcpy(DprMap + kTxData, data, length);
  Put16(kTx + 2, uint16_t(length));
  DprMap[kTx] = uint8_t(DprMap[kTx + 1] ^ 1);
}

// CAN talk-through: the tool sends and receives raw CAN frames through the panel
// (commands 36 and 37).
#include <algorithm>

#include "cmd_handlers.h"
#include "cmd_server.h"
#include "fieldbus/services.h"

namespace {
uint8_t g_rx[kCmdDataStore];
}

// Waits for received frames and sends them as one data frame. The wait runs on the link
// timer, so a silent network ends the command instead of holding the server.
void velan_can_talkthrough_rx_can_packet_cmd() {
  if (CmdMode == 0) {
    CmdMode = 1;
    CmdStartLinkTimer();
  }
  const int n = CAN_TalkthruRX(int(CmdField(1, 1)), g_rx);
  if (n <= 0) return;
  put_packet(kDataFrame, uint16_t(std::min<int>(n, CmdDataMax)), g_rx);
  CmdDone();
}

void velan_can_talkthrough_cmd() {
  const int ok = CAN_TalkthruCMD(int(CmdField(1, 1)), CmdPacket.data + 2);
  cmdio::putbyte(ok ? kAck : kNak);
  CmdDone();
}

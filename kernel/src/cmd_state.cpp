// The command server's state and the small helpers its handlers share.
#include <algorithm>

#include "cmd_server.h"
#include "kernel/cmdproto.h"
#include "kernel/gentimers.h"
#include "kernel/regimage.h"

uint8_t OLPMode = 0;
uint8_t Cmd_Override = 0;
uint8_t CmdRun = kCmdIdle;
uint8_t CmdHost = 0;
uint8_t CmdMode = 0;
uint8_t CmdGlobal = 0;
uint8_t CmdHostToPlc = 1;
uint8_t CmdBaudTimer = kNoTimer;

void CmdDone() { CmdRun = kCmdIdle; }

void CmdAck() {
  if (!CmdGlobal) cmdio::putbyte(kAck);
}

void do_default() {
  if (!CmdGlobal) cmdio::putbyte(kRefused);
  CmdDone();
}

void CmdStartLinkTimer() { Timer_Start(CmdPacket.link_timer, CmdPacket.link_period); }

uint32_t CmdLockTimeout(uint32_t floor) { return std::max<uint32_t>(SrGet(136), floor); }

uint16_t CmdByteTimeout() { return std::max<uint16_t>(SrGet(137), 500); }

uint8_t CmdLocalId() { return uint8_t(SrGet(29)); }

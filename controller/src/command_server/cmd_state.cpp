// The command server's state and the small helpers its handlers share.
#include <algorithm>

#include "cmd_host_usb.h"
#include "cmd_server.h"
#include "ground/cmdhost.h"
#include "ground/cmdproto.h"
#include "controller/download.h"
#include "ground/gentimers.h"
#include "ground/regimage.h"

uint8_t OLPMode = 0;
uint8_t Cmd_Override = 0;
uint8_t CmdRun = kCmdIdle;
uint8_t CmdHost = 0;
uint8_t CmdMode = 0;
uint8_t CmdGlobal = 0;
uint8_t CmdHostToPlc = 1;
uint8_t CmdBaudTimer = kNoTimer;

void CmdServerReset() {
  OLPMode = 0;
  Cmd_Override = 0;
  CmdRun = kCmdIdle;
  CmdHost = 0;
  CmdMode = 0;
  CmdGlobal = 0;
  CmdHostToPlc = 1;
  CmdBaudTimer = kNoTimer;
  CmdPacket = CmdBuffer{};
  CmdNegotiationOff();
  CmdSetSeed(0);
  CmdRelayReset();
  CmdResetLinkFreeReport();
  Cmd_SetHost(kHostSerial, CmdSerialHost());
  Cmd_SetHost(kHostEthernet, nullptr);
  CmdCloseUsbHost();
  Cmd_SetNetwork(nullptr);
  Cmd_Downloading = 0;
  CmdNetIoConfigUpdated = 0;
  J1939StartFlag = 0;
}

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

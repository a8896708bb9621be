// Start-up of the command server.
#include "cmd_host_usb.h"
#include "cmd_server.h"
#include "ground/cmdhost.h"
#include "controller/cmdserver.h"
#include "controller/fxp.h"
#include "ground/gentimers.h"
#include "ground/sysservices.h"
#include "platform/trace.h"

void Cmd_Init() {
  plat::TraceCall("Cmd_Init");
  CmdSetSeed(OemIdentityByte());  // the boot installer's /mnt/cfg/oeminfo
  CmdBaudTimer = Timer_Allocate(1);
  CmdPacket.link_timer = Timer_Allocate(1);
  CmdPacket.link_period = CmdByteTimeout();
  CmdPacket.one_byte = 0;
  CmdResetReceive();
  CmdNegotiationOff();
  CmdRun = kCmdIdle;
  CmdMode = 0;
  CmdGlobal = 0;
  CmdHostToPlc = 1;
  CmdHost = kHostSerial;
  CmdRelayReset();
  Cmd_SetHost(kHostSerial, CmdSerialHost());
  CmdOpenUsbHost();
  Cmd_PortInit(1);
  Fxp_Initialise();
}

// The serial layer's start, before the ports open. The programming link starts free and
// local as it stands, so there is nothing to set up.
void Vcomm_Init() { plat::TraceCall("Vcomm_Init"); }

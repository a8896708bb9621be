// Start-up of the command server.
#include <cstdio>

#include "cmd_host_usb.h"
#include "cmd_server.h"
#include "kernel/cmdhost.h"
#include "kernel/cmdproto.h"
#include "kernel/fxp.h"
#include "kernel/gentimers.h"
#include "platform/root.h"
#include "platform/trace.h"

namespace {

// The OEM identity byte, as the boot installer left it in /mnt/cfg/oeminfo; 0 without it.
uint8_t ReadOemIdentity() {
  const std::string path = plat::HostPath("/mnt/cfg/oeminfo");
  std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
  if (f == nullptr) return 0;
  const int c = std::fgetc(f);
  std::fclose(f);
  return c == EOF ? 0 : uint8_t(c);
}

}  // namespace

void Cmd_Init() {
  plat::TraceCall("Cmd_Init");
  CmdSetSeed(ReadOemIdentity());
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

// Host 3, the USB device serial port: the serial drivers' USB port (a pseudo-terminal
// stand-in on this host, linked at kUsbDevicePort below the device root), called by name.
#include "cmd_host_usb.h"

#include <cstdio>

#include "drivers/serial.h"
#include "ground/cmdhost.h"

namespace {

int UsbCheck() { return SCI4_CheckRx() == 1; }
int UsbGet() { return SCI4_GetRx(); }
void UsbPut(uint8_t byte) { SCI4_PutTx(byte); }

constexpr CmdHostOps kUsbHost{
    .check = UsbCheck, .get = UsbGet, .flush = SCI4_FlushRx, .put = UsbPut, .put_n = SCI4_PutnTx};

}  // namespace

void CmdOpenUsbHost() {
  const bool open = SCI4_Init(3) != 0;
  if (!open) std::fprintf(stderr, "command server: no USB device port\n");
  Cmd_SetHost(kHostUsb, open ? &kUsbHost : nullptr);
}

void CmdCloseUsbHost() {
  Cmd_SetHost(kHostUsb, nullptr);
  SCI4_Close();
}

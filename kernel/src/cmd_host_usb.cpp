// Host 3, the USB device serial port. Until the serial drivers are built the port is the
// pseudo-terminal stand-in of platform/: the unit holds the master side, the programming
// tool opens the link kUsbDevicePort below the device root.
#include "cmd_host_usb.h"

#include <cstdio>

#include "kernel/cmdhost.h"
#include "platform/serial_pty.h"

namespace {

plat::PtyPort g_usb;

int UsbCheck() { return g_usb.Available() > 0; }
int UsbGet() { return g_usb.Read(); }
void UsbFlush() { g_usb.FlushInput(); }
void UsbPutN(const uint8_t* bytes, uint32_t count) { g_usb.Write(bytes, count); }
void UsbPut(uint8_t byte) { g_usb.Write(&byte, 1); }

constexpr CmdHostOps kUsbHost{.check = UsbCheck, .get = UsbGet, .flush = UsbFlush, .put = UsbPut, .put_n = UsbPutN};

}  // namespace

void CmdOpenUsbHost() {
  if (!g_usb.Open(kUsbDevicePort)) std::fprintf(stderr, "command server: no USB device port stand-in\n");
  Cmd_SetHost(kHostUsb, g_usb.is_open() ? &kUsbHost : nullptr);
}

void CmdCloseUsbHost() {
  Cmd_SetHost(kHostUsb, nullptr);
  g_usb.Close();
}

#pragma once
// Opens the USB device port's stand-in (a new pseudo-terminal, linked at kUsbDevicePort
// below the device root) and makes it host 3; without one host 3 has no channel.
void CmdOpenUsbHost();
// The built-in table of host 0, the programming serial port.
struct CmdHostOps;
const CmdHostOps* CmdSerialHost();
// Closes the USB device port's stand-in (its link removed) and leaves host 3 without a
// channel, as before CmdOpenUsbHost.
void CmdCloseUsbHost();

#pragma once
// The hosts of the programming-tool command server: where its frames come from and where
// its answers go. Each host is a table of byte operations; the command server asks the
// table, never the device. The subsystems that own a channel install its table:
//
//   host 0  the programming serial port (the row ProgrammingPort of Vcomm_Drv) or, while
//           the modem's data socket is connected on that port, the modem data socket.
//           Built in; it reads the port only while the port's framing code is 1 and no
//           system user has claimed it (Cmd_Override).
//   host 1  the Ethernet command channel: installed by the networking subsystem. Until
//           then the host has no channel (no input; answers are dropped).
//   host 3  the USB device serial port: the pseudo-terminal stand-in of platform/,
//           opened by Cmd_Init at the unit path kUsbDevicePort.
//
// The CAN network (pass-through to other nodes, commands from a remote master) is a
// fourth byte source with its own table, by default the network layer's host queue.
//
// Main thread only. The operations never block.

#include <cstdint>

inline constexpr uint8_t kHostSerial = 0;
inline constexpr uint8_t kHostEthernet = 1;
inline constexpr uint8_t kHostUsb = 3;
inline constexpr int kCmdHosts = 4;  // indices 0..3; 2 is not a host

// Where the USB device port's stand-in links its pseudo-terminal.
inline constexpr char kUsbDevicePort[] = "/dev/ttyGS0";

struct CmdHostOps {
  int (*check)();   // non-zero when a byte waits
  int (*get)();     // one byte (called only after check said one waits)
  void (*flush)();  // drops waiting input
  void (*put)(uint8_t byte);
  void (*put_n)(const uint8_t* bytes, uint32_t count);  // a whole frame
};

// Installs the table of a host (nullptr: the host has no channel) and returns the one it
// replaces. A host index outside 0..3 or 2 changes nothing and returns nullptr.
const CmdHostOps* Cmd_SetHost(uint8_t host, const CmdHostOps* ops);

struct CmdNetOps {
  int (*check)();
  int (*get)();
  void (*flush)();
  // Sends bytes towards the addressed node (link mode 1) or to the remote master (2).
  void (*put_n)(const uint8_t* bytes, uint32_t count, int link_mode);
};
// Installs the CAN network's table (nullptr: the network layer's own calls) and returns
// the one it replaces.
const CmdNetOps* Cmd_SetNetwork(const CmdNetOps* ops);

// The checksum seed: the low 7 bits of the OEM identity byte, read from /mnt/cfg/oeminfo
// by Cmd_Init (0 when the file is missing or empty).
uint8_t Cmd_ChecksumSeed();

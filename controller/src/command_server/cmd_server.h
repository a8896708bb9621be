#pragma once
// What the command server's handlers share: the command buffer, the server state, the
// frame layer (get_packet, put_packet), the byte layer and the one-byte answers.
// Main thread only; nothing here blocks or allocates.

#include <cstddef>
#include <cstdint>
#include <span>

#include "controller/cmdserver.h"

struct VcommDriver;

// One-byte answers of the protocol, and the command byte of every data frame.
enum : uint8_t {
  kAck = 0xA0,       // acknowledge
  kNak = 0x0F,       // checksum error, register not readable, CAN talk-through failed
  kRefused = 0x09,   // refused or failed
  kBusy = 0x60,      // another host holds the link
  kLinkFree = 0x70,  // to the Ethernet channel: the link became free
  kDataFrame = 0xFF,
};

inline constexpr std::size_t kCmdDataStore = 1024;  // data bytes a frame keeps
inline constexpr uint16_t kCmdDataMaxDefault = 64;
inline constexpr uint8_t kNodeBroadcast = 255;

// The receive states of the frame layer.
enum : uint8_t {
  kRxCommand = 0,
  kRxCount = 1,
  kRxData = 2,
  kRxChecksum = 3,
  kRxLengthLow = 4,   // long form: the two length bytes
  kRxLengthHigh = 5,
};

// The command buffer (one, static): the frame being received or just received.
struct CmdBuffer {
  uint8_t command = 0;
  uint16_t count = 0;              // as the frame says; only the first 1024 bytes are kept
  uint8_t data[kCmdDataStore] = {};
  uint8_t checksum = 0;            // running sum, seed included
  uint16_t index = 0;              // data bytes received so far
  uint8_t state = 0;
  uint8_t one_byte = 0;            // set while a one-byte answer is awaited
  uint8_t link_timer = 255;        // general timer of the link (none until Cmd_Init)
  uint16_t link_period = 500;      // its period in ms
};
extern CmdBuffer CmdPacket;

extern uint8_t CmdHost;       // the host whose frames are served
extern uint8_t CmdMode;       // step of a multi-step handler
extern uint8_t CmdGlobal;     // set while a broadcast request is served
extern uint8_t CmdHostToPlc;  // 1 while bytes flow from the host towards the addressed node
extern uint16_t CmdDataMax;   // data bytes per frame the tool and the panel agreed on
extern uint8_t CmdLongForm;   // set while negotiation allows the long form
extern uint8_t CmdBaudTimer;  // general timer of a temporary baud rate

// The data bytes of the frame that are held (count, at most 1024).
inline std::size_t CmdStored() { return CmdPacket.count < kCmdDataStore ? CmdPacket.count : kCmdDataStore; }
inline std::span<const uint8_t> CmdData() { return {CmdPacket.data, CmdStored()}; }
// True when the frame held all the data it counted.
inline bool CmdWhole() { return CmdPacket.count <= kCmdDataStore; }
// Little-endian field of n bytes (1..4) at data[at]; bytes the frame did not carry read 0.
uint32_t CmdField(std::size_t at, std::size_t n);

// Frame layer. get_packet: 1 when a whole frame with a good checksum is in the buffer
// (a bad checksum answers 0x0F and drops the frame). put_packet sends a frame: the short
// form, or the long form while negotiation is on.
int get_packet();
void put_packet(uint8_t command, uint16_t count, const uint8_t* data);
// Clears the receive state (the next byte is a command byte).
void CmdResetReceive();
// Negotiation off: short frames of at most 64 data bytes.
void CmdNegotiationOff();
void CmdSetSeed(uint8_t oem_identity);

// The byte layer. chkchar .. putchar talk to the current host; chkbyte .. putbyte to the
// host or the CAN network as the link mode and CmdHostToPlc say.
namespace cmdio {
int chkchar();
int getchar();
void flushchar();
void putchar(uint8_t byte);
int chkbyte();
int getbyte();
void flushbyte();
void putbyte(uint8_t byte);
void putnbyte(const uint8_t* bytes, uint32_t count);
// A host's own operations (answers to a host that is not the current one).
int HostCheck(uint8_t host);
void HostFlush(uint8_t host);
void HostPut(uint8_t host, uint8_t byte);
}  // namespace cmdio

// The end of a handler: the command is done (CmdRun = 255).
void CmdDone();
// 0xA0 unless a broadcast is served.
void CmdAck();
// 0x09 unless a broadcast is served, and the command is done: the answer of every
// command this panel does not serve.
void do_default();
// Starts the link timer with the buffer's period.
void CmdStartLinkTimer();
// max(SR136, floor): the lock, erase and baud time-outs.
uint32_t CmdLockTimeout(uint32_t floor);
// How long a changed baud rate of the programming port lasts without a new request
// (ms, the floor of its time-out).
inline constexpr uint32_t kBaudHoldMs = 9000;
// The baud timer restarts with its own period on every good frame, while it runs.
void CmdRestartBaudTimer();
// The programming port's row of the serial driver table; nullptr when there is none.
VcommDriver* CmdProgrammingRow();
// The framing of a serial mode record (its byte 5): 1 is the programming protocol.
inline constexpr uint8_t kFramingMask = 0x0F;
inline constexpr uint8_t kFramingProgramming = 1;
// Mode 3 of the protocol: online programming (the controller keeps running).
inline constexpr uint8_t kOnlineProgramming = 3;
// max(SR137, 500): the inter-byte time-out.
uint16_t CmdByteTimeout();
// The local node id (SR29, low byte).
uint8_t CmdLocalId();

// --- Between the dispatcher, the relay and the download ---------------------------------

// Ends the served command: lock bit 0 off and the link held for max(SR136, 5000) ms.
void CmdEndCommand();
// One step of a pass-through to another node; true when the command is over.
bool CmdRelay();
void CmdRelayReset();
// The download screen: step 0 enters it for a table type, step 1 leaves it (saving the
// program unless in Run) when a download is in progress.
void CmdPanel(int step, int type);
// Set by a download that changed the network or I/O configuration; NetIoConfig applies it.
extern uint8_t CmdNetIoConfigUpdated;
// Stops an interrupted download: I/O stopped, the abort message, the tables re-checked,
// the download screen left. Nothing while no download is under way.
void CmdAbortDownload();
// Re-opens the programming serial port with a mode record (the default one: nullptr).
void CmdOpenProgrammingPort(const uint8_t* mode);

// Puts the whole server back to its power-on state, as before Cmd_Init: idle, no frame
// under way, negotiation off, seed 0, no download screen, no online programming, no
// override, host 0 the built-in serial table, no Ethernet or USB channel (the USB
// stand-in closed), the CAN network's own table. Its general timers are the timer
// module's (Timer_Init) and the link ownership the serial layer's (Vcomm_*).
void CmdServerReset();
// Forgets the link-free count last reported to the Ethernet channel (0, as Vcomm_Idle
// starts).
void CmdResetLinkFreeReport();

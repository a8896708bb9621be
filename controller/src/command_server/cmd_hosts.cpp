// The hosts of the command server and the byte layer over them.
#include "drivers/services.h"
#include "fieldbus/services.h"
#include "ground/cmdhost.h"
#include "controller/cmdserver.h"
#include "ground/sysservices.h"
#include "messaging/services.h"
#include "cmd_server.h"

namespace {

// --- Host 0: the programming serial port, or the modem data socket on it ----------------

constexpr int kModemSocket = 1;

bool ModemOnPort() { return IsModemSocketActive(ProgrammingPort, kModemSocket) == 0; }
// The port serves the protocol only in framing 1 and while no system user holds it.
const VcommDriver* ServingRow() {
  const VcommDriver* row = CmdProgrammingRow();
  if (row == nullptr || row->mode == nullptr || (row->mode[5] & kFramingMask) != kFramingProgramming || Cmd_Override) return nullptr;
  return row;
}

int SerialCheck() {
  if (ModemOnPort()) return ModemCheckRecv(kModemSocket) != 0;
  const VcommDriver* row = ServingRow();
  return row && row->check && row->check() == 1;
}
int SerialGet() {
  if (ModemOnPort()) return ModemDataRecv(kModemSocket);
  const VcommDriver* row = ServingRow();
  return row && row->get ? row->get() : 0;
}
void SerialFlush() {
  if (ModemOnPort()) return;
  const VcommDriver* row = ServingRow();
  if (row && row->flush) row->flush();
}
void SerialPutN(const uint8_t* bytes, uint32_t count) {
  if (ModemOnPort()) {
    ModemDataSend(kModemSocket, bytes, count, 0);
    return;
  }
  const VcommDriver* row = ServingRow();
  if (row == nullptr) return;
  if (row->put_n) {
    row->put_n(bytes, count);
  } else if (row->put) {
    for (uint32_t i = 0; i < count; ++i) row->put(bytes[i]);
  }
}
void SerialPut(uint8_t byte) { SerialPutN(&byte, 1); }

constexpr CmdHostOps kSerialHost{
    .check = SerialCheck, .get = SerialGet, .flush = SerialFlush, .put = SerialPut, .put_n = SerialPutN};

// --- The CAN network --------------------------------------------------------------------

constexpr CmdNetOps kCanNetwork{.check = Net_CheckRx, .get = Net_GetRx, .flush = Net_FlushRx, .put_n = CANOpen_PutByte};

const CmdHostOps* g_hosts[kCmdHosts] = {&kSerialHost, nullptr, nullptr, nullptr};
const CmdNetOps* g_net = &kCanNetwork;

bool ValidHost(uint8_t host) { return host < kCmdHosts && host != 2; }
const CmdHostOps* Host(uint8_t host) { return ValidHost(host) ? g_hosts[host] : nullptr; }

// Reads come from the network while a remote master talks to this panel (mode 2), or in
// a pass-through while the node answers; writes go to it while a remote master talks to
// this panel, or in a pass-through while the host's bytes flow to the node.
bool ReadFromNetwork() { return Vcomm_Mode == 2 || (Vcomm_Mode == 1 && CmdHostToPlc == 0); }
bool WriteToNetwork() { return Vcomm_Mode == 2 || (Vcomm_Mode == 1 && CmdHostToPlc == 1); }

}  // namespace

VcommDriver* CmdProgrammingRow() {
  return (ProgrammingPort >= 0 && ProgrammingPort < kVcommPorts) ? &Vcomm_Drv[ProgrammingPort] : nullptr;
}

const CmdHostOps* Cmd_SetHost(uint8_t host, const CmdHostOps* ops) {
  if (!ValidHost(host)) return nullptr;
  const CmdHostOps* previous = g_hosts[host];
  g_hosts[host] = ops;
  return previous;
}

const CmdNetOps* Cmd_SetNetwork(const CmdNetOps* ops) {
  const CmdNetOps* previous = g_net;
  g_net = ops ? ops : &kCanNetwork;
  return previous;
}

// The serial host's table, for Cmd_Init to put back.
const CmdHostOps* CmdSerialHost() { return &kSerialHost; }

namespace cmdio {

int HostCheck(uint8_t host) {
  const CmdHostOps* h = Host(host);
  return h && h->check ? h->check() : 0;
}
void HostFlush(uint8_t host) {
  const CmdHostOps* h = Host(host);
  if (h && h->flush) h->flush();
}
void HostPut(uint8_t host, uint8_t byte) {
  const CmdHostOps* h = Host(host);
  if (h && h->put) h->put(byte);
}
static void HostPutN(uint8_t host, const uint8_t* bytes, uint32_t count) {
  const CmdHostOps* h = Host(host);
  if (h == nullptr) return;
  if (h->put_n) {
    h->put_n(bytes, count);
  } else if (h->put) {
    for (uint32_t i = 0; i < count; ++i) h->put(bytes[i]);
  }
}

int chkchar() { return HostCheck(CmdHost); }
int getchar() {
  const CmdHostOps* h = Host(CmdHost);
  return h && h->get ? (h->get() & 0xFF) : 0;
}
void flushchar() { HostFlush(CmdHost); }
void putchar(uint8_t byte) { HostPut(CmdHost, byte); }

int chkbyte() { return ReadFromNetwork() ? (g_net->check ? g_net->check() : 0) : chkchar(); }
int getbyte() { return ReadFromNetwork() ? (g_net->get ? (g_net->get() & 0xFF) : 0) : getchar(); }
void flushbyte() {
  if (!ReadFromNetwork()) {
    flushchar();
  } else if (g_net->flush) {
    g_net->flush();
  }
}
void putnbyte(const uint8_t* bytes, uint32_t count) {
  if (WriteToNetwork()) {
    if (g_net->put_n) g_net->put_n(bytes, count, Vcomm_Mode);
  } else {
    HostPutN(CmdHost, bytes, count);
  }
}
void putbyte(uint8_t byte) { putnbyte(&byte, 1); }

}  // namespace cmdio

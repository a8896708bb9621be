#pragma once
// The Ethernet hub: once per main-loop pass it steps the Wi-Fi control, follows
// configuration changes, tracks link and address of each interface, runs every protocol
// module's scan in a fixed order, publishes status words and statistics, serves restart
// requests, and ends with the register-map service and the socket poll.
//
// Every protocol module implements EnetProtocol. The hub reaches the modules through a
// table that a module's own file fills in; tests may install stand-ins (EnetSetModule).
// A missing operation is nullptr and the hub skips it (an Init that is missing counts
// as success, a missing Disconnect as done).
//
// Main thread only, called from the main loop and from the time-slice pass (the e-mail
// scan is left out in the latter).

#include <cstdint>

#include "net/nx.h"

struct EnetProtocol {
  const char* name = nullptr;
  int (*Init)(nx::IpInstance* ip, nx::PacketPool* pool) = nullptr;  // 0 on success
  void (*Scan)(int index) = nullptr;
  int (*ConnCnt)(int index) = nullptr;  // open connections on the interface
  void (*DeInit)(nx::IpInstance* ip) = nullptr;
  // Operations only some modules have.
  void (*Stop)(int index) = nullptr;  // Modbus: stop the servers so that they listen again
  void (*Config)(int index) = nullptr;  // EGD: re-read the exchanges
  int (*Disconnect)() = nullptr;  // e-mail: drop the session; 1 when done
  // Ping: one step towards the target (0: none); the result for the result register.
  int32_t (*Ping)(uint32_t target, uint32_t parameter, int index) = nullptr;
};

enum class EnetModule : int { kPing, kEgd, kVelan, kModbus, kSrtp, kHttp, kEip, kVComm, kEmail, kAscii, kEtnIo, kFtp, kCount };
inline constexpr int kEnetModules = int(EnetModule::kCount);

// The module the hub uses for a slot. Installing nullptr puts the built-in row back.
// Returns the previous one.
const EnetProtocol* EnetSetModule(EnetModule module, const EnetProtocol* protocol);
const EnetProtocol& EnetGetModule(EnetModule module);

// The DHCP client as the hub drives it.
struct DhcpClient {
  void (*Init)(int index, uint8_t dhcp);
  // One step: mode 1 while DHCP runs on a linked interface, else 0.
  void (*Scan)(int mode, int index);
  // 1 while the client has no lease yet.
  int (*Busy)(int index);
  // Item 0 address, 1 mask, 2 gateway, 3 DNS server of the lease.
  uint32_t (*Lease)(int index, int item);
};
// nullptr puts the built-in client back. Returns the previous one.
const DhcpClient* EnetSetDhcpClient(const DhcpClient* client);

// The Wi-Fi adapter control as the hub drives it.
struct WifiControl {
  void (*Init)();
  // One step; false while no adapter is present.
  bool (*Scan)();
  // Desired mode: 0 off, 1 access point, 2 station.
  uint8_t (*Mode)();
  // An access-point start is under way (the wired default route waits).
  bool (*ApStartPending)();
};
const WifiControl* EnetSetWifiControl(const WifiControl* control);
// Set by the hub once the Wi-Fi protocols are started; the Wi-Fi control clears it when
// it loads a new Wi-Fi configuration.
extern uint8_t EnetWifiProtocolsStarted;

// ---- Hub state ----
inline constexpr uint32_t kFallbackAddress = 0xC0A8FE80;  // 192.168.254.128
inline constexpr uint32_t kFallbackMask = 0xFFFFFF00;
inline constexpr uint16_t kStatusRevision = 493;

extern int EnetPortScan;  // interface indexes walked: 2, or 4 once the Wi-Fi protocols run
extern uint32_t EnetIpAddress[nx::kInstances];
extern uint32_t EnetNetMask[nx::kInstances];
extern uint32_t EnetGateway[nx::kInstances];
extern uint32_t EnetDns[nx::kInstances];
extern uint8_t Enet_LinkUp[nx::kInstances];       // the link has been up for 2 s
extern uint32_t EnetLinkUpTimer[nx::kInstances];  // ms the link was first seen up; 0 none
extern uint8_t clearIpFlag[nx::kInstances];       // the fallback address was set on a dead link
extern uint8_t IpAddr0Change, IpAddr1Change, IpAddr2Change, IpAddr3Change;
extern uint8_t MasterRestartOn;
// The last status word of each interface.
extern uint16_t EnetStatusWord[nx::kInstances];

// One network pass; sliced is 1 in a pass run from the time-slice signal.
void EnetMain(int sliced);
// The OR of the modules' Init results for the interface.
uint16_t Protocols_Init(int index);
void Protocols_DeInit(int index);
// Settles address, mask, gateway and DNS of the interface.
void EnetGetIpAddress(int index);

// Back to the power-on state: the hub not started, the socket layer's table, the
// configuration and map, the interface model, and the built-in modules.
void NetPowerOnReset();

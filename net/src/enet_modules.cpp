// The protocol modules the hub drives, the DHCP client and the Wi-Fi control. A module
// not built yet has a row with its name only: the hub skips its missing operations.
#include "enet_internal.h"
#include "messaging/services.h"
#include "ascii_internal.h"
#include "modbus_internal.h"
#include "velan_internal.h"

namespace {

void EmailScan(int) { EtnEmailScan(1); }

// Built-in rows, in EnetModule order.
constexpr EnetProtocol kBuiltIn[kEnetModules] = {
    {.name = "Ping"},
    {.name = "Egd"},
    {.name = "Velan", .Init = Velan_Init, .Scan = Velan_Scan, .ConnCnt = Velan_ConnCnt, .DeInit = Velan_DeInit},
    {.name = "Modbus", .Init = Modbus_Init, .Scan = Modbus_Scan, .ConnCnt = Modbus_Conn_Cnt, .DeInit = Modbus_DeInit,
     .Stop = Modbus_Stop},
    {.name = "Srtp"},
    {.name = "Http"},
    {.name = "Eip"},
    {.name = "EtnVComm"},
    {.name = "EtnEmail", .Scan = EmailScan},
    {.name = "Ascii", .Init = Ascii_Init, .Scan = Ascii_Scan, .ConnCnt = Ascii_cnn_cnt, .DeInit = Ascii_DeInit},
    {.name = "EtnIo"},
    {.name = "Ftp"},
};

const EnetProtocol* installed[kEnetModules] = {};

// Without a DHCP client no lease ever comes: an interface set to DHCP waits for one.
int NoLeaseYet(int) { return 1; }
uint32_t NoLease(int, int) { return 0; }
constexpr DhcpClient kNoDhcp = {.Init = nullptr, .Scan = nullptr, .Busy = NoLeaseYet, .Lease = NoLease};
const DhcpClient* dhcp = nullptr;

// Without Wi-Fi control no adapter is found.
bool NoAdapter() { return false; }
uint8_t WifiOff() { return 0; }
constexpr WifiControl kNoWifi = {.Init = nullptr, .Scan = NoAdapter, .Mode = WifiOff, .ApStartPending = nullptr};
const WifiControl* wifi = nullptr;

}  // namespace

const EnetProtocol* EnetSetModule(EnetModule module, const EnetProtocol* protocol) {
  const EnetProtocol* prev = &EnetGetModule(module);
  installed[int(module)] = protocol;
  return prev;
}

const EnetProtocol& EnetGetModule(EnetModule module) {
  const int i = int(module);
  return installed[i] ? *installed[i] : kBuiltIn[i];
}

const DhcpClient* EnetSetDhcpClient(const DhcpClient* client) {
  const DhcpClient* prev = &enet::Dhcp();
  dhcp = client;
  return prev;
}

const WifiControl* EnetSetWifiControl(const WifiControl* control) {
  const WifiControl* prev = &enet::Wifi();
  wifi = control;
  return prev;
}

namespace enet {

const DhcpClient& Dhcp() { return dhcp ? *dhcp : kNoDhcp; }
const WifiControl& Wifi() { return wifi ? *wifi : kNoWifi; }

void ResetModules() {
  modbus::ResetServers();
  velan::ResetServers();
  ascii::ResetServers();
  for (auto& p : installed) p = nullptr;
  dhcp = nullptr;
  wifi = nullptr;
}

}  // namespace enet

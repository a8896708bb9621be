// EnetMain: the network side of one main-loop pass.
#include <initializer_list>

#include "dpr_internal.h"
#include "enet_internal.h"
#include "ground/rtc.h"
#include "ground/timebase.h"
#include "net/services.h"
#include "platform/clock.h"
#include "platform/netif.h"
#include "platform/trace.h"
#include "web/services.h"

int EnetPortScan = 2;
uint8_t Enet_LinkUp[nx::kInstances];
uint32_t EnetLinkUpTimer[nx::kInstances];
uint8_t clearIpFlag[nx::kInstances];
uint8_t IpAddr0Change, IpAddr1Change, IpAddr2Change, IpAddr3Change;
uint8_t MasterRestartOn;
uint8_t EnetWifiProtocolsStarted;
int MasterScriptPipefd = -1;
uint8_t QuorvHttp = 0;

namespace {

using enet::M;
using M_ = EnetModule;

constexpr uint32_t kLinkDebounceMs = 1999;

struct Hub {
  bool started = false;
  bool wired_protocols = false;  // Protocols_Init(0) succeeded
  bool wired_failure_reported = false;
  bool wifi_failure_reported = false;
  bool dns_sent = false;
  bool web_stop_pending = false;  // waiting for the web-server thread to end
  int64_t last_second = -1;
};
Hub hub;

uint8_t* AddressChange(int index) {
  static uint8_t* const flags[] = {&IpAddr0Change, &IpAddr1Change, &IpAddr2Change, &IpAddr3Change};
  return flags[index];
}

bool AnyWebPages() {
  for (const EthConfig& c : Dpr_Configuration)
    if (c.flags_a & kEthWebPages) return true;
  return false;
}

void ClearLink(int index) {
  Enet_LinkUp[index] = 0;
  EnetLinkUpTimer[index] = 0;
}

int InitOf(M_ m, int index) {
  const EnetProtocol& p = M(m);
  return p.Init ? p.Init(&Enet_IpInstance[index], &EnetPacketPoolCtrl) : 0;
}
void ScanOf(M_ m, int index) {
  if (M(m).Scan) M(m).Scan(index);
}
void DeInitOf(M_ m, int index) {
  if (M(m).DeInit) M(m).DeInit(&Enet_IpInstance[index]);
}

bool EmailOn(int index) { return index == 0 || (index == 2 && enet::WifiMode() == 2); }

// The web-server thread is asked to stop so that the register web pages can take HTTP;
// the pass does not wait for it: QuorvHttp follows once the thread has ended.
void FollowWebStop() {
  if (!hub.web_stop_pending) return;
  if (QuorvThreadCreated == 0 || QuorvFtping) {
    hub.web_stop_pending = false;
    QuorvHttp = 0;
  }
}

void FirstCall() {
  Dpr_Init();
  dpr::Put16(dpr::kRevision, kStatusRevision);
  Dpr_Config();
  for (int index : {0, 2, 3}) EnetGetIpAddress(index);
  ClearLink(0);
  nx::_nx_system_initialize();
  nx::_nx_packet_pool_create(&EnetPacketPoolCtrl, "Packet Pool", nx::kPayloadSize, EnetPacketPool, nx::kPoolMemorySize);
  nx::_nx_ip_create(&Enet_IpInstance[0], "eth0", EnetIpAddress[0], EnetNetMask[0], &EnetPacketPoolCtrl);
  EnetPortScan = 2;
  if (enet::Wifi().Init) enet::Wifi().Init();
  ClearLink(2);
  ClearLink(3);
  nx::_nx_ip_create(&Enet_IpInstance[2], "mlan0", EnetIpAddress[2], EnetNetMask[2], &EnetPacketPoolCtrl);
  nx::_nx_ip_create(&Enet_IpInstance[3], "uap0", EnetIpAddress[3], EnetNetMask[3], &EnetPacketPoolCtrl);
  EnetPortScan = 4;
  Etn_IrqInit();
  hub.started = true;
}

// The wired protocols start at the first pass; a failure is reported once and retried
// on later passes rather than holding the main loop.
void StartWiredProtocols() {
  if (hub.wired_protocols) return;
  if (Protocols_Init(0) == 0) {
    hub.wired_protocols = true;
  } else if (!hub.wired_failure_reported) {
    hub.wired_failure_reported = true;
    enet::Report("Ethernet: eth0 protocols failed to start; retrying\n");
  }
}

void WifiStep() {
  const WifiControl& w = enet::Wifi();
  const bool present = w.Scan && w.Scan();
  if (!present) {
    EnetPortScan = 2;
    return;
  }
  if (EnetWifiProtocolsStarted) return;
  const uint8_t mode = enet::WifiMode();
  if (mode != 1 && mode != 2) {
    EnetPortScan = 2;
    return;
  }
  Protocols_DeInit(2);
  Protocols_DeInit(3);
  if (Protocols_Init(2) != 0 || Protocols_Init(3) != 0) {
    if (!hub.wifi_failure_reported) enet::Report("Ethernet: Wi-Fi protocols failed to start; retrying\n");
    hub.wifi_failure_reported = true;
    return;
  }
  EnetPortScan = 4;
  EnetWifiProtocolsStarted = 1;
}

void ConfigurationChange() {
  if (dpr::Get16(dpr::kChangeToggle) == dpr::Get16(dpr::kChangeAck)) return;
  if (enet::MasterInUse()) {
    enet::MasterCommand("stopall\n");
    enet::MasterFsync();
  }
  MasterRestartOn = 1;
  enet::SetNtpEnabled(false);
  Dpr_Config();
  if (enet::MasterInUse()) {
    enet::WriteMasterFiles();
    enet::MasterCommand("startall\n");
  }
  for (int index = 0; index < EnetPortScan; ++index) {
    if (!enet::Walked(index)) continue;
    if (M(M_::kEgd).Config) M(M_::kEgd).Config(index);
    if (M(M_::kModbus).Stop) M(M_::kModbus).Stop(index);
  }
  QuorvUpdateNewIp = 1;
  if (AnyWebPages() && QuorvServerState != 1 && !QuorvFtping) {
    QuorvServerState = 0;
    hub.web_stop_pending = true;
  }
}

void WiredAddress() {
  nx::IpInstance& ip = Enet_IpInstance[0];
  const EthConfig& rec = Dpr_Configuration[0];
  EnetGetIpAddress(0);
  int mode = 0;
  if (!Enet_LinkUp[0]) {
    ip.dhcp_prepared = 0;
    ip.dhcp_active = 0;
    if (!clearIpFlag[0]) {
      nx::_nx_ip_address_set(&ip, kFallbackAddress, ip.mask);
      clearIpFlag[0] = 1;
    }
  } else if (!rec.dhcp) {
    ip.static_addressing = 1;
  } else {
    if (!ip.dhcp_prepared) {
      nx::_nx_ip_address_set(&ip, kFallbackAddress, kFallbackMask);
      nx::_nx_ip_address_set(&ip, 0, 0);
      ip.dhcp_prepared = 1;
    }
    ip.dhcp_active = 1;
    mode = 1;
  }
  if (enet::Dhcp().Scan) enet::Dhcp().Scan(mode, 0);
}

bool DhcpBusy(int index) { return Dpr_Configuration[index].dhcp && enet::Dhcp().Busy(index); }

void ApplyWiredAddress() {
  nx::IpInstance& ip = Enet_IpInstance[0];
  if (!Enet_LinkUp[0]) return;
  if (ip.address == EnetIpAddress[0] && ip.mask == EnetNetMask[0]) return;
  nx::_nx_ip_address_set(&ip, EnetIpAddress[0], EnetNetMask[0]);
  clearIpFlag[0] = 0;
  IpAddr0Change = 1;
  QuorvUpdateNewIp = 1;
}

void WiredRouteAndDns() {
  nx::IpInstance& ip = Enet_IpInstance[0];
  const uint32_t gateway = EnetGateway[0];
  const bool ap_pending = enet::Wifi().ApStartPending && enet::Wifi().ApStartPending();
  if (gateway != ip.gateway && Enet_LinkUp[0] && !ap_pending && ip.mask != 0 &&
      (gateway & ip.mask) == (ip.address & ip.mask))
    nx::_nx_ip_gateway_address_set(&ip, gateway);
  if (EnetDns[0] != ip.dns || !hub.dns_sent) {
    enet::DnsCommand(0, EnetDns[0]);
    ip.dns = EnetDns[0];
    hub.dns_sent = true;
  }
}

void TrackLink(int index, uint32_t now_ms) {
  uint32_t ignored;
  nx::_nx_ip_driver_direct_command(&Enet_IpInstance[index], 0, &ignored);
  if (!Enet_IpInstance[index].link_up) {
    ClearLink(index);
  } else if (!Enet_LinkUp[index]) {
    if (EnetLinkUpTimer[index] == 0)
      EnetLinkUpTimer[index] = now_ms ? now_ms : 0xFFFFFFFF;
    else if (now_ms - EnetLinkUpTimer[index] > kLinkDebounceMs)
      Enet_LinkUp[index] = 1;
  }
}

void ScanProtocols(int index, int sliced) {
  const EthConfig& rec = Dpr_Configuration[index];
  ScanOf(M_::kVelan, index);
  if ((rec.flags_b & kEthNoConfig) || Enet_IpInstance[index].address == 0) return;
  if (const auto ping = M(M_::kPing).Ping) {
    const bool on = (rec.flags_a & kEthPing) && rec.ping_target != 0;
    const int32_t result = on ? ping(Dpr_Get_Dw_Data(rec.ping_target), rec.ping_parameter, index) : ping(0, 0, index);
    if (rec.ping_result != 0) Dpr_Set_Dw_Data(rec.ping_result, uint32_t(result));
  }
  for (M_ m : {M_::kEgd, M_::kModbus, M_::kSrtp, M_::kHttp, M_::kEip, M_::kVComm}) ScanOf(m, index);
  if (!sliced && EmailOn(index)) ScanOf(M_::kEmail, index);
  ScanOf(M_::kAscii, index);
  ScanOf(M_::kEtnIo, index);
}

void AddressRestarts() {
  if (!enet::MasterInUse()) return;
  if (MasterRestartOn) {
    MasterRestartOn = 0;
    return;
  }
  if (IpAddr0Change && IpAddr1Change && Enet_LinkUp[0] && Enet_LinkUp[1]) {
    enet::MasterCommand("stopall\n");
    enet::MasterCommand("startall\n");
    enet::MasterFsync();
    IpAddr0Change = IpAddr1Change = 0;
  }
  if (IpAddr1Change && Enet_LinkUp[1]) {
    enet::MasterCommand("stop1\n");
    enet::MasterFsync();
    enet::MasterCommand("start1\n");
    IpAddr1Change = 0;
  }
  if (IpAddr0Change && Enet_LinkUp[0]) {
    enet::MasterCommand("stop0\n");
    enet::MasterFsync();
    enet::MasterCommand("start0\n");
    IpAddr0Change = 0;
  }
  for (int index : {2, 3}) {
    uint8_t& changed = *AddressChange(index);
    if (!changed || !Enet_LinkUp[index]) continue;
    enet::MasterCommand("stop2\n");
    enet::MasterCommand("stop3\n");
    enet::MasterFsync();
    enet::MasterCommand(index == 2 ? "start2\n" : "start3\n");
    changed = 0;
  }
}

void NtpClock() {
  if (!enet::MasterInUse() || !enet::NtpEnabled()) return;
  const int64_t wall_ms = plat::WallNs() / 1'000'000;
  const int64_t second = wall_ms / 1000;
  if (second == hub.last_second) return;
  hub.last_second = second;
  UtcSet(UtcTime{uint32_t(second), uint32_t(wall_ms % 1000)});
}

}  // namespace

namespace enet {

bool Walked(int index) {
  if (index == 1 || index >= EnetPortScan) return false;
  const uint8_t mode = WifiMode();
  if (index == 3 && (mode == 2 || mode == 0)) return false;
  if (index == 2 && (mode == 1 || mode == 0)) return false;
  return true;
}

bool NtpEnabled() { return dpr::ntp_enabled; }
void SetNtpEnabled(bool on) { dpr::ntp_enabled = on; }

void ResetHubState() {
  hub = Hub{};
  EnetPortScan = 2;
  for (int i = 0; i < nx::kInstances; ++i) {
    EnetIpAddress[i] = EnetNetMask[i] = EnetGateway[i] = EnetDns[i] = 0;
    ClearLink(i);
    clearIpFlag[i] = 0;
    EnetStatusWord[i] = 0;
  }
  IpAddr0Change = IpAddr1Change = IpAddr2Change = IpAddr3Change = 0;
  MasterRestartOn = 0;
  EnetWifiProtocolsStarted = 0;
}

}  // namespace enet

uint16_t Protocols_Init(int index) {
  uint32_t ignored;
  nx::IpInstance* ip = &Enet_IpInstance[index];
  nx::_nx_ip_driver_direct_command(ip, 0, &ignored);
  nx::_nx_arp_enable(ip);
  nx::_nx_igmp_enable(ip);
  nx::_nx_udp_enable(ip);
  nx::_nx_tcp_enable(ip);
  int r = 0;
  for (M_ m : {M_::kPing, M_::kEgd, M_::kVelan, M_::kModbus, M_::kSrtp, M_::kHttp}) r |= InitOf(m, index);
  if (index == 0) {
    for (M_ m : {M_::kEip, M_::kVComm, M_::kEmail}) r |= InitOf(m, index);
  } else if (index == 2 || index == 3) {
    r |= InitOf(M_::kVComm, index);
    if (index == 2 && enet::WifiMode() == 2) r |= InitOf(M_::kEmail, index);
  }
  r |= InitOf(M_::kAscii, index);
  r |= InitOf(M_::kEtnIo, index);
  if ((index == 0 || index == 1) && enet::Dhcp().Init) enet::Dhcp().Init(index, Dpr_Configuration[index].dhcp);
  return uint16_t(r);
}

void Protocols_DeInit(int index) {
  for (M_ m : {M_::kEgd, M_::kVelan, M_::kModbus, M_::kVComm, M_::kSrtp, M_::kHttp, M_::kEip, M_::kEtnIo, M_::kAscii})
    DeInitOf(m, index);
}

void EnetMain(int sliced) {
  plat::TraceCall("EnetMain", sliced);
  if (!hub.started) FirstCall();
  StartWiredProtocols();
  WifiStep();
  ConfigurationChange();
  FollowWebStop();
  const uint32_t now_ms = tx::_tx_time_get();
  for (int index = 0; index < EnetPortScan; ++index) {
    if (!enet::Walked(index)) continue;
    TrackLink(index, now_ms);
    if (index == 0) {
      WiredAddress();
      if (DhcpBusy(0)) continue;
      ApplyWiredAddress();
      WiredRouteAndDns();
    } else {
      EnetGetIpAddress(index);
    }
    ScanProtocols(index, sliced);
  }
  AddressRestarts();
  NtpClock();
  if (!AnyWebPages()) QuorvHttp = 1;
  for (int index = 0; index < EnetPortScan; ++index)
    if (enet::Walked(index)) enet::UpdateStatus(index, now_ms);
  enet::PublishStatistics();
  enet::ServeRestartRequests();
  Dpr_Io_Service();
  EnetThread();
}

void NetPowerOnReset() {
  enet::ResetHubState();
  enet::ResetRestarts();
  enet::ResetModules();
  DprPowerOnReset();
  nx::NxPowerOnReset();
  plat::NetIfModel().Reset();
  MasterScriptPipefd = -1;
  QuorvHttp = 0;
}

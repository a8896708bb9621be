// Status words, network statistics and the restart requests of SR156 and SR153.
#include <initializer_list>
#include <cstring>

#include "dpr_internal.h"
#include "enet_internal.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "web/services.h"

uint16_t EnetStatusWord[nx::kInstances];

namespace enet {

namespace {

using M_ = EnetModule;

constexpr uint32_t kActivityMs = 19;
constexpr uint16_t kLinkBit = 0x100, kSentBit = 0x200, kReceivedBit = 0x400;
constexpr uint16_t k100Mbit = 0x1000, kFullDuplex = 0x2000, k1000Mbit = 0x4000;
constexpr uint32_t kStatisticsWord = 33;  // of the register image: S17..S208

// Restart-request registers and bits.
constexpr uint32_t kSrWired = 156, kSrSecond = 153;
constexpr uint16_t kEgdBit = 0x01, kModbusBit = 0x02, kFtpBit = 0x08, kWebBit = 0x10, kEmailBit = 0x20;

struct Activity {
  uint32_t sent = 0, received = 0;
  uint32_t sent_at = 0, received_at = 0;
  bool sending = false, receiving = false;
};
Activity activity[nx::kInstances];

// The one restart in progress (the interlock).
enum class Restart { kNone, kFtpWired, kFtpSecond, kWebStopping, kWebStarting, kEmail };
Restart restart = Restart::kNone;

void Track(uint32_t counter, uint32_t& last, uint32_t& at, bool& active, uint32_t now) {
  if (counter != last) {
    last = counter;
    at = now;
    active = true;
  } else if (active && now - at > kActivityMs) {
    active = false;
  }
}

void WriteStatus(uint32_t token, uint16_t value) {
  if (token >= 0x400) PlcReg_Set(token, &value, 16);
}

void ClearBit(uint32_t sr, uint16_t bit) { SrSet(sr, uint16_t(SrGet(sr) & ~bit)); }

// A restart that needs later passes goes on until it is done.
void ContinueRestart() {
  switch (restart) {
    case Restart::kFtpWired:
    case Restart::kFtpSecond: {
      const bool wired = restart == Restart::kFtpWired;
      if (FtpMarkerExists(wired ? 1 : 2)) {
        ClearBit(wired ? kSrWired : kSrSecond, kFtpBit);
        restart = Restart::kNone;
      }
      break;
    }
    case Restart::kWebStopping:
      if (QuorvFtping) break;
      if (QuorvServerState == 1 || QuorvThreadCreated == 0) {
        QuorvServerState = 2;
        restart = Restart::kWebStarting;
      }
      break;
    case Restart::kWebStarting:
      if (QuorvServerState == 4) {
        ClearBit(kSrWired, kWebBit);
        restart = Restart::kNone;
      }
      break;
    case Restart::kEmail: {
      const auto discnt = EnetGetModule(M_::kEmail).Disconnect;
      if (!discnt || discnt() == 1) {
        ClearBit(kSrWired, kEmailBit);
        restart = Restart::kNone;
      }
      break;
    }
    case Restart::kNone: break;
  }
}

void StartFtp(bool wired) {
  if (!MasterInUse()) {  // no daemon to restart: nothing will ever mark it started
    ClearBit(wired ? kSrWired : kSrSecond, kFtpBit);
    return;
  }
  RemoveFtpMarker(wired ? 1 : 2);
  MasterCommand(wired ? "stop0\n" : "stop1\n", true);
  MasterCommand(wired ? "start0\n" : "start1\n", true);
  restart = wired ? Restart::kFtpWired : Restart::kFtpSecond;
}

void RestartModbus(int index, uint32_t sr) {
  const EnetProtocol& modbus = EnetGetModule(M_::kModbus);
  if (index == 0 && Enet_IpInstance[0].created) {
    if (modbus.Stop) modbus.Stop(index);
    if (modbus.Init) modbus.Init(&Enet_IpInstance[index], &EnetPacketPoolCtrl);
  }
  ClearBit(sr, kModbusBit);
}

void RestartEgd(int index, uint32_t sr) {
  const EnetProtocol& egd = EnetGetModule(M_::kEgd);
  if (index == 0 && Enet_IpInstance[0].created) {
    if (egd.DeInit) egd.DeInit(&Enet_IpInstance[index]);
    if (egd.Init) egd.Init(&Enet_IpInstance[index], &EnetPacketPoolCtrl);
  }
  ClearBit(sr, kEgdBit);
}

}  // namespace

void UpdateStatus(int index, uint32_t now) {
  nx::IpInstance* ip = &Enet_IpInstance[index];
  Activity& a = activity[index];
  uint32_t sent = 0, received = 0, speed = 0, duplex = 0;
  nx::_nx_ip_driver_direct_command(ip, 15, &sent);
  nx::_nx_ip_driver_direct_command(ip, 14, &received);
  nx::_nx_ip_driver_direct_command(ip, 11, &speed);
  nx::_nx_ip_driver_direct_command(ip, 12, &duplex);
  Track(sent, a.sent, a.sent_at, a.sending, now);
  Track(received, a.received, a.received_at, a.receiving, now);
  uint16_t connections = 0;
  for (M_ m : {M_::kEgd, M_::kVelan, M_::kModbus, M_::kSrtp, M_::kFtp, M_::kHttp, M_::kEip, M_::kVComm, M_::kAscii,
               M_::kEtnIo}) {
    const EnetProtocol& p = EnetGetModule(m);
    if (p.ConnCnt) connections = uint16_t(connections + p.ConnCnt(index));
  }
  const EnetProtocol& email = EnetGetModule(M_::kEmail);
  if (email.ConnCnt && (index == 0 || (index == 2 && WifiMode() == 2)))
    connections = uint16_t(connections + email.ConnCnt(index));
  uint16_t word = uint16_t(connections & 0xFF);
  if (Enet_LinkUp[index]) word |= kLinkBit;
  if (a.sending) word |= kSentBit;
  if (a.receiving) word |= kReceivedBit;
  if (speed == 1) word |= k100Mbit;
  if (speed == 2) word |= k1000Mbit;
  if (duplex) word |= kFullDuplex;
  EnetStatusWord[index] = word;
  const EthConfig& rec = Dpr_Configuration[index];
  WriteStatus(rec.status_token[1], word);
  WriteStatus(rec.status_token[0], kStatusRevision);
}

void PublishStatistics() {
  uint32_t words[6] = {EnetPacketPoolCtrl.free_scan, EnetPacketPoolCtrl.statistics[0], EnetPacketPoolCtrl.statistics[1],
                       EnetPacketPoolCtrl.statistics[2], 0, 0};
  static_assert(sizeof words == dpr::kStatisticsSize);
  for (int i = 0; i < 6; ++i) dpr::Put32(dpr::kStatistics + 4 * std::size_t(i), words[i]);
  std::memcpy(plc_reg + 2 * kStatisticsWord, DprMap + dpr::kStatistics, dpr::kStatisticsSize);
}

void ServeRestartRequests() {
  if (restart != Restart::kNone) {
    ContinueRestart();
    return;
  }
  const uint16_t wired = SrGet(kSrWired), second = SrGet(kSrSecond);
  if (wired & kFtpBit) return StartFtp(true);
  if (second & kFtpBit) return StartFtp(false);
  if (wired & kModbusBit) return RestartModbus(0, kSrWired);
  if (second & kModbusBit) return RestartModbus(1, kSrSecond);
  if (wired & kEgdBit) return RestartEgd(0, kSrWired);
  if (second & kEgdBit) return RestartEgd(1, kSrSecond);
  if ((wired & kWebBit) && !QuorvFtping) {
    if (QuorvServerState == 1) {
      QuorvServerState = 2;
      restart = Restart::kWebStarting;
    } else if (QuorvServerState >= 2) {
      QuorvServerState = 0;
      restart = Restart::kWebStopping;
    }
    return;
  }
  if (wired & kEmailBit) {
    restart = Restart::kEmail;
    ContinueRestart();
  }
}

void ResetRestarts() {
  restart = Restart::kNone;
  for (Activity& a : activity) a = Activity{};
}

}  // namespace enet

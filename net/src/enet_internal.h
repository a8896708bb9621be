#pragma once
// What the hub's files share.
#include <cstdint>

#include "net/dpr.h"
#include "net/enet.h"

namespace enet {

const DhcpClient& Dhcp();
const WifiControl& Wifi();
void ResetModules();

inline const EnetProtocol& M(EnetModule m) { return EnetGetModule(m); }
inline uint8_t WifiMode() { return Wifi().Mode ? Wifi().Mode() : 0; }
// Whether the pass walks an interface index (index 1 never; Wi-Fi by its mode).
bool Walked(int index);

// ---- The master script ----
bool MasterInUse();
// One command line, with its terminating zero byte unless bare.
void MasterCommand(const char* line, bool bare = false);
void MasterFsync();
// main_conf and the FTP user lists, after a configuration change.
void WriteMasterFiles();
// The FTP daemon's marker of an interface (1 eth0, 2 second port).
bool FtpMarkerExists(int which);
void RemoveFtpMarker(int which);
// "dnsSet_4_<index>_<a.b.c.d>\n".
void DnsCommand(int index, uint32_t dns);
// NTP enabled by the configuration (disabled again at each configuration change).
bool NtpEnabled();
void SetNtpEnabled(bool on);
// Prints what failed with the system error (no stdio: a time-slice pass may be here).
void ReportErrno(const char* what);
// Prints a line to standard error the same way.
void Report(const char* line);

// ---- Per-pass parts ----
void ServeRestartRequests();
void UpdateStatus(int index, uint32_t now_ms);
void PublishStatistics();
void ResetHubState();
void ResetRestarts();

}  // namespace enet

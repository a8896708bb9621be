#pragma once
// What the controller kernel uses of the Ethernet networking subsystem.

#include <cstdint>

// The Ethernet interfaces' configuration records (the pseudo-registers use the first).
struct EthConfig {
  uint8_t dhcp;        // non-zero: addresses come from DHCP
  uint32_t ip;         // first octet in the most significant byte
  uint32_t mask;
  uint32_t gateway;
  uint32_t dns;
};
inline constexpr int kEthInterfaces = 2;
extern EthConfig Dpr_Configuration[kEthInterfaces];

// Ethernet hub, once per pass, told whether the pass is sliced.
void EnetMain(int sliced);
void Etn_SetMacId(const uint8_t address[6], int interface);
void Etn_UpdateSecurity();
void Etn_UpdateStatus();
// The master script's command pipe (write end), -1 when none.
extern int MasterScriptPipefd;
void mqttStateLoop();
// Set by the Ethernet configuration when the web server owns HTTP.
extern uint8_t QuorvHttp;
// Polls the Wi-Fi link status; called by the watchdog-monitor thread.
void watchdogStModeStatus();

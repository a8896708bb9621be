#pragma once
// What the controller kernel uses of the Ethernet networking subsystem.

#include <cstdint>

#include "net/dpr.h"
#include "net/enet.h"
#include "net/nx.h"

// The master script's command pipe (write end), -1 when none.
extern int MasterScriptPipefd;
void mqttStateLoop();
// Set by the hub to 1 when no interface serves the register web pages (the web server
// then owns HTTP), 0 when they take the HTTP port.
extern uint8_t QuorvHttp;
// Polls the Wi-Fi link status; called by the watchdog-monitor thread.
void watchdogStModeStatus();

#pragma once
// The few calls the ground makes into the layers above it. Each is defined by the layer
// named beside it; the ground only declares them, so that it includes nothing above
// itself, and the firmware's link joins them.

#include <cstdint>

// The first Ethernet interface's configuration record (net): the fields the
// pseudo-registers 992..1017 read and write in place.
struct PseudoEthFields {
  uint8_t* dhcp;
  uint32_t* dns;
  uint32_t* ip;
  uint32_t* mask;
  uint32_t* gateway;
};
PseudoEthFields PseudoEthRecord();
// Whether the web server runs (web): pseudo-register 1002.
bool PseudoWebRunning();
// The user list's session flag (screens): pseudo-register 1003.
bool PseudoSessionOpen();

// Result of SysRegWrite: the call's final answer, or go on with the ordinary write.
inline constexpr int kSysRegContinue = -1;
// The limit check and the side effect of a write to SR1..SR192 (controller, run control):
// checks a write of nbits at a token of SR1..SR192 (other than SR9) against sr_info and
// runs the register's side effect. Returns 0 (refused), 1 (done), a clock routine's
// result, or kSysRegContinue.
int SysRegWrite(uint32_t token, const uint8_t* source, uint32_t nbits);

// Stops the IEC runtime and clears its flags (controller, program loading): a cold clear
// of the registers stops a running IEC application.
void OrvanelStop();

// The communication option board's default port changed (fieldbus): menu option word 2.
void OCB_DfltPortChange(uint16_t value);

// The display surface's width and height in pixels (graphics), shown in SR41 and SR42.
extern uint16_t scr_wdt;
extern uint16_t scr_hgt;

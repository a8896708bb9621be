#pragma once
// What the controller kernel uses of the serial and CAN protocols subsystem.

#include <cstdint>

#include "ground/upcalls.h"

// Talk-through control and reception of raw CAN frames.
int CAN_TalkthruCMD(int sub_command, const uint8_t* parameters);
int CAN_TalkthruRX(int sub_command, uint8_t* buffer);

// 1 while a CAN network configuration download is in progress.
extern uint8_t CANOpen_dwnld;
// Sends bytes towards the addressed node (pass-through), or to the network host (mode 2).
void CANOpen_PutByte(const uint8_t* bytes, uint32_t count, int link_mode);

// The CAN network layer: set-up, reception and transmission in every scan.
// The set-up record that run control fills (Plc_NetInit), in record order. The meaning
// of the fixed values belongs to the network layer.
struct CanNetSetup {
  const volatile uint32_t* tick;  // tick source: the time base's latest value
  uint16_t tick_rate;             // 100
  uint8_t baud;                   // SR30
  uint8_t fixed_2;                // 2
  uint8_t fixed_3;                // 3
  uint8_t config_baud;            // baud entry of the network parameters
  uint8_t node_id;                // SR29
  uint8_t node_span;              // SR61
  uint8_t option;                 // SR31 bit 1
};
void CANOpenInit(const CanNetSetup* setup);
// Set by run control after each set-up: the network layer clears its statistics.
extern uint8_t CANOpen_ClearStats;
// Until the network layer is built: a copy of the record it was last handed.
extern CanNetSetup CANOpenSetupStandIn;
void CANOpenRxMsg();
void CANOpenTxMsg();
namespace candrv {
void _Can_SetEvent(int a, int b, int c);
}  // namespace candrv

// The CAN network's host receive ring.
int Net_CheckRx();
int Net_GetRx();
void Net_FlushRx();

// Communication option board.
void OCB_Open();
void OCB_Init();
void OCB_Update();
// OCB_DfltPortChange is declared with the ground's upcalls.

// Protocol-driver plug-ins.
void PMGR_TheLoop(int driver_index);
void PMGR_Start();
void PMGR_Stop();
void PMGR_Scan();
// Hands the dynamic scan list of the page just opened (eight 12-byte records, one per
// driver port) to the drivers' next scan; nullptr for a page without one.
void PMGR_LoadDynamicScanListInfo(const uint8_t* list);
// Refreshes the drivers' information from the driver table's data (count entries).
void PMGR_GetDrvInfo(const uint8_t* table, int count);

// Receive-gap timers.
void RctISR();
void RCT_Init();

// Serial talk sessions of the logic, and the programming-port override.
int TalkInit();
int TalkOpened(int port);
void TalkClosed(int port);
// Re-opens serial port 0..3, on which a talk-through session was open, in the network
// (programming-protocol) mode.
void Talk_ReopenNetwork(int port);
// The opened flag of each port's talk session (set by an open block, read by TalkOpened,
// cleared by TalkClosed); run control's tests set it to open a session.
extern uint8_t TalkOpenedStandIn[4];
// Claims port 0..3 for a system user: 1 claimed, 0 when out of range or already claimed.
int Talk_Override(int port);
void Talk_Release(int port);

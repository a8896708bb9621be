#pragma once
// What the controller kernel uses of the serial and CAN protocols subsystem.

#include <cstdint>

// Talk-through control and reception of raw CAN frames.
int CAN_TalkthruCMD(int sub_command, const uint8_t* parameters);
int CAN_TalkthruRX(int sub_command, uint8_t* buffer);

// 1 while a CAN network configuration download is in progress.
extern uint8_t CANOpen_dwnld;
// Sends bytes towards the addressed node (pass-through), or to the network host (mode 2).
void CANOpen_PutByte(const uint8_t* bytes, uint32_t count, int link_mode);

// The CAN network layer: set-up, reception and transmission in every scan.
struct CanNetSetup;  // the set-up record, laid out by the network layer
void CANOpenInit(const CanNetSetup* setup);
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
void OCB_DfltPortChange(uint16_t value);

// Protocol-driver plug-ins.
void PMGR_TheLoop(int driver_index);
void PMGR_Start();
void PMGR_Stop();
void PMGR_Scan();

// Receive-gap timers.
void RctISR();
void RCT_Init();

// Serial talk sessions of the logic, and the programming-port override.
int TalkInit();
int TalkOpened(int port);
void TalkClosed(int port);
void Talk_Override(int port);
void Talk_Release(int port);

#pragma once
// The runtime's thin layer over the operating system and the panel: clock, the serial
// link it shares with the panel's programming port, sockets, database helpers for block
// arguments and arrays, the CRC-16 and the optional library of extra blocks.
#include <cstdint>

// Clock (local time). Date stamp: (year << 16) | (month << 8) | day; time stamp: ms since midnight.
uint32_t N4RtClk_GetCurTimeStamp();
uint32_t N4RtClk_GetCurDateStamp();
void N4RtClk_GetCurDateTimeStamp(int local, uint32_t* date, uint32_t* time, uint32_t* flag);
int N4RtClk_GetString(int kind, char* text);

// Serial link: the handle is the programming port's row in the port table, -1 closed.
extern uint8_t n4runtime_modbusinit;
extern uint8_t n4_new_frame;  // set by the communication server while a frame starts
int N4Serial_Initialize(int* handle);
int N4Serial_IsValid(int handle);
int N4Serial_Open(int* handle, const void* settings);
uint32_t N4Serial_Receive(int* handle, uint32_t maximum, uint8_t* buffer);
uint32_t N4Serial_Send(int handle, uint32_t count, const uint8_t* data);
void N4Serial_Close(int* handle);
// Gives a serial port back to the panel's programming protocol: its protocol nibble
// becomes 1 and the port is reconfigured with a copy of its mode whose first byte is 5.
void N4Serial_HandBack(int port);

// Sockets, all non-blocking.
int N4Socket_Initialize();
void N4Socket_Terminate();
int N4Socket_CreateListeningSocket(uint16_t port, int backlog, int* sock);
int N4Socket_CreateListeningSocketOn(uint16_t port, int backlog, const char* address, int* sock);
int N4Socket_Accept(int listener);
int N4Socket_CreateConnectedSocket(const char* address, uint16_t port, int* sock, int* pending);
int N4Socket_CheckPendingConnect(int sock, int* error);
int N4Socket_Receive(int sock, uint32_t size, uint8_t* buffer, int* lost);
int N4Socket_Send(int sock, uint32_t length, const uint8_t* data, int* lost);
void N4Socket_CloseSocket(int sock);
int N4Socket_UdpCreate(uint16_t port, int* sock);
int N4Socket_UdpCreateOn(uint16_t port, const char* address, int* sock);
int N4Socket_AcceptBroadcast(int sock);
int N4Socket_UdpRecvFrom(int sock, uint8_t* buffer, uint32_t size, uint8_t* address16);
int N4Socket_UdpSendTo(int sock, const uint8_t* address16, const uint8_t* data, uint32_t length);
void N4Socket_UdpAddrMake(uint8_t* address16, const char* text, uint16_t port);

// Database helpers: IEC type code and index to the item (nullptr for an unknown type or
// an index outside the area).
uint8_t* N4Tools_GetAnyParam(uint8_t* db, int type, uint32_t index, int* locked, uint32_t* size);
uint8_t* N4Tools_GetAnyArray(uint8_t* db, int type, uint32_t index);
uint8_t* N4Tools_GetCTParam(uint8_t* db, uint32_t index);
uint8_t* N4Tools_GetD8Array(uint8_t* db, uint32_t index);
uint8_t* N4Tools_GetD16Array(uint8_t* db, uint32_t index);
uint8_t* N4Tools_GetD32Array(uint8_t* db, uint32_t index);
uint8_t* N4Tools_GetD64Array(uint8_t* db, uint32_t index);
uint8_t* N4Tools_GetTimeArray(uint8_t* db, uint32_t index);
// The CT address (from_ct 1) or the string pointer table's entry (from_ct 0).
uint8_t* N4Tools_GetStringArray(uint8_t* db, uint32_t index, int* from_ct);
uint16_t N4Tools_Crc16(const uint8_t* data, uint16_t length);

// Extra-block library "./libn4blocks.so".
void* N4Bdll_OpenDynaLinks();
void N4Bdll_CloseDynaLinks();
int N4Bdll_StartEnumerate();
void N4Bdll_StopEnumerate();
bool N4Bdll_GetFirstID(uint32_t* id);
bool N4Bdll_GetNextID(uint32_t* id);
const char* N4Bdll_GetName(uint32_t id);
void* N4Bdll_GetProc(uint32_t id);

// Log: never opened by the panel's start-up, so every call returns at once. Once open,
// flags 0x200 enable traces and warnings, 0x400 errors; flag 1 writes the lines to
// "n4.log" in the runtime folder (the full file becomes "n4.old.log"), flag 2 to the
// system log. Lines wait in a queue of 16 that a thread writes every 500 ms; a full queue
// drops the line, so a log call never waits.
void N4LOG_Open(uint32_t flags);
void N4LOG_Trace(const char* text);
void N4LOG_Warn(const char* text);
void N4LOG_Err(const char* text);
void N4LOG_Close();

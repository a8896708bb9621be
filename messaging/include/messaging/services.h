#pragma once
// What the controller kernel uses of the cellular modem and messaging subsystem.

#include <cstdint>

void EtnEmailScan(int flag);
// 0 when the modem's data socket is connected on the port, non-zero otherwise.
int IsModemSocketActive(int port, int socket);
int ModemCheckRecv(int socket);
int ModemDataRecv(int socket);
int ModemDataSend(int socket, const uint8_t* bytes, uint32_t count, int flag);
void ModemCycle();
void SMS_Start();
void SMS_Stop();
void SMS_Scanner();

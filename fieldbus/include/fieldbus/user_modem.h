#pragma once
// The user modem: the initialisation string, dialling and answering that the logic's
// modem block runs on serial ports 0..3, one step per call. Until it is built these are
// hooks that record their calls: every start and stop succeeds and no connection stands.
//
// Main thread, from the PLC scan.

#include <cstdint>

// What the modem block hands over when it starts a function.
struct ModemStartRecord {
  uint16_t function = 0;            // 0 initialisation string, 1 dial, 2 answer
  uint8_t* status = nullptr;        // the block's 16-bit status register
  const uint8_t* operand = nullptr; // the function's data in the program (talk.h)
};

// Drops DTR and clears the port's function states.
void ModemInit(int port);
// 1 started (the status word then reads busy), 0 while a function is already active.
int ModemStart(int port, const ModemStartRecord& record);
// 1 stopped (the status word then reads stopped).
int ModemStop(int port, int function);
// One step of the function; true while a connection it made stands.
int ModemExecute(int port, int function);

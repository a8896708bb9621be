#pragma once
// The register mailbox: request and acknowledge slots through which clients hand
// register and file jobs to the services.

#include <cstdint>

// Start-up: clears the alarm window, the hand-back slot and every job slot.
void Dpram_Init();
// Every main-loop pass, time slices included: refreshes the alarm window and answers the
// programming-port hand-back.
void Dpram_Service();

// Points the alarm-bit window at token for bits (a multiple of 8); (0, 0) closes it.
void Dpram_SetAlarmWindow(uint32_t token, uint32_t bits);
// Returns every storage client's job state to idle (at the start of a screen program).
void Dpram_ResetJobStates();

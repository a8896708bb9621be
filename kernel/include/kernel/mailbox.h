#pragma once
// The register mailbox: request and acknowledge slots through which clients hand
// register and file jobs to the services.

// Start-up: clears the alarm window, the hand-back slot and every job slot.
void Dpram_Init();
// Every main-loop pass, time slices included: refreshes the alarm window and answers the
// programming-port hand-back.
void Dpram_Service();

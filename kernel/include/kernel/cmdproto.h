#pragma once
// The programming-tool command server: what other kernel code reads of it.

#include <cstdint>

// Non-zero while online programming is in progress.
extern uint8_t OLPMode;

// Re-initialises the programming port in the given mode (written through SR34).
void Cmd_PortInit(uint8_t mode);

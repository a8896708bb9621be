#pragma once
// Download, upload and verify of program tables over the command protocol.

#include <cstdint>

// Set while a download is in progress.
extern uint8_t Cmd_Downloading;

#pragma once
// Download, upload and verify of program tables over the command protocol.

#include <cstdint>

// Set while a download is in progress: from a download request that shows the download
// screen until the screen is left (the end of a download outside a communication lock,
// the lock's release, a verify, or an interrupted download).
extern uint8_t Cmd_Downloading;

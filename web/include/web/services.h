#pragma once
// What the controller kernel uses of the web server.

#include <cstdint>

void quorv_check_ftp_state();
// Creates the server thread; sets QuorvThreadCreated and the state 3 first (back to 2,
// no thread, when it cannot be created).
void quorv_thread_create();
void quorv_update_system_screen_details();
// Start-up: prepares the web server's two mutexes.
void quorv_init_mutexes();
// The firmware process runs the server on its own thread; a test program that steps the
// main loop gets only the record of quorv_thread_create (the default) unless it asks.
void QuorvEnableServerThread(bool enabled);
// The process ends: the server thread is asked to stop and waited for (a few seconds at
// most), so that it never runs while the process takes itself down.
void QuorvStopServer();
// The upload watcher back at its start (power-on reset).
void QuorvUploadWatcherReset();

// The web server's start state, stepped by the main loop after each pass:
// 0 stop requested, 1 stopped, 2 start requested, 3 created, 4 running. The server
// starts stopped; a new IP address (QuorvUpdateNewIp = 1) asks for a (re)start.
extern uint8_t QuorvServerState;
extern uint8_t QuorvUpdateNewIp;
extern uint8_t QuorvFtping;         // a file transfer of the web server is running
extern uint8_t QuorvThreadCreated;  // the web-server thread exists

#pragma once
// The panel's web-server glue: start-up, configuration, tear-down and the upload
// watcher's pieces.

#include <cstddef>
#include <cstdint>
#include <mutex>

extern uint8_t QuorvServerStatus;  // 1 while the server serves (ESR 17 bit 3)
extern uint32_t Quorv_server_status_token;
extern uint16_t ConnectionTimeOut;  // seconds
extern uint16_t SessionTimeOut;     // seconds
extern uint8_t quorv_authentication_method;  // 1 Basic, 2 Digest
extern uint32_t Quorv_global_config_file_size;
extern uint8_t quorvFtpStates;
extern std::mutex demoMutex;              // held by the server thread around each pass
extern std::mutex QuorvQueryFilterMutex;  // trend and alarm-history queries

// The folder of the web files on the card by the panel's identity.
const char* QuorvFolder();
// Start-up on the server thread: 0, or -1 when the server could not listen.
int quorv_server_main();
void quorv_thread_clear();
// Reads at most room - 1 bytes of the file and ends them with a NUL; kinds 2 and 3
// record the size read. The close result, or 0 when nothing was read.
int quorv_read_file(char* buffer, size_t room, const char* path, int kind);
// Lines of "key:value"; see the keys at the parser.
void quorv_update_global_config_parameters(const char* text);
// inotify on the folder for creations (on_create) or deletions: 1, or 0.
int quorv_create_inotify(int* fd, int* watch, const char* path, int on_create);
// 1 when the watch reports that the web root went away (the watch is then ended).
int quorv_check_inotify(int fd, int watch);

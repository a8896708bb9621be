// Hooks of the web server until it is built: no thread is created.
#include "platform/trace.h"
#include "web/services.h"

void quorv_check_ftp_state() { plat::TraceCall("quorv_check_ftp_state"); }
void quorv_thread_create() { plat::TraceCall("quorv_thread_create"); }
void quorv_update_system_screen_details() { plat::TraceCall("quorv_update_system_screen_details"); }
void quorv_init_mutexes() { plat::TraceCall("quorv_init_mutexes"); }

uint8_t QuorvServerState = 1;
uint8_t QuorvUpdateNewIp = 0;
uint8_t QuorvFtping = 0;
uint8_t QuorvThreadCreated = 0;

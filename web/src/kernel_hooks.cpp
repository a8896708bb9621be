// Hooks of the web server until it is built: no thread is created.
#include "platform/trace.h"
#include "web/services.h"

void quorv_check_ftp_state() { plat::TraceCall("quorv_check_ftp_state"); }
void quorv_thread_create() { plat::TraceCall("quorv_thread_create"); }
void quorv_update_system_screen_details() { plat::TraceCall("quorv_update_system_screen_details"); }

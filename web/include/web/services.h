#pragma once
// What the controller kernel uses of the web server.

void quorv_check_ftp_state();
void quorv_thread_create();
void quorv_update_system_screen_details();

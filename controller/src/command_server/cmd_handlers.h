#pragma once
// The handlers of the command table. Each reads the command buffer, answers through the
// byte layer and ends its command with CmdDone; a handler that needs more than one pass
// keeps its step in CmdMode and is called again on every pass until it is done.

void do_default();
void get_mode();
void set_mode();
void verify_memory();
void download_memory();
void upload_memory();
void get_version();
void get_local_id();
void set_local_id();
void get_global_data();
void set_global_data();
void protect_nvram();
void reset_plc();
void press_key();
void get_plc_reg();
void cal_module();
void set_plc_reg();
void set_comm_lock();
void get_baud_rate();
void set_baud_rate();
void cmd_negotiation();
void velan_can_talkthrough_rx_can_packet_cmd();
void velan_can_talkthrough_cmd();
void n4_debug_switch();

// The lock part of command 25, also applied when a node acknowledges a relayed 25.
void do_comm_lock();

// The command table of the programming protocol, indexed by the command byte.
#include "cmd_table.h"

#include "cmd_handlers.h"
#include "controller/datagram.h"
#include "controller/fxp.h"

namespace {
constexpr CmdRow Local(void (*handler)(), CmdRelayKind kind) { return {.handler = handler, .kind = kind}; }
constexpr CmdRow AnyNode(void (*handler)(), CmdRelayKind kind) {
  return {.handler = handler, .kind = kind, .any_node = 1};
}
constexpr CmdRow Broadcast(void (*handler)(), CmdRelayKind kind) {
  return {.handler = handler, .kind = kind, .broadcast = 1};
}
}  // namespace

constexpr std::array<CmdRow, kCmdCount> kTable{{
    /* 0 */ Local(do_default, kRelayAck),
    /* 1 */ Local(get_mode, kRelayFrame),
    /* 2 */ Broadcast(set_mode, kRelayAck),
    /* 3 */ Local(verify_memory, kRelayDownload),
    /* 4 */ Local(download_memory, kRelayDownload),
    /* 5 */ Local(upload_memory, kRelayUpload),
    /* 6 */ Local(do_default, kRelayFrame),
    /* 7 */ Local(do_default, kRelayFrame),
    /* 8 */ Local(get_version, kRelayFrame),
    /* 9 */ AnyNode(get_local_id, kRelayFrame),
    /* 10 */ AnyNode(set_local_id, kRelayAck),
    /* 11 */ AnyNode(get_global_data, kRelayUpload),
    /* 12 */ AnyNode(set_global_data, kRelayAck),
    /* 13 */ Local(do_default, kRelayFrame),
    /* 14 */ Local(do_default, kRelayAck),
    /* 15 */ Local(do_default, kRelayFrame),
    /* 16 */ Local(do_default, kRelayFrame),
    /* 17 */ Local(do_default, kRelayFrame),
    /* 18 */ Local(do_default, kRelayFrame),
    /* 19 */ Broadcast(protect_nvram, kRelayAck),
    /* 20 */ Local(reset_plc, kRelayAck),
    /* 21 */ Local(press_key, kRelayAck),
    /* 22 */ Local(get_plc_reg, kRelayFrame),
    /* 23 */ Local(cal_module, kRelayFrame),
    /* 24 */ Broadcast(set_plc_reg, kRelayAck),
    /* 25 */ Local(set_comm_lock, kRelayAck),
    /* 26 */ Local(get_baud_rate, kRelayFrame),
    /* 27 */ Local(set_baud_rate, kRelayAck),
    /* 28 */ Local(parse_fxp_cmd, kRelayFrame),
    /* 29 */ Local(write_fxp_data, kRelayAck),
    /* 30 */ Local(read_fxp_data, kRelayFrame),
    /* 31 */ Local(cmd_datagram_delete, kRelayAck),
    /* 32 */ Local(cmd_datagram_create, kRelayFrame),
    /* 33 */ Local(cmd_datagram_write, kRelayAck),
    /* 34 */ Local(cmd_datagram_read, kRelayFrame),
    /* 35 */ Local(cmd_negotiation, kRelayAck),
    /* 36 */ Local(velan_can_talkthrough_rx_can_packet_cmd, kRelayFrame),
    /* 37 */ Local(velan_can_talkthrough_cmd, kRelayAck),
    /* 38 */ Local(n4_debug_switch, kRelayAck),
}};
static_assert(kTable.size() == 39 && kTable[38].handler == n4_debug_switch && kTable[9].any_node && kTable[24].broadcast);

constinit const std::array<CmdRow, kCmdCount> CmdInfo = kTable;

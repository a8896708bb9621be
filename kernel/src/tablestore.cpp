// Storage of the table store's blocks.
#include "kernel/tablestore.h"

alignas(8) uint8_t ladder_bl[kLadderCap];
alignas(8) uint8_t io_config_bl[kIoConfigCap];
alignas(8) uint8_t net_config_bl[kNetConfigCap];
alignas(8) uint8_t vtn_pgm_bl[kVtnPgmCap];
alignas(8) uint8_t string_table_bl[kStringTableCap];
alignas(8) uint8_t bmp_table[kBmpTableCap];
alignas(8) uint8_t rom_map_tbl[kBmpMapCap];
alignas(8) uint8_t ram_map_tbl[kBmpMapCap];
alignas(8) uint8_t text_table_bl[kTextTableCap];
alignas(8) uint8_t font_table_bl[kFontTableCap];
alignas(8) uint8_t promgr_table_bl[kPromgrTableCap];
alignas(8) uint8_t sms_table_bl[kSmsTableCap];
alignas(8) uint8_t datalog_table[kDatalogTableCap];
alignas(8) uint8_t flash_parm_tbl[kFlashParmCap];
alignas(8) uint8_t copendnet_tbl[kCopendnetCap];
alignas(8) uint8_t report_table[kReportTableCap];
alignas(8) uint8_t recipe_tbl[kRecipeTableCap];
alignas(8) uint8_t ladder_olp[kLadderOlpCap];
alignas(8) uint8_t login_tbl[kLoginTableCap];
alignas(8) uint8_t mqtt_tbl[kMqttTableCap];
alignas(8) uint8_t tinyImage[kTinyImageCap];
alignas(8) uint8_t io_force[kIoForceCap];
